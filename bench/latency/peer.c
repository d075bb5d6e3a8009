// peer: the smallest SDL2 program that plays a sound on a key, the yardstick the game's
// key-to-ear time is set beside. A window, the WAV loaded once with SDL_LoadWAV, a device
// of 1024-frame buffers opened in the file's own format, and on every Left Ctrl press
// (not a repeat) whatever is still queued dropped and the whole sound queued with
// SDL_QueueAudio.
//
//   peer FILE.wav
//
// Runs until the window closes or SIGTERM.
#include <SDL.h>
#include <stdio.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: peer FILE.wav\n");
    return 2;
  }
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO) != 0) {
    fprintf(stderr, "peer: SDL_Init: %s\n", SDL_GetError());
    return 1;
  }
  SDL_AudioSpec spec;
  Uint8* sound = NULL;
  Uint32 soundBytes = 0;
  if (SDL_LoadWAV(argv[1], &spec, &sound, &soundBytes) == NULL) {
    fprintf(stderr, "peer: %s: %s\n", argv[1], SDL_GetError());
    return 1;
  }
  spec.samples = 1024;
  spec.callback = NULL;
  SDL_AudioDeviceID device = SDL_OpenAudioDevice(NULL, 0, &spec, NULL, 0);
  SDL_Window* window = SDL_CreateWindow("latency peer", 0, 0, 320, 200, SDL_WINDOW_SHOWN);
  if (device == 0 || window == NULL) {
    fprintf(stderr, "peer: %s\n", SDL_GetError());
    return 1;
  }
  SDL_PauseAudioDevice(device, 0);
  SDL_Event event;
  while (SDL_WaitEvent(&event)) {
    if (event.type == SDL_QUIT) break;
    if (event.type == SDL_KEYDOWN && !event.key.repeat &&
        event.key.keysym.scancode == SDL_SCANCODE_LCTRL) {
      SDL_ClearQueuedAudio(device);  // a press is never queued behind an earlier sound
      SDL_QueueAudio(device, sound, soundBytes);
    }
  }
  SDL_FreeWAV(sound);
  SDL_Quit();
  return 0;
}
