#include "audio/mixer.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "audio/ring_renderer.h"

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
    render.fading = RingPair{};
    for (int ear = 0; ear < 2; ++ear) {
      render.earDelay[ear] = render.earDelayTarget[ear];
      render.earDelayStep[ear] = 0.0f;
    }
    return;
  }
  render.gains.left += render.leftStep * static_cast<float>(frames);
  render.gains.right += render.rightStep * static_cast<float>(frames);
  if (render.fading.first >= 0) {
    render.fading.gains.left += render.fading.firstStep * static_cast<float>(frames);
    render.fading.gains.right += render.fading.nextStep * static_cast<float>(frames);
  }
  for (int ear = 0; ear < 2; ++ear) {
    render.earDelay[ear] += render.earDelayStep[ear] * static_cast<float>(frames);
  }
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

GainRun Scaled(GainRun gains, float scale) {
  gains.left *= scale;
  gains.right *= scale;
  gains.leftStep *= scale;
  gains.rightStep *= scale;
  return gains;
}

// Where a stereo voice's frames go: the two channels, at the gains of the pan law.
struct StereoOut {
  static constexpr bool kCopies = true;  // equal rates add the samples as they are
  static int64_t LagFrames(const VoiceRender&) { return 0; }
  float* accLeft;
  float* accRight;
  float scale;

  template <typename Sample>
  void Direct(Channels<Sample> source, int64_t whole, int32_t run, const VoiceRender& render,
              int32_t at) const {
    MixDirect(source.left + whole, source.right != nullptr ? source.right + whole : nullptr, run,
              Scaled(CurrentGains(render), scale), accLeft + at, accRight + at);
  }
  template <typename Sample>
  void Resampled(Channels<Sample> source, uint64_t step, int32_t run, const VoiceRender& render,
                 int32_t at) const {
    MixHermite(source.left, source.right, render.position, step, run,
               Scaled(CurrentGains(render), scale), accLeft + at, accRight + at);
  }
  // One output frame whose taps reach past either end of the sound: the scalar path.
  template <typename Sample>
  void Edge(Channels<Sample> source, int64_t frames, const VoiceRender& render, int32_t at) const {
    const GainRun gains = Scaled(CurrentGains(render), scale);
    const float left = EdgeSample(source.left, frames, render.position, render.looping);
    const float right = source.right != nullptr
                            ? EdgeSample(source.right, frames, render.position, render.looping)
                            : left;
    accLeft[at] += left * gains.left;
    accRight[at] += right * gains.right;
  }
};

// One source sample at a signed 32.32 position, which may lie before the sound's start.
template <typename Sample>
float EarSample(const Sample* samples, int64_t frames, int64_t position, bool looping) {
  const int64_t whole = position >> kFractionBits;
  const float t = static_cast<float>(
      static_cast<double>(static_cast<uint64_t>(position) & (kOneFrame - 1)) * 0x1p-32);
  return Hermite(Tap(samples, frames, whole - 1, looping), Tap(samples, frames, whole, looping),
                 Tap(samples, frames, whole + 1, looping), Tap(samples, frames, whole + 2, looping),
                 t);
}

// Where a voice heard through the ring goes: its sound, both channels taken together, into
// the buses of two neighbouring directions, and during a change of direction also into the
// two it leaves. Each ear has its own buses and reads the sound at its own delay behind the
// voice's position: the filters are time-aligned, so the delay between the ears is the voice's.
struct RingOut {
  static constexpr bool kCopies = false;  // an ear's delay is a fraction of a frame
  RingRenderer* ring;
  float scale;

