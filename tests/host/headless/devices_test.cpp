// The scripted keyboard and mouse and the recorded window system, through the seams
// the platform and input layers call.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "host/headless/headless_host.h"
#include "host/headless/recorded_speech.h"
#include "host/headless/recorded_window.h"
#include "input/input_source.h"
#include "input/key_codes.h"
#include "platform/platform.h"
#include "platform/timing.h"
#include "platform/window_system.h"
#include "runtime/number_text.h"
#include "runtime/threads.h"

namespace {

uint32_t OpenGameWindow() {
  WindowRequest request;
  request.width = 1920;
  request.height = 1080;
  request.title = "Vorlent: The Quelmire";
  return CurrentWindowSystem().OpenWindow(request);
}

bool KeyIsDown(int32_t key) {
  KeySnapshot keys{};
  return CurrentInputSource().ReadKeys(keys) && keys[static_cast<size_t>(key)] == 0x80;
}

struct MouseRead {
  MouseReadResult result;
  std::vector<MouseEvent> events;
};

MouseRead ReadMouse() {
  std::array<MouseEvent, kMouseBufferEvents> events{};
  int32_t count = -1;
  MouseRead read{CurrentInputSource().ReadMouse(events, count), {}};
  read.events.assign(events.begin(), events.begin() + count);
  return read;
}

class Headless : public ::testing::Test {
 protected:
  void Install(const std::string& script) {
    std::vector<ScriptError> errors = host_.LoadInputScript(script);
    ASSERT_TRUE(errors.empty()) << errors[0].Text();
    host_.Install();
  }
  HeadlessHost host_;
};

// ---- keyboard ------------------------------------------------------------------------

TEST_F(Headless, KeysFollowTheScriptAndAreReadOnlyWithFocus) {
  Install(
      "10 key down W\n"
      "30 key up W\n"
      "40 key down Left\n"
      "50 focus lost\n"
      "60 key up Left\n"
      "60 key down Space\n"
      "70 focus back\n");
  InputSource& input = CurrentInputSource();
  ASSERT_TRUE(input.OpenKeyboard());
  KeySnapshot keys{};
  EXPECT_FALSE(input.ReadKeys(keys));  // no window yet: nothing has the focus
  OpenGameWindow();
  EXPECT_TRUE(input.HasFocus());
  EXPECT_FALSE(KeyIsDown(kKeyW));
  DelayMs(10);
  EXPECT_TRUE(KeyIsDown(kKeyW));
  DelayMs(19);
  EXPECT_TRUE(KeyIsDown(kKeyW));  // 29 ms: still held
  DelayMs(11);
  EXPECT_FALSE(KeyIsDown(kKeyW));
  EXPECT_TRUE(KeyIsDown(kKeyLeft));
  DelayMs(10);  // 50: focus lost
  EXPECT_FALSE(input.HasFocus());
  EXPECT_FALSE(input.ReadKeys(keys));
  DelayMs(20);  // 70: back; the keys changed meanwhile
  ASSERT_TRUE(input.ReadKeys(keys));
  EXPECT_EQ(keys[kKeyLeft], 0);
  EXPECT_EQ(keys[kKeySpace], 0x80);
  for (size_t k = 0; k < keys.size(); ++k) {
    if (k != kKeySpace) {
      EXPECT_EQ(keys[k], 0) << "key " << k;
    }
  }
}

// ---- mouse ---------------------------------------------------------------------------

TEST_F(Headless, MouseEventsAreBufferedOnlyWhileCapturedAndFocused) {
  Install(
      "10 mouse move 5\n"  // not captured yet: lost
      "20 mouse move -3 7\n"
      "20 mouse down left\n"
      "25 mouse wheel 1\n"
      "30 focus lost\n"
      "31 mouse move 9\n"  // no focus: lost
      "40 focus back\n"
      "41 mouse up 1\n");
  InputSource& input = CurrentInputSource();
  ASSERT_TRUE(input.OpenMouse());
  OpenGameWindow();
  DelayMs(15);
  input.CaptureMouse(true);
  MouseRead first = ReadMouse();
  EXPECT_EQ(first.result, MouseReadResult::kRead);
  EXPECT_TRUE(first.events.empty());

  DelayMs(10);  // 25
  MouseRead second = ReadMouse();
  ASSERT_EQ(second.events.size(), 4u);
  EXPECT_EQ(second.events[0].kind, MouseEvent::Kind::kMoveX);
  EXPECT_EQ(second.events[0].value, -3);
  EXPECT_EQ(second.events[1].kind, MouseEvent::Kind::kMoveY);
  EXPECT_EQ(second.events[1].value, 7);
  EXPECT_EQ(second.events[2].kind, MouseEvent::Kind::kButton);
  EXPECT_EQ(second.events[2].button, 1);
  EXPECT_EQ(second.events[2].value, 1);
  EXPECT_EQ(second.events[3].kind, MouseEvent::Kind::kWheel);

  DelayMs(10);  // 35: no focus
  EXPECT_EQ(ReadMouse().result, MouseReadResult::kFailed);
  DelayMs(10);  // 45
  MouseRead after = ReadMouse();
  ASSERT_EQ(after.events.size(), 1u);  // the release only; the move at 31 was lost
  EXPECT_EQ(after.events[0].kind, MouseEvent::Kind::kButton);
  EXPECT_EQ(after.events[0].value, 0);

  input.CaptureMouse(false);
  EXPECT_EQ(ReadMouse().result, MouseReadResult::kFailed);
}

TEST_F(Headless, MoreThanABufferfulOfMouseEventsOverflowsOnce) {
  std::string script;
  for (int n = 0; n < kMouseBufferEvents + 1; ++n) script += "5 mouse move 1\n";
  script += "10 mouse move 2\n";
  Install(script);
  InputSource& input = CurrentInputSource();
  ASSERT_TRUE(input.OpenMouse());
  OpenGameWindow();
  input.CaptureMouse(true);
  DelayMs(5);
  EXPECT_EQ(ReadMouse().result, MouseReadResult::kOverflowed);
  DelayMs(5);
  MouseRead next = ReadMouse();
  EXPECT_EQ(next.result, MouseReadResult::kRead);
  ASSERT_EQ(next.events.size(), 1u);
  EXPECT_EQ(next.events[0].value, 2);
}

TEST(HeadlessOptionsTest, WithoutAMouseOpenMouseFails) {
  HeadlessOptions options;
  options.mousePresent = false;
  RunHeadless(options, [] { EXPECT_FALSE(CurrentInputSource().OpenMouse()); });
}

// ---- window system ---------------------------------------------------------------------

TEST_F(Headless, DesktopZeroHasTheFixedSizeOnceStarted) {
  Install("");
  WindowSystem& system = CurrentWindowSystem();
  EXPECT_TRUE(system.Desktops().empty());
  EXPECT_EQ(system.DisplayModeCount(), 0);
  ASSERT_TRUE(system.Start());
  std::vector<DesktopRecord> desktops = system.Desktops();
  ASSERT_EQ(desktops.size(), 1u);
  EXPECT_EQ(desktops[0].width, 1920);
  EXPECT_EQ(desktops[0].height, 1080);
  EXPECT_GE(system.DisplayModeCount(), 1);
}

TEST_F(Headless, WindowsAreRecordedAndTraced) {
  Install("");
  WindowSystem& system = CurrentWindowSystem();
  uint32_t handle = OpenGameWindow();
  EXPECT_EQ(handle, 1u);
  PaintRequest black;
  black.background = 0;
  system.Paint(handle, black);
  int32_t width = 0, height = 0;
  ASSERT_TRUE(system.InnerSize(handle, width, height));
  EXPECT_EQ(width, 1920);
  EXPECT_EQ(height, 1080);

  const RecordedWindow& window = host_.windows().Windows().at(0);
  EXPECT_EQ(window.request.title, "Vorlent: The Quelmire");
  EXPECT_EQ(window.paint.background, 0);
  EXPECT_EQ(window.paintCount, 1);

  system.CloseWindow(handle);
  EXPECT_FALSE(system.InnerSize(handle, width, height));
  EXPECT_EQ(OpenGameWindow(), 2u);  // handles are not reused
  std::vector<std::string> lines = host_.trace().Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0],
            "{\"ms\":0,\"event\":\"window_open\",\"handle\":1,\"title\":\"Vorlent: The "
            "Quelmire\",\"x\":0,\"y\":0,\"width\":1920,\"height\":1080,\"visible\":true}");
  EXPECT_EQ(lines[1], "{\"ms\":0,\"event\":\"window_paint\",\"handle\":1,\"background\":0}");
  EXPECT_EQ(lines[2], "{\"ms\":0,\"event\":\"window_close\",\"handle\":1}");
}

