#include "audio/mixer.h"

#include <algorithm>
#include <cassert>

namespace {

GainRun CurrentGains(const VoiceRender& render) {
  if (render.rampFrames == 0) return {render.gains.left, render.gains.right, 0.0f, 0.0f};
  return {render.gains.left, render.gains.right, render.leftStep, render.rightStep};
}

void AdvanceGains(VoiceRender& render, int32_t frames) {
  if (render.rampFrames == 0) return;
  render.rampFrames -= frames;
  if (render.rampFrames <= 0) {
    render.rampFrames = 0;
    render.gains = render.target;  // land exactly, whatever the float steps summed to
    render.leftStep = render.rightStep = 0.0f;
    return;
  }
  render.gains.left += render.leftStep * static_cast<float>(frames);
  render.gains.right += render.rightStep * static_cast<float>(frames);
}

// One source sample for a tap that may lie outside the sound: a looped voice wraps around,
// a once-played one reads silence before its start and after its end.
template <typename Sample>
float Tap(const Sample* samples, int64_t frames, int64_t index, bool looping) {
  if (looping) return static_cast<float>(samples[((index % frames) + frames) % frames]);
  return index >= 0 && index < frames ? static_cast<float>(samples[index]) : 0.0f;
}

template <typename Sample>
float EdgeSample(const Sample* samples, int64_t frames, uint64_t position, bool looping) {
  const auto whole = static_cast<int64_t>(position >> kFractionBits);
  const float t = static_cast<float>(static_cast<double>(position & (kOneFrame - 1)) * 0x1p-32);
  return Hermite(Tap(samples, frames, whole - 1, looping), Tap(samples, frames, whole, looping),
                 Tap(samples, frames, whole + 1, looping), Tap(samples, frames, whole + 2, looping),
                 t);
}

// The channels of a sound as arrays of one sample type; `right` null for mono.
template <typename Sample>
struct Channels {
  const Sample* left;
  const Sample* right;
};

Channels<float> FloatChannels(const SoundPcm& pcm) {
  return {pcm.left.data(), pcm.channels == 2 ? pcm.right.data() : nullptr};
}

Channels<int16_t> NarrowChannels(const SoundPcm& pcm) {
  return {pcm.left16.data(), pcm.channels == 2 ? pcm.right16.data() : nullptr};
}

// One output frame whose taps reach past either end of the sound: the scalar path.
template <typename Sample>
void MixEdgeFrame(Channels<Sample> source, int64_t frames, const VoiceRender& render, GainRun gains,
                  float* accLeft, float* accRight) {
  const float left = EdgeSample(source.left, frames, render.position, render.looping);
  const float right = source.right != nullptr
                          ? EdgeSample(source.right, frames, render.position, render.looping)
                          : left;
  accLeft[0] += left * gains.left;
  accRight[0] += right * gains.right;
}

template <typename Sample>
void MixVoiceFrom(Channels<Sample> source, int64_t length, float scale, VoiceRender& render,
                  uint64_t step, int32_t frames, float* accLeft, float* accRight) {
  const uint64_t end = static_cast<uint64_t>(length) << kFractionBits;
  int32_t done = 0;
  while (true) {
    if (render.position >= end) {
      if (!render.looping) {
        render.ended = true;  // known at once, so the same pull reports the end
        return;
      }
      render.position %= end;  // sample-exact: the fraction carries over the wrap
    }
    if (done == frames) return;
    int32_t run = frames - done;
    if (render.rampFrames > 0) run = std::min(run, render.rampFrames);
    GainRun gains = CurrentGains(render);
    gains.left *= scale;
    gains.right *= scale;
    gains.leftStep *= scale;
    gains.rightStep *= scale;
    const auto whole = static_cast<int64_t>(render.position >> kFractionBits);
    float* left = accLeft + done;
    float* right = accRight + done;

    if (step == kOneFrame && (render.position & (kOneFrame - 1)) == 0) {
      // Equal rates: positions stay whole, so samples are added as they are.
      run = static_cast<int32_t>(std::min<int64_t>(run, length - whole));
      MixDirect(source.left + whole, source.right != nullptr ? source.right + whole : nullptr, run,
                gains, left, right);
      render.position += static_cast<uint64_t>(run) * kOneFrame;
    } else if (whole >= 1 && whole + 2 < length) {
      // Every frame whose four taps lie inside the sound goes through the vector loop.
      const uint64_t limit = static_cast<uint64_t>(length - 2) << kFractionBits;
      const uint64_t inside = (limit - render.position + step - 1) / step;
      run = static_cast<int32_t>(std::min<uint64_t>(static_cast<uint64_t>(run), inside));
      MixHermite(source.left, source.right, render.position, step, run, gains, left, right);
      render.position += static_cast<uint64_t>(run) * step;
    } else {
      run = 1;
      MixEdgeFrame(source, length, render, gains, left, right);
      render.position += step;
    }
    AdvanceGains(render, run);
    done += run;
  }
}

// Asks the memory system for the source samples a voice will read in the next `frames`
// output frames. Issued one voice ahead, the fetch overlaps the mixing of the voice before:
// with hundreds of voices each block's reads would otherwise wait on memory, one voice at a
// time, since the processor's own prefetching cannot follow that many short streams.
template <typename Sample>
void PrefetchFrom(Channels<Sample> source, int64_t length, uint64_t position, uint64_t step,
                  int32_t frames) {
  constexpr int64_t kLine = 64 / sizeof(Sample);
  const auto first = static_cast<int64_t>(position >> kFractionBits) - 1;
  const auto span =
      static_cast<int64_t>((static_cast<uint64_t>(frames) * step) >> kFractionBits) + 4;
  const int64_t from = std::clamp<int64_t>(first, 0, length - 1);
  const int64_t to = std::min(length, from + span);
  for (int64_t at = from; at < to; at += kLine) {
    __builtin_prefetch(source.left + at);
    if (source.right != nullptr) __builtin_prefetch(source.right + at);
  }
}

constexpr int32_t kPrefetchAhead = 1;

void PrefetchStream(const MixStream& stream, int32_t frames) {
  const SoundPcm& pcm = *stream.pcm;
  const VoiceRender& render = *stream.render;
  if (pcm.narrow) {
    PrefetchFrom(NarrowChannels(pcm), pcm.frames, render.position, render.step, frames);
  } else {
    PrefetchFrom(FloatChannels(pcm), pcm.frames, render.position, render.step, frames);
  }
}

// Starts a ramp from the current gains to `target` over one gain ramp.
void RampTo(VoiceRender& render, ChannelGains target, int32_t deviceRate) {
  render.target = target;
  render.rampFrames = GainRampFrames(deviceRate);
  const auto span = static_cast<float>(render.rampFrames);
  render.leftStep = (target.left - render.gains.left) / span;
  render.rightStep = (target.right - render.gains.right) / span;
}

}  // namespace

