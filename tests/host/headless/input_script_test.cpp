#include "host/headless/input_script.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "input/key_codes.h"

namespace {

using Kind = ScriptEvent::Kind;

ScriptEvent At(uint64_t ms, Kind kind, int32_t value, int32_t value2, int32_t line) {
  ScriptEvent event;
  event.timeMs = ms;
  event.kind = kind;
  event.value = value;
  event.value2 = value2;
  event.line = line;
  return event;
}

TEST(InputScript, ReadsEveryFormWithCommentsBlankLinesAndRelativeTimes) {
  InputScript script = ParseInputScript(
      "# a short walk\n"
      "\n"
      "0 key down W   # forward\n"
      "+500 KEY Up w\n"
      "  600\tmouse move -40\n"
      "600 mouse move 3 -2\n"
      "+17 mouse down left\n"
      "+0 mouse up 2\n"
      "700 mouse wheel -1\n"
      "800 focus lost\n"
      "900 focus back\n"
      "1000 key down 57\n"
      "1000 key up space\n"
      "1200 close");
  ASSERT_TRUE(script.errors.empty()) << script.errors[0].Text();
  std::vector<ScriptEvent> expected{
      At(0, Kind::kKeyDown, kKeyW, 0, 3),       At(500, Kind::kKeyUp, kKeyW, 0, 4),
      At(600, Kind::kMouseMove, -40, 0, 5),     At(600, Kind::kMouseMove, 3, -2, 6),
      At(617, Kind::kMouseDown, 1, 0, 7),       At(617, Kind::kMouseUp, 2, 0, 8),
      At(700, Kind::kMouseWheel, -1, 0, 9),     At(800, Kind::kFocusLost, 0, 0, 10),
      At(900, Kind::kFocusBack, 0, 0, 11),      At(1000, Kind::kKeyDown, kKeySpace, 0, 12),
      At(1000, Kind::kKeyUp, kKeySpace, 0, 13), At(1200, Kind::kCloseRequest, 0, 0, 14),
  };
  EXPECT_EQ(script.events, expected);
}

TEST(InputScript, MalformedLinesAreReportedByNumberAndTheRestIsKept) {
  InputScript script = ParseInputScript(
      "10 key down W\n"               // 1 good
      "key down W\n"                  // 2 no time
      "20 key press W\n"              // 3 bad direction
      "30 key down Foo\n"             // 4 unknown key
      "40 key down 256\n"             // 5 code out of range
      "5 key up W\n"                  // 6 time goes back
      "-5 key up W\n"                 // 7 negative time
      "50 mouse move 1 2 3\n"         // 8 too many numbers
      "60 mouse move x\n"             // 9 not a number
      "70 mouse down thumb\n"         // 10 unknown button
      "80 focus\n"                    // 11 incomplete
      "90 jump\n"                     // 12 unknown event
      "99999999999999999999 close\n"  // 13 too large to be a time
      "100\n"                         // 14 a time and nothing else
      "+1 close now\n"                // 15 trailing words
      "110 key up W\n");              // 16 good
  ASSERT_EQ(script.events.size(), 2u);
  EXPECT_EQ(script.events[0].line, 1);
  EXPECT_EQ(script.events[1].line, 16);
  std::vector<int32_t> lines;
  for (const ScriptError& error : script.errors) lines.push_back(error.line);
  EXPECT_EQ(lines, (std::vector<int32_t>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
  EXPECT_EQ(script.errors[2].Text(), "line 4: unknown key 'Foo'");
}

TEST(InputScript, KeyNamesGiveTheGamesScanCodes) {
  EXPECT_EQ(KeyCodeByName("W"), kKeyW);
  EXPECT_EQ(KeyCodeByName("a"), kKeyA);
  EXPECT_EQ(KeyCodeByName("S"), kKeyS);
  EXPECT_EQ(KeyCodeByName("d"), kKeyD);
  EXPECT_EQ(KeyCodeByName("T"), kKeyT);
  EXPECT_EQ(KeyCodeByName("C"), kKeyC);
  EXPECT_EQ(KeyCodeByName("Escape"), kKeyEscape);
  EXPECT_EQ(KeyCodeByName("esc"), kKeyEscape);
  EXPECT_EQ(KeyCodeByName("Space"), kKeySpace);
  EXPECT_EQ(KeyCodeByName("LShift"), kKeyLeftShift);
  EXPECT_EQ(KeyCodeByName("LeftControl"), kKeyLeftControl);
  EXPECT_EQ(KeyCodeByName("Left"), kKeyLeft);
  EXPECT_EQ(KeyCodeByName("RIGHT"), kKeyRight);
  EXPECT_EQ(KeyCodeByName("Up"), kKeyUp);
  EXPECT_EQ(KeyCodeByName("Down"), kKeyDown);
  // Row ends of the letter block, digits, function keys.
  EXPECT_EQ(KeyCodeByName("Q"), 16);
  EXPECT_EQ(KeyCodeByName("P"), 25);
  EXPECT_EQ(KeyCodeByName("L"), 38);
  EXPECT_EQ(KeyCodeByName("Z"), 44);
  EXPECT_EQ(KeyCodeByName("M"), 50);
  EXPECT_EQ(KeyCodeByName("Digit1"), 2);
  EXPECT_EQ(KeyCodeByName("Digit0"), 11);
  EXPECT_EQ(KeyCodeByName("F10"), 68);
  EXPECT_EQ(KeyCodeByName("F11"), 87);
  // Numbers are scan codes, whatever their length.
  EXPECT_EQ(KeyCodeByName("5"), 5);
  EXPECT_EQ(KeyCodeByName("255"), 255);
  EXPECT_EQ(KeyCodeByName("256"), -1);
  EXPECT_EQ(KeyCodeByName("-1"), -1);
  EXPECT_EQ(KeyCodeByName("+3"), -1);
  EXPECT_EQ(KeyCodeByName(""), -1);
  EXPECT_EQ(KeyCodeByName("WW"), -1);
}

// Any bytes at all: the parser answers with events and errors, and never reads past
// its input (the sanitizer builds watch that).
TEST(InputScript, ArbitraryBytesNeverCrashTheParser) {
  const std::string alphabet = "0123456789+- \t\n#keydownupmouseWSpace\r\x01\xff";
  uint32_t state = 12345;
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    int length = static_cast<int>(state % 80);
    for (int n = 0; n < length; ++n) {
      state = state * 1664525u + 1013904223u;
      text += alphabet[(state >> 16) % alphabet.size()];
    }
    state = state * 1664525u + 1013904223u;
    InputScript script = ParseInputScript(text);
    for (size_t i = 1; i < script.events.size(); ++i) {
      ASSERT_LE(script.events[i - 1].timeMs, script.events[i].timeMs);
    }
    for (const ScriptError& error : script.errors) ASSERT_GT(error.line, 0);
  }
}

}  // namespace
