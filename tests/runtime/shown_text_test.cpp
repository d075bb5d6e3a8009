// Outside text made safe for a terminal: what is escaped, what stays, and the bound.
#include "runtime/shown_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

TEST(ShownText, ControlBytesAndInvalidUtf8AreEscapedAndTheRestStays) {
  const std::pair<std::string, std::string> rows[] = {
      {"assets/title.wav", "assets/title.wav"},
      {"sp ace/\xC3\xA9t\xC3\xA9.wav", "sp ace/\xC3\xA9t\xC3\xA9.wav"},  // é stays
      {"\xE2\x9C\x93\xF0\x9F\x94\x8A", "\xE2\x9C\x93\xF0\x9F\x94\x8A"},  // 3- and 4-byte
      {"a\\b", "a\\\\b"},                                                // unambiguous
      {"\x1B]0;title\x07", "\\x1b]0;title\\x07"},                        // terminal title
      {"\x1B[2J\r\n\t", "\\x1b[2J\\x0d\\x0a\\x09"},
      {std::string("a\0b", 3), "a\\x00b"},
      {"\x7F", "\\x7f"},
      {"\xC2\x9B"
       "31m",
       "\\xc2\\x9b31m"},         // CSI as a C1 character
      {"\xC2\xA0", "\xC2\xA0"},  // no-break space is printable
      {"\xFF\xFE", "\\xff\\xfe"},
      {"\x80", "\\x80"},                             // a stray continuation byte
      {"\xC3", "\\xc3"},                             // cut at the end
      {"\xC3(", "\\xc3("},                           // cut before a character
      {"\xC0\xAF", "\\xc0\\xaf"},                    // overlong '/'
      {"\xE0\x80\xAF", "\\xe0\\x80\\xaf"},           // overlong, 3 bytes
      {"\xED\xA0\x80", "\\xed\\xa0\\x80"},           // a surrogate
      {"\xF4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},  // past U+10FFFF
  };
  for (const auto& [text, shown] : rows) EXPECT_EQ(ShownText(text), shown) << shown;
}

TEST(ShownText, LongTextKeepsBothEndsWithinTheBoundAndCutsNoCharacter) {
  EXPECT_EQ(ShownText(std::string(240, 'a')), std::string(240, 'a'));
  std::string path = std::string(300, 'd') + "/title.wav";
  std::string shown = ShownText(path);
  EXPECT_LE(shown.size(), kShownTextBytes);
  EXPECT_GE(shown.size(), kShownTextBytes - 4);
  EXPECT_TRUE(shown.starts_with("ddd"));
  EXPECT_TRUE(shown.ends_with("d/title.wav"));
  EXPECT_NE(shown.find("..."), std::string::npos);

  // Escapes and characters at the cut stay whole.
  for (const std::string& unit : {std::string("\xC3\xA9"), std::string("\x1B")}) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += unit;
    for (size_t limit : {size_t{11}, size_t{12}, size_t{13}, size_t{40}}) {
      std::string cut = ShownText(text, limit);
      EXPECT_LE(cut.size(), limit);
      std::string whole = ShownText(text, 10000);
      size_t mark = cut.find("...");
      ASSERT_NE(mark, std::string::npos);
      EXPECT_TRUE(whole.starts_with(cut.substr(0, mark))) << cut;
      EXPECT_TRUE(whole.ends_with(cut.substr(mark + 3))) << cut;
      EXPECT_EQ(mark % ShownText(unit).size(), 0u) << cut;
      EXPECT_EQ((cut.size() - mark - 3) % ShownText(unit).size(), 0u) << cut;
    }
  }
}

// A message quotes user text: in quotes, escaped as ShownText escapes (its cases above),
// the quote too, and a huge word only a line's worth of it, cut at a character.
TEST(QuotedExcerpt, UserTextIsQuotedShortAndEscaped) {
  EXPECT_EQ(QuotedExcerpt(""), "''");
  EXPECT_EQ(QuotedExcerpt("it's a\\b\x1b[31m"), "'it\\'s a\\\\b\\x1b[31m'");
  EXPECT_EQ(QuotedExcerpt(std::string(10'000'000, 'x')),
            "'" + std::string(kMaxQuotedBytes, 'x') + "'... (10000000 bytes)");
  std::string arrows;
  for (int i = 0; i < 100; ++i) arrows += "\xe2\x86\x92";
  std::string cut = QuotedExcerpt(arrows);
  EXPECT_EQ(cut.substr(0, cut.find("'...")), "'" + arrows.substr(0, (kMaxQuotedBytes + 2) / 3 * 3));
}

}  // namespace
