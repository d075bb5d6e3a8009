// audio/sound.h - sound objects and playback: what the game calls.
// Owns: the sound table (static numbers and dynamic handles), every loaded sound's PCM, the
// voices and the mixer that the installed audio output pulls.
// Threads: any thread, at once. One engine lock makes each operation's lookup and its work
// exclusive with any release, so a sound freed by one thread is simply no such sound for
// another. SoundLoad reads and decodes its file before taking the lock, so nobody waits
// behind file I/O; a stream a decoder reads (Ogg Vorbis) is only opened and checked there,
// its samples read on a thread of their own that the sound's first SoundPlay waits for.
// The mixer, on the device's thread, never takes the lock, never allocates and never
// frees: it reads what the operations publish (audio/engine_mixer.h).
// Depends on: runtime (object tables), the audio output seam, the sound file loader.
//
// Numbers: `sound` is a static number (0 .. 0x3fffffff, slot of the table) or a dynamic
// handle from SoundLoad(-1, ...). 0 is the answer of a failed load and is never loaded by
// the game, so it means no such sound.
#pragma once

#include <cstdint>
#include <string>

struct HrtfRing;

// Named arguments of the operations below. The operations keep their numeric contract;
// these only say at a call site what a number means.
inline constexpr int32_t kNewHandle = -1;   // SoundLoad `number`: a new dynamic handle
inline constexpr int32_t kOnce = 0;         // SoundPlay `flags`: play to the end, then stop
inline constexpr int32_t kLooped = 1;       // SoundPlay `flags`: bit 0, loop for ever
inline constexpr int32_t kKeepVolume = -1;  // SoundPlay `volume`: leave the volume as it is
inline constexpr int32_t kAllSounds = -1;   // SoundStop `sound`: every sound

// Start-up: opens the installed audio output and creates the sound table. Nonzero on
// success (later calls return the same value and do nothing), 0 when no output opens.
int32_t SoundInit();

// Loads the file `path` (UTF-8) into `number` (a static number, or -1 for a new handle).
// With -1: the new handle, or 0. With a static number: 1, or 0 (the slot then keeps what it
// held). A static slot that holds a sound releases it first. 0 after SoundShutdown.
int32_t SoundLoad(int32_t number, const std::string& path);

// Restarts `sound` at its first sample, looped when bit 0 of `flags` is set, after setting
// `volume` (0 .. 100, clamped) unless it is -1. 1 when started, 0 for no such sound.
int32_t SoundPlay(int32_t sound, int32_t flags, int32_t volume);

// Stops `sound` (rewinding it), or every sound for -1. Nothing happens for no such sound.
void SoundStop(int32_t sound);

// Volume 0 .. 100 (clamped): level VolumeTable[volume] - 10000. 1, or 0 for no such sound.
int32_t SoundSetVolume(int32_t sound, int32_t volume);

// Pan -100 (right silent) .. 100 (left silent), clamped: the far side is attenuated by
// 10000 - VolumeTable[100 - |pan|]. 1, or 0 for no such sound.
int32_t SoundSetPan(int32_t sound, int32_t pan);

// The master volume: the whole mix scaled by `levelCb` hundredths of a dB (-10000 .. 0,
// clamped) from the next pull on, gliding there over one gain ramp. 0, the default, leaves
// the mix untouched. SoundShutdown returns it to 0.
void SoundSetMasterLevel(int32_t levelCb);

// The open output's rate in frames per second, 0 when none is open: the rate a head-related
// set is read for (LoadHrtfRing, on any thread: it takes a good part of a second).
int32_t SoundOutputRate();
// Headphones: from now on a sound given a direction (SoundSetDirection) is heard through
// `set`, read for SoundOutputRate(), instead of through its pan. True when it is in use;
// false, with the reason in `why` (no output, an output of another rate), leaves every
// sound heard as before. Call after SoundInit; SoundShutdown ends it.
bool SoundUseHeadphones(const HrtfRing& set, std::string& why);
// Mixes so far whose output was not a finite number and went out as silence (the ring of
// directions reset with them): never expected, and told by the game once.
int32_t SoundSilencedMixes();
// Whether sounds given a direction are heard through the head-related filters.
bool SoundHeadphonesOn();
// With a set read for the open output: hears the sounds given a direction through it (true)
// or through their pans again (false), each sound crossfading over one gain ramp. False, and
// nothing changes, when no set was read.
bool SoundSetHeadphones(bool on);
// Where `sound` is heard from, for headphones: `degrees` counterclockwise from straight ahead
// (90 the left, -90 or 270 the right, 180 behind). Its volume still applies; its pan is not
// heard while headphones are on. 1, or 0 for no such sound.
int32_t SoundSetDirection(int32_t sound, float degrees);
// 1 while playing, 0 when stopped or after a once-played sound's last sample, 3 for no such
// sound.
int32_t SoundIsPlaying(int32_t sound);

// Nonzero when `sound` names a loaded sound, else 0.
int32_t SoundFromNumber(int32_t sound);

// Releases `sound` (silencing it); a static slot becomes free, a dynamic handle unknown.
void SoundFree(int32_t sound);

// Releases every sound and closes the output. Every operation then finds no such sound and
// SoundLoad fails, until a later SoundInit starts a fresh engine.
void SoundShutdown();
