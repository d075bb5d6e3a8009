#include "host/headless/scheduler.h"

#include <pthread.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>

#include "runtime/threads.h"

// ---- participants ----------------------------------------------------------------

struct Scheduler::Participant {
  uint32_t joinIndex = 0;        // 0 = main; then in the order of Start
  uint64_t wakeMs = 0;           // virtual ms at which a waiting thread becomes ready
  uint64_t yieldTicket = 0;      // 0 for a sleeper; otherwise the order of its yield
  bool waiting = false;          // in a wait (or not yet started): may be picked next
  bool stop = false;             // set by LeaveMain: the thread's waits end, it unwinds
  bool bodyDone = false;         // the body has returned; only its exit actions remain
  std::condition_variable turn;  // signalled when the baton is handed to this thread
  std::thread thread;            // empty for the main thread
};

namespace {

struct ThreadIdentity {
  const Scheduler* owner = nullptr;
  void* participant = nullptr;  // Scheduler::Participant* of `owner`
};
thread_local ThreadIdentity identity;

[[noreturn]] void Fatal(const char* what) {
  std::fprintf(stderr, "headless scheduler: %s\n", what);
  std::abort();
}

}  // namespace

Scheduler::Scheduler() = default;

Scheduler::~Scheduler() {
  if (main_ != nullptr) LeaveMain();
}

Scheduler::Participant* Scheduler::Self() const {
  if (identity.owner != this) return nullptr;
  return static_cast<Participant*>(identity.participant);
}

bool Scheduler::IsScheduledThread() const {
  return Self() != nullptr;
}

size_t Scheduler::ThreadCount() const {
  std::scoped_lock lock(lock_);
  return participants_.size();
}

void Scheduler::AddTimeListener(TimeListener listener) {
  std::scoped_lock lock(lock_);
  listeners_.push_back(std::move(listener));
}

// ---- joining and leaving -------------------------------------------------------------

void Scheduler::JoinAsMain() {
  if (identity.owner != nullptr) Fatal("this thread is already scheduled");
  std::scoped_lock lock(lock_);
  if (main_ != nullptr || nextJoinIndex_ != 0) Fatal("a scheduler takes one main thread, once");
  auto main = std::make_unique<Participant>();
  main->joinIndex = nextJoinIndex_++;
  main_ = holder_ = main.get();
  participants_.push_back(std::move(main));
  identity = {this, main_};
}

void Scheduler::LeaveMain() {
  if (Self() != main_ || main_ == nullptr) Fatal("only the main thread leaves with LeaveMain");
  {
    std::unique_lock lock(lock_);
    stopping_ = true;
    // One thread at a time, in join order: its pending wait throws, it unwinds and
    // leaves, and Leave hands the baton straight back here.
    while (participants_.size() > 1) {
      Participant* next = participants_[1].get();
      next->stop = true;
      holder_ = next;
      next->turn.notify_one();
      main_->turn.wait(lock, [&] { return holder_ == main_; });
    }
    participants_.clear();
    main_ = holder_ = nullptr;
    stopping_ = false;
  }
  identity = {};
  JoinFinishedThreads();
}

void Scheduler::JoinFinishedThreads() {
  std::vector<std::thread> done;
  {
    std::scoped_lock lock(lock_);
    done.swap(finished_);
  }
  for (std::thread& thread : done) thread.join();
}

// ---- starting threads --------------------------------------------------------------

bool Scheduler::Start(std::function<void()> body) {
  if (Self() == nullptr) Fatal("threads are started by a scheduled thread");
  std::scoped_lock lock(lock_);
  auto participant = std::make_unique<Participant>();
  Participant* raw = participant.get();
  raw->joinIndex = nextJoinIndex_++;
  raw->wakeMs = now_.load(std::memory_order_relaxed);
  raw->waiting = true;
  participants_.push_back(std::move(participant));
  try {
    raw->thread = std::thread(&Scheduler::RunThread, this, raw, std::move(body));
  } catch (const std::system_error&) {
    participants_.pop_back();
    return false;
  }
  // Names show up in debuggers and sanitizer reports; 15 characters at most.
  std::string name = "sched-" + std::to_string(raw->joinIndex);
  pthread_setname_np(raw->thread.native_handle(), name.c_str());
  return true;
}

