#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/headless/headless_host.h"
#include "platform/timing.h"
#include "runtime/threads.h"

namespace {

// Written only by the thread holding the baton; the scheduler's hand-offs order it.
std::vector<std::string> events;

void Note(const std::string& what) {
  events.push_back(what + "@" + std::to_string(ElapsedMs()));
}

int32_t SleepTenThenNote(int32_t) {
  Note("thread start");
  DelayMs(10);
  Note("thread woke");
  DelayMs(10);  // wakes at 20, the same time as main
  Note("thread tie");
  return 0;
}

TEST(Scheduler, NewThreadsWaitForTheirStarterAndTimeJumpsToTheEarliestWakeUp) {
  events.clear();
  uint64_t took = RunHeadless({}, [] {
    ASSERT_GT(ThreadCreate(SleepTenThenNote, 0), 0);
    Note("main after create");  // the new thread has not run yet
    DelayMs(5);
    Note("main woke");
    DelayMs(15);  // wakes at 20: main goes first on a tie
    Note("main tie");
    DelayMs(1);
  });
  EXPECT_EQ(events,
            (std::vector<std::string>{"main after create@0", "thread start@0", "main woke@5",
                                      "thread woke@10", "main tie@20", "thread tie@20"}));
  EXPECT_EQ(took, 21u);
}

int32_t YieldThreeTimes(int32_t value) {
  for (int round = 0; round < 3; ++round) {
    Note("t" + std::to_string(value));
    DelayMs(0);
  }
  return 0;
}

TEST(Scheduler, DelayZeroLetsEveryThreadReadyNowRunOnceInTurn) {
  events.clear();
  RunHeadless({}, [] {
    ThreadCreate(YieldThreeTimes, 1);
    ThreadCreate(YieldThreeTimes, 2);
    for (int round = 0; round < 3; ++round) {
      Note("main");
      DelayMs(0);
    }
    DelayMs(0);  // both threads have ended by now: nobody else to run
    Note("main alone");
  });
  EXPECT_EQ(events, (std::vector<std::string>{"main@0", "t1@0", "t2@0", "main@0", "t1@0", "t2@0",
                                              "main@0", "t1@0", "t2@0", "main alone@0"}));
}

int32_t SleepSeven(int32_t) {
  DelayMs(7);
  DelayMs(7);
  return 0;
}

TEST(Scheduler, TimeListenersSeeEveryStepOnceBeforeAnyThreadRunsAtItsEnd) {
  HeadlessHost host;
  std::vector<std::pair<uint64_t, uint64_t>> steps;
  std::vector<uint64_t> threadSawStepsUpTo;
  host.AddTimeListener([&](uint64_t from, uint64_t to) { steps.emplace_back(from, to); });
  host.Install();
  ThreadCreate(SleepSeven, 0);
  for (int n = 0; n < 4; ++n) {
    DelayMs(5);
    threadSawStepsUpTo.push_back(steps.back().second);
  }
  DelayMs(0);  // no time passes: no step
  host.Uninstall();

  // main wakes at 5, 10, 15, 20; the thread at 7 and 14.
  std::vector<std::pair<uint64_t, uint64_t>> expected{{0, 5},   {5, 7},   {7, 10},
                                                      {10, 14}, {14, 15}, {15, 20}};
  EXPECT_EQ(steps, expected);
  EXPECT_EQ(threadSawStepsUpTo, (std::vector<uint64_t>{5, 10, 15, 20}));
}

TEST(Scheduler, ClockCountsFromItsOriginAndDifferencesSurviveTheWrap) {
  HeadlessOptions options;
  options.clockOriginMs = 0xFFFFFFF0u;
  RunHeadless(options, [] {
    int32_t before = ElapsedMs();
    EXPECT_EQ(static_cast<uint32_t>(before), 0xFFFFFFF0u);
    DelayMs(32);
    EXPECT_EQ(ElapsedMsSince(before, ElapsedMs()), 32);
    DelayMs(-1);  // an unsigned count: about 49.7 days, and it does end
    EXPECT_EQ(ElapsedMsSince(before, ElapsedMs()), 31);
  });
}

// ---- thread end and stop ------------------------------------------------------------

void NoteExit(void* what) {
  Note(static_cast<const char*>(what));
}

int32_t EndAfterFive(int32_t) {
  OnThreadExit(NoteExit, const_cast<char*>("exit action"));
  DelayMs(5);
  Note("body end");
  return 0;
}

TEST(Scheduler, ExitActionsRunUnderTheBatonBeforeTimeMovesOn) {
  events.clear();
  RunHeadless({}, [] {
    int32_t number = ThreadCreate(EndAfterFive, 0);
    DelayMs(6);
    Note("main");
    EXPECT_EQ(ThreadIsRunning(number), 0);
  });
  EXPECT_EQ(events, (std::vector<std::string>{"body end@5", "exit action@5", "main@6"}));
}

int32_t RunForever(int32_t) {
  OnThreadExit(NoteExit, const_cast<char*>("forever exit"));
  for (;;) {
    Note("forever");
    DelayMs(16);
  }
}

int32_t NeverRuns(int32_t) {
  Note("never");
  return 0;
}

TEST(Scheduler, UninstallStopsThreadsInTheirWaitsAndRunsTheirExitActions) {
  events.clear();
  HeadlessHost host;
  host.Install();
  ThreadCreate(RunForever, 0);
  DelayMs(20);  // the thread ran at 0 and 16
  EXPECT_EQ(host.scheduler().ThreadCount(), 2u);
  ThreadCreate(NeverRuns, 0);  // ready, but main never waits again
  host.Uninstall();
  EXPECT_EQ(events, (std::vector<std::string>{"forever@0", "forever@16", "forever exit@20"}));
  EXPECT_FALSE(host.Installed());
}

}  // namespace
