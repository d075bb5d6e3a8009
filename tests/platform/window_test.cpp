#include <gtest/gtest.h>

#include "fake_window_system.h"
#include "platform/window.h"

namespace {

constexpr int32_t kGameFlags = 0xC80001;

class WindowTest : public ::testing::Test {
 protected:
  WithFakeWindowSystem fake;
  FakeWindowSystem& system = fake.system;
  WindowLayer windows;  // declared after the fake: closes its windows before it goes

  void SetUp() override { ASSERT_TRUE(system.Start()); }

  uint32_t OpenGameWindow() {
    return static_cast<uint32_t>(
        windows.Open(0, 0, 0, 1280, 800, "Vorlent: The Quelmire", kGameFlags));
  }
};

TEST_F(WindowTest, OpensOneDesktopSizedCaptionedWindowAtTheTopLeft) {
  uint32_t handle = OpenGameWindow();
  ASSERT_NE(handle, 0u);
  EXPECT_EQ(windows.Handle(0), static_cast<int32_t>(handle));
  const WindowRequest& request = system.windows.at(handle).request;
  EXPECT_EQ(request.title, "Vorlent: The Quelmire");
  EXPECT_EQ(request.width, 1280);
  EXPECT_EQ(request.height, 800);
  EXPECT_EQ(request.x, 0);
  EXPECT_EQ(request.y, 0);
  EXPECT_TRUE(request.visible);
  EXPECT_TRUE(request.activate);
}

TEST_F(WindowTest, CentringPlacesASmallerWindowInTheMiddleOfThePrimaryDisplay) {
  uint32_t handle = static_cast<uint32_t>(windows.Open(0, 7, 9, 640, 400, "", kWindowCentre));
  EXPECT_EQ(system.windows.at(handle).request.x, 320);
  EXPECT_EQ(system.windows.at(handle).request.y, 200);
  handle = static_cast<uint32_t>(windows.Open(1, 7, 9, 640, 400, "", kWindowInvisible));
  EXPECT_EQ(system.windows.at(handle).request.x, 7);
  EXPECT_FALSE(system.windows.at(handle).request.visible);
}

TEST_F(WindowTest, ReopeningANumberClosesTheOldWindowFirst) {
  uint32_t first = OpenGameWindow();
  system.pending.push_back({NativeEventKind::kCloseRequest, first});
  EXPECT_EQ(windows.PollEvent(0), kEventCloseRequest);
  uint32_t second = OpenGameWindow();
  ASSERT_NE(second, first);
  EXPECT_EQ(system.closed, std::vector<uint32_t>{first});
  EXPECT_EQ(system.windows.size(), 1u);
  EXPECT_EQ(windows.Handle(0), static_cast<int32_t>(second));
}

TEST_F(WindowTest, NewNumbersAndFailuresLeaveNothingBehind) {
  int32_t number = windows.Open(kNewObject, 0, 0, 100, 100, "", 0);
  EXPECT_GE(number, kFirstDynamicNumber);
  EXPECT_NE(windows.Handle(number), 0);
  system.canOpen = false;
  EXPECT_EQ(windows.Open(3, 0, 0, 100, 100, "", 0), 0);
  EXPECT_EQ(windows.Handle(3), 0);
  system.canOpen = true;
  EXPECT_EQ(windows.Open(4, 0, 0, 0, 100, "", 0), 0) << "an empty inner area";
  EXPECT_EQ(windows.Handle(4), 0);
}

TEST_F(WindowTest, SetColorPaintsOnceAndOnlyExistingWindows) {
  EXPECT_EQ(windows.SetColor(0, 0), 0);
  uint32_t handle = OpenGameWindow();
  EXPECT_EQ(system.windows.at(handle).paint.background, kColorNone);
  EXPECT_EQ(windows.SetColor(0, 0), 1);
  EXPECT_EQ(system.windows.at(handle).paint.background, 0);
  int32_t paints = system.windows.at(handle).paints;
  windows.SetColor(0, 0);
  EXPECT_EQ(system.windows.at(handle).paints, paints) << "the same colour again changes nothing";
}

TEST_F(WindowTest, PollWaitsThroughTheSeamAndReturnsZeroWhenNothingCame) {
  OpenGameWindow();
  EXPECT_EQ(windows.PollEvent(1), 0);
  EXPECT_EQ(windows.PollEvent(0), 0);
  EXPECT_EQ(system.waits, (std::vector<int32_t>{1, 0}));
}

TEST_F(WindowTest, CloseRequestLeavesTheWindowOpen) {
  uint32_t handle = OpenGameWindow();
  system.pending.push_back({NativeEventKind::kCloseRequest, handle});
  EXPECT_EQ(windows.PollEvent(1), kEventCloseRequest);
  EXPECT_EQ(windows.PollEvent(1), 0);
  EXPECT_TRUE(system.closed.empty());
  EXPECT_EQ(windows.Handle(0), static_cast<int32_t>(handle));
}

TEST_F(WindowTest, EachNativeNoticeGivesItsEventCodes) {
  uint32_t handle = OpenGameWindow();
  struct Case {
    NativeEventKind kind;
    std::vector<int32_t> codes;
  };
  const Case cases[] = {
      {NativeEventKind::kMoved, {kEventMoved}},
      {NativeEventKind::kResized, {kEventResized}},
      {NativeEventKind::kMinimized, {kEventMinimized}},
      {NativeEventKind::kRestored, {kEventRestored, kEventResized}},
      {NativeEventKind::kRestored, {kEventResized}},  // already restored
      {NativeEventKind::kMaximized, {kEventMaximized, kEventResized}},
      {NativeEventKind::kResized, {kEventRestored, kEventResized}},
      {NativeEventKind::kActivated, {kEventActivated}},
      {NativeEventKind::kDeactivated, {kEventDeactivated}},
      {NativeEventKind::kExposed, {kEventErased}},
      {NativeEventKind::kLeftButtonUp, {kEventLeftButtonUp}},
      {NativeEventKind::kLeftDoubleClick, {kEventLeftDoubleClick}},
      {NativeEventKind::kRightButtonUp, {kEventRightButtonUp}},
  };
  for (const Case& c : cases) {
    system.pending.push_back({c.kind, handle, 1280, 800});
    // A following notice stays pending while queued events are handed out: each call
    // handles at most one native event.
    system.pending.push_back({NativeEventKind::kMoved, handle});
    std::vector<int32_t> codes;
    for (size_t i = 0; i < c.codes.size(); ++i) codes.push_back(windows.PollEvent(0));
    EXPECT_EQ(codes, c.codes) << static_cast<int>(c.kind);
    EXPECT_EQ(system.pending.size(), 1u);
    EXPECT_EQ(windows.PollEvent(0), kEventMoved);
  }
}

TEST_F(WindowTest, NoticesForClosedWindowsAndTheirQueuedEventsAreDropped) {
  uint32_t first = OpenGameWindow();
  system.pending.push_back({NativeEventKind::kMaximized, first, 1280, 800});
  EXPECT_EQ(windows.PollEvent(0), kEventMaximized);
  EXPECT_EQ(windows.QueuedEvents(), 1u);
  OpenGameWindow();  // closes the first
  EXPECT_EQ(windows.QueuedEvents(), 0u);
  system.pending.push_back({NativeEventKind::kCloseRequest, first});
  EXPECT_EQ(windows.PollEvent(0), 0);
}

TEST_F(WindowTest, ErrorBoxIsOwnedByTheGameWindowAndFallsBackToStandardError) {
  EXPECT_EQ(windows.ErrorBox("ERROR", "before any window"), 1);
  uint32_t handle = OpenGameWindow();
  EXPECT_EQ(windows.ErrorBox("Coords", "x 1, y 2"), 1);
  ASSERT_EQ(system.boxes.size(), 2u);
  EXPECT_EQ(system.boxes[0].owner, 0u);
  EXPECT_EQ(system.boxes[1].owner, handle);
  EXPECT_EQ(system.boxes[1].caption, "Coords");

  system.canShowBoxes = false;
  testing::internal::CaptureStderr();
  EXPECT_EQ(windows.ErrorBox("ERROR", "Error initializing Keyboard."), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR: Error initializing Keyboard.\n");
}

TEST_F(WindowTest, EndClosesEveryWindow) {
  OpenGameWindow();
  windows.Open(5, 0, 0, 10, 10, "", 0);
  windows.CloseAll();
  EXPECT_TRUE(system.windows.empty());
  EXPECT_EQ(windows.Handle(0), 0);
  EXPECT_EQ(windows.Handle(5), 0);
}

}  // namespace
