#include "app/win32/RunLog.h"

#include <windows.h>

#include "app/CmdLine.h"
#include "app/RunOutcome.h"
#include "support/Diagnostics.h"
#include "support/Log.h"
#include "support/Text.h"
#include "support/win32/LogFile.h"
#include "support/win32/ModuleFileName.h"

using namespace kestrova;

void StartRunLog(const CmdLineData& values) {
  if (values.logfile.empty()) return;
  const std::u16string& path = values.logfile;
  auto* log = new KVLogFile;  // never freed: see the header
  if (const KVResult r = log->Open(path); r != KV_OK) {
    KVDiagnostic("ERROR: %s: opening the log %ls failed, err=0x%08X; the run goes on without it\n", __func__,
                 AsWide(path), static_cast<unsigned>(r));
    delete log;
    return;
  }
  KVSetLog(log);
  std::u16string program;
  (void)KVWinGetModulePathAndFileName(program);
  KVLogEvent("kv-sfx {} started: {}", KVSFX_VERSION, program);
  KVLogEvent("command line: {}", FromWide(::GetCommandLineW()));
}

void EndRunLog(KVResult runError, std::uint32_t exitCode) {
  if (runError == KV_OK) {
    KVLogEvent("exit 0x{:08X}: {}", exitCode,
               exitCode == 0 ? "success" : "the exit code the commands left in SfxExitCode; no message");
    return;
  }
  const std::u16string message = ErrorMessageText(runError);
  KVLogEvent("exit 0x{:08X}: the run failed; {}", runError,
             message.empty() ? std::u16string(u"no message") : u"message: \"" + message + u"\"");
}