TEST_F(Headless, PollingWaitsInVirtualTimeAndWakesForScriptedWindowEvents) {
  Install(
      "30 close\n"
      "200 focus lost\n"
      "200 key down W\n"  // input never ends a wait
      "500 focus back\n");
  WindowSystem& system = CurrentWindowSystem();
  uint32_t handle = OpenGameWindow();
  NativeEvent event;
  ASSERT_TRUE(system.NextEvent(0, event));  // the new window took the focus
  EXPECT_EQ(event.kind, NativeEventKind::kActivated);
  EXPECT_EQ(event.window, handle);

  EXPECT_FALSE(system.NextEvent(1, event));
  EXPECT_EQ(ElapsedMs(), 1);
  ASSERT_TRUE(system.NextEvent(100, event));
  EXPECT_EQ(event.kind, NativeEventKind::kCloseRequest);
  EXPECT_EQ(ElapsedMs(), 30);

  ASSERT_TRUE(system.NextEvent(-1, event));
  EXPECT_EQ(event.kind, NativeEventKind::kDeactivated);
  EXPECT_EQ(ElapsedMs(), 200);
  EXPECT_FALSE(system.NextEvent(100, event));
  EXPECT_EQ(ElapsedMs(), 300);
  ASSERT_TRUE(system.NextEvent(-1, event));
  EXPECT_EQ(event.kind, NativeEventKind::kActivated);
  EXPECT_EQ(ElapsedMs(), 500);

  // Nothing left in the script: an endless wait returns at once instead of hanging.
  EXPECT_FALSE(system.NextEvent(-1, event));
  EXPECT_EQ(ElapsedMs(), 500);
}

