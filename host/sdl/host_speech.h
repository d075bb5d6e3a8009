// host/sdl/host_speech.h - the speech the real host speaks its boxes through, chosen by
// the build: the speech server on Linux; none on Windows, whose own message boxes reach
// the player's screen reader by themselves.
// Threads: the main thread, when the host is installed and uninstalled.
#pragma once

class Speech;

// The host's speech, or nullptr where the system's screen reader reads the boxes. Never
// destroyed: the game may end the process from anywhere.
Speech* HostSpeech();
