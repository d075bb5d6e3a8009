// input/key_codes.h - the game's key codes: keyboard scan codes 0..255 of the standard
// PC layout; keys with an extended prefix (arrows, right-hand modifiers, the editing
// block, keypad Enter and /) are 128 + their base code.
#pragma once

#include <cstdint>

inline constexpr int32_t kKeyEscape = 1;
inline constexpr int32_t kKeyW = 17;
inline constexpr int32_t kKeyT = 20;
inline constexpr int32_t kKeyLeftControl = 29;
inline constexpr int32_t kKeyA = 30;
inline constexpr int32_t kKeyS = 31;
inline constexpr int32_t kKeyD = 32;
inline constexpr int32_t kKeyLeftShift = 42;
inline constexpr int32_t kKeyC = 46;
inline constexpr int32_t kKeySpace = 57;
inline constexpr int32_t kKeyUp = 200;
inline constexpr int32_t kKeyLeft = 203;
inline constexpr int32_t kKeyRight = 205;
inline constexpr int32_t kKeyDown = 208;

inline constexpr int32_t kAnyKey = -1;
