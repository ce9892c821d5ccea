// The application object: message window, worker, task list, parameters and progress dialog of one run.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "app/Task.h"
#include "app/WorkerBody.h"
#include "app/win32/MessageWindow.h"
#include "app/win32/RunPlanner.h"
#include "app/win32/UIActionQueue.h"
#include "app/win32/WorkerThread.h"
#include "commands/Parameters.h"
#include "support/win32/UniqueResource.h"
#include "ui/win32/ProgressDlg.h"

class App final : public MessageHandler {
 public:
  App(HINSTANCE instance, RunPlanner& planner);
  ~App() override;
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  // Runs the whole installer; `exitCode` receives the value of SfxExitCode when the run succeeds.
  kestrova::KVResult Run(std::uint32_t& exitCode);

  void HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // Everything the worker thread touches. The worker holds its own reference, so that a run ended early by a
  // UI action's error can release the App while the worker still waits.
  struct Shared final : WorkerHost {
    WorkerThread worker;
    UIActionQueue uiActions;
    TaskList tasks;
    ParameterStore parameters;
    std::atomic<HWND> messageWindow{nullptr};

    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t milliseconds) override;
    void ShowProgress(bool visible) override;
  };

  static unsigned __stdcall WorkerProcedure(void* argument);
  kestrova::KVResult StartWorker();
  kestrova::KVResult RunMessageLoop();
  void OnTimer();
  // The worker said it has ended: waits for its thread and ends the message loop with its result.
  void OnWorkerDone();
  void OnRunUIActions();
  void TearDownWindows();

  HINSTANCE instance_;
  RunPlanner& planner_;
  MessageWindow messageWindow_;
  std::shared_ptr<Shared> shared_;
  UINT_PTR timerId_ = 0;
  ProgressDlg progress_;
};
