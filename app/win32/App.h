// The application object: worker, task list, parameters and progress dialog of one run.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "app/Task.h"
#include "app/WorkerBody.h"
#include "app/win32/RunPlanner.h"
#include "app/win32/UIActionQueue.h"
#include "app/win32/WorkerThread.h"
#include "commands/Parameters.h"
#include "support/win32/UniqueResource.h"
#include "ui/win32/ProgressDlg.h"

class App final {
 public:
  App(HINSTANCE instance, RunPlanner& planner);
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  // Runs the whole installer; `exitCode` receives the value of SfxExitCode when the run succeeds.
  kestrova::KVResult Run(std::uint32_t& exitCode);

 private:
  // Everything the worker thread touches. The worker holds its own reference, so that a run ended early by a
  // UI action's error can release the App while the worker still waits.
  struct Shared final : WorkerHost {
    WorkerThread worker;
    UIActionQueue uiActions;
    TaskList tasks;
    ParameterStore parameters;
    // The progress dialog the worker asks for; the event wakes the main thread to show or hide it.
    std::atomic<bool> progressVisible{false};
    kestrova::KVUniqueHandle progressChanged;

    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t milliseconds) override;
    void ShowProgress(bool visible) override;
  };

  static unsigned __stdcall WorkerProcedure(void* argument);
  kestrova::KVResult StartWorker();
  // Serves the worker until its thread ends (its result) or a UI action fails (that action's code).
  kestrova::KVResult WaitForWorker();
  kestrova::KVResult OnProgressChanged();
  kestrova::KVResult OnRunUIActions();
  void DispatchMessages();

  HINSTANCE instance_;
  RunPlanner& planner_;
  std::shared_ptr<Shared> shared_;
  ProgressDlg progress_;  // created when first shown or needed as the owner of a message box
};