int32_t GainRampFrames(int32_t deviceRate) {
  return std::max(1, static_cast<int32_t>(int64_t{deviceRate} * kGainRampMs / 1000));
}

uint64_t ResampleStep(int32_t sourceRate, int32_t deviceRate) {
  const auto rate = static_cast<uint64_t>(deviceRate);
  return ((static_cast<uint64_t>(sourceRate) << kFractionBits) + rate / 2) / rate;
}

void TakeControl(VoiceRender& render, const VoiceControl& control, int32_t deviceRate) {
  const bool restart = control.starts != render.starts;
  const bool changed = control.levelCb != render.levelCb || control.panCb != render.panCb;
  if (!restart && !changed) return;

  render.levelCb = control.levelCb;
  render.panCb = control.panCb;
  render.target = GainsFor(control.levelCb, control.panCb);
  if (restart) {
    // A sound starts at the level it was given before it was played: no ramp from zero.
    render.starts = control.starts;
    render.looping = control.looping;
    render.position = 0;
    render.ended = false;
    render.gains = render.target;
    render.rampFrames = 0;
    render.leftStep = render.rightStep = 0.0f;
    return;
  }
  RampTo(render, render.target, deviceRate);
}

void StartFadeOut(VoiceRender& render, int32_t deviceRate) {
  RampTo(render, ChannelGains{0.0f, 0.0f}, deviceRate);
}

bool Silent(const VoiceRender& render) {
  return render.ended ||
         (render.rampFrames == 0 && render.gains.left == 0.0f && render.gains.right == 0.0f);
}

void MixVoice(const SoundPcm& pcm, VoiceRender& render, uint64_t step, int32_t frames,
              float* accLeft, float* accRight) {
  if (pcm.narrow) {
    MixVoiceFrom(NarrowChannels(pcm), pcm.frames, kNarrowScale, render, step, frames, accLeft,
                 accRight);
  } else {
    MixVoiceFrom(FloatChannels(pcm), pcm.frames, 1.0f, render, step, frames, accLeft, accRight);
  }
}

void Mixer::Render(const MixStream* streams, int32_t count, float* out, int32_t frames,
                   int32_t deviceRate) {
  assert(frames >= 0 && deviceRate > 0 && "the device asked for a negative span or no rate");
  for (int32_t s = 0; s < count; ++s) {
    VoiceRender& render = *streams[s].render;
    if (render.stepRate != deviceRate) {
      render.stepRate = deviceRate;
      render.step = ResampleStep(streams[s].pcm->rate, deviceRate);
    }
  }
  for (int32_t done = 0; done < frames; done += kMixBlockFrames) {
    const int32_t block = std::min(kMixBlockFrames, frames - done);
    std::fill_n(accLeft_, block, 0.0f);
    std::fill_n(accRight_, block, 0.0f);
    for (int32_t s = 0; s < count; ++s) {
      const int32_t ahead = s + kPrefetchAhead;
      if (ahead < count && !streams[ahead].render->ended) PrefetchStream(streams[ahead], block);
      VoiceRender& render = *streams[s].render;
      if (render.ended) continue;
      MixVoice(*streams[s].pcm, render, render.step, block, accLeft_, accRight_);
    }
    limiter_.Process(accLeft_, accRight_, block, deviceRate);
    ClipInterleave(accLeft_, accRight_, block, out + 2 * static_cast<ptrdiff_t>(done));
  }
}