void Scheduler::RunThread(Participant* self, std::function<void()> body) {
  {
    std::unique_lock lock(lock_);
    self->turn.wait(lock, [&] { return holder_ == self; });
    self->waiting = false;
  }
  identity = {this, self};
  if (!self->stop) {
    try {
      body();
    } catch (const ThreadStopped&) {
      // Stopped by LeaveMain inside a wait: the thread ends here.
    }
  }
  // The exit actions (the per-thread block's release among them) and the body's
  // captures go while the thread still holds the baton; then it leaves.
  self->bodyDone = true;
  RunThreadExitActions();
  body = nullptr;
  Leave(self);
}

void Scheduler::Leave(Participant* self) {
  identity = {};
  std::unique_lock lock(lock_);
  auto found = std::find_if(participants_.begin(), participants_.end(),
                            [self](const auto& p) { return p.get() == self; });
  if (found == participants_.end()) Fatal("an unknown thread left");
  finished_.push_back(std::move(self->thread));
  participants_.erase(found);
  if (stopping_) {
    holder_ = main_;
    main_->turn.notify_one();
    return;
  }
  HandOffLocked(lock, nullptr);
}

// ---- waiting and handing off ----------------------------------------------------------

void Scheduler::Sleep(uint32_t ms) {
  if (ms == 0) {
    Wait(NowMs(), true);
    return;
  }
  Wait(NowMs() + ms, false);
}

void Scheduler::SleepUntil(uint64_t wakeMs) {
  Wait(wakeMs, false);
}

void Scheduler::Wait(uint64_t wakeMs, bool yielding) {
  Participant* self = Self();
  if (self == nullptr) Fatal("a thread outside the scheduler waited on virtual time");
  // A stopped thread is unwinding (its exit actions may still delay): waits end at once.
  if (self->stop) return;
  std::unique_lock lock(lock_);
  self->wakeMs = std::max(wakeMs, now_.load(std::memory_order_relaxed));
  self->yieldTicket = yielding ? nextYieldTicket_++ : 0;
  self->waiting = true;
  HandOffLocked(lock, self);
  self->turn.wait(lock, [&] { return holder_ == self; });
  self->waiting = false;
  // A stop that finds the thread in its exit actions lets them finish: no throw there.
  if (self->stop && !self->bodyDone) {
    lock.unlock();
    throw ThreadStopped{};
  }
}

Scheduler::Participant* Scheduler::EarliestLocked() const {
  Participant* best = nullptr;
  for (const auto& p : participants_) {
    if (!p->waiting) continue;
    if (best == nullptr || std::tie(p->wakeMs, p->yieldTicket, p->joinIndex) <
                               std::tie(best->wakeMs, best->yieldTicket, best->joinIndex)) {
      best = p.get();
    }
  }
  return best;
}

// Called by the baton holder `from` (null when it has just left) once it waits: picks
// the next thread, moves virtual time to its wake-up, and passes it the baton.
void Scheduler::HandOffLocked(std::unique_lock<std::mutex>& lock, Participant* from) {
  Participant* next = EarliestLocked();
  if (next == nullptr) Fatal("no scheduled thread is left to run");
  if (next->wakeMs == kNever) Fatal("every scheduled thread waits forever");
  if (next->wakeMs > now_.load(std::memory_order_relaxed)) AdvanceLocked(lock, next->wakeMs);
  holder_ = next;
  if (next != from) next->turn.notify_one();
}

void Scheduler::AdvanceLocked(std::unique_lock<std::mutex>& lock, uint64_t toMs) {
  uint64_t fromMs = now_.load(std::memory_order_relaxed);
  if (!listeners_.empty()) {
    // The caller still holds the baton and every other thread waits for it, so the
    // listeners run alone; the lock is dropped so that they may read NowMs or take
    // locks of their own that a scheduled thread also takes.
    lock.unlock();
    for (const TimeListener& listener : listeners_) listener(fromMs, toMs);
    lock.lock();
  }
  now_.store(toMs, std::memory_order_relaxed);
}
