#include "app/win32/App.h"

#include "app/ProcessValues.h"
#include "app/RunOutcome.h"
#include "app/win32/WindowMessages.h"
#include "commands/ProgramFolder.h"
#include "config/win32/Wow64FsRedirectionGuard.h"
#include "support/Failure.h"
#include "support/Formatter.h"
#include "support/win32/ModuleFileName.h"

using namespace kestrova;

App::App(HINSTANCE instance, RunPlanner& planner)
    : instance_(instance), planner_(planner), messageWindow_(instance, this), shared_(std::make_shared<Shared>()) {
  shared_->parameters.Insert(kSfxExitCodeName, KVFormatDecimal(0));
}

App::~App() { TearDownWindows(); }

KVResult App::Run(std::uint32_t& exitCode) {
  exitCode = 0;
  KVWinModuleFileName module;
  KV_RETURN_IF_FAILED(module.Init(), "reading the program's file name");
  SetProgramFolder(module.Folder());

  KV_RETURN_IF_FAILED(messageWindow_.Create(), "creating the message window");
  shared_->messageWindow = messageWindow_.Handle();

  shared_->tasks.clear();
  const RunEnvironment environment{&shared_->parameters, messageWindow_.Handle(), &shared_->uiActions};
  KV_RETURN_IF_FAILED(planner_.PlanRun(environment, shared_->tasks), "planning the run of {}", module.fullPath);

  KV_RETURN_IF_FAILED(progress_.Create(instance_, ApplicationTitle()), "creating the progress dialog");
  timerId_ = ::SetTimer(messageWindow_.Handle(), kWorkerPollTimerId, kWorkerPollIntervalMs, nullptr);
  if (const KVResult r = StartWorker(); r != KV_OK) {
    TearDownWindows();
    return KV_FAIL(r, "starting the worker thread");
  }

  const KVResult quitCode = RunMessageLoop();
  TearDownWindows();
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
  // The run ends now rather than at the next poll (up to kWorkerPollIntervalMs later); the poll stays as the
  // fallback should the message be lost.
  if (const HWND window = shared.messageWindow.load()) ::PostMessageW(window, kWmWorkerDone, 0, 0);
  return 0;
}

KVResult App::RunMessageLoop() {
  MSG message = {};
  for (;;) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) continue;
    if (got == 0) return static_cast<KVResult>(message.wParam);
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

void App::HandleMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kWorkerPollTimerId) OnTimer();
      break;
    case kWmShowProgress:
      progress_.Show(wParam != 0);
      break;
    case kWmRunUIActions:
      OnRunUIActions();
      break;
    case kWmWorkerDone:
      OnWorkerDone();
      break;
    default:
      break;
  }
}

void App::OnTimer() {
  WorkerThread& worker = shared_->worker;
  const bool running = worker.IsRunning();
  const KVResult result = worker.Result();
  if (running && result == KV_OK) return;
  worker.Join();
  ::PostQuitMessage(static_cast<int>(result));
}

void App::OnWorkerDone() {
  WorkerThread& worker = shared_->worker;
  worker.Join();
  ::PostQuitMessage(static_cast<int>(worker.Result()));
}

void App::OnRunUIActions() {
  while (UIAction* action = shared_->uiActions.Pop()) {
    const KVResult result = action->Execute(progress_.Handle());
    if (result != KV_OK) {
      ::PostQuitMessage(static_cast<int>(result));
      return;
    }
  }
}

void App::TearDownWindows() {
  if (timerId_ != 0) {
    ::KillTimer(messageWindow_.Handle(), kWorkerPollTimerId);
    timerId_ = 0;
  }
  messageWindow_.Destroy();
  shared_->messageWindow = nullptr;
  progress_.Destroy();
}

std::uint32_t App::Shared::TickCount() { return ::GetTickCount(); }

void App::Shared::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

void App::Shared::ShowProgress(bool visible) {
  // After the loop has ended there is no window; posting to null would land in this thread's own queue.
  if (const HWND window = messageWindow.load()) ::PostMessageW(window, kWmShowProgress, visible ? 1 : 0, 0);
}
