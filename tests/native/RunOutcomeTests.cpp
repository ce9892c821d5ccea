#include <gtest/gtest.h>

#include "app/RunOutcome.h"
#include "commands/Parameters.h"

using namespace kestrova;

TEST(RunOutcome, ExitCodeComesFromSfxExitCode) {
  ParameterStore store;
  std::uint32_t exitCode = 99;
  EXPECT_EQ(ReadExitCode(store, exitCode), KV_E_FAIL);  // missing
  EXPECT_EQ(exitCode, 99u);
  store.Set(kSfxExitCodeName, u"3010");
  EXPECT_EQ(ReadExitCode(store, exitCode), KV_OK);
  EXPECT_EQ(exitCode, 3010u);
  store.Set(kSfxExitCodeName, u"0x80070643");
  EXPECT_EQ(ReadExitCode(store, exitCode), KV_OK);
  EXPECT_EQ(exitCode, 0x80070643u);
  store.Set(kSfxExitCodeName, u"Yes");
  EXPECT_EQ(ReadExitCode(store, exitCode), KV_E_FAIL);
}

TEST(RunOutcome, RunErrorOutranksTheExitCode) {
  EXPECT_EQ(ProcessExitCode(KV_OK, 3010), 3010u);
  EXPECT_EQ(ProcessExitCode(267, 3010), 267u);
  EXPECT_EQ(ProcessExitCode(KV_E_CANCELLED, 0), KV_E_CANCELLED);
}

TEST(RunOutcome, MessageTable) {
  EXPECT_EQ(ErrorMessageText(KV_OK), u"");
  EXPECT_EQ(ErrorMessageText(KV_E_CANCELLED), u"");
  EXPECT_EQ(ErrorMessageText(KV_E_ELEVATION_DECLINED), u"");
  EXPECT_EQ(ErrorMessageText(KV_E_UNSUPPORTED_SYSTEM), u"The current system is not supported.");
  EXPECT_EQ(ErrorMessageText(5), u"Administrator privileges required.");
  EXPECT_EQ(ErrorMessageText(0x80070005), u"Administrator privileges required.");
  EXPECT_EQ(ErrorMessageText(KV_E_BAD_COMMAND_LINE), u"The command line arguments are invalid.");
  EXPECT_EQ(ErrorMessageText(KV_E_MISSING_ARGUMENT), u"A command line argument is missing.");
  EXPECT_EQ(ErrorMessageText(267), u"The target path is invalid.");
  EXPECT_EQ(ErrorMessageText(KV_E_INVALID_TARGET), u"The target path is invalid.");
  EXPECT_EQ(ErrorMessageText(KV_E_TARGET_TOO_LONG),
            u"The target path exceeds the maximum supported length of 248 characters.");
  for (const KVResult other : {KV_E_FAIL, KV_E_ADMIN_REQUIRED, KV_E_NO_CONFIGURATION, KVResult{1603}, KVResult{2}}) {
    EXPECT_EQ(ErrorMessageText(other), u"The execution was aborted due to an error.") << other;
  }
}

TEST(RunOutcome, ShownCodeMapsAccessDeniedAndDirectory) {
  EXPECT_EQ(MappedErrorCode(5), KV_E_ADMIN_REQUIRED);
  EXPECT_EQ(MappedErrorCode(0x80070005), KV_E_ADMIN_REQUIRED);
  EXPECT_EQ(MappedErrorCode(267), KV_E_INVALID_TARGET);
  EXPECT_EQ(MappedErrorCode(1603), 1603u);
}