std::vector<std::string> order;
int32_t NoteOrder(int32_t) {
  order.push_back("thread");
  return 0;
}

TEST_F(Headless, BoxesGoToTheTraceAndLetOtherThreadsRun) {
  Install("");
  order.clear();
  DelayMs(7);
  ThreadCreate(NoteOrder, 0);
  EXPECT_TRUE(CurrentWindowSystem().ShowMessageBox(0, "ERROR", "Sound \"device\"\nfailed"));
  order.push_back("box returned");
  EXPECT_EQ(order, (std::vector<std::string>{"thread", "box returned"}));
  EXPECT_EQ(ElapsedMs(), 7);  // dismissed at once
  ASSERT_EQ(host_.windows().Boxes().size(), 1u);
  EXPECT_EQ(host_.windows().Boxes()[0].caption, "ERROR");
  EXPECT_EQ(host_.trace().Lines().back(),
            "{\"ms\":7,\"event\":\"box\",\"caption\":\"ERROR\",\"text\":\"Sound "
            "\\\"device\\\"\\nfailed\"}");
}

// The speech line comes right before its box, as the real host speaks before showing;
// the coordinates are rounded for the ear while the box keeps the game's exact text.
TEST_F(Headless, SpokenBoxesPutWhatWouldBeSaidInTheTraceBeforeTheBox) {
  Install("");
  DelayMs(12);
  std::string coordinates = FloatToString(75.0f) + "," + FloatToString(12.500001f);
  ASSERT_EQ(coordinates, "75,12.5000009537");
  // The portable box decides what is said and says it through the speech seam; the
  // headless host's speech puts it in the trace.
  ErrorBox("Coords", coordinates);
  ErrorBox("ERROR", "Error initializing Keyboard.");
  ErrorBox("ERROR", "Error initializing Sound Library");
  EXPECT_EQ(host_.speech().Spoken(),
            (std::vector<std::string>{"75, 12.5", "Error initializing Keyboard."}));
  EXPECT_EQ(
      host_.trace().Lines(),
      (std::vector<std::string>{
          R"({"ms":12,"event":"speech","text":"75, 12.5"})",
          R"({"ms":12,"event":"box","caption":"Coords","text":"75,12.5000009537"})",
          R"({"ms":12,"event":"speech","text":"Error initializing Keyboard."})",
          R"({"ms":12,"event":"box","caption":"ERROR","text":"Error initializing Keyboard."})",
          R"({"ms":12,"event":"box","caption":"ERROR","text":"Error initializing Sound Library"})",
      }));
}

}  // namespace

