// libFuzzer target: the live mode's command reader (tools/sim/live_protocol.h). The
// bytes arrive in pieces cut where the input's first byte says; besides crashes and
// sanitizer reports it traps on a command that breaks the reader's promises.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "tools/sim/live_protocol.h"

namespace {

bool KeepsItsPromises(const LiveCommand& c) {
  using Kind = ScriptEvent::Kind;
  switch (c.kind) {
    case LiveCommand::Kind::kInput:
      switch (c.event.kind) {
        case Kind::kKeyDown:
        case Kind::kKeyUp:
          return c.event.value >= 0 && c.event.value <= 255;
        case Kind::kMouseDown:
        case Kind::kMouseUp:
          return c.event.value >= 1 && c.event.value <= 3;
        case Kind::kMouseMove:
          return c.event.value >= -1'000'000 && c.event.value <= 1'000'000 &&
                 c.event.value2 >= -1'000'000 && c.event.value2 <= 1'000'000;
        case Kind::kMouseWheel:
          return c.event.value >= -1'000'000 && c.event.value <= 1'000'000;
        default:
          return false;  // window events are not offered live
      }
    case LiveCommand::Kind::kStep:
      return c.stepMs >= 1 && c.stepMs <= kLiveMaxStepMs;
    case LiveCommand::Kind::kStop:
      return true;
    case LiveCommand::Kind::kRefused:
    case LiveCommand::Kind::kBroken:
      return !c.error.empty() && c.error.find('\n') == std::string::npos;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = 1 + data[0] % 16;
  std::span<const uint8_t> rest(data + 1, size - 1);
  LiveDecoder decoder;
  LiveCommand command;
  size_t commands = 0;
  while (!rest.empty()) {
    std::span<const uint8_t> part = rest.first(std::min(piece, rest.size()));
    rest = rest.subspan(part.size());
    decoder.Push(part);
    while (decoder.Next(command)) {
      if (!KeepsItsPromises(command)) __builtin_trap();
      if (command.kind == LiveCommand::Kind::kBroken) return 0;
      // Every command takes at least a header: no command comes from nothing.
      if (++commands > size / kLiveHeaderBytes) __builtin_trap();
    }
  }
  if (decoder.Buffered() > size) __builtin_trap();
  return 0;
}
