// host/host.h - the host contract: every service a host provides to the layers above, in
// one record, and the one call that puts them in place. A field left null keeps that
// layer's default, named beside it. The real program fills it from the SDL host
// (host/sdl/sdl_host.h) and the SDL2 audio device; tests and the simulator from the
// headless host (host/headless/headless_host.h).
//
// Each service is an interface declared by the layer that uses it, in that layer's
// start-up header, apart from the header the game calls. The game's own two seams, its
// observer (game/game_events.h) and its way out of the process (game/game_exit.h), are
// not host services: whoever runs the game (the simulator, a test) installs them.
// Threads: at start-up, or in a test, while no other thread uses any layer.
// Depends on: runtime, platform, input, audio (the seams it fills).
#pragma once

class AudioOutput;
class Clock;
class InputSource;
class Speech;
class ThreadStarter;
class WindowSystem;

struct HostServices {
  Clock* clock = nullptr;            // runtime/clock_seam.h; default: the steady clock
  ThreadStarter* threads = nullptr;  // runtime/thread_seam.h; default: detached threads
  WindowSystem* windows = nullptr;   // platform/window_system.h; default: no display
  Speech* speech = nullptr;          // platform/speech.h; default: silence
  InputSource* input = nullptr;      // input/input_source.h; default: no keyboard, no mouse
  AudioOutput* audio = nullptr;      // audio/audio_output.h; default: none (SoundInit fails)
};

// Installs every service of `services`, each null one as its layer's default.
void InstallHost(const HostServices& services);

// Every layer back to its default: InstallHost({}).
void UninstallHost();
