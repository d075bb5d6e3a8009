// input/mouse_event_buffer.h - the bounded buffer a host keeps mouse events in between
// two reads, with the overflow rule of the mouse layer: at most kMouseBufferEvents are
// kept, anything beyond is lost and marks the buffer overflowed until the next take.
// Threads: any thread may push (a host's event callback); the main thread takes. One
// lock guards everything.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "input/input_source.h"

class MouseEventBuffer {
 public:
  // Adds one event, or marks the buffer overflowed when it is full.
  void Push(const MouseEvent& event);

  // Adds one movement report as an x and a y event, or adds it to the report just
  // before it when nothing came in between: a fast mouse reports many times per tick,
  // and only the sum matters, so reports alone never fill the buffer.
  void PushMovement(int32_t dx, int32_t dy);

  // Takes every kept event into `events` (count in `count`) and empties the buffer.
  // After an overflow: nothing is given (count 0), the buffer is emptied and
  // kOverflowed is returned. Never kFailed.
  MouseReadResult Take(std::array<MouseEvent, kMouseBufferEvents>& events, int32_t& count);

  // Forgets every event and the overflow mark.
  void Clear();

 private:
  std::mutex lock_;  // guards everything below; writers: Push (any thread), Take/Clear (main)
  std::array<MouseEvent, kMouseBufferEvents> events_{};
  int32_t count_ = 0;  // 0..kMouseBufferEvents
  bool overflowed_ = false;
};
