// audio/sound.cpp - the sound table, the engine lock, and the game threads' side of the
// exchange with the mixer (audio/engine_mixer.h).
//
// How a voice travels: SoundPlay lends a voice the mixer does not hold by pushing it onto
// the mixer's ring; every operation publishes what it changed as the voice's control word.
// The mixer hands voices back when their wave is over; whichever game thread next takes
// the engine lock takes them back, and deletes those the game freed meanwhile - after
// releasing the lock. So the device thread never takes a lock, never allocates and never
// frees, and SoundIsPlaying answers from what the game asked plus the mixer's report of
// natural ends, the moment an operation returns.
#include <algorithm>
#include <cassert>
#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "audio/audio_output.h"
#include "audio/engine_mixer.h"
#include "audio/hrtf_ring.h"
#include "audio/sound.h"
#include "audio/sound_engine.h"
#include "audio/sound_file.h"
#include "audio/volume_table.h"
#include "runtime/object_table.h"

namespace {

inline constexpr int32_t kSoundTableGrowStep = 64;

struct SoundRecord {
  Voice* voice = nullptr;  // owned by the engine (see ReleaseLocked); null: an empty slot
  bool IsLive() const { return voice != nullptr; }
};

struct Engine {
  // Serialises SoundInit and SoundShutdown. The output is opened and closed outside
  // engineLock, so that game threads carry on while a device thread is stopped.
  std::mutex lifecycleLock;
  AudioOutput* openOutput = nullptr;  // under lifecycleLock
  bool reserved = false;              // under lifecycleLock: the mixer's lists exist

  // Game threads only, under engineLock. The device thread never takes it.
  std::mutex engineLock;
  bool running = false;                           // from SoundInit to SoundShutdown
  std::optional<ObjectTable<SoundRecord>> table;  // present while running
  int32_t loans = 0;           // voices lent to the mixer and not yet handed back
  std::vector<Voice*> doomed;  // freed voices, deleted once engineLock is released

  // The device thread's, but for the game sides of its rings (under engineLock).
  EngineMixer mixer;
  // Every ring of directions made for headphones, kept for the process: the device thread
  // may be mixing through the last one (under lifecycleLock).
  std::vector<std::unique_ptr<RingRenderer>> rings;
};

// Made once and never destroyed: the device thread may still be pulling while the process
// ends (exit() from any thread, SoundShutdown or not) and must find the engine whole.
Engine& TheEngine() {
  static auto* engine = new Engine;
  return *engine;
}

// ---- under engineLock -------------------------------------------------------------

bool IsPlayingLocked(const Voice& voice) {
  return voice.wanted.playing &&
         voice.wanted.starts != voice.endedStarts.load(std::memory_order_acquire);
}

// Takes back every voice the mixer let go of.
void TakeBackLocked() {
  Engine& engine = TheEngine();
  while (Voice* voice = engine.mixer.FromMixer().Pop()) {
    --engine.loans;
    if (--voice->loans > 0) continue;  // lent again before this came back
    voice->lent = false;
    if (voice->released) engine.doomed.push_back(voice);
  }
}

// Publishes `voice.wanted` to the mixer and lends the voice when it is to be heard and the
// mixer does not hold it. False when it would have to be lent and the mixer is full.
bool PublishLocked(Voice& voice) {
  Engine& engine = TheEngine();
  const uint64_t previous = voice.control.exchange(PackControl(voice.wanted));
  if ((previous & kParkedBit) != 0) voice.lent = false;  // its loan is on the way back
  if (voice.lent || !IsPlayingLocked(voice)) return true;
  if (engine.loans == engine.mixer.capacity()) return false;
  const bool pushed = engine.mixer.ToMixer().Push(&voice);
  assert(pushed && "the ring to the mixer holds every voice lent");
  (void)pushed;
  voice.lent = true;
  ++voice.loans;
  ++engine.loans;
  return true;
}

Voice* FindLocked(int32_t sound) {
  Engine& engine = TheEngine();
  if (!engine.running) return nullptr;
  SoundRecord* record = engine.table->ObjectFind(sound);
  return record != nullptr ? record->voice : nullptr;
}

void StopLocked(Voice& voice) {
  if (!voice.wanted.playing) return;
  voice.wanted.playing = false;
  PublishLocked(voice);
}

// The table's release step: stops the sound (the mixer fades it out), empties its slot,
// and deletes the voice now or when the mixer hands it back.
void ReleaseLocked(int32_t number) {
  Engine& engine = TheEngine();
  SoundRecord* record = engine.table->ObjectFind(number);
  if (record == nullptr) return;
  Voice* voice = record->voice;
  StopLocked(*voice);
  voice->released = true;
  if (voice->loans == 0) engine.doomed.push_back(voice);
  engine.table->ObjectFree(number);
}

// One game operation's hold on the engine: takes engineLock and the voices the mixer
// handed back; deletes the voices freed meanwhile after releasing the lock.
class EngineOperation {
 public:
  EngineOperation() : lock_(TheEngine().engineLock) { TakeBackLocked(); }
  ~EngineOperation() {
    std::vector<Voice*> doomed;
    doomed.swap(TheEngine().doomed);
    lock_.unlock();
    for (Voice* voice : doomed) delete voice;
  }
  EngineOperation(const EngineOperation&) = delete;
  EngineOperation& operator=(const EngineOperation&) = delete;

