#include "audio/engine_mixer.h"

#include <cassert>

void EngineMixer::Reserve(int32_t capacity) {
  capacity_ = capacity;
  toMixer_.Reserve(static_cast<uint32_t>(capacity));
  fromMixer_.Reserve(static_cast<uint32_t>(capacity));
  held_ = std::make_unique<Voice*[]>(static_cast<size_t>(capacity));
  words_ = std::make_unique<uint64_t[]>(static_cast<size_t>(capacity));
  audible_ = std::make_unique<bool[]>(static_cast<size_t>(capacity));
  tails_ = std::make_unique<Tail[]>(static_cast<size_t>(capacity));
  streams_ = std::make_unique<MixStream[]>(2 * static_cast<size_t>(capacity));
  heldCount_ = tailCount_ = 0;
}

void EngineMixer::Render(float* out, int32_t frames, int32_t rate) {
  RingRenderer* ring = ring_.load(std::memory_order_acquire);
  if (ring != nullptr && ring->rate() != rate) ring = nullptr;
  const bool ringHeard = ring != nullptr && ringHeard_.load(std::memory_order_relaxed);
  TakeLentVoices();
  for (int32_t i = 0; i < heldCount_; ++i) {
    words_[i] = held_[i]->control.load(std::memory_order_acquire);
    ApplyControl(*held_[i], words_[i], rate, ringHeard);
  }
  if (const int32_t silenced =
          mixer_.Render(streams_.get(), GatherStreams(), out, frames, rate, ring)) {
    silenced_.fetch_add(silenced, std::memory_order_relaxed);
  }
  master_.Apply(out, frames, rate);
  ReportEnds();
  DropSilentTails();
  LetGoOfFinishedVoices();
}

void EngineMixer::Recall() {
  while (Voice* voice = toMixer_.Pop()) fromMixer_.Push(voice);
  for (int32_t i = 0; i < heldCount_; ++i) {
    held_[i]->tails = 0;
    fromMixer_.Push(held_[i]);
  }
  heldCount_ = tailCount_ = 0;
  mixer_.Reset();
  master_.Reset();
  if (RingRenderer* ring = ring_.load(std::memory_order_acquire)) ring->Reset();
}

void EngineMixer::TakeLentVoices() {
  while (Voice* voice = toMixer_.Pop()) {
    // The game lends no more than the capacity, counting every voice until it is back.
    assert(heldCount_ < capacity_ && "more voices lent than the mixer has room for");
    held_[heldCount_++] = voice;
  }
}

void EngineMixer::ApplyControl(Voice& voice, uint64_t word, int32_t rate, bool ringHeard) {
  const VoiceControl control = UnpackControl(word);
  VoiceRender& render = voice.render;
  if (control.starts != render.starts || !control.playing) {
    if (!render.ended) StartTail(voice, rate);
    render.ended = true;
  }
  if (!control.playing) {
    render.starts = control.starts;
    return;
  }
  const int32_t direction =
      ringHeard ? voice.direction.load(std::memory_order_relaxed) : kNoDirection;
  // Between the ring and the pan the old way fades out as a tail while the new fades in.
  if (SwitchesWay(voice, control, direction)) StartTail(voice, rate);
  TakeControl(render, control, rate, direction);
}

bool EngineMixer::SwitchesWay(const Voice& voice, const VoiceControl& control,
                              int32_t direction) const {
  const VoiceRender& render = voice.render;
  return control.starts == render.starts && !render.ended &&
         (direction != kNoDirection) != (render.ring >= 0);
}

void EngineMixer::StartTail(Voice& voice, int32_t rate) {
  // With every tail in use (more waves cut inside one ramp than there are voices) the
  // wave is cut after all.
  if (Silent(voice.render) || tailCount_ == capacity_) return;
  Tail& tail = tails_[tailCount_++];
  tail.voice = &voice;
  tail.render = voice.render;
  StartFadeOut(tail.render, rate);
  ++voice.tails;
}

int32_t EngineMixer::GatherStreams() {
  int32_t count = 0;
  for (int32_t i = 0; i < heldCount_; ++i) {
    Voice& voice = *held_[i];
    audible_[i] = !voice.render.ended;
    if (audible_[i]) streams_[count++] = {&voice.pcm, &voice.render};
  }
  for (int32_t t = 0; t < tailCount_; ++t) {
    streams_[count++] = {&tails_[t].voice->pcm, &tails_[t].render};
  }
  return count;
}

void EngineMixer::ReportEnds() {
  for (int32_t i = 0; i < heldCount_; ++i) {
    const VoiceRender& render = held_[i]->render;
    if (audible_[i] && render.ended) {
      held_[i]->endedStarts.store(render.starts, std::memory_order_release);
    }
  }
}

void EngineMixer::DropSilentTails() {
  for (int32_t t = 0; t < tailCount_;) {
    if (Silent(tails_[t].render)) {
      --tails_[t].voice->tails;
      tails_[t] = tails_[--tailCount_];
    } else {
      ++t;
    }
  }
}

void EngineMixer::LetGoOfFinishedVoices() {
  for (int32_t i = 0; i < heldCount_;) {
    Voice& voice = *held_[i];
    uint64_t word = words_[i];
    const bool finished = voice.render.ended && voice.tails == 0;
    // A failed exchange means a game thread published since this pull read the word: the
    // voice stays for the next pull to act on.
    if (finished &&
        voice.control.compare_exchange_strong(word, word | kParkedBit, std::memory_order_acq_rel,
                                              std::memory_order_relaxed)) {
      const bool handedBack = fromMixer_.Push(&voice);
      assert(handedBack && "the ring back holds every voice lent");
      (void)handedBack;
      --heldCount_;
      held_[i] = held_[heldCount_];
      words_[i] = words_[heldCount_];
    } else {
      ++i;
    }
  }
}
