#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/thread_seam.h"
#include "runtime/threads.h"

namespace {

using namespace std::chrono_literals;

std::atomic<int> finishedBodies{0};
std::atomic<bool> releaseHeld{false};

int32_t CountAndReturn(int32_t) {
  finishedBodies.fetch_add(1);
  return 0;
}

int32_t WaitForRelease(int32_t) {
  while (!releaseHeld.load()) std::this_thread::sleep_for(1ms);
  return 0;
}

void WaitUntilEnded(int32_t number) {
  for (int n = 0; n < 5000 && ThreadIsRunning(number) != 0; ++n) std::this_thread::sleep_for(1ms);
}

class FailingStarter final : public ThreadStarter {
 public:
  bool Start(std::function<void()>) override { return false; }
};

TEST(Threads, NumbersCountSuccessfulStartsOnly) {
  int32_t first = ThreadCreate(CountAndReturn, 0);
  ASSERT_GT(first, 0);
  WaitUntilEnded(first);
  EXPECT_EQ(ThreadIsRunning(first), 0);

  int32_t second = ThreadCreate(CountAndReturn, 0);
  EXPECT_EQ(second, first + 1);  // ended threads do not give their numbers back

  FailingStarter failing;
  InstallThreadStarter(&failing);
  EXPECT_EQ(ThreadCreate(CountAndReturn, 0), 0);
  InstallThreadStarter(nullptr);

  int32_t third = ThreadCreate(CountAndReturn, 0);
  EXPECT_EQ(third, second + 1);
  WaitUntilEnded(second);
  WaitUntilEnded(third);
}

TEST(Threads, IsRunningUntilTheBodyReturnsAndForgottenAfterEnd) {
  releaseHeld = false;
  int32_t number = ThreadCreate(WaitForRelease, 0);
  ASSERT_GT(number, 0);
  EXPECT_EQ(ThreadIsRunning(number), number);
  EXPECT_EQ(ThreadIsRunning(number + 1000), 0);

  ThreadsEnd();  // forgets without waiting; the thread goes on
  EXPECT_EQ(ThreadIsRunning(number), 0);
  releaseHeld = true;
}

// ---- exit actions and blocks --------------------------------------------------

std::mutex logLock;
std::vector<std::string> actionLog;

void Log(void* text) {
  std::scoped_lock lock(logLock);
  actionLog.push_back(static_cast<const char*>(text));
}

TEST(ThreadExit, ActionsRunAfterTheBodyNewestFirst) {
  actionLog.clear();
  std::thread worker([] {
    OnThreadExit(Log, const_cast<char*>("first"));
    OnThreadExit(Log, const_cast<char*>("second"));
    Log(const_cast<char*>("body done"));
  });
  worker.join();
  EXPECT_EQ(actionLog, (std::vector<std::string>{"body done", "second", "first"}));
}

void LogAndAddLater(void*) {
  Log(const_cast<char*>("outer"));
  OnThreadExit(Log, const_cast<char*>("added by an action"));
}

TEST(ThreadExit, RunNowRunsOnceIncludingActionsAddedOnTheWay) {
  actionLog.clear();
  std::thread worker([] {
    OnThreadExit(LogAndAddLater, nullptr);
    RunThreadExitActions();
    Log(const_cast<char*>("after the run"));
    RunThreadExitActions();  // nothing is left to run
  });
  worker.join();
  EXPECT_EQ(actionLog,
            (std::vector<std::string>{"outer", "added by an action", "after the run"}));
}

struct GameBlock {
  int32_t scratch[26];
  int32_t cueSlotLast;
  int32_t padding;
};
static_assert(sizeof(GameBlock) == 112);

std::atomic<int> blocksReleased{0};

void InitialiseBlock(void* block) { static_cast<GameBlock*>(block)->cueSlotLast = 256; }
void ReleaseBlockForTest(void*) { blocksReleased.fetch_add(1); }

TEST(ThreadBlock, EachThreadGetsItsOwnInitialisedBlockReleasedAtItsEnd) {
  ThreadBlockStart({sizeof(GameBlock), InitialiseBlock, ReleaseBlockForTest});
  GameBlock& mine = ThreadBlockAs<GameBlock>();
  EXPECT_EQ(&mine, &ThreadBlockAs<GameBlock>());  // same block on every call
  EXPECT_EQ(mine.cueSlotLast, 256);
  mine.scratch[0] = 41;

  int releasedBefore = blocksReleased.load();
  GameBlock* other = nullptr;
  bool otherFresh = false;
  std::thread worker([&] {
    GameBlock& block = ThreadBlockAs<GameBlock>();
    other = &block;
    otherFresh = block.scratch[0] == 0 && block.cueSlotLast == 256;
    block.scratch[0] = 99;
  });
  worker.join();
  EXPECT_NE(other, &mine);
  EXPECT_TRUE(otherFresh);
  EXPECT_EQ(blocksReleased.load(), releasedBefore + 1);
  EXPECT_EQ(mine.scratch[0], 41);

  // A thread that never asks for a block has nothing to release.
  std::thread idle([] {});
  idle.join();
  EXPECT_EQ(blocksReleased.load(), releasedBefore + 1);
}

}  // namespace
