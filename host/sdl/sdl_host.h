// host/sdl/sdl_host.h - the real program's host: SDL2 windows, events, message boxes,
// keyboard and mouse behind the platform and input seams, and the boxes' speech; real
// time and real threads are the layers' defaults. The program's main (host/main.cpp)
// adds the SDL2 audio device and installs it all before any platform or input operation.
// Threads: the main thread, at start-up. Depends on: SDL2, the speech server's client
// library, platform, input, the host contract (host/host.h).
#pragma once

#include "host/host.h"

// The SDL host's services; `audio` is left null for the caller to fill. Nothing is
// started yet: the video system starts with KeyboardInit or ScreenInit, the speech
// connection with the first box.
HostServices SdlHostServices();

// InstallHost(SdlHostServices()): no audio output (tests).
void InstallSdlHost();

// Every layer back to its default, and the host's speech closed (tests).
void UninstallSdlHost();
