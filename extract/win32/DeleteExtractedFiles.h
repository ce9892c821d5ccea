// The task that deletes the target folder once the launched commands have finished.
#pragma once
#include "app/Task.h"


// Deletes the target folder (`target`, configured text resolved when the task runs) with everything in it. When
// only files that someone still holds open with delete sharing keep the folders, it retries every 50 ms for up
// to 5 s. Never fails the run: every outcome is 0; whatever cannot be deleted stays. A drive or share root is
// never deleted.
class DeleteExtractedFiles final : public Task {
 public:
  DeleteExtractedFiles(ParameterStore* parameterStore, HWND__* messageWindowHandle, UIActionQueue* uiActionQueue);

  kestrova::KVResult Run() override;

  // What the last run met, for diagnostics and tests.
  struct Report {
    kestrova::KVResult treeResult = kestrova::KV_OK;
    std::uint32_t pendingFiles = 0;
    std::uint32_t failedFiles = 0;
    std::uint32_t failedFolders = 0;
    std::uint32_t retryPasses = 0;
  };
  const Report& LastReport() const { return report_; }

 private:
  void DeleteTarget();

  Report report_;
};
