#include <gtest/gtest.h>

#include "../platform/fake_window_system.h"
#include "fake_input_source.h"
#include "input/mouse.h"
#include "platform/screen.h"
#include "platform/window.h"

namespace {

class MouseTest : public ::testing::Test {
 protected:
  WithFakeWindowSystem fakeWindows;
  WithFakeInputSource fakeInput;
  FakeInputSource& source = fakeInput.source;
  WindowLayer windows;
  ScreenLayer screen{windows};
  Mouse mouse{screen};

  void SetUp() override {
    ASSERT_NE(screen.Init(), 0);
    int32_t handle = windows.Open(0, 0, 0, 320, 200, "", 0xC80001);
    ASSERT_EQ(screen.OpenWindowed(handle, 0, 0, 320, 200, 1, 0, 0), 1);
    ASSERT_EQ(mouse.Init(), 1);
    ASSERT_EQ(mouse.Examine(), 1);  // captures the pointer
  }
};

TEST(MouseInit, TheFirstResultIsKept) {
  WithFakeWindowSystem fakeWindows;
  WithFakeInputSource fake;
  WindowLayer windows;
  ScreenLayer screen{windows};
  Mouse absent{screen};
  fake.source.mousePresent = false;
  EXPECT_EQ(absent.Init(), 0);
  fake.source.mousePresent = true;
  EXPECT_EQ(absent.Init(), 0);
  EXPECT_EQ(absent.Examine(), 0);

  Mouse present{screen};
  EXPECT_EQ(present.Init(), 1);
  fake.source.mousePresent = false;
  EXPECT_EQ(present.Init(), 1);
  EXPECT_EQ(fake.source.mouseOpens, 1);
  present.Shutdown();
  present.Shutdown();
  EXPECT_EQ(fake.source.mouseCloses, 1);
  fake.source.mousePresent = true;
  EXPECT_EQ(present.Init(), 1) << "a closed mouse opens again";
  EXPECT_EQ(fake.source.mouseOpens, 2);
}

TEST_F(MouseTest, MovementIsSummedPerExamineAndClearedEveryTime) {
  source.Move(5, 1);
  source.Move(-2, 0);
  source.Move(7, 3);
  ASSERT_EQ(mouse.Examine(), 1);
  EXPECT_EQ(mouse.DeltaX(), 10);
  EXPECT_EQ(mouse.DeltaY(), 4);
  EXPECT_EQ(mouse.Examine(), 1);
  EXPECT_EQ(mouse.DeltaX(), 0) << "no movement this tick";

  source.Move(9, 0);
  source.focus = false;
  EXPECT_EQ(mouse.Examine(), 0);
  EXPECT_EQ(mouse.DeltaX(), 0) << "cleared by a failed examine too";
}

TEST_F(MouseTest, MoreThanTwentyFourEventsLoseTheTickAndReleaseTheMainButtons) {
  source.Click(1, true);
  source.Click(2, true);
  source.Click(3, true);
  ASSERT_EQ(mouse.Examine(), 1);

  for (int i = 0; i < kMouseBufferEvents; ++i) source.Move(1, 0);
  ASSERT_EQ(mouse.Examine(), 1) << "exactly a full buffer is fine";
  EXPECT_EQ(mouse.DeltaX(), kMouseBufferEvents);

  for (int i = 0; i < kMouseBufferEvents; ++i) source.Move(1, 0);
  source.Wheel(1);  // the wheel counts toward the buffer, though the game ignores it
  EXPECT_EQ(mouse.Examine(), 0);
  EXPECT_EQ(mouse.DeltaX(), 0);
  EXPECT_EQ(mouse.Button(1), 0);
  EXPECT_EQ(mouse.Button(2), 0);
  EXPECT_EQ(mouse.Button(3), 1);

  source.Move(3, 0);
  EXPECT_EQ(mouse.Examine(), 1) << "the next tick reads again";
  EXPECT_EQ(mouse.DeltaX(), 3);
}

TEST_F(MouseTest, ButtonsFollowTheirEventsAcrossTicks) {
  source.Click(1, true);
  mouse.Examine();
  for (int tick = 0; tick < 3; ++tick) {
    mouse.Examine();
    EXPECT_EQ(mouse.Button(1), 1);
  }
  source.Click(1, false);
  source.Click(2, true);
  mouse.Examine();
  EXPECT_EQ(mouse.Button(1), 0);
  EXPECT_EQ(mouse.Button(2), 1);
  EXPECT_EQ(mouse.Button(0), 0);
  EXPECT_EQ(mouse.Button(4), 0);
}

TEST_F(MouseTest, WithoutFocusThePointerIsFreeAndMovementChangesNothing) {
  EXPECT_TRUE(source.captured);
  source.focus = false;
  EXPECT_EQ(mouse.Examine(), 0);
  EXPECT_FALSE(source.captured);
  source.Move(40, 0);  // the user moves the pointer over other windows
  EXPECT_EQ(mouse.Examine(), 0);
  source.focus = true;
  EXPECT_EQ(mouse.Examine(), 1);
  EXPECT_TRUE(source.captured);
  EXPECT_EQ(mouse.DeltaX(), 0);
}

TEST_F(MouseTest, LocateIsClampedIntoTheScreenByTheNextExamine) {
  mouse.Locate(500, 500);
  EXPECT_EQ(mouse.x(), 500);
  ASSERT_EQ(mouse.Examine(), 1);
  EXPECT_EQ(mouse.x(), 319);
  EXPECT_EQ(mouse.y(), 199);
  source.Move(-1000, -3);
  mouse.Examine();
  EXPECT_EQ(mouse.x(), 0);
  EXPECT_EQ(mouse.y(), 196);
  mouse.Locate(INT32_MAX, INT32_MIN);
  source.Move(100, -100);
  mouse.Examine();
  EXPECT_EQ(mouse.x(), 319) << "no wrap-around on the way";
  EXPECT_EQ(mouse.y(), 0);
}

TEST_F(MouseTest, ClosingTheScreenReleasesThePointerAndForgetsTheState) {
  source.Click(1, true);
  source.Move(20, 20);
  mouse.Examine();
  screen.Close();
  EXPECT_FALSE(source.captured);
  EXPECT_EQ(mouse.Button(1), 0);
  EXPECT_EQ(mouse.x(), 0);
  EXPECT_EQ(mouse.y(), 0);
}

}  // namespace
