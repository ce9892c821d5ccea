#include "app/win32/LaunchTask.h"

#include "app/CmdLine.h"
#include "app/win32/MessageBoxAction.h"
#include "commands/RunLaunchCommand.h"
#include "commands/Variables.h"
#include "commands/win32/SystemVariableFacts.h"
#include "commands/win32/Win32ProcessLauncher.h"

using kestrova::KVResult;

namespace {

// Conditions and actions on the real run: the store, message texts expanded for the task's target, boxes shown
// by the main thread through the UI action queue.
class TaskActionHost final : public ActionHost {
 public:
  TaskActionHost(Task& task, UIActionQueue& uiActions, VariableFacts& facts)
      : task_(task), uiActions_(uiActions), facts_(facts) {}

  ParameterStore& Parameters() override { return *task_.parameters; }
  KVResult ExpandMessageText(const std::u16string& text, std::u16string& expanded) override {
    expanded = text;
    return ExpandVariables(expanded, kMessageVariables, task_.target, task_.parameters, facts_);
  }
  bool MessagesShown() override { return CmdLineValues.gui != CmdLine::SFXGuiMode::Off; }
  KVResult ShowMessageBox(const std::u16string& text, std::uint32_t style, MessageResult& answer,
                          bool& answered) override {
    MessageBoxAction box(text, style, answer);
    answered = box.RunOnMainThread(uiActions_);
    if (answered) answer = box.Answer();
    return kestrova::KV_OK;
  }

 private:
  Task& task_;
  UIActionQueue& uiActions_;
  VariableFacts& facts_;
};

}  // namespace

ExecuteLaunchCommand::ExecuteLaunchCommand(std::u16string commandId, LaunchCommand command,
                                           ParameterStore* parameterStore, UIActionQueue* uiActionQueue)
    : Task(std::move(commandId), parameterStore), command_(std::move(command)), uiActions_(uiActionQueue) {}

KVResult ExecuteLaunchCommand::Run() {
  SystemVariableFacts facts;
  Win32ProcessLauncher launcher;
  TaskActionHost actions(*this, *uiActions_, facts);
  LaunchContext context{*parameters, facts, launcher, actions, CmdLineValues.tail};
  return RunLaunchCommand(command_, target, context);
}
