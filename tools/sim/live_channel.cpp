#include "tools/sim/live_channel.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "host/headless/headless_host.h"
#include "host/headless/recorded_speech.h"
#include "host/headless/recorded_window.h"
#include "tools/sim/pcm16_wav.h"
#include "tools/sim/run_script.h"

LiveChannel::LiveChannel(HeadlessHost& host, int32_t rate, int inFd, int outFd)
    : host_(host), rate_(rate), inFd_(inFd), outFd_(outFd) {}

uint64_t LiveChannel::FrameAt(uint64_t ms) const {
  return ms * static_cast<uint64_t>(rate_) / 1000;
}

bool LiveChannel::Begin() {
  std::vector<uint8_t> hello;
  PutU32(hello, kLiveVersion);
  PutU32(hello, static_cast<uint32_t>(rate_));
  PutU32(hello, 2);
  Send(kLiveHello, hello);
  return !Lost(0) && ReadUntilStep(0);
}

bool LiveChannel::Lost(uint64_t ms) {
  if (!lost_) return false;
  stopCause_ = "lost";
  targetMs_ = ms;
  return true;
}

void LiveChannel::Take(uint64_t fromMs, const std::vector<float>& samples) {
  // A step renders nothing while the sound engine is closed, else all of its frames.
  if (samples.empty()) return;
  pending_.push_back({FrameAt(fromMs), Pcm16Bytes(samples.data(), samples.size())});
}

bool LiveChannel::Serve(uint64_t boundMs) {
  while (stopCause_.empty() && targetMs_ <= boundMs) {
    SendTexts(targetMs_);
    SendAudio(targetMs_, FrameAt(targetMs_));
    // A client that no longer reads the answers cannot hear the run: it ends here.
    if (Lost(targetMs_) || !ReadUntilStep(targetMs_)) return false;
  }
  return stopCause_.empty();
}

void LiveChannel::Flush(uint64_t capMs) {
  // The game ends while one of its threads runs, at the present time; a stop or the
  // time limit gives its own.
  uint64_t ms = capMs == UINT64_MAX ? host_.NowMs() : capMs;
  SendTexts(ms);
  SendAudio(ms, capMs == UINT64_MAX ? UINT64_MAX : FrameAt(capMs));
}

std::string LiveChannel::RecordedScript(uint64_t ms, const std::string& cause) const {
  bool stopped = cause != "outro" && cause != "death" && cause != "escape" && cause != "startup";
  return "# a live run of quelmire-sim, ended at " + std::to_string(ms) + " ms (" + cause +
         ").\n# Replay: the same --seed, --quick-start and --rate, with --script THIS" +
         (stopped ? " --ms " + std::to_string(ms) : std::string()) + "\n" + ScriptText(received_);
}

void LiveChannel::End(uint64_t ms, int32_t status, const std::string& cause) {
  if (ended_) return;
  ended_ = true;
  std::vector<uint8_t> payload;
  PutU32(payload, static_cast<uint32_t>(ms));
  PutI32(payload, status);
  payload.insert(payload.end(), cause.begin(), cause.end());
  Send(kLiveEnd, payload);
}

// Spoken text goes out at the end of the span it was spoken in, before its audio.
void LiveChannel::SendTexts(uint64_t ms) {
  if (!host_.Installed()) return;
  const std::vector<std::string>& said = host_.speech().Spoken();
  for (; textsSent_ < said.size(); ++textsSent_) {
    const std::string& spoken = said[textsSent_];
    std::vector<uint8_t> payload;
    PutU32(payload, static_cast<uint32_t>(ms));
    payload.insert(payload.end(), spoken.begin(), spoken.end());
    Send(kLiveText, payload);
  }
}

// The frames rendered before `boundFrame`, as one audio frame ending at `ms`.
void LiveChannel::SendAudio(uint64_t ms, uint64_t boundFrame) {
  constexpr uint64_t kFrameBytes = 4;
  std::vector<uint8_t> payload;
  PutU32(payload, static_cast<uint32_t>(ms));
  const size_t head = payload.size();
  while (!pending_.empty() && pending_.front().fromFrame < boundFrame) {
    Chunk& chunk = pending_.front();
    uint64_t frames = chunk.bytes.size() / kFrameBytes;
    uint64_t take = std::min(frames, boundFrame - chunk.fromFrame);
    auto end = chunk.bytes.begin() + static_cast<std::ptrdiff_t>(take * kFrameBytes);
    payload.insert(payload.end(), chunk.bytes.begin(), end);
    if (take == frames) {
      pending_.pop_front();
    } else {
      chunk.bytes.erase(chunk.bytes.begin(), end);
      chunk.fromFrame += take;
    }
  }
  if (wav_ != nullptr) wav_->AppendBytes(payload.data() + head, payload.size() - head);
  Send(kLiveAudio, payload);
}

// Reads commands until a step; input events take the time `ms`.
bool LiveChannel::ReadUntilStep(uint64_t ms) {
  std::vector<ScriptEvent> events;
  LiveCommand command;
  for (;;) {
    if (!NextCommand(command)) {
      stopCause_ = "stop";  // the stream ended: the client has left
      break;
    }
    if (command.kind == LiveCommand::Kind::kInput) {
      if (host_.PendingInput() + events.size() >= kMaxPendingInput) {
        Refuse("at most " + std::to_string(kMaxPendingInput) + " input events may wait for a step");
        stopCause_ = "broken";
        break;
      }
      command.event.timeMs = ms;
      events.push_back(command.event);
      continue;
    }
    if (command.kind == LiveCommand::Kind::kRefused) {
      Refuse(command.error);
      continue;
    }
    if (command.kind == LiveCommand::Kind::kBroken) {
      Refuse(command.error);
      stopCause_ = "broken";
    } else if (command.kind == LiveCommand::Kind::kStop) {
      stopCause_ = "stop";
    } else {
      targetMs_ = ms + command.stepMs;
    }
    break;
  }
  // Events before a stop are kept too: the recorded script holds all that came.
  host_.AppendInput(events);
  if (keepReceived_) received_.insert(received_.end(), events.begin(), events.end());
  if (!stopCause_.empty()) targetMs_ = ms;
  return stopCause_.empty();
}

bool LiveChannel::NextCommand(LiveCommand& command) {
  uint8_t buffer[4096];
  while (!decoder_.Next(command)) {
    ssize_t got = read(inFd_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (decoder_.Buffered() > 0) Refuse("the stream ended inside a frame");
      return false;
    }
    decoder_.Push(std::span<const uint8_t>(buffer, static_cast<size_t>(got)));
  }
  return true;
}

void LiveChannel::Send(uint8_t kind, const std::vector<uint8_t>& payload) {
  if (lost_) return;
  std::vector<uint8_t> frame = LiveFrame(kind, payload);
  for (size_t done = 0; done < frame.size();) {
    ssize_t put = write(outFd_, frame.data() + done, frame.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      lost_ = true;  // the client has gone; the run ends at this target
      return;
    }
    done += static_cast<size_t>(put);
  }
}

void LiveChannel::Refuse(const std::string& error) {
  std::fprintf(stderr, "quelmire-sim: live: %s\n", error.c_str());
  Send(kLiveError, std::vector<uint8_t>(error.begin(), error.end()));
}
