// host/sdl/sdl_video.h - what the SDL window system and input source share: starting
// and stopping SDL's video system, and the event filter that keeps SDL's queue short.
//
// Every event SDL queues passes the filter first, on whichever thread pushed it. The
// filter hands mouse input to the mouse buffer and drops it, keeps only the window
// notices the platform layer turns into runtime events (and mouse-button releases),
// and drops everything else: keyboard state is read whole (SDL keeps it up to date
// whether or not the key events are queued). A close request is kept only while no
// other close request of the same window waits in the queue.
// Threads: start and stop on the main thread; the filter on any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>

#include "input/mouse_event_buffer.h"

struct SdlShared {
  MouseEventBuffer mouse;                  // pushed by the filter, taken by the main thread
  std::atomic<bool> mouseCaptured{false};  // written by the main thread, read by the filter

  std::mutex closeLock;             // guards closePending
  std::set<uint32_t> closePending;  // window ids with a close request queued, not yet taken

  // Forgets the close request of window `id` as it is taken from the queue.
  void CloseTaken(uint32_t id) {
    std::scoped_lock lock(closeLock);
    closePending.erase(id);
  }
};

SdlShared& TheSdlShared();

// Starts SDL's video system (counted: each success is undone by one StopSdlVideo) and
// installs the filter. False when no display can be driven.
bool StartSdlVideo();
void StopSdlVideo();
bool SdlVideoRunning();
