#!/usr/bin/env bash
# The ear player: plays one game per seed through quelmire-sim's live mode, hearing
# only the stereo mix and the spoken coordinates, and prints one JSON line per game
# ({"seed":N,"pages":K,"cause":"outro"|"death"|"time","ms":T}), then a summary line.
#   scripts/earbot.sh SEED...          e.g. scripts/earbot.sh $(seq 1 40)
#   EARBOT_MAX_MS=N                    the virtual time a game may last (default 300000)
#   EARBOT_LOG=1                       what it hears and does, on standard error
#   EARBOT_NOTES=DIR                   its notebook (what it heard, believed, did) per game
#   EARBOT_BINAURAL=1                  with headphones on: the game's ring, still listens
# Builds the simulator and the sound files first (build/release, as scripts/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
[[ $# -gt 0 ]] || { echo "usage: scripts/earbot.sh SEED..." >&2; exit 2; }
build=build/release
if [[ ! -f $build/build.ninja ]]; then
  cmake -S . -B $build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
fi
nice cmake --build $build -j2 --target quelmire-sim quelmire_assets >&2
log=()
[[ -n "${EARBOT_LOG:-}" ]] && log=(--log)
[[ -n "${EARBOT_NOTES:-}" ]] && log+=(--notes "$EARBOT_NOTES")
[[ -n "${EARBOT_BINAURAL:-}" ]] && log+=(--binaural)
# Debian's Python, which has NumPy (scripts/ensure-packages.sh).
exec /usr/bin/python3 tools/earbot/earbot.py --sim $build/run/quelmire-sim \
  --run-dir $build/run "${log[@]}" "$@"
