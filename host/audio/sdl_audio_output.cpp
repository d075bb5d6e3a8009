#include "host/audio/sdl_audio_output.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// The watchdog keeps its own time, from the steady clock: it may still run while the process
// ends, when statics (the runtime's clock among them) are being destroyed under it.
uint32_t SteadyMs() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace

SdlAudioOutput::~SdlAudioOutput() {
  Close();
}

bool SdlAudioOutput::Open(AudioSource& source) {
  Close();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  source_ = &source;
  if (!OpenDevice()) {
    source_ = nullptr;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  stopping_.store(false, std::memory_order_relaxed);
  silent_.store(false, std::memory_order_relaxed);
  reopens_.store(0, std::memory_order_relaxed);
  // The watchdog pulls the mixer itself while no device can be had: its buffer is made
  // here, so that no pull ever allocates.
  scratch_.assign(static_cast<size_t>(kBufferFrames) * kOutputChannels, 0.0f);
  watchdog_ = std::thread([this] { Watch(); });
  return true;
}

void SdlAudioOutput::Close() {
  if (source_ == nullptr) return;
  stopping_.store(true, std::memory_order_relaxed);
  if (watchdog_.joinable()) watchdog_.join();
  if (device_ != 0) SDL_CloseAudioDevice(device_);  // waits for a callback in progress
  device_ = 0;
  source_ = nullptr;
  rate_.store(0, std::memory_order_relaxed);
  bufferFrames_.store(0, std::memory_order_relaxed);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlAudioOutput::OpenDevice() {
  SDL_AudioSpec wanted{};
  wanted.freq = kWantedRate;
  wanted.format = AUDIO_F32SYS;
  wanted.channels = kOutputChannels;
  wanted.samples = kBufferFrames;
  wanted.callback = &SdlAudioOutput::Callback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  // Only the rate may differ from what was asked; SDL converts format and channels, and
  // keeps the buffer at 512 frames.
  const SDL_AudioDeviceID device =
      SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
  if (device == 0) return false;
  rate_.store(std::clamp(obtained.freq, 8000, 192000), std::memory_order_relaxed);
  bufferFrames_.store(obtained.samples, std::memory_order_relaxed);
  device_ = device;
  SDL_PauseAudioDevice(device, 0);
  return true;
}

void SdlAudioOutput::Callback(void* self, uint8_t* stream, int bytes) {
  auto* output = static_cast<SdlAudioOutput*>(self);
  const int32_t frames = bytes / static_cast<int>(sizeof(float) * kOutputChannels);
  output->source_->Render(reinterpret_cast<float*>(stream), frames, output->deviceRate());
}

void SdlAudioOutput::Watch() {
  uint32_t lastSilentMs = 0;
  uint32_t lastTryMs = 0;
  while (!stopping_.load(std::memory_order_relaxed)) {
    if (device_ != 0 && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
      // Lost: SDL has disabled the device. Close it and take the default one again.
      SDL_CloseAudioDevice(device_);
      device_ = 0;
      rate_.store(kWantedRate, std::memory_order_relaxed);
      lastSilentMs = lastTryMs = SteadyMs();
      if (OpenDevice()) {
        reopens_.fetch_add(1, std::memory_order_relaxed);
      } else {
        silent_.store(true, std::memory_order_relaxed);
      }
    } else if (device_ == 0) {
      const uint32_t now = SteadyMs();
      RenderSilently(now - lastSilentMs);
      lastSilentMs = now;
      if (now - lastTryMs >= kRetryMs) {
        lastTryMs = now;
        if (OpenDevice()) {
          reopens_.fetch_add(1, std::memory_order_relaxed);
          silent_.store(false, std::memory_order_relaxed);
        }
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kWatchMs));
  }
  // SDL keeps error messages in thread-local storage that only its own threads free.
  SDL_TLSCleanup();
}

void SdlAudioOutput::RenderSilently(uint32_t ms) {
  const int32_t rate = kWantedRate;
  int64_t frames = int64_t{ms} * rate / 1000;
  while (frames > 0) {
    const auto block = static_cast<int32_t>(std::min<int64_t>(frames, kBufferFrames));
    source_->Render(scratch_.data(), block, rate);
    frames -= block;
  }
}
