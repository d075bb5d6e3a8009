// audio/engine_mixer.h - the engine's side on the device thread: the voices lent to the
// mixer, the fading tails of stopped and restarted waves, and the two rings that carry
// voices between the game threads and the mixer.
// Threads: Reserve and Recall on a game thread while no output pulls; Render on the device
// thread; the rings' game sides (pushing to the mixer, popping from it) on game threads
// under the engine lock.
//
// Render never waits, allocates or frees. A game thread lends a voice by pushing it onto
// `ToMixer` and publishing its control word; each pull takes the lent voices, reads every
// held voice's word once, and mixes. A voice whose wave is over (it ended, or a stop faded
// it out) is let go: the mixer marks the very word it acted on as parked, by
// compare-and-swap, so that a publish it has not seen keeps the voice for the next pull;
// then it hands the voice back through `FromMixer`, where a game thread frees it if the
// game freed the sound meanwhile.
//
// Stops, frees and restarts never cut a wave: the old wave is copied into a tail that
// fades to silence over one gain ramp (kGainRampMs) while the voice goes on (or starts
// again from its first sample). A voice is let go only when its tails are gone.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/audio_output.h"
#include "audio/master_gain.h"
#include "audio/mixer.h"
#include "audio/ring_renderer.h"
#include "audio/voice.h"
#include "audio/voice_ring.h"

// Voices the engine's mixer holds at once (playing, or fading out after a stop). A play
// that would lend one more is refused, as a device with a voice limit refuses it.
inline constexpr int32_t kMixerVoiceCapacity = 4096;

class EngineMixer final : public AudioSource {
 public:
  // Room for `capacity` voices lent at once (and as many fading tails). Allocates.
  void Reserve(int32_t capacity);
  int32_t capacity() const { return capacity_; }

  VoiceRing& ToMixer() { return toMixer_; }
  VoiceRing& FromMixer() { return fromMixer_; }

  void Render(float* out, int32_t frames, int32_t rate) override;

  // Hears voices given a direction through `ring` from the next pull on, at the ring's rate
  // (at any other rate they keep to the pan). Game thread; `ring` must outlive the mixer's
  // use of it: the engine keeps every ring it made.
  void UseRing(RingRenderer* ring) {
    ringHeard_.store(true, std::memory_order_relaxed);
    ring_.store(ring, std::memory_order_release);
  }
  bool HasRing() const { return ring_.load(std::memory_order_acquire) != nullptr; }
  bool UsesRing() const { return HasRing() && ringHeard_.load(std::memory_order_relaxed); }
  // Switches the voices given a direction between the ring (true) and their pans (false),
  // each crossfading over one gain ramp; the ring keeps mixing the fading tails. Game thread.
  void HearRing(bool heard) { ringHeard_.store(heard, std::memory_order_relaxed); }

  // The master volume of everything mixed from the next pull on (audio/master_gain.h).
  // Any game thread.
  void SetMasterLevel(int32_t levelCb) { master_.SetLevel(levelCb); }

  // Blocks so far that went out as silence for not being finite (Mixer::Render). Any thread.
  int32_t SilencedMixes() const { return silenced_.load(std::memory_order_relaxed); }

  // With no output pulling: hands every voice lent (taken or still queued) back through
  // FromMixer and drops the tails, as if each had been let go; the next output starts from
  // a fresh mixer.
  void Recall();

 private:
  struct Tail {
    Voice* voice;
    VoiceRender render;
  };

  void TakeLentVoices();
  void ApplyControl(Voice& voice, uint64_t word, int32_t rate, bool ringHeard);
  bool SwitchesWay(const Voice& voice, const VoiceControl& control, int32_t direction) const;
  void StartTail(Voice& voice, int32_t rate);
  int32_t GatherStreams();
  void ReportEnds();
  void DropSilentTails();
  void LetGoOfFinishedVoices();

  int32_t capacity_ = 0;
  VoiceRing toMixer_;
  VoiceRing fromMixer_;
  // The voices held, each with the control word its last pull acted on and whether it was
  // heard going into the mix.
  std::unique_ptr<Voice*[]> held_;
  std::unique_ptr<uint64_t[]> words_;
  std::unique_ptr<bool[]> audible_;
  int32_t heldCount_ = 0;
  std::unique_ptr<Tail[]> tails_;
  int32_t tailCount_ = 0;
  std::unique_ptr<MixStream[]> streams_;  // held voices then tails, at most 2 x capacity
  Mixer mixer_;
  MasterGain master_;
  std::atomic<RingRenderer*> ring_{nullptr};
  std::atomic<int32_t> silenced_{0};  // written by the device thread, read by game threads
  std::atomic<bool> ringHeard_{true};
};
