#include "host/audio/offline_audio_output.h"

#include <algorithm>
#include <cassert>

#include "host/audio/wav_writer.h"

namespace {
// Frames rendered per pull: the source sees the same block sizes whatever step is taken.
constexpr int64_t kPullFrames = 512;
}  // namespace

OfflineAudioOutput::OfflineAudioOutput(int32_t rate) : rate_(std::clamp(rate, 8000, 192000)) {}

OfflineAudioOutput::~OfflineAudioOutput() {
  FinishWav();
}

bool OfflineAudioOutput::Open(AudioSource& source) {
  std::scoped_lock lock(lock_);
  source_ = &source;
  return true;
}

void OfflineAudioOutput::Close() {
  std::scoped_lock lock(lock_);
  source_ = nullptr;
}

void OfflineAudioOutput::Advance(uint32_t ms) {
  std::scoped_lock lock(lock_);
  virtualMs_ += ms;
  const auto due = static_cast<int64_t>(virtualMs_ * static_cast<uint64_t>(rate_) / 1000);
  const int64_t frames = due - framesOwed_;
  framesOwed_ = due;
  if (source_ != nullptr) RenderLocked(frames);
}

void OfflineAudioOutput::RenderFrames(int64_t frames) {
  std::scoped_lock lock(lock_);
  if (source_ != nullptr && frames > 0) RenderLocked(frames);
}

void OfflineAudioOutput::RenderLocked(int64_t frames) {
  scratch_.resize(static_cast<size_t>(kPullFrames) * kOutputChannels);
  for (int64_t done = 0; done < frames; done += kPullFrames) {
    const auto block = static_cast<int32_t>(std::min(kPullFrames, frames - done));
    source_->Render(scratch_.data(), block, rate_);
    const size_t count = static_cast<size_t>(block) * kOutputChannels;
    if (keep_) samples_.insert(samples_.end(), scratch_.begin(), scratch_.begin() + count);
    if (stream_ != nullptr &&
        std::fwrite(scratch_.data(), sizeof(float), count, stream_) == count) {
      streamedFrames_ += block;
    }
    framesRendered_ += block;
  }
}

int64_t OfflineAudioOutput::framesRendered() const {
  std::scoped_lock lock(lock_);
  return framesRendered_;
}

void OfflineAudioOutput::KeepInMemory(bool keep) {
  std::scoped_lock lock(lock_);
  keep_ = keep;
}

void OfflineAudioOutput::ClearSamples() {
  std::scoped_lock lock(lock_);
  samples_.clear();
}

bool OfflineAudioOutput::WriteWav(const std::string& path) const {
  std::scoped_lock lock(lock_);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const int64_t frames = static_cast<int64_t>(samples_.size()) / kOutputChannels;
  bool written =
      WriteFloatWavHeader(file, kOutputChannels, rate_, frames) &&
      std::fwrite(samples_.data(), sizeof(float), samples_.size(), file) == samples_.size();
  written = std::fclose(file) == 0 && written;
  return written;
}

bool OfflineAudioOutput::StreamToWav(const std::string& path) {
  FinishWav();
  std::scoped_lock lock(lock_);
  stream_ = std::fopen(path.c_str(), "wb");
  if (stream_ == nullptr) return false;
  streamedFrames_ = 0;
  if (WriteFloatWavHeader(stream_, kOutputChannels, rate_, 0)) return true;
  std::fclose(stream_);
  stream_ = nullptr;
  return false;
}

bool OfflineAudioOutput::FinishWav() {
  std::scoped_lock lock(lock_);
  if (stream_ == nullptr) return true;
  bool finished = std::fseek(stream_, 0, SEEK_SET) == 0 &&
                  WriteFloatWavHeader(stream_, kOutputChannels, rate_, streamedFrames_);
  finished = std::fclose(stream_) == 0 && finished;
  stream_ = nullptr;
  return finished;
}