 private:
  std::unique_lock<std::mutex> lock_;
};

}  // namespace

int32_t SoundInit() {
  Engine& engine = TheEngine();
  std::scoped_lock life(engine.lifecycleLock);
  if (engine.openOutput != nullptr) return 1;
  AudioOutput* output = InstalledAudioOutput();
  if (output == nullptr) return 0;
  // Everything the device thread reads is built here, never lazily on its first pull.
  VolumeTable();
  LevelAmplitude(0);
  if (!engine.reserved) {
    engine.mixer.Reserve(kMixerVoiceCapacity);
    engine.reserved = true;
  }
  {
    EngineOperation operation;
    engine.table.emplace(kSoundTableGrowStep, ReleaseLocked);
    engine.running = true;
  }
  if (!output->Open(engine.mixer)) {
    EngineOperation operation;
    engine.table.reset();
    engine.running = false;
    return 0;
  }
  engine.openOutput = output;
  return 1;
}

void SoundShutdown() {
  Engine& engine = TheEngine();
  std::scoped_lock life(engine.lifecycleLock);
  if (engine.openOutput == nullptr) return;
  {
    EngineOperation operation;
    engine.table->ObjectFreeAll();
    engine.table.reset();
    engine.running = false;
  }
  engine.openOutput->Close();
  engine.openOutput = nullptr;
  engine.mixer.UseRing(nullptr);
  // The device thread has stopped for good: every voice it held comes back now.
  EngineOperation operation;
  engine.mixer.Recall();
  TakeBackLocked();
  assert(engine.loans == 0 && "every voice lent came back");
}

