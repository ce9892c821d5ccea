#include "app/win32/ExtractTasks.h"

#include "extract/win32/DeleteExtractedFolder.h"
#include "extract/win32/ExtractPayload.h"

ExtractFiles::ExtractFiles(ParameterStore* parameterStore, UIActionQueue* uiActionQueue)
    : Task(kExtractFilesName, parameterStore, uiActionQueue) {
  statusText = kExtractFilesStatus;
}

kestrova::KVResult ExtractFiles::Run() { return ExtractPayload({}, target, nullptr); }

DeleteExtractedFiles::DeleteExtractedFiles(ParameterStore* parameterStore, UIActionQueue* uiActionQueue)
    : Task(kDeleteExtractedFilesName, parameterStore, uiActionQueue) {
  statusText = kDeleteExtractedFilesStatus;
  hidden = true;
  alwaysRun = true;
}

kestrova::KVResult DeleteExtractedFiles::Run() { return DeleteExtractedFolder(target, nullptr); }
