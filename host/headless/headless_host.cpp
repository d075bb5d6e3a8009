#include "host/headless/headless_host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <utility>

#include "audio/audio_output.h"
#include "audio/sound.h"
#include "host/audio/offline_audio_output.h"
#include "host/headless/recorded_speech.h"
#include "host/headless/recorded_window.h"
#include "host/headless/script_feed.h"
#include "host/headless/scripted_input.h"
#include "host/headless/virtual_clock.h"
#include "host/host.h"

HeadlessHost::HeadlessHost(HeadlessOptions options)
    : options_(options), audio_(std::make_unique<OfflineAudioOutput>(options.audioRate)) {}

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
  // The mix first, so that later listeners see the step's sound already rendered.
  scheduler_->AddTimeListener([output = audio_.get()](uint64_t fromMs, uint64_t toMs) {
    for (uint64_t left = toMs - fromMs; left > 0;) {
      auto step = static_cast<uint32_t>(std::min<uint64_t>(left, UINT32_MAX));
      output->Advance(step);
      left -= step;
    }
  });
  for (auto& listener : listeners_) scheduler_->AddTimeListener(listener);
  scheduler_->JoinAsMain();
  clock_ = std::make_unique<VirtualClock>(*scheduler_, options_.clockOriginMs);
  starter_ = std::make_unique<ScheduledThreadStarter>(*scheduler_);

  DesktopRecord desktop;
  desktop.width = std::max(options_.desktopWidth, 1);
  desktop.height = std::max(options_.desktopHeight, 1);
  desktop.refreshHz = 60;
  desktop.depthBits = 32;
  desktop.name = "headless";
  feed_ = std::make_unique<ScriptFeed>(*scheduler_);
  windows_ = std::make_unique<RecordedWindowSystem>(*scheduler_, *feed_, trace_, desktop,
                                                    options_.displayModes);
  input_ = std::make_unique<ScriptedInput>(*feed_, *windows_, options_.mousePresent,
                                           options_.keyboardPresent);
  speech_ = std::make_unique<RecordedSpeech>(*scheduler_, trace_);
  feed_->Attach(input_.get(), windows_.get());
  feed_->Load(script_);

  HostServices services;
  services.clock = clock_.get();
  services.threads = starter_.get();
  services.windows = windows_.get();
  services.input = input_.get();
  services.speech = speech_.get();
  services.audio = audio_.get();
  InstallHost(services);
}

void HeadlessHost::Uninstall() {
  if (!Installed()) return;
  // Threads stop first: their exit actions may still read the clock.
  scheduler_->LeaveMain();
  // A run that left the engine open on this output must not leave it pulling a device
  // that goes away with the host; SoundShutdown does nothing when the engine is closed.
  if (InstalledAudioOutput() == audio_.get()) SoundShutdown();
  UninstallHost();
  input_.reset();
  speech_.reset();
  windows_.reset();
  feed_.reset();
  starter_.reset();
  clock_.reset();
  scheduler_.reset();
}

std::vector<ScriptError> HeadlessHost::LoadInputScript(std::string_view text) {
  InputScript script = ParseInputScript(text);
  if (!script.errors.empty()) return script.errors;
  script_ = std::move(script.events);
  if (Installed()) feed_->Load(script_);
  return {};
}

std::vector<ScriptError> HeadlessHost::LoadInputScriptFile(const std::string& path) {
  std::string text;
  if (std::string error = ReadScriptFile(path, text); !error.empty()) return {{0, error}};
  return LoadInputScript(text);
}

void HeadlessHost::AppendInput(const std::vector<ScriptEvent>& events) {
  if (Installed()) {
    feed_->Append(events);
    return;
  }
  for (const ScriptEvent& event : events) InsertByTime(script_, 0, event);
}

size_t HeadlessHost::PendingInput() const {
  return Installed() ? feed_->Pending() : script_.size();
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
