#include "runtime/threads.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <list>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "runtime/thread_seam.h"

namespace {

// ---- thread list --------------------------------------------------------------

struct ThreadEntry {
  int32_t number;
  std::shared_ptr<std::atomic<bool>> ended;  // set by the thread as its body returns
};

// Guards threadList and nextThreadNumber. Nothing else is called while it is held.
std::mutex threadListLock;
std::list<ThreadEntry> threadList;  // newest first
int32_t nextThreadNumber = 1;

void PruneEndedLocked() {
  threadList.remove_if([](const ThreadEntry& entry) { return entry.ended->load(); });
}

// ---- exit actions and blocks ----------------------------------------------------

// A thread's exit actions hang on a thread-specific key, never on a thread_local
// object's destructor: with some toolchains (mingw-w64's emulated TLS) the storage of a
// thread_local object is freed before its destructor runs, and such a destructor reads
// and writes freed memory. The key's value is the one place the list is reached from.

struct ExitAction {
  ExitProcedure procedure;
  void* value;
};

struct ExitActions {
  std::vector<ExitAction> actions;  // in registration order
};

thread_local void* threadBlock = nullptr;

// Runs `pending`'s actions newest first and frees it. An action may register more: they
// go to a fresh list, which the caller runs in turn.
void RunAndFree(ExitActions* pending) {
  while (!pending->actions.empty()) {
    ExitAction action = pending->actions.back();
    pending->actions.pop_back();
    action.procedure(action.value);
  }
  delete pending;
}

// The key's destructor gets the list itself (the key already reads null), so a thread
// that ends without running its actions still has them run, on that thread. One pthreads
// library calls it for a value set back to null too.
void RunLeftActions(void* pending) {
  if (pending != nullptr) RunAndFree(static_cast<ExitActions*>(pending));
}

pthread_key_t ExitKey() {
  static const pthread_key_t key = [] {
    pthread_key_t made;
    if (pthread_key_create(&made, RunLeftActions) != 0) std::abort();
    return made;
  }();
  return key;
}

ExitActions* PendingActions() {
  return static_cast<ExitActions*>(pthread_getspecific(ExitKey()));
}

// Written once at start-up before other threads exist; read by every thread.
std::atomic<const ThreadBlockLayout*> blockLayout{nullptr};

void ReleaseBlock(void* block) {
  const ThreadBlockLayout* layout = blockLayout.load(std::memory_order_acquire);
  if (layout != nullptr && layout->release != nullptr) layout->release(block);
  if (threadBlock == block) threadBlock = nullptr;
  ::operator delete(block);
}

}  // namespace

int32_t ThreadCreate(ThreadProcedure procedure, int32_t value) {
  auto ended = std::make_shared<std::atomic<bool>>(false);
  bool started = CurrentThreadStarter().Start([procedure, value, ended] {
    procedure(value);
    ended->store(true);
  });
  if (!started) return 0;

  std::scoped_lock lock(threadListLock);
  PruneEndedLocked();
  int32_t number = nextThreadNumber++;
  threadList.push_front({number, std::move(ended)});
  return number;
}

int32_t ThreadIsRunning(int32_t number) {
  std::scoped_lock lock(threadListLock);
  auto entry = std::find_if(threadList.begin(), threadList.end(),
                            [number](const ThreadEntry& e) { return e.number == number; });
  if (entry == threadList.end() || entry->ended->load()) return 0;
  return number;
}

void ThreadsEnd() {
  std::scoped_lock lock(threadListLock);
  threadList.clear();
}

void OnThreadExit(ExitProcedure procedure, void* value) {
  ExitActions* pending = PendingActions();
  if (pending == nullptr) {
    pending = new ExitActions;
    pthread_setspecific(ExitKey(), pending);
  }
  pending->actions.push_back({procedure, value});
}

void RunThreadExitActions() {
  while (ExitActions* pending = PendingActions()) {
    pthread_setspecific(ExitKey(), nullptr);
    RunAndFree(pending);
  }
}

void ThreadBlockStart(const ThreadBlockLayout& layout) {
  static ThreadBlockLayout stored;
  stored = layout;
  blockLayout.store(&stored, std::memory_order_release);
  ThreadBlock();
}

void* ThreadBlock() {
  if (threadBlock != nullptr) return threadBlock;
  const ThreadBlockLayout* layout = blockLayout.load(std::memory_order_acquire);
  size_t size = layout != nullptr ? std::max<size_t>(layout->size, 1) : 1;
  void* block = ::operator new(size);
  std::fill_n(static_cast<unsigned char*>(block), size, 0);
  if (layout != nullptr && layout->initialise != nullptr) layout->initialise(block);
  threadBlock = block;
  OnThreadExit(ReleaseBlock, block);
  return block;
}
