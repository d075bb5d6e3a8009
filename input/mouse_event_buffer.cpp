#include "input/mouse_event_buffer.h"

#include <algorithm>
#include <limits>

namespace {

int32_t AddSaturating(int32_t a, int32_t b) {
  int64_t sum = static_cast<int64_t>(a) + b;
  return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

void MouseEventBuffer::Push(const MouseEvent& event) {
  std::scoped_lock lock(lock_);
  if (count_ == kMouseBufferEvents) {
    overflowed_ = true;
    return;
  }
  events_[static_cast<size_t>(count_++)] = event;
}

void MouseEventBuffer::PushMovement(int32_t dx, int32_t dy) {
  std::scoped_lock lock(lock_);
  if (count_ >= 2 && events_[static_cast<size_t>(count_ - 2)].kind == MouseEvent::Kind::kMoveX &&
      events_[static_cast<size_t>(count_ - 1)].kind == MouseEvent::Kind::kMoveY) {
    MouseEvent& x = events_[static_cast<size_t>(count_ - 2)];
    MouseEvent& y = events_[static_cast<size_t>(count_ - 1)];
    x.value = AddSaturating(x.value, dx);
    y.value = AddSaturating(y.value, dy);
    return;
  }
  for (const MouseEvent& event : {MouseEvent{MouseEvent::Kind::kMoveX, dx, 0},
                                  MouseEvent{MouseEvent::Kind::kMoveY, dy, 0}}) {
    if (count_ == kMouseBufferEvents) {
      overflowed_ = true;
      return;
    }
    events_[static_cast<size_t>(count_++)] = event;
  }
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
