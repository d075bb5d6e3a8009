// runtime/thread_seam.h - how a new thread is started, behind a seam so that a host
// can run threads under its own scheduler.
// Threads: any thread. Installing happens at start-up, before other threads run.
#pragma once

#include <functional>

class ThreadStarter {
 public:
  virtual ~ThreadStarter() = default;
  // Starts `body` on a new thread that nobody joins. Returns false, with nothing
  // started, when the thread cannot be created.
  virtual bool Start(std::function<void()> body) = 0;
};

// The thread starter in force. Never null: until a host installs one, detached
// std::threads.
ThreadStarter& CurrentThreadStarter();

// Installs `starter` (nullptr restores the default).
void InstallThreadStarter(ThreadStarter* starter);
