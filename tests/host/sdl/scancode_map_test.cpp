#include <gtest/gtest.h>

#include <set>

#include "host/sdl/scancode_map.h"
#include "input/key_codes.h"

namespace {

TEST(ScancodeMap, TheGamesKeysHaveTheirCodes) {
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_ESCAPE), kKeyEscape);
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_W), kKeyW);
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_A), kKeyA);
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_S), kKeyS);
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_D), kKeyD);
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_T), kKeyT);
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_C), kKeyC);
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_LCTRL), kKeyLeftControl);
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_LSHIFT), kKeyLeftShift);
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_SPACE), kKeySpace);
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_LEFT), kKeyLeft);
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_RIGHT), kKeyRight);
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_UP), kKeyUp);
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_DOWN), kKeyDown);
}

TEST(ScancodeMap, EveryKeyOfAFullKeyboardHasItsOwnCode) {
  std::set<int32_t> codes;
  int32_t mapped = 0;
  for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
    int32_t code = KeyCodeOf(static_cast<SDL_Scancode>(scancode));
    if (code == 0) continue;
    ++mapped;
    EXPECT_LT(code, 255) << scancode;  // 255 is left out of the any-key tests
    EXPECT_TRUE(codes.insert(code).second || code == 43) << "two keys share " << code;
  }
  EXPECT_GE(codes.size(), 105u);
  EXPECT_EQ(mapped, static_cast<int32_t>(codes.size()) + 1) << "only the ISO hash key shares";
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_UNKNOWN), 0);
  EXPECT_EQ(KeyCodeOf(SDL_SCANCODE_AUDIOPLAY), 0);
  EXPECT_EQ(KeyCodeOf(static_cast<SDL_Scancode>(-1)), 0);
  EXPECT_EQ(KeyCodeOf(SDL_NUM_SCANCODES), 0);
}

}  // namespace
