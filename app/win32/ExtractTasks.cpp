#include "app/win32/ExtractTasks.h"

#include "extract/win32/DeleteExtractedFolder.h"
#include "extract/win32/ExtractPayload.h"

kestrova::KVResult ExtractFiles::Run() { return ExtractPayload({}, target, nullptr); }

kestrova::KVResult DeleteExtractedFiles::Run() { return DeleteExtractedFolder(target, nullptr); }
