#!/usr/bin/env bash
# Builds everything and plays the game from its run folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)"

game=build/release/run/quelmire
if [[ ! -x "$game" ]]; then
  echo "Everything that exists is built, but the game itself is not built yet:"
  echo "so far: the runtime core, platform, input, the sound engine, both hosts and the"
  echo "sound files in build/release/run/assets/, all tested by scripts/test.sh."
  exit 0
fi
cd "$(dirname "$game")"
exec ./quelmire
