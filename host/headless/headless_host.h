// host/headless/headless_host.h - the headless host: the game's platform for tests and the
// simulator, where a run is a pure function of its inputs.
//
// Owns: the deterministic scheduler and its virtual clock (host/headless/scheduler.h),
//       the input script and the scripted keyboard and mouse (input_script.h,
//       scripted_input.h), the recorded window system (recorded_window.h), the run's
//       trace (trace.h) and the offline audio output (host/audio/offline_audio_output.h),
//       which renders the mix for every step of virtual time. While installed they answer
//       the clock, thread-start, window system, input source and audio output seams.
// Threads: Install, Uninstall and the set-up calls run on the thread that becomes the
//          game's main thread; the game's threads then run one at a time (see
//          scheduler.h for the order).
// Depends on: runtime, platform, input and audio (the seams it answers), host/audio.
//
// Use:
//   HeadlessHost host;              // or HeadlessHost host(options)
//   host.LoadInputScript(text);     // optional; returns the malformed lines
//   host.trace().OpenFile(path);    // optional; the trace is kept in memory anyway
//   host.audio().StreamToWav(path); // optional; the mix is kept in memory anyway
//   host.AddTimeListener(...);      // optional: told each step of virtual time
//   host.Install();                 // this thread is now the scheduled main thread
//   ... run the game's main part: DelayMs, ThreadCreate ... are virtual ...
//   host.Uninstall();               // stops the other threads, closes the sound engine
//                                   // if the run left it open, restores the seams
// or simply RunHeadless(options, [] { ... main part ... }).
//
// A run that ends the process with exit() leaves its threads parked; they end with the
// process. Keep the host out of static storage then (a local of main, or the heap), so
// that no destructor stops threads while the process is going down.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/headless/input_script.h"
#include "host/headless/scheduler.h"
#include "host/headless/trace.h"

struct HeadlessOptions {
  // What the clock (ElapsedMs) reads at virtual time 0; ms, any 32-bit value.
  uint32_t clockOriginMs = 0;
  // Desktop 0, the only display: pixels, 1 and up (smaller values count as 1).
  int32_t desktopWidth = 1920;
  int32_t desktopHeight = 1080;
  // Whether a mouse is attached (MouseInit fails without one).
  bool mousePresent = true;
  // Whether a keyboard can be opened (KeyboardInit fails without one).
  bool keyboardPresent = true;
  // Display modes the display offers once started; 0 makes ScreenInit fail.
  int32_t displayModes = 1;
  // Frames per second of the offline audio output, 8000 .. 192000.
  int32_t audioRate = 48000;
};

class OfflineAudioOutput;
class VirtualClock;
class ScheduledThreadStarter;
class ScriptFeed;
class ScriptedInput;
class RecordedSpeech;
class RecordedWindowSystem;

class HeadlessHost {
 public:
  explicit HeadlessHost(HeadlessOptions options = {});
  HeadlessHost(const HeadlessHost&) = delete;
  HeadlessHost& operator=(const HeadlessHost&) = delete;
  ~HeadlessHost();  // uninstalls when still installed

  // The calling thread becomes the scheduled main thread at virtual time 0, and the
  // clock, thread-start, window system, input source and audio output seams answer
  // from this host. Once per host.
  void Install();
  // Stops every other scheduled thread, shuts the sound engine down if it still runs on
  // this host's output, restores the default seams. On the thread that installed.
  void Uninstall();
  bool Installed() const { return scheduler_ != nullptr; }

  // Takes the input script for the run (before or after Install; times count from
  // Install). Returns the malformed lines; when there are any, the script is not taken
  // and the previous one (none at first) stays.
  std::vector<ScriptError> LoadInputScript(std::string_view text);
  // The same from a file; a file that cannot be read is one error with line 0.
  std::vector<ScriptError> LoadInputScriptFile(const std::string& path);
  // Adds events to the script (a live run's input, at the present virtual time or
  // later): after every event of the same or an earlier time, as if the script had
  // held them from the start. Before Install or from the thread holding the baton.
  void AppendInput(const std::vector<ScriptEvent>& events);
  // Input events not yet played (the whole script before Install).
  size_t PendingInput() const;

  // Called with each step of virtual time [fromMs, toMs), on the thread holding the
  // baton, before any thread runs at toMs, after the audio output has rendered the
  // step. Add before Install or from the main thread.
  void AddTimeListener(Scheduler::TimeListener listener);

  // Virtual milliseconds since Install; 0 when not installed.
  uint64_t NowMs() const;

  // The run's trace: windows opened and painted, message boxes; anyone may add lines.
  Trace& trace() { return trace_; }
  // The audio output SoundInit opens while the host is installed: every step of virtual
  // time renders exactly that step's frames of the mix while the engine runs.
  OfflineAudioOutput& audio() { return *audio_; }

  // Only while installed:
  Scheduler& scheduler() { return *scheduler_; }
  RecordedWindowSystem& windows() { return *windows_; }
  RecordedSpeech& speech() { return *speech_; }
  ScriptedInput& input() { return *input_; }

 private:
  HeadlessOptions options_;
  bool used_ = false;
  std::vector<Scheduler::TimeListener> listeners_;
  std::vector<ScriptEvent> script_;
  Trace trace_;
  std::unique_ptr<OfflineAudioOutput> audio_;
  std::unique_ptr<Scheduler> scheduler_;
  std::unique_ptr<VirtualClock> clock_;
  std::unique_ptr<ScheduledThreadStarter> starter_;
  std::unique_ptr<ScriptFeed> feed_;
  std::unique_ptr<RecordedWindowSystem> windows_;
  std::unique_ptr<ScriptedInput> input_;
  std::unique_ptr<RecordedSpeech> speech_;
};

// Installs a host with `options`, runs `mainPart` on the calling thread as the main
// thread, and uninstalls. Returns the virtual milliseconds the run took.
uint64_t RunHeadless(const HeadlessOptions& options, const std::function<void()>& mainPart);
