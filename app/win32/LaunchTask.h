// A launch command as a task of the run: the process, its conditions and their message boxes.
#pragma once
#include "app/Task.h"
#include "commands/LaunchCommand.h"

class UIActionQueue;

// A launch command as a task; its message boxes are shown by the main thread through the UI action queue.
class ExecuteLaunchCommand final : public Task {
 public:
  ExecuteLaunchCommand(std::u16string commandId, LaunchCommand command, ParameterStore* parameterStore,
                       UIActionQueue* uiActionQueue);
  kestrova::KVResult Run() override;

 private:
  LaunchCommand command_;
  UIActionQueue* uiActions_;  // the App's queue, through which the main thread shows message boxes; not owned
};
