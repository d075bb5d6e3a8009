#!/usr/bin/env bash
# Key to ear, measured from outside: the game and a minimal SDL2 peer on a virtual
# display (Xvfb) with a PulseAudio null sink whose monitor is recorded, keys injected
# through XTest, everything stamped on CLOCK_MONOTONIC. Also the game's launch to its
# first sound. bench/README.md says what it measures and what it gave.
#
#   bench/latency/key_to_ear.sh [BUILD_DIR]      (as root; BUILD_DIR: build/release)
#
# Environment: PRESSES (per program, default 120), GAP_MS (between a release and the next
# press, "min max", default "1000 1500"), LAUNCHES (default 12), BASELINE (another build's
# quelmire, launched in turn with this one so that both launch figures share one run's
# load), NICE (the niceness the whole rig runs at, default 0: a negative value keeps the
# rest of a busy machine's work away from it), KEEP=1 keeps the run's folder (its
# recordings and every single figure).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
presses=${PRESSES:-120}
launches=${LAUNCHES:-12}
read -r gap_min gap_max <<<"${GAP_MS:-1000 1500}"
baseline=${BASELINE:-}
if [[ -n ${NICE:-} && ${NICE:-0} != 0 ]]; then
  renice -n "$NICE" -p $$ >/dev/null  # everything started from here on inherits it
fi
here=$root/bench/latency

# The rig, from Debian. Never part of the build or the tests.
rig_packages=(xvfb xauth xdotool pulseaudio pulseaudio-utils libpulse-dev libxtst-dev
  libsdl2-dev gcc pkg-config python3-numpy)
missing=()
for package in "${rig_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  if ((EUID != 0)); then
    echo "key_to_ear: run as root, or first: apt-get install ${missing[*]}" >&2
    exit 1
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

game=$build/run/quelmire
assets=$build/run/assets
[[ -x $game && -d $assets ]] || {
  echo "key_to_ear: no $game or $assets; build first:" \
    "cmake --build $build --target quelmire quelmire_assets" >&2
  exit 1
}

run=$(mktemp -d /tmp/key_to_ear.XXXXXX)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  [[ ${KEEP:-0} == 1 ]] && echo "key_to_ear: the run is in $run" || rm -rf "$run"
}
trap cleanup EXIT

loadavg() { cut -d' ' -f1-3 /proc/loadavg; }
echo "key_to_ear: $(date -u '+%Y-%m-%d %H:%M UTC'), niceness $(ps -o ni= -p $$ | tr -d ' '), load average at start $(loadavg)"

# The tools, built here with the rig's compiler.
mkdir -p "$run/bin"
cc_tool() { gcc -O2 -Wall -Wextra -Werror -o "$run/bin/$1" "$here/$1.c" "${@:2}"; }
cc_tool record_monitor $(pkg-config --cflags --libs libpulse-simple)
cc_tool inject_keys -lX11 -lXtst
cc_tool peer $(pkg-config --cflags --libs sdl2)
cc_tool stamp_exec

# The virtual display.
exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1280x800x24 -nolisten tcp >"$run/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 20 -u "$displayfd" display_number || { echo "key_to_ear: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$display_number

# The sound server: a private PulseAudio with one null sink at the game's own format.
export PULSE_RUNTIME_PATH=$run/pulse XDG_RUNTIME_DIR=$run HOME=$run
mkdir -p "$PULSE_RUNTIME_PATH"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disallow-exit \
  --log-target=file:"$run/pulse.log" \
  -L "module-native-protocol-unix socket=$run/pulse/native auth-anonymous=1" \
  -L "module-null-sink sink_name=bench rate=48000 channels=2 format=float32le" \
  -L "module-always-sink" 2>"$run/pulse.err" &
pids+=($!)
export PULSE_SERVER=unix:$run/pulse/native SDL_AUDIODRIVER=pulseaudio
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.2; done
pactl info >/dev/null || { echo "key_to_ear: PulseAudio did not start ($run/pulse.err)" >&2; exit 1; }
pactl set-default-sink bench

"$run/bin/record_monitor" bench.monitor "$run/monitor.f32" "$run/monitor.stamps" \
  2>"$run/record.err" &
recorder=$!
pids+=($recorder)
for _ in $(seq 100); do [[ -s $run/monitor.stamps ]] && break; sleep 0.1; done
[[ -s $run/monitor.stamps ]] || { echo "key_to_ear: the recorder got nothing ($run/record.err)" >&2; exit 1; }
sleep 1

# Waits (at most 30 s) for a window named $1 and gives it the keyboard.
focus_window() {
  local window
  window=$(timeout 30 xdotool search --sync --name "$1" | head -n 1) || true
  [[ -n $window ]] || { echo "key_to_ear: no window '$1' appeared" >&2; return 1; }
  xdotool windowfocus --sync "$window"
}
tap() {
  xdotool keydown "$1"
  sleep 0.15
  xdotool keyup "$1"
}
stop_pid() {
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

# Launch to first sound: the exec is stamped, the title's first sample found in the
# recording. With a baseline, the two programs take turns.
launch() {  # NAME PROGRAM
  "$run/bin/stamp_exec" "$run/launch.$1.exec" "$2" >"$run/launch.$1.log" 2>&1 &
  local pid=$!
  sleep 2.5
  stop_pid "$pid"
  sleep 0.5
}
echo "key_to_ear: $launches launches (load average $(loadavg))"
cd "$build/run"
for i in $(seq -w "$launches"); do
  launch "game.$i" "$game"
  [[ -z $baseline ]] || launch "baseline.$i" "$baseline"
done

# The game in play: Space leaves the title, Escape skips the intro, then Left Ctrl presses
# while standing still (the compass plays only then).
echo "key_to_ear: game, $presses presses (load average $(loadavg))"
"$game" >"$run/game.log" 2>&1 &
pid=$!
pids+=($pid)
focus_window "Vorlent: The Quelmire"
sleep 1.5
tap space
sleep 1.5
tap Escape
sleep 2
"$run/bin/inject_keys" Control_L "$presses" 80 "$gap_min" "$gap_max" "$run/game.keys"
echo "key_to_ear: game done (load average $(loadavg))"
stop_pid "$pid"

# The peer: the same key, the same sound file, the same recorder.
echo "key_to_ear: peer, $presses presses (load average $(loadavg))"
"$run/bin/peer" "$assets/player/compass.wav" >"$run/peer.log" 2>&1 &
pid=$!
pids+=($pid)
focus_window "latency peer"
sleep 1
"$run/bin/inject_keys" Control_L "$presses" 80 "$gap_min" "$gap_max" "$run/peer.keys"
echo "key_to_ear: peer done (load average $(loadavg))"
stop_pid "$pid"

sleep 0.5
stop_pid "$recorder"
/usr/bin/python3 "$here/analyse.py" "$run" "$assets/player/compass.wav"
echo "key_to_ear: load average at end $(loadavg)"
