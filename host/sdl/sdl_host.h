// host/sdl/sdl_host.h - the real program's host: SDL2 windows, events, message boxes,
// keyboard and mouse behind the platform and input seams, and the boxes' speech. The game's main
// calls InstallSdlHost() first, before any platform or input operation. Threads: the main thread,
// at start-up. Depends on: SDL2, the speech server's client library, platform, input.
#pragma once

// Installs the SDL window system, input source and the speech server's speech. Nothing
// is started yet: the video system starts with KeyboardInit or ScreenInit, the speech
// connection with the first box.
void InstallSdlHost();

// Puts the null window system, input source and speech back, and closes the host's
// speech (tests).
void UninstallSdlHost();
