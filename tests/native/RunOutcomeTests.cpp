#include <gtest/gtest.h>

#include <tuple>

#include "app/RunOutcome.h"
#include "commands/Parameters.h"

using namespace kestrova;

TEST(RunOutcome, ExitCodeComesFromSfxExitCodeAndARunErrorOutranksIt) {
  ParameterStore store;
  std::uint32_t exitCode = 99;
  // The value, null for none; the result and the exit code after it (kept on failure).
  for (const auto& [value, result, expected] : {std::tuple{static_cast<const char16_t*>(nullptr), KV_E_FAIL, 99u},
                                                {u"3010", KV_OK, 3010u}, {u"0x80070643", KV_OK, 0x80070643u},
                                                {u"Yes", KV_E_FAIL, 0x80070643u}}) {
    if (value != nullptr) store.Set(kSfxExitCodeName, value);
    EXPECT_EQ(ReadExitCode(store, exitCode), result);
    EXPECT_EQ(exitCode, expected);
  }
  EXPECT_EQ(ProcessExitCode(KV_OK, 3010), 3010u);
  EXPECT_EQ(ProcessExitCode(267, 3010), 267u);
  EXPECT_EQ(ProcessExitCode(KV_E_CANCELLED, 0), KV_E_CANCELLED);
}

TEST(RunOutcome, MessageAndShownCodeOfEachResult) {
  const std::u16string admin = u"Administrator privileges required.", target = u"The target path is invalid.",
                       aborted = u"The execution was aborted due to an error.";
  const std::tuple<KVResult, std::u16string, KVResult> cases[] = {
      {KV_OK, u"", KV_OK}, {KV_E_CANCELLED, u"", KV_E_CANCELLED},
      {KV_E_ELEVATION_DECLINED, u"", KV_E_ELEVATION_DECLINED},
      {KV_E_UNSUPPORTED_SYSTEM, u"The current system is not supported.", KV_E_UNSUPPORTED_SYSTEM},
      {5, admin, KV_E_ADMIN_REQUIRED}, {0x80070005, admin, KV_E_ADMIN_REQUIRED},
      {KV_E_BAD_COMMAND_LINE, u"The command line arguments are invalid.", KV_E_BAD_COMMAND_LINE},
      {KV_E_MISSING_ARGUMENT, u"A command line argument is missing.", KV_E_MISSING_ARGUMENT},
      {267, target, KV_E_INVALID_TARGET}, {KV_E_INVALID_TARGET, target, KV_E_INVALID_TARGET},
      {KV_E_TARGET_TOO_LONG, u"The target path exceeds the maximum supported length of 248 characters.",
       KV_E_TARGET_TOO_LONG},
      {KV_E_FAIL, aborted, KV_E_FAIL}, {KV_E_ADMIN_REQUIRED, aborted, KV_E_ADMIN_REQUIRED},
      {KV_E_NO_CONFIGURATION, aborted, KV_E_NO_CONFIGURATION}, {1603, aborted, 1603}, {2, aborted, 2},
  };
  for (const auto& [code, message, shown] : cases) {
    EXPECT_EQ(ErrorMessageText(code), message) << code;
    EXPECT_EQ(MappedErrorCode(code), shown) << code;
  }
}
