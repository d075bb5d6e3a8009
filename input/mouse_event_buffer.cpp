#include "input/mouse_event_buffer.h"

void MouseEventBuffer::Push(const MouseEvent& event) {
  std::scoped_lock lock(lock_);
  if (count_ == kMouseBufferEvents) {
    overflowed_ = true;
    return;
  }
  events_[static_cast<size_t>(count_++)] = event;
}

MouseReadResult MouseEventBuffer::Take(std::array<MouseEvent, kMouseBufferEvents>& events,
                                       int32_t& count) {
  std::scoped_lock lock(lock_);
  bool overflowed = overflowed_;
  count = overflowed ? 0 : count_;
  for (int32_t i = 0; i < count; ++i) events[static_cast<size_t>(i)] = events_[static_cast<size_t>(i)];
  count_ = 0;
  overflowed_ = false;
  return overflowed ? MouseReadResult::kOverflowed : MouseReadResult::kRead;
}

void MouseEventBuffer::Clear() {
  std::scoped_lock lock(lock_);
  count_ = 0;
  overflowed_ = false;
}
