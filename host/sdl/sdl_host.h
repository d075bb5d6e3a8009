// host/sdl/sdl_host.h - the real program's host: SDL2 windows, events, message boxes,
// keyboard and mouse behind the platform and input seams. The game's main calls
// InstallSdlHost() first, before any platform or input operation.
// Threads: the main thread, at start-up.
// Depends on: SDL2, platform, input.
#pragma once

// Installs the SDL window system and input source. Nothing is started yet: the video
// system starts with KeyboardInit or ScreenInit.
void InstallSdlHost();

// Puts the null window system and input source back (tests).
void UninstallSdlHost();
