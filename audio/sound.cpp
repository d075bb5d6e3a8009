// audio/sound.cpp - the sound table, the engine lock, and the exchange between the game's
// operations and the mixer.
//
// How a voice travels: SoundPlay puts it on `playing` (under engineLock). On each pull the
// mixer copies `playing` into its own list and takes every voice's control (under
// engineLock, a few microseconds), renders without the lock, then reports once-played
// voices that ended (under engineLock again). A voice released while the mixer still holds
// it is handed back through `retired`, so its PCM is freed on a game thread, not the
// device's.
#include <algorithm>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

#include "audio/audio_output.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/sound_engine.h"
#include "audio/volume_table.h"
#include "runtime/object_table.h"

namespace {

inline constexpr int32_t kSoundTableGrowStep = 64;

using VoiceList = std::vector<std::shared_ptr<Voice>>;

struct SoundRecord {
  std::shared_ptr<Voice> voice;  // null: an empty slot
  bool IsLive() const { return voice != nullptr; }
};

// Serialises SoundInit and SoundShutdown. The output is opened and closed outside
// engineLock because the device thread takes engineLock while it pulls.
std::mutex lifecycleLock;
AudioOutput* openOutput = nullptr;  // written and read under lifecycleLock

// Everything below is written and read by game threads and the mixer under engineLock.
std::mutex engineLock;
struct EngineState {
  bool running = false;                           // from SoundInit to SoundShutdown
  std::optional<ObjectTable<SoundRecord>> table;  // present while running
  VoiceList playing;                              // voices whose control.playing is true
  VoiceList retired;                              // released voices, to be freed off the lock
};
EngineState state;

// The mixer thread's own: the voices of the pull in progress and the mixer.
VoiceList mixing;
Mixer mixer;

// ---- under engineLock -------------------------------------------------------------

Voice* FindLocked(int32_t sound) {
  if (!state.running) return nullptr;
  SoundRecord* record = state.table->ObjectFind(sound);
  return record != nullptr ? record->voice.get() : nullptr;
}

void StopLocked(Voice& voice) {
  if (!voice.control.playing) return;
  voice.control.playing = false;
  std::erase_if(state.playing, [&](const auto& held) { return held.get() == &voice; });
}

// The table's release step: silences the sound and empties its slot.
void ReleaseLocked(int32_t number) {
  SoundRecord* record = state.table->ObjectFind(number);
  if (record == nullptr) return;
  StopLocked(*record->voice);
  state.retired.push_back(std::move(record->voice));
  state.table->ObjectFree(number);
}

// ---- the mixer's pull -------------------------------------------------------------

class EngineSource final : public AudioSource {
 public:
  void Render(float* out, int32_t frames, int32_t rate) override {
    {
      std::scoped_lock lock(engineLock);
      for (auto& voice : mixing) {
        if (voice.use_count() == 1) state.retired.push_back(std::move(voice));
      }
      mixing.assign(state.playing.begin(), state.playing.end());
      for (auto& voice : mixing) TakeControl(*voice, rate);
    }
    mixer.Render(mixing, out, frames, rate);
    {
      std::scoped_lock lock(engineLock);
      for (auto& voice : mixing) {
        const bool current = voice->control.starts == voice->render.starts;
        if (voice->render.ended && current) StopLocked(*voice);
      }
    }
  }
};

EngineSource engineSource;

}  // namespace

int32_t SoundInit() {
  std::scoped_lock life(lifecycleLock);
  if (openOutput != nullptr) return 1;
  AudioOutput* output = InstalledAudioOutput();
  if (output == nullptr) return 0;
  {
    std::scoped_lock lock(engineLock);
    state.table.emplace(kSoundTableGrowStep, ReleaseLocked);
    state.running = true;
  }
  if (!output->Open(engineSource)) {
    std::scoped_lock lock(engineLock);
    state.table.reset();
    state.running = false;
    return 0;
  }
  openOutput = output;
  return 1;
}

