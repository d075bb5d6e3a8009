#include <gtest/gtest.h>

#include "fake_window_system.h"
#include "platform/desktop.h"
#include "platform/screen.h"
#include "platform/window.h"

namespace {

class ScreenTest : public ::testing::Test {
 protected:
  WithFakeWindowSystem fake;
  FakeWindowSystem& system = fake.system;
  WindowLayer windows;
  ScreenLayer screen{windows};

  uint32_t OpenBlackWindow() {
    auto handle = static_cast<uint32_t>(windows.Open(0, 0, 0, 1280, 800, "", 0xC80001));
    windows.SetColor(0, 0);
    return handle;
  }
};

TEST_F(ScreenTest, InitNeedsAVideoSystemWithADisplayMode) {
  system.canStart = false;
  EXPECT_EQ(screen.Init(), 0);
  system.canStart = true;
  system.modes = 0;
  EXPECT_EQ(screen.Init(), 0);
  EXPECT_EQ(system.stops, system.starts) << "a refused start is undone";
  system.modes = 1;
  EXPECT_NE(screen.Init(), 0);
  int32_t starts = system.starts;
  EXPECT_NE(screen.Init(), 0);
  EXPECT_EQ(system.starts, starts) << "a second call starts nothing";
  screen.End();
  EXPECT_EQ(system.stops, system.starts);
}

TEST_F(ScreenTest, OpenCoversTheInnerAreaWithBlackAndKeepsFillingItWhenResized) {
  ASSERT_NE(screen.Init(), 0);
  uint32_t handle = OpenBlackWindow();
  ASSERT_EQ(screen.OpenWindowed(static_cast<int32_t>(handle), 0, 0, 1280, 800, 1, 0, 0), 1);
  const PaintRequest& paint = system.windows.at(handle).paint;
  EXPECT_EQ(paint.background, 0);
  EXPECT_TRUE(paint.hasScreen);
  EXPECT_EQ(paint.screen.width, 1280);
  EXPECT_EQ(paint.screen.height, 800);

  system.Resize(handle, NativeEventKind::kMaximized, 1600, 900);
  EXPECT_EQ(windows.PollEvent(0), kEventMaximized);
  EXPECT_EQ(system.windows.at(handle).paint.screen.width, 1600);
  EXPECT_EQ(system.windows.at(handle).paint.screen.height, 900);
  EXPECT_EQ(screen.Width(), 1280) << "the screen's own size stays; only its area stretches";
}

TEST_F(ScreenTest, StretchingKeepsTheCornerAndTheOffsets) {
  ASSERT_NE(screen.Init(), 0);
  uint32_t handle = OpenBlackWindow();
  screen.OpenWindowed(static_cast<int32_t>(handle), 10, 20, 100, 100, 1, 30, 40);
  PaintRect area = system.windows.at(handle).paint.screen;
  EXPECT_EQ(area.x, 10);
  EXPECT_EQ(area.y, 20);
  EXPECT_EQ(area.width, 1280 - 30 - 10);
  EXPECT_EQ(area.height, 800 - 40 - 20);

  screen.OpenWindowed(static_cast<int32_t>(handle), 10, 20, 100, 100, 0, 30, 40);
  system.Resize(handle, NativeEventKind::kResized, 500, 500);
  windows.PollEvent(0);
  EXPECT_EQ(system.windows.at(handle).paint.screen.width, 100) << "no stretching asked for";
}

TEST_F(ScreenTest, OpenFailsWithoutInitOrWindowAndClosingRunsTheHookOnce) {
  uint32_t handle = OpenBlackWindow();
  EXPECT_EQ(screen.OpenWindowed(static_cast<int32_t>(handle), 0, 0, 10, 10, 1, 0, 0), 0);
  ASSERT_NE(screen.Init(), 0);
  EXPECT_EQ(screen.OpenWindowed(0, 0, 0, 10, 10, 1, 0, 0), 0);
  EXPECT_EQ(screen.OpenWindowed(12345, 0, 0, 10, 10, 1, 0, 0), 0);
  EXPECT_FALSE(screen.IsOpen());

  int32_t hooks = 0;
  screen.SetCloseHook([&] { ++hooks; });
  ASSERT_EQ(screen.OpenWindowed(static_cast<int32_t>(handle), 0, 0, 10, 10, 1, 0, 0), 1);
  screen.Close();
  screen.Close();
  EXPECT_EQ(hooks, 1);
  EXPECT_FALSE(system.windows.at(handle).paint.hasScreen);
  EXPECT_EQ(screen.Width(), 0);
}

TEST_F(ScreenTest, ClosingTheWindowClosesTheScreenOnIt) {
  ASSERT_NE(screen.Init(), 0);
  uint32_t handle = OpenBlackWindow();
  screen.OpenWindowed(static_cast<int32_t>(handle), 0, 0, 10, 10, 1, 0, 0);
  int32_t hooks = 0;
  screen.SetCloseHook([&] { ++hooks; });
  OpenBlackWindow();
  EXPECT_FALSE(screen.IsOpen());
  EXPECT_EQ(hooks, 1);
}

TEST(Desktops, PrimaryFirstAndZeroOutOfRange) {
  WithFakeWindowSystem fake;
  DesktopList desktops;
  EXPECT_EQ(desktops.Examine(), 0) << "no video system yet";
  EXPECT_EQ(desktops.Width(0), 0);
  fake.system.Start();
  EXPECT_EQ(desktops.Examine(), 2);
  EXPECT_EQ(desktops.Width(0), 1280);
  EXPECT_EQ(desktops.Height(0), 800);
  EXPECT_EQ(desktops.Width(1), 1024);
  for (int32_t n : {-1, 2, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(desktops.Width(n), 0) << n;
    EXPECT_EQ(desktops.Height(n), 0) << n;
  }
  fake.system.desktops.resize(1);
  EXPECT_EQ(desktops.Examine(), 1);
  EXPECT_EQ(desktops.Width(1), 0) << "a second examine forgets the old list";
}

}  // namespace
