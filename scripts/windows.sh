#!/usr/bin/env bash
# The Windows build, cross-compiled here with mingw-w64 and tested under Wine.
#
#   scripts/windows.sh          build the libraries (once), the game, the tools, the
#                               tests and build/windows/quelmire-windows.zip
#   scripts/windows.sh test     the same, then every test under Wine and a smoke run
#                               of quelmire.exe on a virtual display
#
# SDL2, libogg and libvorbis are Debian's own source packages (the versions and patches
# of the Linux build), fetched into build/windows-deps/ with a private apt source list
# and cross-built there once; GoogleTest is built from Debian's googletest source.
# Nothing of theirs enters the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
deps=$root/build/windows-deps
prefix=$deps/prefix
out=$root/build/windows
toolchain=$root/cmake/windows-x86_64.cmake
jobs=$(nproc)
targets=()
export QUELMIRE_WINDOWS_DEPS=$prefix

source scripts/windows/deps.sh
source scripts/windows/wine.sh

# The sound files come from the Linux build (the generator is a build-machine tool).
build_linux_assets() {
  if [[ ! -f build/release/CMakeCache.txt ]]; then
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQUELMIRE_WERROR=ON >/dev/null
  fi
  cmake --build build/release -j "$jobs" --target quelmire_assets
}

build_game() {
  cmake -S . -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELMIRE_WERROR=ON -DQUELMIRE_BUILD_BENCH=OFF \
    -DQUELMIRE_ASSETS_FROM="$root/build/release/run/assets" >/dev/null
  cmake --build "$out" -j "$jobs" "$@"
}

build_dependencies
build_linux_assets
build_game "${targets[@]}"