namespace {

// ---- scripts and the trace file --------------------------------------------------------

TEST(HeadlessHostSetUp, AScriptWithErrorsIsRefusedAndTheOneBeforeStays) {
  HeadlessHost host;
  ASSERT_TRUE(host.LoadInputScript("5 close\n").empty());
  std::vector<ScriptError> errors = host.LoadInputScript("1 key down W\n2 key down Nope\n");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].line, 2);
  std::vector<ScriptError> missing = host.LoadInputScriptFile("no/such/script.txt");
  ASSERT_EQ(missing.size(), 1u);
  EXPECT_EQ(missing[0].line, 0);

  host.Install();
  WindowRequest request;
  request.width = request.height = 10;
  uint32_t handle = CurrentWindowSystem().OpenWindow(request);
  NativeEvent event;
  ASSERT_TRUE(CurrentWindowSystem().NextEvent(0, event));  // activation
  ASSERT_TRUE(CurrentWindowSystem().NextEvent(-1, event));
  EXPECT_EQ(event.kind, NativeEventKind::kCloseRequest);  // the first script's close
  EXPECT_EQ(event.window, handle);
  host.Uninstall();
}

TEST(HeadlessHostSetUp, TheTraceFileHoldsTheSameLinesAsMemory) {
  std::string path = ::testing::TempDir() + "headless_trace_test.jsonl";
  {
    HeadlessHost host;
    ASSERT_TRUE(host.trace().OpenFile(path));
    host.Install();
    DelayMs(3);
    ErrorBox("ERROR", std::string("tab\there \x01"));
    host.Uninstall();
    host.trace().Close();
    EXPECT_EQ(host.trace().Lines().size(), 2u);  // what would be said, then the box
  }
  std::FILE* file = std::fopen(path.c_str(), "r");
  ASSERT_NE(file, nullptr);
  char speech[256] = {};
  char box[256] = {};
  ASSERT_NE(std::fgets(speech, sizeof speech, file), nullptr);
  ASSERT_NE(std::fgets(box, sizeof box, file), nullptr);
  std::fclose(file);
  std::remove(path.c_str());
  EXPECT_STREQ(speech, "{\"ms\":3,\"event\":\"speech\",\"text\":\"tab\\there \\u0001\"}\n");
  EXPECT_STREQ(box,
               "{\"ms\":3,\"event\":\"box\",\"caption\":\"ERROR\",\"text\":\"tab\\there "
               "\\u0001\"}\n");
}

}  // namespace
