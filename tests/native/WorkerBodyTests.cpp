// The worker's rules with a simulated clock: which tasks run, which result wins, how long it waits.
#include <gtest/gtest.h>

#include <functional>

#include "app/WorkerBody.h"
#include "commands/Parameters.h"

using namespace kestrova;

namespace {

class FakeHost final : public WorkerHost {
 public:
  std::uint32_t now = 0xFFFFFF00u;  // close to the wrap-around of the tick count
  std::uint32_t slept = 0;
  std::vector<int> indexes;
  std::vector<bool> shown;

  std::uint32_t TickCount() override { return now; }
  void Sleep(std::uint32_t ms) override {
    now += ms;
    slept += ms;
  }
  void SetCurrentTaskIndex(int index) override { indexes.push_back(index); }
  void ShowProgress(bool visible) override { shown.push_back(visible); }
};

class FakeTask final : public Task {
 public:
  FakeTask(ParameterStore& store, KVResult result, std::function<void(ParameterStore&)> effect = {})
      : Task(u"fake", &store, nullptr, nullptr), result_(result), effect_(std::move(effect)) {}
  KVResult Run() override {
    ++runs;
    if (effect_) effect_(*parameters);
    return result_;
  }
  int runs = 0;

 private:
  KVResult result_;
  std::function<void(ParameterStore&)> effect_;
};

struct Fixture {
  ParameterStore store;
  FakeHost host;
  TaskList tasks;
  std::vector<FakeTask*> raw;

  FakeTask& Add(KVResult result, std::function<void(ParameterStore&)> effect = {}) {
    auto task = std::make_shared<FakeTask>(store, result, std::move(effect));
    raw.push_back(task.get());
    tasks.push_back(task);
    return *task;
  }
  KVResult Run() { return RunTaskList(tasks, store, host); }
  std::vector<int> Runs() const {
    std::vector<int> runs;
    for (const FakeTask* t : raw) runs.push_back(t->runs);
    return runs;
  }
};

}  // namespace

TEST(WorkerBody, FailureSkipsLaterTasksButNotAlwaysRunAndTheFirstFailureWins) {
  Fixture f;
  f.Add(KV_OK);
  f.Add(1603);
  f.Add(KV_OK);
  f.Add(5).alwaysRun = true;
  f.Add(KV_OK).alwaysRun = true;
  EXPECT_EQ(f.Run(), 1603u);
  EXPECT_EQ(f.Runs(), (std::vector<int>{1, 1, 0, 1, 1}));
  EXPECT_EQ(f.host.indexes, (std::vector<int>{0, 1, 3, 4}));
}

TEST(WorkerBody, AbortInAnyLetterCaseStopsLaterTasksAndIsNoFailure) {
  Fixture f;
  f.Add(KV_OK, [](ParameterStore& s) { s.Set(kAbortName, u"tRuE"); });
  f.Add(KV_OK);
  f.Add(KV_OK).alwaysRun = true;
  EXPECT_EQ(f.Run(), KV_OK);
  EXPECT_EQ(f.Runs(), (std::vector<int>{1, 0, 1}));
}

TEST(WorkerBody, AbortWithOtherTextOrAfterAFailedTaskIsIgnored) {
  Fixture other;
  other.Add(KV_OK, [](ParameterStore& s) { s.Set(kAbortName, u"yes"); });
  other.Add(KV_OK);
  EXPECT_EQ(other.Run(), KV_OK);
  EXPECT_EQ(other.Runs(), (std::vector<int>{1, 1}));

  Fixture failed;  // the abort is looked at only after a success; the failure already skips the rest
  failed.Add(7, [](ParameterStore& s) { s.Set(kAbortName, u"true"); });
  failed.Add(KV_OK).alwaysRun = true;
  EXPECT_EQ(failed.Run(), 7u);
  EXPECT_EQ(failed.Runs(), (std::vector<int>{1, 1}));
}

TEST(WorkerBody, MinimumDurationIsWaitedOutOnlyAfterSuccess) {
  Fixture ok;
  ok.Add(KV_OK).minimumDurationMs = 1000;
  EXPECT_EQ(ok.Run(), KV_OK);
  EXPECT_EQ(ok.host.slept, 1000u);  // ten steps of 100 ms across the tick-count wrap

  Fixture failing;
  failing.Add(2).minimumDurationMs = 1000;
  EXPECT_EQ(failing.Run(), 2u);
  EXPECT_EQ(failing.host.slept, 0u);

  Fixture aborting;
  aborting.Add(KV_OK, [](ParameterStore& s) { s.Set(kAbortName, u"true"); }).minimumDurationMs = 1000;
  aborting.Add(KV_OK).alwaysRun = true;
  aborting.raw[1]->minimumDurationMs = 1000;
  EXPECT_EQ(aborting.Run(), KV_OK);
  EXPECT_EQ(aborting.host.slept, 0u);
}

TEST(WorkerBody, ProgressIsShownExactlyForTasksThatAreNotHidden) {
  Fixture f;
  f.Add(KV_OK);
  f.Add(KV_OK).hidden = true;
  f.Add(KV_OK);
  f.Run();
  EXPECT_EQ(f.host.shown, (std::vector<bool>{true, false, true}));
}
