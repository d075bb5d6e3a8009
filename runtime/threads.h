// runtime/threads.h - numbered threads, per-thread game blocks and thread-exit actions.
//
// Threads: any thread. The thread list has its own lock; a thread's block and exit
// actions are reached only by that thread while it runs, and released on that thread
// after its body has returned.
#pragma once

#include <cstddef>
#include <cstdint>

// A thread body: takes the value given to ThreadCreate; its result is ignored.
using ThreadProcedure = int32_t (*)(int32_t value);

// Starts `procedure(value)` on a new thread through the installed thread starter.
// Returns the thread's number (1, 2, 3, ...; numbers are consumed only by
// successful starts) or 0 when the thread cannot be started. Threads seen to have
// ended are dropped from the list on the way.
int32_t ThreadCreate(ThreadProcedure procedure, int32_t value);

// Nonzero while thread `number` runs (the number itself), else 0.
int32_t ThreadIsRunning(int32_t number);

// Forgets every thread without waiting for or stopping any of them.
void ThreadsEnd();

// Runs `procedure(value)` after the calling thread has finished its body, on that
// thread. Actions of one thread run newest first. A thread still running when the
// process exits (the main thread too) never runs its actions.
using ExitProcedure = void (*)(void* value);
void OnThreadExit(ExitProcedure procedure, void* value);

// Runs the calling thread's exit actions now, newest first, and forgets them. A thread
// starter calls it where the body has returned, to fix the moment they run; otherwise
// they run as the thread ends.
void RunThreadExitActions();

// How the game lays out and prepares its per-thread block.
struct ThreadBlockLayout {
  size_t size = 0;                        // bytes; the block starts zero-filled
  void (*initialise)(void* block) = nullptr;  // runs once on the fresh block, may be null
  void (*release)(void* block) = nullptr;     // runs before the block is freed, may be null
};

// Start-up: remembers the game's layout and creates the calling (main) thread's
// block. Call once, before any other thread asks for a block.
void ThreadBlockStart(const ThreadBlockLayout& layout);

// The calling thread's block, created on first use: zero-filled, initialised, and
// released with its thread. Never null while memory lasts.
void* ThreadBlock();

// Typed view of the block for a layout whose size is sizeof(Block).
template <typename Block>
Block& ThreadBlockAs() {
  return *static_cast<Block*>(ThreadBlock());
}
