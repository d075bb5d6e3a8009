// tools/sim/live_protocol.h - the frames of quelmire-sim's live mode (tools/sim/LIVE.md):
// what a client sends (input events, "run N ms", "stop") and what the simulator answers
// (hello, audio, spoken text, errors, the end). Pure: no I/O, no game.
//
// Every frame, both ways: an 8-byte header, then the payload.
//   bytes 0..1  'Q' 'L'
//   byte  2     the kind (one ASCII letter, below)
//   byte  3     0
//   bytes 4..7  payload length in bytes, unsigned 32-bit little-endian
// All numbers in payloads are little-endian.
// Threads: any; no shared state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/headless/input_script.h"

inline constexpr size_t kLiveHeaderBytes = 8;
// The longest payload a command may have; a longer one cannot be a command, and the
// stream is not read further.
inline constexpr uint32_t kLiveMaxCommandPayload = 1024;
// The longest span one step command may ask for: ms.
inline constexpr uint32_t kLiveMaxStepMs = 60'000;
inline constexpr uint32_t kLiveVersion = 1;

// Kinds of command frames, client to simulator.
enum LiveCommandKind : uint8_t {
  kLiveKey = 'k',          // code u8 (scan code 0..255), down u8 (1 down, 0 up)
  kLiveMouseMove = 'm',    // dx i32, dy i32: pixels, -10^6 .. 10^6 each
  kLiveMouseButton = 'b',  // button u8 (1 left, 2 right, 3 middle), down u8 (1 or 0)
  kLiveMouseWheel = 'w',   // steps i32, -10^6 .. 10^6
  kLiveStep = 's',         // ms u32, 1 .. kLiveMaxStepMs: run that span, answer its audio
  kLiveStop = 'q',         // no payload: end the run here
};

// Kinds of answer frames, simulator to client.
enum LiveAnswerKind : uint8_t {
  kLiveHello = 'H',  // version u32, rate u32 (frames per second), channels u32 (2)
  kLiveAudio = 'A',  // end ms u32, then the span's frames: i16 left, i16 right ...
  kLiveText = 'T',   // ms u32, then UTF-8: what speech says (the Coords answer ...)
  kLiveError = 'X',  // UTF-8, one line: a command that was refused
  kLiveEnd = 'E',    // ms u32, exit status i32, then the cause in ASCII
};

// One command read from the stream.
struct LiveCommand {
  enum class Kind {
    kInput,  // `event` (its time is left 0 for the caller to set)
    kStep,   // `stepMs`
    kStop,
    kRefused,  // `error`: the frame was whole but wrong; the stream goes on
    kBroken,   // `error`: the stream cannot be read further
  };
  Kind kind = Kind::kStop;
  ScriptEvent event;
  uint32_t stepMs = 0;
  std::string error;  // one line, no line break
};

// Reads commands from bytes as they arrive.
class LiveDecoder {
 public:
  // Adds bytes read from the stream.
  void Push(std::span<const uint8_t> bytes);
  // The next whole command; false when more bytes are needed. After a kBroken command
  // every call answers kBroken again.
  bool Next(LiveCommand& command);
  // Bytes held that make no whole frame yet.
  size_t Buffered() const { return buffer_.size() - start_; }

 private:
  std::vector<uint8_t> buffer_;
  size_t start_ = 0;  // first byte not yet read
  std::string broken_;
};

// One whole frame of `kind` with `payload`.
std::vector<uint8_t> LiveFrame(uint8_t kind, std::span<const uint8_t> payload);

// Little-endian writers for payloads.
void PutU32(std::vector<uint8_t>& out, uint32_t value);
void PutI32(std::vector<uint8_t>& out, int32_t value);