namespace {

// Puts a made voice into the table at `number`: the new handle or 1, or 0 (the voice is
// then deleted) when the engine does not run or the table cannot grow.
int32_t AdoptVoice(int32_t number, Voice* voice) {
  Engine& engine = TheEngine();
  EngineOperation operation;
  SoundRecord* record = nullptr;
  int32_t assigned = 0;
  if (engine.running) {
    try {
      record = engine.table->ObjectAllocate(number, assigned);
    } catch (const std::bad_alloc&) {
      record = nullptr;
    }
  }
  if (record == nullptr) {
    engine.doomed.push_back(voice);
    return 0;
  }
  record->voice = voice;
  return number == kNewObject ? assigned : 1;
}

bool IsLoadableNumber(int32_t number) {
  return number == kNewObject || (number >= 0 && number < kStaticSoundLimit);
}

// Room for the stream's 16-bit samples, zero, as MakeSoundPcm would lay them out. False
// when memory runs out.
bool SizePcm16(const OpenedStream& stream, SoundPcm& pcm) {
  const auto length = static_cast<size_t>(stream.frames + kPcmPadding);
  try {
    pcm.left16.assign(length, 0);
    if (stream.layout.channels == 2) pcm.right16.assign(length, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  pcm.narrow = true;
  pcm.channels = stream.layout.channels;
  pcm.rate = stream.layout.rate;
  pcm.frames = stream.frames;
  return true;
}

}  // namespace

int32_t SoundLoadDecoded(int32_t number, DecodedSound decoded) {
  if (!IsLoadableNumber(number)) return 0;
  Voice* voice = new (std::nothrow) Voice;
  if (voice == nullptr) return 0;
  if (!MakeSoundPcm(decoded, voice->pcm)) {
    delete voice;
    return 0;
  }
  decoded = DecodedSound{};  // the interleaved copy is no longer needed
  return AdoptVoice(number, voice);
}

int32_t SoundLoadStream(int32_t number, std::unique_ptr<OpenedStream> stream) {
  if (!IsLoadableNumber(number)) return 0;
  std::unique_ptr<Voice> voice(new (std::nothrow) Voice);
  if (voice == nullptr || !SizePcm16(*stream, voice->pcm)) return 0;
  // The samples are read on a thread of their own while the game goes on: start-up loads
  // the title and the intro before the title plays, and the intro (a minute of Ogg Vorbis,
  // a tenth of a second of a processor) need not hold the title back. Only SoundPlay reads
  // the samples (through the mixer), so it waits for them; every other operation, and so
  // everything the game sees, is the same as for a load that read them first. The thread
  // writes the voice's PCM and nothing else, and takes no lock.
  int16_t* left = voice->pcm.left16.data();
  int16_t* right = voice->pcm.channels == 2 ? voice->pcm.right16.data() : nullptr;
  OpenedStream* reading = stream.get();
  try {
    voice->filling = std::thread([left, right, reading] {
      std::unique_ptr<OpenedStream> owned(reading);  // the file goes as soon as it is read
      owned->ReadPcm16(left, right);
    });
    stream.release();  // the thread owns it now
  } catch (const std::system_error&) {
    stream->ReadPcm16(left, right);  // no thread to be had: read them here
  }
  return AdoptVoice(number, voice.release());
}

int32_t SoundPlay(int32_t sound, int32_t flags, int32_t volume) {
  EngineOperation operation;
  Voice* voice = FindLocked(sound);
  if (voice == nullptr) return 0;
  // A stream still being read is waited for here, under the lock: the reading thread never
  // takes it, and no other thread can be holding its sound's samples yet.
  if (voice->filling.joinable()) voice->filling.join();
  VoiceControl& wanted = voice->wanted;
  if (volume != -1) wanted.levelCb = VolumeLevelCb(volume);
  wanted.looping = (flags & 1) != 0;
  wanted.playing = true;
  ++wanted.starts;
  if (PublishLocked(*voice)) return 1;
  // The mixer is full: nothing of the sound was heard, so it simply did not start.
  wanted.playing = false;
  PublishLocked(*voice);
  return 0;
}

bool SoundEngineRunning() {
  std::scoped_lock lock(TheEngine().engineLock);
  return TheEngine().running;
}

void SoundStop(int32_t sound) {
  EngineOperation operation;
  if (!TheEngine().running) return;
  if (sound == -1) {
    for (int32_t number : TheEngine().table->LiveNumbers()) StopLocked(*FindLocked(number));
    return;
  }
  if (Voice* voice = FindLocked(sound)) StopLocked(*voice);
}

namespace {

// Sets one level of `sound`'s control (`field`, in hundredths of a dB) and publishes it.
// 1, or 0 for no such sound.
int32_t SetControlLevel(int32_t sound, int32_t VoiceControl::*field, int32_t levelCb) {
  EngineOperation operation;
  Voice* voice = FindLocked(sound);
  if (voice == nullptr) return 0;
  voice->wanted.*field = levelCb;
  PublishLocked(*voice);
  return 1;
}

}  // namespace

int32_t SoundSetVolume(int32_t sound, int32_t volume) {
  return SetControlLevel(sound, &VoiceControl::levelCb, VolumeLevelCb(volume));
}

int32_t SoundSetPan(int32_t sound, int32_t pan) {
  return SetControlLevel(sound, &VoiceControl::panCb, PanLevelCb(pan));
}

void SoundSetMasterLevel(int32_t levelCb) {
  TheEngine().mixer.SetMasterLevel(levelCb);
}

int32_t SoundOutputRate() {
  Engine& engine = TheEngine();
  std::scoped_lock life(engine.lifecycleLock);
  return engine.openOutput == nullptr ? 0 : std::max(0, engine.openOutput->OpenRate());
}

bool SoundUseHeadphones(const HrtfRing& set, std::string& why) {
  Engine& engine = TheEngine();
  std::scoped_lock life(engine.lifecycleLock);
  if (engine.openOutput == nullptr) {
    why = "no audio output is open";
    return false;
  }
  if (set.rate <= 0 || set.rate != engine.openOutput->OpenRate()) {
    why = "the set was made for another rate than the audio output's";
    return false;
  }
  engine.rings.push_back(std::make_unique<RingRenderer>(set));
  engine.mixer.UseRing(engine.rings.back().get());
  return true;
}

int32_t SoundSilencedMixes() {
  return TheEngine().mixer.SilencedMixes();
}

bool SoundHeadphonesOn() {
  return TheEngine().mixer.UsesRing();
}

bool SoundSetHeadphones(bool on) {
  Engine& engine = TheEngine();
  std::scoped_lock life(engine.lifecycleLock);
  if (engine.openOutput == nullptr || !engine.mixer.HasRing()) return false;
  engine.mixer.HearRing(on);
  return true;
}

int32_t SoundSetDirection(int32_t sound, float degrees) {
  EngineOperation operation;
  Voice* voice = FindLocked(sound);
  if (voice == nullptr) return 0;
  constexpr int32_t kTurnCd = 36000;
  const auto wrapped = static_cast<int32_t>(std::lround(std::fmod(degrees, 360.0f) * 100.0f));
  const int32_t directionCd = ((wrapped % kTurnCd) + kTurnCd) % kTurnCd;
  voice->direction.store(directionCd, std::memory_order_relaxed);
  return 1;
}

int32_t SoundIsPlaying(int32_t sound) {
  EngineOperation operation;
  Voice* voice = FindLocked(sound);
  if (voice == nullptr) return 3;
  return IsPlayingLocked(*voice) ? 1 : 0;
}

int32_t SoundFromNumber(int32_t sound) {
  EngineOperation operation;
  return FindLocked(sound) != nullptr ? 1 : 0;
}

void SoundFree(int32_t sound) {
  EngineOperation operation;
  if (FindLocked(sound) != nullptr) ReleaseLocked(sound);
}

int32_t SoundGetLevels(int32_t sound, SoundLevels& levels) {
  EngineOperation operation;
  Voice* voice = FindLocked(sound);
  if (voice == nullptr) return 0;
  levels.levelCb = voice->wanted.levelCb;
  levels.panCb = voice->wanted.panCb;
  return 1;
}
