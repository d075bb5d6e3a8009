#include "tools/sim/live_protocol.h"

namespace {

constexpr int32_t kMaxMove = 1'000'000;  // as the input script allows

uint32_t U32At(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

int32_t I32At(const uint8_t* p) {
  return static_cast<int32_t>(U32At(p));
}

std::string KindText(uint8_t kind) {
  if (kind >= 0x21 && kind < 0x7f) return std::string("'") + static_cast<char>(kind) + "'";
  return "0x" + std::to_string(kind);
}

LiveCommand Refused(std::string error) {
  LiveCommand command;
  command.kind = LiveCommand::Kind::kRefused;
  command.error = std::move(error);
  return command;
}

LiveCommand Input(ScriptEvent::Kind kind, int32_t value, int32_t value2 = 0) {
  LiveCommand command;
  command.kind = LiveCommand::Kind::kInput;
  command.event.kind = kind;
  command.event.value = value;
  command.event.value2 = value2;
  return command;
}

bool IsMove(int32_t value) {
  return value >= -kMaxMove && value <= kMaxMove;
}

// A whole frame's command; `p` holds `size` payload bytes.
LiveCommand Decode(uint8_t kind, const uint8_t* p, uint32_t size) {
  using Kind = ScriptEvent::Kind;
  auto wants = [&](uint32_t bytes) { return size == bytes; };
  auto sizeError = [&](uint32_t bytes) {
    return Refused("command " + KindText(kind) + " wants a payload of " + std::to_string(bytes) +
                   " bytes, not " + std::to_string(size));
  };
  switch (kind) {
    case kLiveKey:
      if (!wants(2)) return sizeError(2);
      if (p[1] > 1) return Refused("key: down must be 0 or 1");
      return Input(p[1] == 1 ? Kind::kKeyDown : Kind::kKeyUp, p[0]);
    case kLiveMouseMove:
      if (!wants(8)) return sizeError(8);
      if (!IsMove(I32At(p)) || !IsMove(I32At(p + 4))) return Refused("mouse move beyond 10^6");
      return Input(Kind::kMouseMove, I32At(p), I32At(p + 4));
    case kLiveMouseButton:
      if (!wants(2)) return sizeError(2);
      if (p[0] < 1 || p[0] > 3) return Refused("mouse button must be 1, 2 or 3");
      if (p[1] > 1) return Refused("mouse button: down must be 0 or 1");
      return Input(p[1] == 1 ? Kind::kMouseDown : Kind::kMouseUp, p[0]);
    case kLiveMouseWheel:
      if (!wants(4)) return sizeError(4);
      if (!IsMove(I32At(p))) return Refused("mouse wheel beyond 10^6 steps");
      return Input(Kind::kMouseWheel, I32At(p));
    case kLiveStep: {
      if (!wants(4)) return sizeError(4);
      uint32_t ms = U32At(p);
      if (ms < 1 || ms > kLiveMaxStepMs) {
        return Refused("step wants 1 .. " + std::to_string(kLiveMaxStepMs) + " ms, not " +
                       std::to_string(ms));
      }
      LiveCommand command;
      command.kind = LiveCommand::Kind::kStep;
      command.stepMs = ms;
      return command;
    }
    case kLiveStop:
      if (!wants(0)) return sizeError(0);
      return LiveCommand{};
    default:
      return Refused("unknown command " + KindText(kind));
  }
}

}  // namespace

void LiveDecoder::Push(std::span<const uint8_t> bytes) {
  if (!broken_.empty()) return;
  // What was read goes, so that a long run does not hold its whole stream.
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
  start_ = 0;
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

bool LiveDecoder::Next(LiveCommand& command) {
  if (broken_.empty() && Buffered() >= kLiveHeaderBytes) {
    const uint8_t* h = buffer_.data() + start_;
    uint32_t size = U32At(h + 4);
    if (h[0] != 'Q' || h[1] != 'L' || h[3] != 0) {
      broken_ = "a frame must begin with 'QL', a kind and a 0 byte";
    } else if (size > kLiveMaxCommandPayload) {
      broken_ = "a command's payload is at most " + std::to_string(kLiveMaxCommandPayload) +
                " bytes, not " + std::to_string(size);
    } else if (Buffered() - kLiveHeaderBytes < size) {
      return false;
    } else {
      command = Decode(h[2], h + kLiveHeaderBytes, size);
      start_ += kLiveHeaderBytes + size;
      return true;
    }
  }
  if (broken_.empty()) return false;
  command = LiveCommand{};
  command.kind = LiveCommand::Kind::kBroken;
  command.error = broken_;
  return true;
}

std::vector<uint8_t> LiveFrame(uint8_t kind, std::span<const uint8_t> payload) {
  std::vector<uint8_t> frame = {'Q', 'L', kind, 0};
  PutU32(frame, static_cast<uint32_t>(payload.size()));
  frame.insert(frame.end(), payload.begin(), payload.end());
  return frame;
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutI32(std::vector<uint8_t>& out, int32_t value) {
  PutU32(out, static_cast<uint32_t>(value));
}
