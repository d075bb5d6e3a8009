#include "host/headless/input_script.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "input/key_codes.h"
#include "runtime/shown_text.h"

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
  const std::pair<const char*, int32_t> rows[] = {
      {"W", kKeyW},
      {"a", kKeyA},
      {"S", kKeyS},
      {"d", kKeyD},
      {"T", kKeyT},
      {"C", kKeyC},
      {"Escape", kKeyEscape},
      {"esc", kKeyEscape},
      {"Space", kKeySpace},
      {"LShift", kKeyLeftShift},
      {"LeftControl", kKeyLeftControl},
      {"Left", kKeyLeft},
      {"RIGHT", kKeyRight},
      {"Up", kKeyUp},
      {"Down", kKeyDown},
      // Row ends of the letter block, digits, function keys.
      {"Q", 16},
      {"P", 25},
      {"L", 38},
      {"Z", 44},
      {"M", 50},
      {"Digit1", 2},
      {"Digit0", 11},
      {"F10", 68},
      {"F11", 87},
      // Numbers are scan codes, whatever their length.
      {"5", 5},
      {"255", 255},
      {"256", -1},
      {"-1", -1},
      {"+3", -1},
      {"", -1},
      {"WW", -1},
  };
  for (const auto& [name, code] : rows) EXPECT_EQ(KeyCodeByName(name), code) << '"' << name << '"';
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

TEST(InputScript, LinesEventsAndErrorsHaveLimitsThatAreSaid) {
  struct Case {
    const char* name;
    std::string text;
    size_t events;
    std::vector<std::string> errors;  // Text() of each, in order
  };
  std::string manyEvents;
  for (size_t i = 0; i <= kMaxScriptEvents; ++i) manyEvents += "0 close\n";
  std::string manyErrors;
  for (int i = 0; i < 150; ++i) manyErrors += "0 jump\n";
  const std::string longWord(kMaxScriptLineBytes - 7, 'x');
  const Case cases[] = {
      {"a line at the limit",
       "0 key down W\n" + std::string("1 jump ") + longWord,
       1,
       {"line 2: unknown event 'jump'"}},
      {"a line past it",
       "0 key down W\n1 jump " + longWord + "y\n2 close",
       2,
       {"line 2: a line is at most 4096 bytes, not 4097"}},
      {"a long comment counts",
       "0 close # " + std::string(5000, 'c'),
       0,
       {"line 1: a line is at most 4096 bytes, not 5010"}},
      {"a huge bad word is quoted short",
       "0 key down " + std::string(3000, 'Q'),
       0,
       {"line 1: unknown key '" + std::string(kMaxQuotedBytes, 'Q') + "'... (3000 bytes)"}},
      {"control bytes are escaped",
       "\x1b[2J key down W",
       0,
       {"line 1: a line starts with a time in ms (0..10^12, or +N), not '\\x1b[2J'"}},
      {"events past the limit",
       manyEvents,
       kMaxScriptEvents,
       {"line 1000001: a script holds at most 1000000 events: the rest was not read"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InputScript script = ParseInputScript(c.text);
    EXPECT_EQ(script.events.size(), c.events);
    std::vector<std::string> errors;
    for (const ScriptError& error : script.errors) errors.push_back(error.Text());
    EXPECT_EQ(errors, c.errors);
  }

  // Parsing stops after kMaxScriptErrors wrong lines, and says so once.
  InputScript wrong = ParseInputScript(manyErrors);
  ASSERT_EQ(wrong.errors.size(), kMaxScriptErrors + 1);
  EXPECT_EQ(wrong.errors[kMaxScriptErrors - 1].line, 100);
  EXPECT_EQ(wrong.errors.back().Text(), "100 wrong lines: the rest of the script was not read");
  // Exactly the limit of wrong lines, then blank lines and comments: nothing more is said.
  std::string hundred;
  for (size_t i = 0; i < kMaxScriptErrors; ++i) hundred += "0 jump\n";
  EXPECT_EQ(ParseInputScript(hundred + "\n# end\n\n").errors.size(), kMaxScriptErrors);
}

TEST(InputScript, AFileIsReadNoFurtherThanItsLimit) {
  std::string text;
  // A device that never ends is read to the limit and refused.
  EXPECT_EQ(ReadScriptFile("/dev/zero", text),
            "the input script '/dev/zero' is longer than 64 MiB");
  EXPECT_TRUE(text.empty());

  std::string path = testing::TempDir() + "input_script_limit.txt";
  for (size_t size : {kMaxScriptFileBytes, kMaxScriptFileBytes + 1}) {
    std::ofstream(path, std::ios::binary) << std::string(size, '\n');
    std::string error = ReadScriptFile(path, text);
    EXPECT_EQ(error.empty(), size == kMaxScriptFileBytes) << error;
    EXPECT_EQ(text.size(), error.empty() ? size : 0u);
  }
  std::filesystem::remove(path);
  EXPECT_NE(
      ReadScriptFile(testing::TempDir() + "no-such-script", text).find("No such file or directory"),
      std::string::npos);
  // A folder is refused with the system's reason: "Is a directory" here, "Permission
  // denied" on Windows.
  std::string folder = ReadScriptFile(testing::TempDir(), text);
  EXPECT_TRUE(folder.starts_with("cannot read the input script '")) << folder;
  EXPECT_TRUE(text.empty());
}

}  // namespace