void SoundShutdown() {
  std::scoped_lock life(lifecycleLock);
  if (openOutput == nullptr) return;
  VoiceList doomed;
  {
    std::scoped_lock lock(engineLock);
    state.table->ObjectFreeAll();
    state.table.reset();
    state.running = false;
    doomed.swap(state.retired);
  }
  openOutput->Close();
  openOutput = nullptr;
  // The device thread has stopped for good: its list and anything it handed back go.
  mixing.clear();
  std::scoped_lock lock(engineLock);
  state.retired.clear();
}

int32_t SoundLoadDecoded(int32_t number, DecodedSound decoded) {
  if (number != kNewObject && (number < 0 || number >= kStaticSoundLimit)) return 0;
  std::shared_ptr<Voice> voice;
  try {
    voice = std::make_shared<Voice>();
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (!MakeSoundPcm(decoded, voice->pcm)) return 0;
  decoded = DecodedSound{};  // the interleaved copy is no longer needed

  VoiceList doomed;
  int32_t result = 0;
  {
    std::scoped_lock lock(engineLock);
    if (!state.running) return 0;
    int32_t assigned = 0;
    SoundRecord* record = nullptr;
    try {
      record = state.table->ObjectAllocate(number, assigned);
    } catch (const std::bad_alloc&) {
      record = nullptr;
    }
    if (record != nullptr) {
      record->voice = std::move(voice);
      result = number == kNewObject ? assigned : 1;
    }
    doomed.swap(state.retired);
  }
  return result;
}

int32_t SoundPlay(int32_t sound, int32_t flags, int32_t volume) {
  std::scoped_lock lock(engineLock);
  Voice* voice = FindLocked(sound);
  if (voice == nullptr) return 0;
  VoiceControl& control = voice->control;
  if (volume != -1) control.levelCb = VolumeLevelCb(volume);
  control.looping = (flags & 1) != 0;
  ++control.starts;
  if (!control.playing) {
    control.playing = true;
    state.playing.push_back(state.table->ObjectFind(sound)->voice);
  }
  return 1;
}

void SoundStop(int32_t sound) {
  std::scoped_lock lock(engineLock);
  if (!state.running) return;
  if (sound == -1) {
    for (int32_t number : state.table->LiveNumbers()) StopLocked(*FindLocked(number));
    return;
  }
  if (Voice* voice = FindLocked(sound)) StopLocked(*voice);
}

int32_t SoundSetVolume(int32_t sound, int32_t volume) {
  std::scoped_lock lock(engineLock);
  Voice* voice = FindLocked(sound);
  if (voice == nullptr) return 0;
  voice->control.levelCb = VolumeLevelCb(volume);
  return 1;
}

int32_t SoundSetPan(int32_t sound, int32_t pan) {
  std::scoped_lock lock(engineLock);
  Voice* voice = FindLocked(sound);
  if (voice == nullptr) return 0;
  voice->control.panCb = PanLevelCb(pan);
  return 1;
}

int32_t SoundIsPlaying(int32_t sound) {
  std::scoped_lock lock(engineLock);
  Voice* voice = FindLocked(sound);
  if (voice == nullptr) return 3;
  return voice->control.playing ? 1 : 0;
}

int32_t SoundFromNumber(int32_t sound) {
  std::scoped_lock lock(engineLock);
  return FindLocked(sound) != nullptr ? 1 : 0;
}

void SoundFree(int32_t sound) {
  VoiceList doomed;
  std::scoped_lock lock(engineLock);
  if (FindLocked(sound) != nullptr) ReleaseLocked(sound);
  doomed.swap(state.retired);
}

int32_t SoundGetLevels(int32_t sound, SoundLevels& levels) {
  std::scoped_lock lock(engineLock);
  Voice* voice = FindLocked(sound);
  if (voice == nullptr) return 0;
  levels.levelCb = voice->control.levelCb;
  levels.panCb = voice->control.panCb;
  return 1;
}
