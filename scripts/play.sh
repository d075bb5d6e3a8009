#!/usr/bin/env bash
# Builds the game and its sound files, and plays it from its run folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)" --target quelmire quelmire_assets

cd build/release/run
exec ./quelmire
