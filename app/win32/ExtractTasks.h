// The extraction and the cleanup as tasks of a run.
#pragma once
#include "app/Task.h"

// Extracts the payload of the running executable into the target folder (extract/win32/ExtractPayload.h).
class ExtractFiles final : public Task {
 public:
  ExtractFiles(ParameterStore* parameterStore, UIActionQueue* uiActionQueue);
  kestrova::KVResult Run() override;
};

// Deletes the target folder (extract/win32/DeleteExtractedFolder.h); hidden, runs after a failure too, never fails.
class DeleteExtractedFiles final : public Task {
 public:
  DeleteExtractedFiles(ParameterStore* parameterStore, UIActionQueue* uiActionQueue);
  kestrova::KVResult Run() override;
};
