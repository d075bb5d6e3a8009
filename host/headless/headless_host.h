// host/headless/headless_host.h - the headless host: the game's platform for tests and the
// simulator, where a run is a pure function of its inputs.
//
// Owns: the deterministic scheduler and its virtual clock (host/headless/scheduler.h),
//       and the seams it installs while it is installed.
// Threads: Install, Uninstall and the set-up calls run on the thread that becomes the
//          game's main thread; the game's threads then run one at a time (see
//          scheduler.h for the order).
// Depends on: runtime (clock and thread-start seams).
//
// Use:
//   HeadlessHost host;              // or HeadlessHost host(options)
//   host.AddTimeListener(...);      // optional, e.g. the offline audio output
//   host.Install();                 // this thread is now the scheduled main thread
//   ... run the game's main part: DelayMs, ThreadCreate ... are virtual ...
//   host.Uninstall();               // stops the other threads, restores the seams
// or simply RunHeadless(options, [] { ... main part ... }).
//
// A run that ends the process with exit() leaves its threads parked; they end with the
// process. Keep the host out of static storage then (a local of main, or the heap), so
// that no destructor stops threads while the process is going down.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "host/headless/scheduler.h"

struct HeadlessOptions {
  // What the clock (ElapsedMs) reads at virtual time 0; ms, any 32-bit value.
  uint32_t clockOriginMs = 0;
};

class VirtualClock;
class ScheduledThreadStarter;

class HeadlessHost {
 public:
  explicit HeadlessHost(HeadlessOptions options = {});
  HeadlessHost(const HeadlessHost&) = delete;
  HeadlessHost& operator=(const HeadlessHost&) = delete;
  ~HeadlessHost();  // uninstalls when still installed

  // The calling thread becomes the scheduled main thread at virtual time 0, and the
  // clock and thread-start seams answer from the scheduler. Once per host.
  void Install();
  // Stops every other scheduled thread, restores the default seams.
  void Uninstall();
  bool Installed() const { return scheduler_ != nullptr; }

  // Called with each step of virtual time [fromMs, toMs), on the thread holding the
  // baton, before any thread runs at toMs. Add before Install or from the main thread.
  void AddTimeListener(Scheduler::TimeListener listener);

  // Virtual milliseconds since Install; 0 when not installed.
  uint64_t NowMs() const;

  // The scheduler of the current installation; only while installed.
  Scheduler& scheduler() { return *scheduler_; }

 private:
  HeadlessOptions options_;
  bool used_ = false;
  std::vector<Scheduler::TimeListener> listeners_;
  std::unique_ptr<Scheduler> scheduler_;
  std::unique_ptr<VirtualClock> clock_;
  std::unique_ptr<ScheduledThreadStarter> starter_;
};

// Installs a host with `options`, runs `mainPart` on the calling thread as the main
// thread, and uninstalls. Returns the virtual milliseconds the run took.
uint64_t RunHeadless(const HeadlessOptions& options, const std::function<void()>& mainPart);
