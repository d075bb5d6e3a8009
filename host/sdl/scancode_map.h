// host/sdl/scancode_map.h - SDL's scancodes (USB usage codes) to the game's key codes
// (PC keyboard scan codes, extended keys at 128 + base; input/key_codes.h).
// Threads: any; a constant table.
#pragma once

#include <SDL2/SDL_scancode.h>

#include <cstdint>

// The game's key code for `scancode`, or 0 for a key the game's layout does not name.
int32_t KeyCodeOf(SDL_Scancode scancode);
