// The failure idiom and the run's log: what a failing step returns, and the record it leaves behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Diagnostics.h"
#include "support/Failure.h"
#include "support/Log.h"

using namespace kestrova;

namespace {

std::vector<std::string> g_debugger;

class CapturedLog final : public KVLog {
 public:
  std::vector<std::string> lines;
  void Write(std::string_view text) noexcept override { lines.emplace_back(text); }
};

// Captures the debugger output and the log for the length of a test.
class FailureIdiom : public ::testing::Test {
 protected:
  void SetUp() override {
    g_debugger.clear();
    KVSetDiagnosticSink([](const char* text) { g_debugger.emplace_back(text); });
    KVSetLog(&log_);
  }
  void TearDown() override {
    KVSetLog(nullptr);
    KVSetDiagnosticSink(nullptr);
  }
  CapturedLog log_;
};

KVResult CopyStep(KVResult inner, bool& reachedTheEnd) {
  reachedTheEnd = false;
  KV_RETURN_IF_FAILED(inner, "copying {} to {}", "setup.msi", u"C:\\Target");
  reachedTheEnd = true;
  return KV_OK;
}

// Passes on a failure its callee has recorded already.
KVResult PassOnStep(KVResult recorded) {
  KV_RETURN_IF_FAILED_RECORDED(recorded);
  return KV_OK;
}

}  // namespace

TEST_F(FailureIdiom, AFailureIsReturnedUnchangedWithOneRecordOfWhatAndWhereSuccessWithNone) {
  for (const KVResult inner : {KV_OK, KV_E_INVALID_DATA, KVResult{5}, KVResult{0x80070005}, KV_E_CANCELLED}) {
    g_debugger.clear();
    log_.lines.clear();
    bool reached = inner != KV_OK;
    EXPECT_EQ(CopyStep(inner, reached), inner);
    EXPECT_EQ(reached, inner == KV_OK);
    ASSERT_EQ(g_debugger.size(), inner == KV_OK ? 0u : 1u);
    EXPECT_EQ(log_.lines, g_debugger);
    if (inner == KV_OK) continue;
    const std::string& record = g_debugger[0];
    const std::string code = KVFormat("err=0x{:08X}", inner);
    EXPECT_EQ(record.rfind("ERROR: CopyStep: copying setup.msi to C:\\Target failed, " + code, 0), 0u) << record;
    // The place, relative to the repository, so that records read the same on every machine.
    EXPECT_NE(record.find("(tests/native/FailureLogTests.cpp:"), std::string::npos) << record;
    EXPECT_EQ(PassOnStep(inner), inner);
    EXPECT_EQ(g_debugger.size(), 1u);  // no second record
  }
}

TEST_F(FailureIdiom, EventsGoToTheLogOnly) {
  KVLogEvent("task {} ended after {} ms: 0x{:08X}", u"extract_files", 12, 0u);
  EXPECT_EQ(log_.lines, std::vector<std::string>{"task extract_files ended after 12 ms: 0x00000000"});
  EXPECT_TRUE(g_debugger.empty());
}

TEST(LogLine, StampThenTheTextOnOneLine) {
  const KVLogStamp stamp{2026, 1, 2, 3, 4, 5, 6, 1234, 56};
  const std::pair<const char*, const char*> cases[] = {  // the text and its line
      {"ERROR: Run: x failed\n", "2026-01-02 03:04:05.006 [1234:56] ERROR: Run: x failed\r\n"},
      // A line break inside an event (a command line, a path) cannot start a line of its own.
      {"command line: a\r\nb\nc", "2026-01-02 03:04:05.006 [1234:56] command line: a  b c\r\n"},
      {"", "2026-01-02 03:04:05.006 [1234:56] \r\n"},
  };
  for (const auto& [text, line] : cases) EXPECT_EQ(KVFormatLogLine(stamp, text), line) << text;
}
