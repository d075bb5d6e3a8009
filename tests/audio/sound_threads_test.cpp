// Two game threads and the device thread on the same handles at once, the way the game
// loads them: a cue loaded at every cue into a ring slot whose old cue is freed, every live
// cue re-mixed every tick, stops and queries in between. No crash, no race, a freed handle
// is simply no such sound - and the device thread never allocates or frees.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <malloc.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

#include "sound_test_support.h"
#include "thread_output.h"

// ---- counting every allocation and free made inside an engine pull -------------------

namespace {
std::atomic<int64_t> pullAllocations{0};
std::atomic<int64_t> pullFrees{0};

void* Allocate(size_t size, size_t alignment) {
  if (insideEnginePull) pullAllocations.fetch_add(1, std::memory_order_relaxed);
  size = size == 0 ? 1 : size;
#ifdef _WIN32
  // No aligned_alloc there, and its aligned allocator's blocks need their own free: it
  // serves every size.
  void* memory = _aligned_malloc(size, std::max(alignment, alignof(std::max_align_t)));
#else
  void* memory =
      alignment <= alignof(std::max_align_t)
          ? std::malloc(size)
          : std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
#endif
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

void Free(void* memory) {
  if (memory != nullptr && insideEnginePull) pullFrees.fetch_add(1, std::memory_order_relaxed);
#ifdef _WIN32
  _aligned_free(memory);
#else
  std::free(memory);
#endif
}
}  // namespace

// Every replaceable form, so that none is left to a sanitizer's allocator to pair with ours.
void* operator new(size_t size) {
  return Allocate(size, alignof(std::max_align_t));
}
void* operator new[](size_t size) {
  return Allocate(size, alignof(std::max_align_t));
}
void* operator new(size_t size, std::align_val_t alignment) {
  return Allocate(size, static_cast<size_t>(alignment));
}
void* operator new[](size_t size, std::align_val_t alignment) {
  return Allocate(size, static_cast<size_t>(alignment));
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size, alignof(std::max_align_t));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size, static_cast<size_t>(alignment));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t& tag) noexcept {
  return operator new(size, alignment, tag);
}
void operator delete(void* memory) noexcept {
  Free(memory);
}
void operator delete[](void* memory) noexcept {
  Free(memory);
}
void operator delete(void* memory, size_t) noexcept {
  Free(memory);
}
void operator delete[](void* memory, size_t) noexcept {
  Free(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept {
  Free(memory);
}
void operator delete[](void* memory, std::align_val_t) noexcept {
  Free(memory);
}
void operator delete(void* memory, size_t, std::align_val_t) noexcept {
  Free(memory);
}
void operator delete[](void* memory, size_t, std::align_val_t) noexcept {
  Free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
  Free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
  Free(memory);
}
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept {
  Free(memory);
}
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept {
  Free(memory);
}

namespace {

constexpr int32_t kCueSlots = 64;  // shared by both threads, like the game's cue ring
constexpr int32_t kTicks = 600;    // per thread at least: some ten seconds of the game
constexpr int64_t kPulls = 200;    // and until the device thread has pulled this often

// One game thread's tick: load a cue into the next ring slot (freeing the cue it held) and
// start it, re-mix every cue in the ring, and stop or query some.
void Tick(std::atomic<int32_t> (&ring)[kCueSlots], int32_t thread, int32_t tick) {
  auto& slot = ring[(2 * tick + thread) % kCueSlots];
  const int32_t cue =
      SoundLoadDecoded(-1, Sine(200.0 + tick, 22050 + 11025 * thread, 300 + tick, 1 + tick % 2));
  EXPECT_NE(cue, 0);
  SoundPlay(cue, tick % 3 == 0 ? 1 : 0, 80);
  SoundFree(slot.exchange(cue, std::memory_order_relaxed));
  for (int32_t i = 0; i < kCueSlots; ++i) {
    const int32_t sound = ring[i].load(std::memory_order_relaxed);
    SoundSetVolume(sound, (tick + i) % 101);
    SoundSetPan(sound, (tick * 7 + i) % 201 - 100);
    const int32_t playing = SoundIsPlaying(sound);
    EXPECT_TRUE(playing == 0 || playing == 1 || playing == 3);
  }
  if (tick % 7 == thread) SoundStop(ring[tick % kCueSlots].load(std::memory_order_relaxed));
  if (tick % 13 == thread) SoundPlay(ring[tick * 5 % kCueSlots].load(), 1, -1);
  if (tick % 97 == 0) SoundStop(-1);
  if (tick % 31 == thread) {
    SoundLoadDecoded(thread, Constant(0.1, 48000, 100));  // a static number reloaded
    SoundPlay(thread, 1, -1);
  }
}

TEST(SoundThreads, GameLoadOfCuesOnTwoThreadsWhileTheDeviceThreadPulls) {
  ThreadOutput output;
  InstallAudioOutput(&output);
  ASSERT_EQ(SoundInit(), 1);
  std::atomic<int32_t> ring[kCueSlots];
  for (auto& slot : ring) slot.store(0, std::memory_order_relaxed);
  const int64_t allocationsBefore = pullAllocations.load();
  const int64_t freesBefore = pullFrees.load();
  const int64_t pullsBefore = output.pulls();

  auto going = [&](int32_t tick) { return tick < kTicks || output.pulls() - pullsBefore < kPulls; };
  std::thread stalker([&] {
    for (int32_t tick = 0; going(tick); ++tick) Tick(ring, 1, tick);
  });
  for (int32_t tick = 0; going(tick); ++tick) Tick(ring, 0, tick);
  stalker.join();

  EXPECT_EQ(pullAllocations.load() - allocationsBefore, 0);
  EXPECT_EQ(pullFrees.load() - freesBefore, 0);
  // Whatever the interleaving, the ring's cues are loaded and freeing them makes them gone.
  for (auto& slot : ring) {
    const int32_t sound = slot.load(std::memory_order_relaxed);
    EXPECT_EQ(SoundFromNumber(sound), 1);
    SoundFree(sound);
    EXPECT_EQ(SoundIsPlaying(sound), 3);
  }
  SoundShutdown();
  InstallAudioOutput(nullptr);
}

// The hook itself: a pull that did allocate would be seen.
TEST(SoundThreads, TheAllocationCountSeesWhatAPullAllocates) {
  const int64_t before = pullAllocations.load();
  insideEnginePull = true;
  auto* block = new std::vector<int>(100);
  delete block;
  insideEnginePull = false;
  EXPECT_EQ(pullAllocations.load() - before, 2);
}

}  // namespace
