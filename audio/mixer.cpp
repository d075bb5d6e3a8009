#include "audio/mixer.h"

#include "audio/mix_kernels_avx2.h"

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
float Tap(const float* samples, int64_t frames, int64_t index, bool looping) {
  if (looping) return samples[((index % frames) + frames) % frames];
  return index >= 0 && index < frames ? samples[index] : 0.0f;
}

float EdgeSample(const float* samples, int64_t frames, uint64_t position, bool looping) {
  const auto whole = static_cast<int64_t>(position >> kFractionBits);
  const float t = static_cast<float>(static_cast<double>(position & (kOneFrame - 1)) * 0x1p-32);
  return Hermite(Tap(samples, frames, whole - 1, looping), Tap(samples, frames, whole, looping),
                 Tap(samples, frames, whole + 1, looping), Tap(samples, frames, whole + 2, looping),
                 t);
}

// One output frame whose taps reach past either end of the sound: the scalar path.
void MixEdgeFrame(const SoundPcm& pcm, const VoiceRender& render, float* accLeft, float* accRight) {
  const float left = EdgeSample(pcm.left.data(), pcm.frames, render.position, render.looping);
  const float right =
      pcm.channels == 2 ? EdgeSample(pcm.right.data(), pcm.frames, render.position, render.looping)
                        : left;
  accLeft[0] += left * render.gains.left;
  accRight[0] += right * render.gains.right;
}

// Asks the memory system for the source samples a voice will read in the next `frames`
// output frames. Issued one voice ahead, the fetch overlaps the mixing of the voice before:
// with hundreds of voices each block's reads would otherwise wait on memory, one voice at a
// time, since the processor's own prefetching cannot follow that many short streams.
void PrefetchVoice(const Voice& voice, uint64_t step, int32_t frames) {
  constexpr int64_t kLineFloats = 64 / sizeof(float);
  const SoundPcm& pcm = voice.pcm;
  const auto first = static_cast<int64_t>(voice.render.position >> kFractionBits) - 1;
  const auto span =
      static_cast<int64_t>((static_cast<uint64_t>(frames) * step) >> kFractionBits) + 4;
  const int64_t from = std::clamp<int64_t>(first, 0, pcm.frames - 1);
  const int64_t to = std::min(pcm.frames, from + span);
  for (int64_t at = from; at < to; at += kLineFloats) {
    __builtin_prefetch(pcm.left.data() + at);
    if (pcm.channels == 2) __builtin_prefetch(pcm.right.data() + at);
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

void TakeControl(Voice& voice, int32_t deviceRate) {
  const VoiceControl& control = voice.control;
  VoiceRender& render = voice.render;
  render.looping = control.looping;
  const bool restart = control.starts != render.starts;
  const bool changed = control.levelCb != render.levelCb || control.panCb != render.panCb;
  if (!restart && !changed) return;

  render.levelCb = control.levelCb;
  render.panCb = control.panCb;
  render.target = GainsFor(control.levelCb, control.panCb);
  if (restart) {
    // A sound starts at the level it was given before it was played: no ramp from zero.
    render.starts = control.starts;
    render.position = 0;
    render.ended = false;
    render.gains = render.target;
    render.rampFrames = 0;
    render.leftStep = render.rightStep = 0.0f;
    return;
  }
  render.rampFrames = GainRampFrames(deviceRate);
  const auto span = static_cast<float>(render.rampFrames);
  render.leftStep = (render.target.left - render.gains.left) / span;
  render.rightStep = (render.target.right - render.gains.right) / span;
}

void MixVoice(const SoundPcm& pcm, VoiceRender& render, uint64_t step, int32_t frames,
              float* accLeft, float* accRight) {
  const int64_t length = pcm.frames;
  const uint64_t end = static_cast<uint64_t>(length) << kFractionBits;
  const bool stereo = pcm.channels == 2;
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
    const GainRun gains = CurrentGains(render);
    const auto whole = static_cast<int64_t>(render.position >> kFractionBits);
    float* left = accLeft + done;
    float* right = accRight + done;

    if (step == kOneFrame && (render.position & (kOneFrame - 1)) == 0) {
      // Equal rates: positions stay whole, so samples are added as they are.
      run = static_cast<int32_t>(std::min<int64_t>(run, length - whole));
      if (stereo) {
        MixDirectStereo(pcm.left.data() + whole, pcm.right.data() + whole, run, gains, left, right);
      } else {
        MixDirectMono(pcm.left.data() + whole, run, gains, left, right);
      }
      render.position += static_cast<uint64_t>(run) * kOneFrame;
    } else if (whole >= 1 && whole + 2 < length) {
      // Every frame whose four taps lie inside the sound goes through the vector loop.
      const uint64_t limit = static_cast<uint64_t>(length - 2) << kFractionBits;
      const uint64_t inside = (limit - render.position + step - 1) / step;
      run = static_cast<int32_t>(std::min<uint64_t>(static_cast<uint64_t>(run), inside));
      if (step <= kPermuteMaxStep && HaveAvx2Kernels()) {
        MixHermiteAvx2(pcm.left.data(), stereo ? pcm.right.data() : nullptr, render.position, step,
                       run, gains, left, right);
      } else if (stereo) {
        MixHermiteStereo(pcm.left.data(), pcm.right.data(), render.position, step, run, gains, left,
                         right);
      } else {
        MixHermiteMono(pcm.left.data(), render.position, step, run, gains, left, right);
      }
      render.position += static_cast<uint64_t>(run) * step;
    } else {
      run = 1;
      MixEdgeFrame(pcm, render, left, right);
      render.position += step;
    }
    AdvanceGains(render, run);
    done += run;
  }
}

void Mixer::Render(const std::vector<std::shared_ptr<Voice>>& voices, float* out, int32_t frames,
                   int32_t deviceRate) {
  assert(frames >= 0 && deviceRate > 0 && "the device asked for a negative span or no rate");
  for (int32_t done = 0; done < frames; done += kMixBlockFrames) {
    const int32_t block = std::min(kMixBlockFrames, frames - done);
    std::fill_n(accLeft_, block, 0.0f);
    std::fill_n(accRight_, block, 0.0f);
    for (size_t v = 0; v < voices.size(); ++v) {
      Voice& voice = *voices[v];
      if (v + 1 < voices.size() && !voices[v + 1]->render.ended) {
        const Voice& next = *voices[v + 1];
        PrefetchVoice(next, ResampleStep(next.pcm.rate, deviceRate), block);
      }
      if (voice.render.ended) continue;
      MixVoice(voice.pcm, voice.render, ResampleStep(voice.pcm.rate, deviceRate), block, accLeft_,
               accRight_);
    }
    ClipInterleave(accLeft_, accRight_, block, out + 2 * static_cast<ptrdiff_t>(done));
  }
}
