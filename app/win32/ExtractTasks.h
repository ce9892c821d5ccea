// The extraction and the cleanup as tasks of a run.
#pragma once
#include "app/Task.h"

// Extracts the payload of the running executable into the target folder (extract/win32/ExtractPayload.h).
class ExtractFiles final : public Task {
 public:
  explicit ExtractFiles(ParameterStore* parameterStore) : Task(kExtractFilesName, parameterStore) {}
  kestrova::KVResult Run() override;
};

// Deletes the target folder (extract/win32/DeleteExtractedFolder.h); never fails. The plan makes it hidden and
// run after a failure too.
class DeleteExtractedFiles final : public Task {
 public:
  explicit DeleteExtractedFiles(ParameterStore* parameterStore) : Task(kDeleteExtractedFilesName, parameterStore) {}
  kestrova::KVResult Run() override;
};
