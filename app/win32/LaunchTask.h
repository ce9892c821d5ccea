// A launch command as a task of the run: the process, its conditions and their message boxes.
#pragma once
#include "app/Task.h"
#include "commands/LaunchCommand.h"

class ExecuteLaunchCommand final : public Task {
 public:
  ExecuteLaunchCommand(std::u16string commandId, LaunchCommand command, ParameterStore* parameterStore,
                       UIActionQueue* uiActionQueue);
  kestrova::KVResult Run() override;

 private:
  LaunchCommand command_;
};
