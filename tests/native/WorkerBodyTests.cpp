// The worker's rules with a simulated clock: which tasks run, which result wins, how long it waits.
#include <gtest/gtest.h>

#include "app/WorkerBody.h"
#include "commands/Parameters.h"
#include "support/Log.h"

using namespace kestrova;

namespace {

class CapturedLog final : public KVLog {
 public:
  std::vector<std::string> lines;
  void Write(std::string_view text) noexcept override { lines.emplace_back(text); }
};

class FakeHost final : public WorkerHost {
 public:
  std::uint32_t now = 0xFFFFFF00u;  // close to the wrap-around of the tick count
  std::uint32_t slept = 0;
  std::uint32_t tickStep = 0;  // how far each reading of the clock moves it
  std::vector<bool> shown;

  std::uint32_t TickCount() override { return now += tickStep; }
  void Sleep(std::uint32_t ms) override {
    now += ms;
    slept += ms;
  }
  void ShowProgress(bool visible) override { shown.push_back(visible); }
};

// A task's result, the Abort value it sets (null: none), and its settings.
struct TaskSetup {
  KVResult result = KV_OK;
  const char16_t* abort = nullptr;
  std::uint32_t minimumDurationMs = 0;
  bool alwaysRun = false;
  bool hidden = false;
};

class FakeTask final : public Task {
 public:
  FakeTask(ParameterStore& store, const TaskSetup& setup) : Task(u"fake", &store), setup_(setup) {
    minimumDurationMs = setup.minimumDurationMs;
    alwaysRun = setup.alwaysRun;
    hidden = setup.hidden;
  }
  KVResult Run() override {
    ++runs;
    if (setup_.abort != nullptr) parameters->Set(kAbortName, setup_.abort);
    return setup_.result;
  }
  int runs = 0;

 private:
  TaskSetup setup_;
};

}  // namespace

TEST(WorkerBody, WhichTasksRunWhichResultWinsAndHowLongItWaits) {
  const TaskSetup always{KV_OK, nullptr, 0, true};
  const struct {
    std::vector<TaskSetup> tasks;
    KVResult result;
    std::vector<int> runs;
    std::uint32_t slept;
  } cases[] = {
      // The first failure wins and skips later tasks, but not those that always run.
      {{{}, {1603}, {}, {5, nullptr, 0, true, true}, always}, 1603, {1, 1, 0, 1, 1}, 0},
      // "true" in any letter case stops later tasks and is no failure; other text is ignored.
      {{{KV_OK, u"tRuE"}, {}, always}, KV_OK, {1, 0, 1}, 0},
      {{{KV_OK, u"yes"}, {}}, KV_OK, {1, 1}, 0},
      // The abort is looked at only after a success; the failure already skips the rest.
      {{{7, u"true"}, always}, 7, {1, 1}, 0},
      // The minimum duration is waited out in steps across the tick-count wrap, only after a success without abort.
      {{{KV_OK, nullptr, 1000, false, true}}, KV_OK, {1}, 1000},
      {{{2, nullptr, 1000}}, 2, {1}, 0},
      {{{KV_OK, u"true", 1000}, {KV_OK, nullptr, 1000, true}}, KV_OK, {1, 1}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);  // the case number
    ParameterStore store;
    FakeHost host;
    TaskList tasks;
    for (const TaskSetup& setup : c.tasks) tasks.push_back(std::make_shared<FakeTask>(store, setup));
    EXPECT_EQ(RunTaskList(tasks, store, host), c.result);
    EXPECT_EQ(host.slept, c.slept);
    // Each task that runs shows progress unless hidden.
    std::vector<int> runs;
    std::vector<bool> shown;
    for (std::size_t i = 0; i < tasks.size(); ++i) {
      runs.push_back(static_cast<const FakeTask&>(*tasks[i]).runs);
      if (runs.back() != 0) shown.push_back(!c.tasks[i].hidden);
    }
    EXPECT_EQ(runs, c.runs);
    EXPECT_EQ(host.shown, shown);
  }
}

// The log tells each task's start, its end with duration and result, and why a task did not run.
TEST(WorkerBody, LogsEachTaskWithItsDurationAndResult) {
  ParameterStore store;
  FakeHost host;
  host.tickStep = 200;  // the first task ends past the wrap-around
  TaskList tasks;
  for (const TaskSetup& setup : {TaskSetup{}, TaskSetup{1603}, TaskSetup{}, TaskSetup{KV_OK, nullptr, 0, true}}) {
    tasks.push_back(std::make_shared<FakeTask>(store, setup));
  }
  CapturedLog log;
  KVSetLog(&log);
  RunTaskList(tasks, store, host);
  KVSetLog(nullptr);
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "task fake started", "task fake ended after 200 ms: 0x00000000",
                           "task fake started", "task fake ended after 200 ms: 0x00000643",
                           "task fake skipped: an earlier task failed",
                           "task fake started", "task fake ended after 200 ms: 0x00000000"}));
}
