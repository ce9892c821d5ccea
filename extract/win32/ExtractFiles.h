// The task that extracts the payload into the target folder.
#pragma once
#include <string>

#include "app/Task.h"


// Opens the payload appended to the executable (or the archive beside it) and writes every item into the target
// folder (`target`, configured text resolved when the task runs), creating the folder first.
// Results: 0; the module path or target resolution error; 0xEE002005 for a target folder with an invalid name;
// the system error of another target folder failure; 0xEE000001 for everything else that fails (no archive,
// damaged or encrypted data, an item that cannot be written, an item path that leaves the target folder).
class ExtractFiles final : public Task {
 public:
  // `executablePath` names the file that carries the payload; empty means the running executable.
  ExtractFiles(ParameterStore* parameterStore, HWND__* messageWindowHandle, UIActionQueue* uiActionQueue,
               std::u16string executablePath = {});

  kestrova::KVResult Run() override;

  // Why the last run failed on an item ("Cannot open output file", "Unsafe item path", ...), or empty.
  const std::u16string& FailureMessage() const { return failureMessage_; }

 private:
  kestrova::KVResult Extract();

  std::u16string executablePath_;
  std::u16string failureMessage_;
};
