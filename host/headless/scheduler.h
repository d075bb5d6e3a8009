// host/headless/scheduler.h - virtual time and one-at-a-time threads for the headless host.
//
// Owns: the virtual millisecond count, the baton that lets exactly one scheduled thread
//       run, and the time listeners that follow virtual time (the offline audio output).
// Threads: the main thread joins with JoinAsMain and leaves with LeaveMain; every other
//          scheduled thread is started by Start. Only the thread holding the baton runs;
//          it gives the baton away only inside Sleep/SleepUntil/Yield or when its body
//          ends. NowMs may be read from any thread.
// Depends on: the runtime's thread-exit actions, the C++ standard library.
//
// The rules that make a run a pure function of its inputs:
//  - A thread gives way only where it waits. Virtual time stands still while a thread
//    runs, and moves on only when every scheduled thread waits: straight to the
//    earliest wake-up, after the time listeners have been told about the step.
//  - Wake-up order: earliest wake time first. Among threads due at the same time,
//    sleepers (Sleep with ms > 0, SleepUntil) go before yielders (Sleep(0), Yield);
//    sleepers in join order (main first, then threads in the order Start was called),
//    yielders in the order they yielded. So Sleep(0) lets every other thread that is
//    ready at the same virtual time run once, in that order, before the caller resumes.
//  - A started thread is ready at the virtual time of its Start, like a sleeper; it
//    first runs when the thread that started it waits.
//  - A thread whose body returns leaves the scheduler after its exit actions have run
//    (OnThreadExit, the per-thread block's release): they too run while the thread
//    holds the baton.
//  - LeaveMain stops every thread still scheduled, one at a time in join order: its
//    pending wait throws ThreadStopped instead of returning, the thread unwinds to its
//    start, its exit actions run, and it leaves. Code between a wait and a
//    thread's body must let that exception pass (no noexcept in between, no catch(...)
//    that swallows it).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Thrown out of a pending wait when the scheduler stops a thread; caught where the
// scheduler started the thread. Never seen by the main thread.
struct ThreadStopped {};

class Scheduler {
 public:
  // Wake time meaning "never": a thread waiting until then is woken only by LeaveMain.
  static constexpr uint64_t kNever = UINT64_MAX;

  // Told each step of virtual time, [fromMs, toMs), before any thread runs at toMs.
  // Runs on the thread that holds the baton; must not wait on the scheduler.
  using TimeListener = std::function<void(uint64_t fromMs, uint64_t toMs)>;

  Scheduler();
  Scheduler(const Scheduler&) = delete;
  Scheduler& operator=(const Scheduler&) = delete;
  ~Scheduler();  // the main thread must have left

  // The calling thread joins as the main thread (join index 0) and holds the baton.
  void JoinAsMain();
  // Stops every other scheduled thread (see above), joins them, and the main thread leaves.
  void LeaveMain();

  // Starts `body` on a new scheduled thread (called by the baton holder). Returns false,
  // with nothing started, when the thread cannot be created.
  bool Start(std::function<void()> body);

  // The calling scheduled thread waits `ms` virtual milliseconds; 0 yields.
  void Sleep(uint32_t ms);
  // The calling scheduled thread waits until virtual time `wakeMs` (at once if past).
  void SleepUntil(uint64_t wakeMs);

  // Virtual milliseconds since the scheduler was made.
  uint64_t NowMs() const { return now_.load(std::memory_order_relaxed); }

  // Whether the calling thread is one of this scheduler's threads.
  bool IsScheduledThread() const;

  // Adds a listener; call while only the main thread is scheduled (at start-up).
  void AddTimeListener(TimeListener listener);

  // Scheduled threads, the main thread included.
  size_t ThreadCount() const;

 private:
  struct Participant;

  void Wait(uint64_t wakeMs, bool yielding);
  void RunThread(Participant* self, std::function<void()> body);
  void Leave(Participant* self);
  Participant* EarliestLocked() const;
  void HandOffLocked(std::unique_lock<std::mutex>& lock, Participant* from);
  void AdvanceLocked(std::unique_lock<std::mutex>& lock, uint64_t toMs);
  Participant* Self() const;
  void JoinFinishedThreads();

  // Guards every field below except now_. Held only for the book-keeping of a hand-off,
  // never while a thread runs its own code or a listener runs.
  mutable std::mutex lock_;
  std::vector<std::unique_ptr<Participant>> participants_;  // join order; main first
  Participant* holder_ = nullptr;                           // the thread that may run
  Participant* main_ = nullptr;
  uint32_t nextJoinIndex_ = 0;
  uint64_t nextYieldTicket_ = 1;  // orders yielders among themselves; 0 marks a sleeper
  bool stopping_ = false;         // LeaveMain is stopping threads: hand-offs go to main
  std::vector<TimeListener> listeners_;
  std::vector<std::thread> finished_;  // threads that left, joined later

  // Written by the baton holder only; read by anyone.
  std::atomic<uint64_t> now_{0};
};
