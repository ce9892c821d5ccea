// kvsfx explain: exit codes, and the runs of a log, each with what ran, the last command, the first failure
// and the exit.
#include <gtest/gtest.h>

#include <utility>

#include "builder/ExitCodeMeaning.h"
#include "builder/LogSummary.h"

using namespace kestrova;

namespace {

// A first copy and its elevated copy appending to one log, their lines interleaved, then a run that crashed.
const char kLog[] =
    "2026-12-06 21:03:52.326 [308:312] kv-sfx 0.1.0 started: C:\\dl\\setup.exe\r\n"
    "2026-12-06 21:03:52.326 [308:312] command line: \"C:\\dl\\setup.exe\" --logfile C:\\s.log\r\n"
    "2026-12-06 21:03:52.354 [308:312] configuration: \"Setup\", launch mode\r\n"
    "2026-12-06 21:03:52.372 [308:316] task extract_files started\r\n"
    "2026-12-06 21:03:52.374 [308:316] task extract_files ended after 2 ms: 0x00000000\r\n"
    "2026-12-06 21:03:53.000 [400:404] kv-sfx 0.1.0 started: C:\\dl\\setup.exe\r\n"
    "2026-12-06 21:03:53.001 [400:404] command line: setup.exe --internal 1 --target \"C:\\T\" --logfile C:\\s.log\r\n"
    "2026-12-06 21:03:53.100 [400:408] ERROR: Run: opening x failed, err=0x00000002 (a.cpp:1)\r\n"
    "2026-12-06 21:03:53.101 [400:408] ERROR: Run: running the tasks failed, err=0x00000002 (b.cpp:2)\r\n"
    "2026-12-06 21:03:53.200 [400:404] exit 0x00000002: exit code of the launched command\r\n"
    "not a log line\r\n"
    "2026-12-06 21:03:52.380 [308:316] starting \"msiexec.exe\" /i \"C:\\T\\a.msi\" in C:\\T\r\n"
    "2026-12-06 21:03:53.290 [308:316] msiexec.exe ended with exit code 1603 (0x00000643)\r\n"
    "2026-12-06 21:03:53.300 [308:316] task install ended after 300 ms: 0x00000643\r\n"
    "2026-12-06 21:03:53.301 [308:316] task delete_extracted_files skipped: an earlier task failed\r\n"
    "2026-12-06 21:03:53.400 [308:312] exit 0x00000643: the exit code the commands left in SfxExitCode; no message\r\n"
    "2026-12-06 22:00:00.000 [308:500] kv-sfx 0.1.0 started: C:\\dl\\setup.exe\n";

}  // namespace

TEST(LogSummary, EachCopyWithItsTasksFirstFailureAndExit) {
  const std::vector<LoggedRun> runs = ReadLoggedRuns(kLog);
  ASSERT_EQ(runs.size(), 3u);  // the reused process id starts a run of its own
  EXPECT_EQ(runs[0].processId, "308");
  EXPECT_EQ(runs[0].program, "C:\\dl\\setup.exe");
  EXPECT_EQ(runs[0].tasks, (std::vector<std::string>{"extract_files 0x00000000 (2 ms)", "install 0x00000643 (300 ms)",
                                                     "delete_extracted_files skipped: an earlier task failed"}));
  EXPECT_EQ(runs[0].firstFailure, "");
  EXPECT_EQ(runs[0].lastCommand, "starting \"msiexec.exe\" /i \"C:\\T\\a.msi\" in C:\\T");
  EXPECT_EQ(runs[0].lastCommandExit, "msiexec.exe ended with exit code 1603 (0x00000643)");
  // The innermost record comes first: it names what failed.
  EXPECT_EQ(runs[1].firstFailure, "ERROR: Run: opening x failed, err=0x00000002 (a.cpp:1)");
  EXPECT_EQ(runs[2].exit, "");

  const std::string summary = SummarizeLoggedRuns(runs);
  EXPECT_NE(summary.find("run of process 400 (the elevated copy), 2026-12-06 21:03:53.000"), std::string::npos)
      << summary;
  EXPECT_NE(summary.find("exit unknown"), std::string::npos) << summary;
  EXPECT_NE(summary.find("  its result:   msiexec.exe ended with exit code 1603 (0x00000643)\n"
                         "  first failure: none\n  exit 0x00000643: the exit code the commands left in SfxExitCode; no message\n"
                         "  meaning: 0x00000643 (1603): a command's own exit code"),
            std::string::npos) << summary;
  EXPECT_EQ(SummarizeLoggedRuns(ReadLoggedRuns("garbage\n")), "no installer run in this log\n");
}

TEST(ExitCodeMeaning, OwnCodesTellTheMessageOthersTheCommandsResult) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {0, "0x00000000 (0): success"},
      {0xEE002004, "0xEE002004 (3992985604): the installer failed and showed \"The current system is not supported.\""},
      {0xEE000005, "cancelled by the user; no message is shown"},
      {1603, "0x00000643 (1603): a command's own exit code, passed on: a fatal error during installation"},
      {1641, "success; the installer has started a restart (ERROR_SUCCESS_REBOOT_INITIATED); no message is shown\n"},
      {0x80070643, "(2147944003): a command's own exit code, passed on: a fatal error"},
      {5, "unless the installer itself failed with this Windows error: then it showed \"Administrator privileges"},
      {42, "0x0000002A (42): a command's own exit code, passed on; no message is shown (unless"},
  };
  for (const auto& [code, part] : cases) {
    const std::string text = ExplainExitCode(code) + "\n";
    EXPECT_NE(text.find(part), std::string::npos) << text;
  }
}
