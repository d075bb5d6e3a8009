// The Windows build only: every key of the game's layout as Windows reports it to a
// window (WM_KEYDOWN and WM_KEYUP with the keyboard's scan code), through SDL's own
// Windows driver, must come out as the game's code for that key.
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "host/sdl/scancode_map.h"

namespace {

// What Windows puts in a key message for the game's key `code`: the scan code in bits
// 16..23 and the extended-key flag in bit 24, as the keyboard sends them. Pause and
// Num Lock are the exception: the keyboard sends Pause as 0x45 and Num Lock as
// extended 0x45, the reverse of the game's codes, and Windows names both by their
// virtual key, which SDL reads first.
struct KeyMessage {
  WPARAM virtualKey;
  LPARAM flags;
};

KeyMessage MessageFor(int32_t code) {
  constexpr int32_t kNumLock = 69, kPause = 197;
  if (code == kNumLock) return {VK_NUMLOCK, 1 | (0x45 << 16) | (1 << 24)};
  if (code == kPause) return {VK_PAUSE, 1 | (0x45 << 16)};
  const LPARAM extended = code >= 128 ? (1 << 24) : 0;
  return {0, 1 | ((code & 0x7F) << 16) | extended};
}

// The key events SDL has made of the messages posted so far, waiting up to a second for
// `count` of them: a posted message reaches SDL's window procedure on a later pump.
std::vector<SDL_KeyboardEvent> KeyEvents(size_t count) {
  std::vector<SDL_KeyboardEvent> keys;
  for (int tries = 0; tries < 100 && keys.size() < count; ++tries) {
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) keys.push_back(event.key);
    }
    if (keys.size() < count) SDL_Delay(10);
  }
  return keys;
}

class WindowsKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    EXPECT_STREQ(SDL_GetCurrentVideoDriver(), "windows");
    window = SDL_CreateWindow("keys", 0, 0, 64, 64, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(window, &info));
    handle = info.info.win.window;
  }
  void TearDown() override {
    if (window) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  SDL_Window* window = nullptr;
  HWND handle = nullptr;
};

TEST_F(WindowsKeys, EveryKeyOfTheLayoutArrivesAsTheGamesCode) {
  std::set<int32_t> codes;
  for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
    if (int32_t code = KeyCodeOf(static_cast<SDL_Scancode>(scancode))) codes.insert(code);
  }
  ASSERT_GE(codes.size(), 105u);
  for (int32_t code : codes) {
    const KeyMessage key = MessageFor(code);
    PostMessageW(handle, WM_KEYDOWN, key.virtualKey, key.flags);
    PostMessageW(handle, WM_KEYUP, key.virtualKey, key.flags | (3 << 30));
    const std::vector<SDL_KeyboardEvent> keys = KeyEvents(2);
    ASSERT_EQ(keys.size(), 2u) << "key " << code;
    EXPECT_EQ(keys[0].type, SDL_KEYDOWN);
    EXPECT_EQ(KeyCodeOf(keys[0].keysym.scancode), code) << "key down " << code;
    EXPECT_EQ(keys[1].type, SDL_KEYUP);
    EXPECT_EQ(KeyCodeOf(keys[1].keysym.scancode), code) << "key up " << code;
  }
}

TEST_F(WindowsKeys, KeysOutsideTheLayoutArriveButHaveNoCode) {
  PostMessageW(handle, WM_KEYDOWN, VK_VOLUME_UP, 1 | (0x30 << 16) | (1 << 24));
  PostMessageW(handle, WM_KEYDOWN, 0, 1 | (0x64 << 16));  // F13 on some keyboards
  const std::vector<SDL_KeyboardEvent> keys = KeyEvents(2);
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].keysym.scancode, SDL_SCANCODE_VOLUMEUP);
  EXPECT_EQ(keys[1].keysym.scancode, SDL_SCANCODE_F13);
  EXPECT_EQ(KeyCodeOf(keys[0].keysym.scancode), 0);
  EXPECT_EQ(KeyCodeOf(keys[1].keysym.scancode), 0);
}

}  // namespace
