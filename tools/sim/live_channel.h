// tools/sim/live_channel.h - quelmire-sim's live mode: a client drives the run step by
// step in virtual time through the frames of tools/sim/live_protocol.h (the whole
// exchange: tools/sim/LIVE.md).
//
// The channel is told every step of virtual time with the mix the step rendered. Each
// time the run reaches the client's target it answers the span since the last target
// (the spoken texts, then the audio) and reads commands until the next step: their
// input events take the target's time. Nothing runs while it reads, so a live run is
// the run its recorded script gives: an event at time T is seen by the game's first
// read of input at T or later, whether it came live or from a script.
// Threads: whichever game thread holds the headless scheduler's baton (one at a time),
// and the main thread before the host is installed.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "host/headless/input_script.h"
#include "tools/sim/live_protocol.h"

class HeadlessHost;
class Pcm16WavWriter;

// The most input events that may wait to be played, the script's and the client's
// together: input past it breaks the stream.
inline constexpr size_t kMaxPendingInput = kMaxScriptEvents;

class LiveChannel {
 public:
  // Reads commands from `inFd` and writes frames to `outFd`; `rate` in frames per second.
  LiveChannel(HeadlessHost& host, int32_t rate, int inFd, int outFd);

  // The mix sent is also appended to `wav` (may be null).
  void SetWav(Pcm16WavWriter* wav) { wav_ = wav; }
  // Keeps the input received for RecordedScript (off by default: a long run's input
  // would otherwise be held to its end for nothing).
  void KeepReceived(bool keep) { keepReceived_ = keep; }

  // Sends the hello and reads the commands of virtual time 0, up to the first step.
  // False when the client stopped first (see StopCause).
  bool Begin();

  // Takes the mix rendered for the step [fromMs, ...): interleaved floats.
  void Take(uint64_t fromMs, const std::vector<float>& samples);
  // Answers every target at or before `boundMs` and reads the commands that follow
  // each. False when the client stopped at a target (see StopMs and StopCause).
  bool Serve(uint64_t boundMs);

  uint64_t StopMs() const { return targetMs_; }
  // "stop" for a stop command or the end of the stream, "broken" for a stream that
  // could not be read or input past the limit, "lost" when the client stopped reading
  // the answers; empty while the client goes on.
  const std::string& StopCause() const { return stopCause_; }

  // Sends the texts spoken and the mix not yet sent, no further than the virtual time
  // `capMs` (none: all of it).
  void Flush(uint64_t capMs);
  // The input received as an input script that replays a run ended at `ms` by `cause`.
  std::string RecordedScript(uint64_t ms, const std::string& cause) const;
  // The end frame, after which nothing is sent.
  void End(uint64_t ms, int32_t status, const std::string& cause);

 private:
  struct Chunk {
    uint64_t fromFrame = 0;      // frame index in virtual time
    std::vector<uint8_t> bytes;  // 16-bit little-endian stereo, 4 bytes a frame
  };

  uint64_t FrameAt(uint64_t ms) const;
  void SendTexts(uint64_t ms);
  void SendAudio(uint64_t ms, uint64_t boundFrame);
  bool ReadUntilStep(uint64_t ms);
  // True, with the run stopped at `ms`, once the client cannot be written to.
  bool Lost(uint64_t ms);
  bool NextCommand(LiveCommand& command);
  void Send(uint8_t kind, const std::vector<uint8_t>& payload);
  void Refuse(const std::string& error);

  HeadlessHost& host_;
  const int32_t rate_;
  const int inFd_, outFd_;
  Pcm16WavWriter* wav_ = nullptr;
  LiveDecoder decoder_;
  std::deque<Chunk> pending_;  // rendered, not yet sent
  uint64_t targetMs_ = 0;      // the next target; after a stop, where it stopped
  size_t textsSent_ = 0;       // spoken texts that went out
  bool lost_ = false;          // the client cannot be written to: the run ends
  bool ended_ = false;
  std::string stopCause_;
  bool keepReceived_ = false;
  std::vector<ScriptEvent> received_;  // for the recorded script
};
