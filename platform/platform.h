// platform/platform.h - the platform layer as the game calls it: time, the game window
// and its event pump, error boxes, the black windowed screen, the desktop query and the
// end of speech.
// Owns: DelayMs and ElapsedMs (through the runtime's clock), the window table and runtime
// event queue (platform/window.h), the screen state (platform/screen.h), the desktop
// list (platform/desktop.h). Everything that touches the operating system goes through
// the WindowSystem and Speech a host installs (platform/window_system.h and
// platform/speech.h, the layer's start-up headers).
// Threads: timing from any thread; windows, screen and desktops from the main thread.
// Depends on: runtime.
#pragma once

#include <cstdint>
#include <string>

#include "platform/timing.h"

// ---- windows ----

// Opens window `number` (0 up, or -1 for a new number) whose inner area is `width` by
// `height` pixels at (x, y) on the primary display, titled `title`. Reopening a number
// closes the old window first. Returns the new number for -1, otherwise the native
// handle; 0 on failure (nothing left behind).
int32_t WindowOpen(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                   const std::string& title, int32_t flags);

// Gives window `number` the background colour `color` (0x00BBGGRR, kColorNone) and
// repaints it. Returns 1, or 0 when there is no such window.
int32_t WindowSetColor(int32_t number, int32_t color);

// The native handle of window `number` (nonzero), or 0 when there is none.
int32_t WindowHandle(int32_t number);

// Hands out the oldest queued runtime event's code. With none queued, handles at most
// one native event, waiting up to `timeoutMs` (0 = not at all, -1 = until one comes),
// and returns the first event code it queued; 0 when nothing came or it queued nothing.
int32_t WindowPollEvent(int32_t timeoutMs);

// A modal box with only an OK button, owned by the game window when one is open. When
// no box can be shown, writes "caption: text" to standard error. Returns 1 (OK).
int32_t ErrorBox(const std::string& caption, const std::string& text);

// Says `text` (UTF-8) to a player who may not see the screen, through the desktop's speech
// server where the host has one (nothing where it has none); returns at once.
void SpeakText(const std::string& text);

// End step: closes every window.
void WindowsEnd();

// ---- screen ----

// Starts the video system. Nonzero when it starts and the primary display reports at
// least one display mode; 0 otherwise (no display can be driven). Later calls return the
// first success without starting anything again.
int32_t ScreenInit();

// Covers the area (x, y, width, height) of the window with native handle `parentHandle`
// with black; with `autoStretch` nonzero the area keeps filling the inner area less
// `rightOffset` and `bottomOffset` pixels whenever the window is resized. Closes any open
// screen first. Returns 1, or 0 (no screen open) when there is no such window or the
// size is not positive.
int32_t ScreenOpenWindowed(int32_t parentHandle, int32_t x, int32_t y, int32_t width,
                           int32_t height, int32_t autoStretch, int32_t rightOffset,
                           int32_t bottomOffset);

// End step: closes the screen (running the close hook) and stops the video system.
void ScreenEnd();

// ---- desktops ----

// Reads the attached displays' current settings; returns how many there are (0 when
// the video system is not started).
int32_t DesktopExamine();

// Width or height in pixels of desktop n as last examined; 0 when n < 0 or n is not
// below the number DesktopExamine returned.
int32_t DesktopWidth(int32_t n);
int32_t DesktopHeight(int32_t n);

// ---- speech ----

// End step: closes the speech in force.
void SpeechEnd();