  // Whole source frames the later ear reads behind the position, over the whole ramp, plus
  // one for the interpolation's tap before.
  static int64_t LagFrames(const VoiceRender& render) {
    float most = 0.0f;
    for (int ear = 0; ear < 2; ++ear) {
      most = std::max({most, render.earDelay[ear], render.earDelayTarget[ear]});
    }
    return static_cast<int64_t>(
               std::ceil(static_cast<double>(most) * static_cast<double>(render.step) * 0x1p-32)) +
           1;
  }
  static int64_t EarLag(const VoiceRender& render, int ear) {
    return std::llround(static_cast<double>(render.earDelay[ear]) *
                        static_cast<double>(render.step));
  }
  // The ear's read position and step: a delay changing over a ramp reads at its own speed.
  static int64_t EarPosition(const VoiceRender& render, int ear) {
    return static_cast<int64_t>(render.position) - EarLag(render, ear);
  }
  static uint64_t EarStep(const VoiceRender& render, uint64_t step, int ear) {
    return static_cast<uint64_t>(std::llround(
        static_cast<double>(step) * (1.0 - static_cast<double>(render.earDelayStep[ear]))));
  }

  // The pairs to add into: the voice's own, and the one it is fading from.
  template <typename Add>
  void EachPair(const VoiceRender& render, Add add) const {
    add(render.ring, CurrentGains(render));
    const RingPair& fading = render.fading;
    if (fading.first >= 0) {
      add(fading.first,
          GainRun{fading.gains.left, fading.gains.right, fading.firstStep, fading.nextStep});
    }
  }
  float* Bus(int ear, int32_t direction) const {
    return ring->Bus(ear, direction % kRingDirections);
  }

  template <typename Sample>
  void Direct(Channels<Sample>, int64_t, int32_t, const VoiceRender&, int32_t) const {}

  template <typename Sample>
  void Resampled(Channels<Sample> source, uint64_t step, int32_t run, const VoiceRender& render,
                 int32_t at) const {
    const float half = source.right != nullptr ? 0.5f : 1.0f;
    for (int ear = 0; ear < 2; ++ear) {
      const auto position = static_cast<uint64_t>(EarPosition(render, ear));
      const uint64_t earStep = EarStep(render, step, ear);
      EachPair(render, [&](int32_t first, GainRun gains) {
        gains = Scaled(gains, scale * half);
        for (const Sample* channel : {source.left, source.right}) {
          if (channel == nullptr) continue;
          MixHermite(channel, static_cast<const Sample*>(nullptr), position, earStep, run, gains,
                     Bus(ear, first) + at, Bus(ear, first + 1) + at);
        }
      });
    }
  }
  template <typename Sample>
  void Edge(Channels<Sample> source, int64_t frames, const VoiceRender& render, int32_t at) const {
    for (int ear = 0; ear < 2; ++ear) {
      const int64_t position = EarPosition(render, ear);
      float sample = EarSample(source.left, frames, position, render.looping);
      if (source.right != nullptr) {
        sample = 0.5f * (sample + EarSample(source.right, frames, position, render.looping));
      }
      EachPair(render, [&](int32_t first, GainRun gains) {
        gains = Scaled(gains, scale);
        Bus(ear, first)[at] += sample * gains.left;
        Bus(ear, first + 1)[at] += sample * gains.right;
      });
    }
  }
};

template <typename Sample, typename Out>
void MixVoiceFrom(Channels<Sample> source, int64_t length, const Out& out, VoiceRender& render,
                  uint64_t step, int32_t frames) {
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
    const auto whole = static_cast<int64_t>(render.position >> kFractionBits);

    if (Out::kCopies && step == kOneFrame && (render.position & (kOneFrame - 1)) == 0) {
      // Equal rates: positions stay whole, so samples are added as they are.
      run = static_cast<int32_t>(std::min<int64_t>(run, length - whole));
      out.Direct(source, whole, run, render, done);
      render.position += static_cast<uint64_t>(run) * kOneFrame;
    } else if (whole >= 1 + Out::LagFrames(render) && whole + 2 < length) {
      // Every frame whose four taps lie inside the sound goes through the vector loop.
      const uint64_t limit = static_cast<uint64_t>(length - 2) << kFractionBits;
      const uint64_t inside = (limit - render.position + step - 1) / step;
      run = static_cast<int32_t>(std::min<uint64_t>(static_cast<uint64_t>(run), inside));
      out.Resampled(source, step, run, render, done);
      render.position += static_cast<uint64_t>(run) * step;
    } else {
      run = 1;
      out.Edge(source, length, render, done);
      render.position += step;
    }
    AdvanceGains(render, run);
    done += run;
  }
}

