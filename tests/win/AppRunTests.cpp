// The real spine in-process: worker thread, the events it wakes the main thread with, UI actions and the exit
// code they leave.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/win32/App.h"
#include "tests/win/ScriptedPlan.h"
#include "tests/win/Wow64Only.h"

using namespace kestrova;
using Events = std::vector<std::string>;

namespace {

struct RunResult {
  KVResult error;
  std::uint32_t exitCode;
  Events events;
  DWORD elapsedMs;
};

RunResult RunPlan(const std::string& plan) {
  ScriptedPlanner planner(plan);
  RunResult result{};
  const DWORD start = ::GetTickCount();
  {
    App app(::GetModuleHandleW(nullptr), planner);
    result.error = app.Run(result.exitCode);
  }
  result.elapsedMs = ::GetTickCount() - start;
  result.events = planner.Trace()->Snapshot();
  return result;
}

struct RecordingAction final : WaitableUIAction {
  int shown = 0;
  KVResult Show(HWND) override { return ++shown, KV_OK; }
};

}  // namespace

TEST(AppRun, PlanningFailureEndsTheRunBeforeAnyTask) {
  const RunResult r = RunPlan("ok;planfail:0xEE002004");
  EXPECT_EQ(r.error, KV_E_UNSUPPORTED_SYSTEM);
  EXPECT_TRUE(r.events.empty());
}

TEST(AppRun, UIActionRunsOnTheMainThreadWhileTheTaskWaits) {
  const RunResult r = RunPlan("ui:0;set:SfxExitCode=4");
  EXPECT_EQ(r.error, KV_OK);
  EXPECT_EQ(r.exitCode, 4u);
  EXPECT_EQ(r.events, (Events{"0:ui", "ui", "1:set"}));
}

TEST(AppRun, UIActionErrorEndsTheLoopWithItsCode) {
  const RunResult r = RunPlan("ui:0xEE000041;sleep:300;set:SfxExitCode=4");
  EXPECT_EQ(r.error, 0xEE000041u);
  EXPECT_EQ(r.exitCode, 0u);
  ::Sleep(600);  // the abandoned worker finishes on its own references
}

TEST(AppRun, TasksSeeTheNativeSystemFolder) {
  KV_SKIP_UNLESS_WOW64();  // a 64-bit process sees the native folder anyway
  EXPECT_EQ(RunPlan("system32").exitCode, static_cast<std::uint32_t>(IMAGE_FILE_MACHINE_AMD64));
}

TEST(AppRun, MinimumDurationHoldsAfterASuccessfulTask) {
  EXPECT_GE(RunPlan("+ok@700").elapsedMs, 700u);  // with the progress dialog shown
}

// A push wakes the main thread, also one that was woken before and has emptied the queue; items come in order; the
// worker's request returns only once the main thread has run it.
TEST(UIActionQueue, EveryPushWakesTheMainThreadAndTheWorkerWaitsForItsAction) {
  UIActionQueue queue;
  ASSERT_EQ(queue.Open(), KV_OK);
  const auto signalled = [&] { return ::WaitForSingleObject(queue.Ready(), 0) == WAIT_OBJECT_0; };
  RecordingAction waited, second, third;
  EXPECT_FALSE(signalled());
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    EXPECT_TRUE(waited.RunOnMainThread(queue));
    returned = true;
  });
  ASSERT_EQ(::WaitForSingleObject(queue.Ready(), 10000), WAIT_OBJECT_0);
  queue.Woken();
  EXPECT_FALSE(signalled());
  UIAction* popped = queue.Pop();
  ASSERT_EQ(popped, &waited);
  queue.Push(second);
  queue.Push(third);
  EXPECT_TRUE(signalled());
  EXPECT_EQ(queue.Pop(), &second);
  EXPECT_EQ(queue.Pop(), &third);
  EXPECT_EQ(queue.Pop(), nullptr);
  ::Sleep(50);  // time for a worker that did not wait to return
  EXPECT_FALSE(returned.load());
  EXPECT_EQ(popped->Execute(nullptr), KV_OK);
  worker.join();
  EXPECT_TRUE(returned.load());
  EXPECT_EQ(waited.shown, 1);
}
