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

// The messages themselves are pinned where users read them (the exit-code reference, checked against kvsfx
// explain, and the stub's own boxes under Wine); here: which codes share one, which show none, what they stand for.
TEST(RunOutcome, WhichCodesShareAMessageAndWhatItStandsFor) {
  for (const KVResult silent : {KV_OK, KV_E_CANCELLED, KV_E_ELEVATION_DECLINED}) {
    EXPECT_EQ(ErrorMessageText(silent), u"") << silent;
    EXPECT_EQ(MappedErrorCode(silent), silent);
  }
  // Access denied in either form asks for administrator rights and stands for KV_E_ADMIN_REQUIRED (which, given
  // itself, shows the general message).
  EXPECT_EQ(ErrorMessageText(KV_WIN32_ACCESS_DENIED), u"Administrator privileges required.");
  EXPECT_EQ(ErrorMessageText(KV_HRESULT_ACCESS_DENIED), ErrorMessageText(KV_WIN32_ACCESS_DENIED));
  EXPECT_EQ(MappedErrorCode(KV_WIN32_ACCESS_DENIED), KV_E_ADMIN_REQUIRED);
  EXPECT_EQ(MappedErrorCode(KV_HRESULT_ACCESS_DENIED), KV_E_ADMIN_REQUIRED);
  EXPECT_EQ(ErrorMessageText(KV_WIN32_DIRECTORY), ErrorMessageText(KV_E_INVALID_TARGET));
  EXPECT_EQ(MappedErrorCode(KV_WIN32_DIRECTORY), KV_E_INVALID_TARGET);
  EXPECT_NE(ErrorMessageText(KV_E_TARGET_TOO_LONG).find(u"248 characters"), std::u16string::npos);
  // Everything else, commands' exit codes included, shows the general message and stands for itself.
  const std::u16string general = ErrorMessageText(KV_E_FAIL);
  for (const KVResult other : {KV_E_ADMIN_REQUIRED, KV_E_NO_CONFIGURATION, 1603u, 2u, 0xC0000005u}) {
    EXPECT_EQ(ErrorMessageText(other), general) << other;
    EXPECT_EQ(MappedErrorCode(other), other);
  }
  for (const KVResult own : {KV_E_UNSUPPORTED_SYSTEM, KV_E_BAD_COMMAND_LINE, KV_E_MISSING_ARGUMENT}) {
    EXPECT_NE(ErrorMessageText(own), general) << own;
  }
}