// Asks the memory system for the source samples a voice will read in the next `frames`
// output frames. Issued a few voices ahead, the fetch overlaps the mixing of the voices
// before: with hundreds of voices each block's reads would otherwise wait on memory, one
// voice at a time, since the processor's own prefetching cannot follow that many short
// streams. Three voices ahead measured a quarter faster than one at 1024 voices.
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
    PrefetchLine(source.left + at);
    if (source.right != nullptr) PrefetchLine(source.right + at);
  }
}

constexpr int32_t kPrefetchAhead = 3;

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
  // A pair still fading goes on to silence, over the new ramp.
  RingPair& fading = render.fading;
  if (fading.first >= 0) {
    fading.firstStep = -fading.gains.left / span;
    fading.nextStep = -fading.gains.right / span;
  }
}

// The ring direction below `directionCd` and the gains of it and the next: the voice's level
// shared between the two as the direction lies between them.
RingPair RingTarget(int32_t levelCb, int32_t directionCd) {
  const float amplitude = LevelAmplitude(levelCb);
  const float place = static_cast<float>(directionCd) / (100.0f * kRingSpacingDegrees);
  const auto first = std::min(static_cast<int32_t>(place), kRingDirections - 1);
  const float toNext = place - static_cast<float>(first);
  return RingPair{first, ChannelGains{amplitude * (1.0f - toNext), amplitude * toNext}};
}

// Takes a changed level or direction of a voice heard through the ring. A direction past the
// next ring direction leaves its old pair fading out while the new pair fades in.
void RingControl(VoiceRender& render, int32_t levelCb, bool restart, int32_t deviceRate) {
  const RingPair pair = RingTarget(levelCb, render.directionCd);
  if (restart || render.ring < 0) {
    render.ring = pair.first;
    render.gains = render.target = pair.gains;
    render.rampFrames = 0;
    render.leftStep = render.rightStep = 0.0f;
    render.fading = RingPair{};
    return;
  }
  if (pair.first != render.ring) {
    render.fading = RingPair{render.ring, render.gains};
    render.ring = pair.first;
    render.gains = ChannelGains{0.0f, 0.0f};
  }
  RampTo(render, pair.gains, deviceRate);
}

// Between the pan and the ring (headphones switched): the new way rises from silence over
// one gain ramp, while the old wave fades out as a tail (EngineMixer).
void SwitchWay(VoiceRender& render, const VoiceControl& control, int32_t deviceRate) {
  render.gains = ChannelGains{0.0f, 0.0f};
  render.fading = RingPair{};
  if (render.directionCd != kNoDirection) {
    const RingPair pair = RingTarget(control.levelCb, render.directionCd);
    render.ring = pair.first;
    RampTo(render, pair.gains, deviceRate);
  } else {
    render.ring = -1;
    RampTo(render, GainsFor(control.levelCb, control.panCb), deviceRate);
  }
}

}  // namespace

int32_t GainRampFrames(int32_t deviceRate) {
  return std::max(1, static_cast<int32_t>(int64_t{deviceRate} * kGainRampMs / 1000));
}

uint64_t ResampleStep(int32_t sourceRate, int32_t deviceRate) {
  const auto rate = static_cast<uint64_t>(deviceRate);
  return ((static_cast<uint64_t>(sourceRate) << kFractionBits) + rate / 2) / rate;
}

