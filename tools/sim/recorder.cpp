#include "tools/sim/recorder.h"

#include "game/state.h"
#include "host/headless/headless_host.h"
#include "tools/sim/json_text.h"
#include "tools/sim/world_line.h"

namespace {

std::string Int(int64_t value) {
  return std::to_string(value);
}

std::string Field(const char* name, const std::string& value) {
  return std::string("\"") + name + "\":" + value;
}

const char* ThreadName(bool stalker) {
  return stalker ? "\"stalker\"" : "\"main\"";
}

// A static layer's state: its volume, or "stop".
std::string LayerState(int32_t volume) {
  return volume < 0 ? "\"stop\"" : Int(volume);
}

}  // namespace

const char* EndCauseName(EndCause cause) {
  switch (cause) {
    case EndCause::kEscape:
      return "escape";
    case EndCause::kDeath:
      return "death";
    case EndCause::kOutro:
      return "outro";
    case EndCause::kStartup:
      break;
  }
  return "startup";
}

EndCause Recorder::Cause() const {
  std::scoped_lock lock(lock_);
  return cause_;
}

void Recorder::Emit(const char* event, const std::string& fields) {
  EmitAt(host_.NowMs(), event, fields);
}

void Recorder::EmitAt(uint64_t ms, const char* event, const std::string& fields) {
  std::string line = "{\"ms\":" + Int(static_cast<int64_t>(ms)) + ",\"event\":\"" + event + "\"";
  if (!fields.empty()) line += "," + fields;
  line += "}";
  host_.trace().Write(line);
}

void Recorder::CueStarted(const CueReport& cue) {
  std::string listener = "{\"x\":" + JsonFloat(cue.listenerX) +
                         ",\"y\":" + JsonFloat(cue.listenerY) + "," +
                         Field("heading", Int(cue.listenerHeading)) + "}";
  std::scoped_lock lock(lock_);
  Emit("cue", Field("thread", ThreadName(cue.stalkerThread)) + "," +
                  Field("name", JsonString(cue.name)) + "," + Field("slot", Int(cue.slot)) + "," +
                  Field("nonPositional", Int(cue.placement)) + "," + Field("x", JsonFloat(cue.x)) +
                  "," + Field("y", JsonFloat(cue.y)) + "," + Field("listener", listener) + "," +
                  Field("sound", Int(cue.sound)) + "," + Field("pan", Int(cue.pan)) + "," +
                  Field("volume", Int(cue.volume)));
}

void Recorder::CueDropped(const CueDropReport& drop) {
  std::scoped_lock lock(lock_);
  Emit("cue_dropped", Field("thread", ThreadName(drop.stalkerThread)) + "," +
                          Field("name", JsonString(drop.name)) + "," +
                          Field("x", JsonFloat(drop.x)) + "," + Field("y", JsonFloat(drop.y)) +
                          "," + Field("distance", Int(drop.distance)));
}

void Recorder::PlayStarted() {
  std::scoped_lock lock(lock_);
  map_.TakeWorld();
  // The world as --world prints it, so that a trace carries its own map.
  Emit("play", Field("world", WorldLine(map_.seed)));
}

void Recorder::TickEnded(int64_t tick) {
  GameGlobals& g = Game();
  const Player& p = g.player;
  const Stalker& s = g.stalker;
  std::scoped_lock lock(lock_);
  MapRecord::Extend(map_.playerPath, {p.x, p.y});
  if (stalkerActive_ && s.active == 1 && !map_.stalkerPaths.empty()) {
    MapRecord::Extend(map_.stalkerPaths.back(), {s.x, s.y});
  }
  if (!traceTicks_) return;
  std::string player =
      "{" + Field("x", JsonFloat(p.x)) + "," + Field("y", JsonFloat(p.y)) + "," +
      Field("heading", Int(p.heading)) + "," + Field("stamina", JsonFloat(p.stamina)) + "," +
      Field("running", Int(p.running)) + "," + Field("direction", Int(p.direction)) + "," +
      Field("speed", JsonFloat(p.speed)) + "}";
  std::string stalker = "{" + Field("active", Int(s.active)) + "," + Field("x", JsonFloat(s.x)) +
                        "," + Field("y", JsonFloat(s.y)) + "}";
  Emit("tick", Field("tick", Int(tick)) + "," + Field("player", player) + "," +
                   Field("pages", Int(g.pagesCollected)) + "," + Field("stalker", stalker));
}

void Recorder::PageTaken(int32_t page, int32_t pages) {
  std::scoped_lock lock(lock_);
  if (page >= 1 && page <= 8) map_.pages[page - 1].taken = true;
  Emit("page_taken", Field("page", Int(page)) + "," + Field("pages", Int(pages)));
}

void Recorder::LayerStarted(int32_t layer) {
  std::scoped_lock lock(lock_);
  Emit("layer", Field("layer", Int(layer)));
}

void Recorder::StalkerAppeared(float x, float y, int32_t distance) {
  std::scoped_lock lock(lock_);
  stalkerActive_ = true;
  map_.stalkerPaths.push_back({{x, y}});
  Emit("stalker_appear", Field("x", JsonFloat(x)) + "," + Field("y", JsonFloat(y)) + "," +
                             Field("distance", Int(distance)));
}

void Recorder::StalkerVanished(float x, float y) {
  std::scoped_lock lock(lock_);
  stalkerActive_ = false;
  map_.vanishings.push_back({x, y});
  Emit("stalker_vanish", Field("x", JsonFloat(x)) + "," + Field("y", JsonFloat(y)));
}

void Recorder::StaticChanged(int32_t distance, int32_t outer, int32_t inner) {
  std::scoped_lock lock(lock_);
  Emit("static", Field("distance", Int(distance)) + "," + Field("outer", LayerState(outer)) + "," +
                     Field("inner", LayerState(inner)));
}

void Recorder::SettingChanged(const std::string& key, int32_t value) {
  std::scoped_lock lock(lock_);
  Emit("setting", Field("key", "\"" + key + "\"") + "," + Field("value", Int(value)));
}

void Recorder::Death(float x, float y) {
  std::scoped_lock lock(lock_);
  map_.death = MapPoint{x, y};
  if (!map_.stalkerPaths.empty()) {
    const Stalker& s = Game().stalker;
    MapRecord::Extend(map_.stalkerPaths.back(), {s.x, s.y});
  }
  Emit("death", Field("x", JsonFloat(x)) + "," + Field("y", JsonFloat(y)));
}

void Recorder::OutroStarted() {
  std::scoped_lock lock(lock_);
  Emit("outro", "");
}

void Recorder::Ending(EndCause cause, int32_t code) {
  std::scoped_lock lock(lock_);
  cause_ = cause;
  Emit("ending", Field("cause", std::string("\"") + EndCauseName(cause) + "\"") + "," +
                     Field("code", Int(code)));
}

void Recorder::WriteExit(int32_t code, std::optional<std::string> cause,
                         std::optional<uint64_t> ms) {
  std::scoped_lock lock(lock_);
  std::string name = cause ? *cause : EndCauseName(cause_);
  EmitAt(ms ? *ms : host_.NowMs(), "exit",
         Field("code", Int(code)) + "," + Field("cause", JsonString(name)));
}

MapRecord Recorder::Map() const {
  std::scoped_lock lock(lock_);
  return map_;
}
