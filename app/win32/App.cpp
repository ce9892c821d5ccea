#include "app/win32/App.h"

#include "app/ProcessValues.h"
#include "app/RunOutcome.h"
#include "commands/ProgramFolder.h"
#include "config/win32/Wow64FsRedirectionGuard.h"
#include "support/Failure.h"
#include "support/Formatter.h"
#include "support/win32/ModuleFileName.h"
#include "support/win32/Win32Failure.h"

using namespace kestrova;

App::App(HINSTANCE instance, RunPlanner& planner)
    : instance_(instance), planner_(planner), shared_(std::make_shared<Shared>()) {
  shared_->parameters.Insert(kSfxExitCodeName, KVFormatDecimal(0));
}

App::~App() { progress_.Destroy(); }

KVResult App::Run(std::uint32_t& exitCode) {
  exitCode = 0;
  KVWinModuleFileName module;
  KV_RETURN_IF_FAILED(module.Init(), "reading the program's file name");
  SetProgramFolder(module.Folder());

  KV_RETURN_IF_FAILED(shared_->uiActions.Open(), "opening the UI action queue");
  shared_->progressChanged.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  KV_RETURN_LAST_ERROR_IF(!shared_->progressChanged, "creating the progress event");

  shared_->tasks.clear();
  const RunEnvironment environment{&shared_->parameters, &shared_->uiActions};
  KV_RETURN_IF_FAILED(planner_.PlanRun(environment, shared_->tasks), "planning the run of {}", module.fullPath);

  KV_RETURN_IF_FAILED(StartWorker(), "starting the worker thread");
  const KVResult quitCode = WaitForWorker();
  progress_.Destroy();
  if (quitCode != KV_OK) return KV_FAIL(quitCode, "running the tasks");
  KV_RETURN_IF_FAILED(ReadExitCode(shared_->parameters, exitCode), "reading SfxExitCode as a number");
  return KV_OK;
}

KVResult App::StartWorker() {
  auto* reference = new std::shared_ptr<Shared>(shared_);
  const KVResult r = shared_->worker.Start(&App::WorkerProcedure, reference);
  if (r != KV_OK) delete reference;
  return r;
}

unsigned __stdcall App::WorkerProcedure(void* argument) {
  const std::unique_ptr<std::shared_ptr<Shared>> reference(static_cast<std::shared_ptr<Shared>*>(argument));
  Shared& shared = **reference;
  KVResult result = KV_OK;
  {
    const Wow64FsRedirectionGuard redirectionOff;
    result = redirectionOff.Error();
    if (result != KV_OK) KV_FAIL(result, "turning WOW64 file-system redirection off for the tasks");
    else result = RunTaskList(shared.tasks, shared.parameters, shared);
  }
  shared.worker.SetResult(result);
  return 0;
}

KVResult App::WaitForWorker() {
  const HANDLE events[] = {shared_->worker.Handle(), shared_->progressChanged.get(), shared_->uiActions.Ready()};
  const DWORD count = sizeof(events) / sizeof(events[0]);
  for (;;) {
    // Until a window exists the main thread has no messages to serve, and the wait needs no window system.
    // Then the worker's requests come first, as its posted messages did before input: keys typed while the
    // main thread was busy reach the message box that the worker asked for, not the dialog behind it.
    const DWORD woken = progress_.Handle() == nullptr
                            ? ::WaitForMultipleObjects(count, events, FALSE, INFINITE)
                            : ::MsgWaitForMultipleObjectsEx(count, events, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    switch (woken) {
      case WAIT_OBJECT_0:
        shared_->worker.Join();
        return shared_->worker.Result();
      case WAIT_OBJECT_0 + 1:
        KV_RETURN_IF_FAILED(OnProgressChanged(), "showing the progress dialog");
        break;
      case WAIT_OBJECT_0 + 2:
        if (const KVResult r = OnRunUIActions(); r != KV_OK) return r;
        break;
      case WAIT_OBJECT_0 + count:
        DispatchMessages();
        break;
      default:
        return KV_FAIL(KVLastError(), "waiting for the worker");
    }
  }
}

KVResult App::OnProgressChanged() {
  const bool visible = shared_->progressVisible.load();
  if (visible && progress_.Handle() == nullptr) {
    KV_RETURN_IF_FAILED(progress_.Create(instance_, ApplicationTitle()), "creating the progress dialog");
  }
  progress_.Show(visible);
  return KV_OK;
}

KVResult App::OnRunUIActions() {
  shared_->uiActions.Woken();
  while (UIAction* action = shared_->uiActions.Pop()) {
    // The progress dialog owns the message boxes, shown or not.
    if (progress_.Handle() == nullptr) {
      KV_RETURN_IF_FAILED(progress_.Create(instance_, ApplicationTitle()), "creating the progress dialog");
    }
    const KVResult result = action->Execute(progress_.Handle());
    if (result != KV_OK) return result;
  }
  return KV_OK;
}

void App::DispatchMessages() {
  MSG message = {};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

std::uint32_t App::Shared::TickCount() { return ::GetTickCount(); }

void App::Shared::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

void App::Shared::ShowProgress(bool visible) {
  progressVisible = visible;
  ::SetEvent(progressChanged.get());
}