void TakeControl(VoiceRender& render, const VoiceControl& control, int32_t deviceRate,
                 int32_t directionCd) {
  const bool restart = control.starts != render.starts;
  const bool changed = control.levelCb != render.levelCb || control.panCb != render.panCb ||
                       directionCd != render.directionCd;
  if (!restart && !changed) return;
  const bool switching = !restart && (directionCd != kNoDirection) != (render.ring >= 0);

  render.levelCb = control.levelCb;
  render.panCb = control.panCb;
  render.directionCd = directionCd;
  if (restart) {
    render.starts = control.starts;
    render.looping = control.looping;
    render.position = 0;
    render.ended = false;
  }
  if (switching) {
    SwitchWay(render, control, deviceRate);
    return;
  }
  if (directionCd != kNoDirection) {
    RingControl(render, control.levelCb, restart, deviceRate);
    return;
  }
  render.target = GainsFor(control.levelCb, control.panCb);
  if (restart || render.ring >= 0) {
    // A sound starts at the level it was given before it was played: no ramp from zero.
    render.ring = -1;
    render.fading = RingPair{};
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
  return render.ended || (render.rampFrames == 0 && render.gains.left == 0.0f &&
                          render.gains.right == 0.0f && render.fading.first < 0);
}

void MixVoice(const SoundPcm& pcm, VoiceRender& render, uint64_t step, int32_t frames,
              float* accLeft, float* accRight) {
  if (pcm.narrow) {
    MixVoiceFrom(NarrowChannels(pcm), pcm.frames, StereoOut{accLeft, accRight, kNarrowScale},
                 render, step, frames);
  } else {
    MixVoiceFrom(FloatChannels(pcm), pcm.frames, StereoOut{accLeft, accRight, 1.0f}, render, step,
                 frames);
  }
}

void MixVoiceIntoRing(const SoundPcm& pcm, VoiceRender& render, uint64_t step, int32_t frames,
                      RingRenderer& ring) {
  if (render.delayDirectionCd != render.directionCd || render.delayRing != ring.serial()) {
    // A new direction's delays: at once for a voice that starts, over its ramp for a turn
    // (and for a new set, whose delays may differ).
    render.delayDirectionCd = render.directionCd;
    render.delayRing = ring.serial();
    ring.EarDelays(render.directionCd, render.earDelayTarget);
    for (int ear = 0; ear < 2; ++ear) {
      const float change = render.earDelayTarget[ear] - render.earDelay[ear];
      if (render.rampFrames > 0) {
        render.earDelayStep[ear] = change / static_cast<float>(render.rampFrames);
      } else {
        render.earDelay[ear] = render.earDelayTarget[ear];
        render.earDelayStep[ear] = 0.0f;
      }
    }
  }
  if (pcm.narrow) {
    MixVoiceFrom(NarrowChannels(pcm), pcm.frames, RingOut{&ring, kNarrowScale}, render, step,
                 frames);
  } else {
    MixVoiceFrom(FloatChannels(pcm), pcm.frames, RingOut{&ring, 1.0f}, render, step, frames);
  }
}

int32_t Mixer::Render(const MixStream* streams, int32_t count, float* out, int32_t frames,
                      int32_t deviceRate, RingRenderer* ring) {
  int32_t silenced = 0;
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
      if (render.ring < 0) {
        MixVoice(*streams[s].pcm, render, render.step, block, accLeft_, accRight_);
      } else if (ring != nullptr) {
        MixVoiceIntoRing(*streams[s].pcm, render, render.step, block, *ring);
      } else {
        render.ended = true;  // a fading tail whose ring went with a change of device rate
      }
    }
    if (ring != nullptr) ring->Mix(block, accLeft_, accRight_);
    if (!AllFinite(accLeft_, accRight_, block)) {
      std::fill_n(accLeft_, block, 0.0f);
      std::fill_n(accRight_, block, 0.0f);
      if (ring != nullptr) ring->Reset();
      limiter_ = PeakLimiter{};
      ++silenced;
    }
    limiter_.Process(accLeft_, accRight_, block, deviceRate);
    ClipInterleave(accLeft_, accRight_, block, out + 2 * static_cast<ptrdiff_t>(done));
  }
  return silenced;
}
