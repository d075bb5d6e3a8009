#include "host/headless/headless_host.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "host/headless/virtual_clock.h"
#include "runtime/clock_seam.h"
#include "runtime/thread_seam.h"

HeadlessHost::HeadlessHost(HeadlessOptions options) : options_(options) {}

HeadlessHost::~HeadlessHost() {
  if (Installed()) Uninstall();
}

void HeadlessHost::Install() {
  if (used_) {
    std::fprintf(stderr, "headless host: a host is installed once; make a new one\n");
    std::abort();
  }
  used_ = true;
  scheduler_ = std::make_unique<Scheduler>();
  for (auto& listener : listeners_) scheduler_->AddTimeListener(listener);
  scheduler_->JoinAsMain();
  clock_ = std::make_unique<VirtualClock>(*scheduler_, options_.clockOriginMs);
  starter_ = std::make_unique<ScheduledThreadStarter>(*scheduler_);
  InstallClock(clock_.get());
  InstallThreadStarter(starter_.get());
}

void HeadlessHost::Uninstall() {
  if (!Installed()) return;
  // Threads stop first: their exit actions may still read the clock.
  scheduler_->LeaveMain();
  InstallThreadStarter(nullptr);
  InstallClock(nullptr);
  starter_.reset();
  clock_.reset();
  scheduler_.reset();
}

void HeadlessHost::AddTimeListener(Scheduler::TimeListener listener) {
  if (Installed()) scheduler_->AddTimeListener(listener);
  listeners_.push_back(std::move(listener));
}

uint64_t HeadlessHost::NowMs() const {
  return Installed() ? scheduler_->NowMs() : 0;
}

uint64_t RunHeadless(const HeadlessOptions& options, const std::function<void()>& mainPart) {
  HeadlessHost host(options);
  host.Install();
  mainPart();
  uint64_t elapsed = host.NowMs();
  host.Uninstall();
  return elapsed;
}
