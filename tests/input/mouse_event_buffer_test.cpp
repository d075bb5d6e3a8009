#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "input/mouse_event_buffer.h"

namespace {

using Events = std::array<MouseEvent, kMouseBufferEvents>;

MouseEvent Button(int32_t button, int32_t pressed) {
  return {MouseEvent::Kind::kButton, pressed, button};
}

TEST(MouseEventBuffer, MovementReportsInARowAddUpInOnePair) {
  MouseEventBuffer buffer;
  for (int i = 0; i < 100; ++i) buffer.PushMovement(2, -1);
  buffer.Push(Button(1, 1));
  buffer.PushMovement(5, 0);
  buffer.PushMovement(1, 1);
  Events events;
  int32_t count = -1;
  ASSERT_EQ(buffer.Take(events, count), MouseReadResult::kRead);
  ASSERT_EQ(count, 5);
  EXPECT_EQ(events[0].kind, MouseEvent::Kind::kMoveX);
  EXPECT_EQ(events[0].value, 200);
  EXPECT_EQ(events[1].kind, MouseEvent::Kind::kMoveY);
  EXPECT_EQ(events[1].value, -100);
  EXPECT_EQ(events[2].kind, MouseEvent::Kind::kButton);
  EXPECT_EQ(events[3].value, 6) << "a report after a button starts a new pair";
  EXPECT_EQ(events[4].value, 1);
}

TEST(MouseEventBuffer, OverflowLosesEverythingUntilTheNextTake) {
  MouseEventBuffer buffer;
  Events events;
  int32_t count = -1;
  for (int i = 0; i < kMouseBufferEvents; ++i) buffer.Push(Button(3, i % 2));
  ASSERT_EQ(buffer.Take(events, count), MouseReadResult::kRead);
  EXPECT_EQ(count, kMouseBufferEvents);

  for (int i = 0; i < kMouseBufferEvents - 1; ++i) buffer.Push(Button(1, 1));
  buffer.PushMovement(1, 1);  // needs two places, finds one
  EXPECT_EQ(buffer.Take(events, count), MouseReadResult::kOverflowed);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(buffer.Take(events, count), MouseReadResult::kRead);
  EXPECT_EQ(count, 0) << "the overflow emptied the buffer";

  buffer.PushMovement(INT32_MAX, INT32_MIN);
  buffer.PushMovement(1, -1);
  buffer.Take(events, count);
  EXPECT_EQ(events[0].value, INT32_MAX) << "sums saturate";
  EXPECT_EQ(events[1].value, INT32_MIN);

  buffer.Push(Button(1, 1));
  buffer.Clear();
  EXPECT_EQ(buffer.Take(events, count), MouseReadResult::kRead);
  EXPECT_EQ(count, 0);
}

// The host's event callback may push from any thread while the main thread takes.
TEST(MouseEventBuffer, PushersAndATakerShareTheBufferSafely) {
  MouseEventBuffer buffer;
  std::vector<std::thread> pushers;
  for (int t = 0; t < 2; ++t) {
    pushers.emplace_back([&buffer, t] {
      for (int i = 0; i < 2000; ++i) {
        if (t == 0) buffer.PushMovement(1, 1);
        else buffer.Push(Button(2, 1));
        if (i % 16 == 0) std::this_thread::yield();
      }
    });
  }
  auto takeAndCheck = [&buffer] {
    Events events;
    int32_t count = -1;
    MouseReadResult result = buffer.Take(events, count);
    EXPECT_TRUE(result == MouseReadResult::kRead || count == 0);
    EXPECT_GE(count, 0);
    EXPECT_LE(count, kMouseBufferEvents);
    for (int32_t e = 0; e < count; ++e) {
      EXPECT_TRUE(events[e].kind == MouseEvent::Kind::kButton ? events[e].button == 2
                                                             : events[e].value >= 1);
    }
  };
  for (int i = 0; i < 2000; ++i) takeAndCheck();
  for (std::thread& pusher : pushers) pusher.join();
  takeAndCheck();
  Events events;
  int32_t count = -1;
  EXPECT_EQ(buffer.Take(events, count), MouseReadResult::kRead);
  EXPECT_EQ(count, 0);
}

}  // namespace
