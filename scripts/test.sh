#!/usr/bin/env bash
# Builds and runs the whole test suite in three builds: optimised, AddressSanitizer
# with UndefinedBehaviorSanitizer, and ThreadSanitizer for the tests that start
# threads; then the Windows build under Wine. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh

# No sound card or display is needed: SDL falls back to its dummy drivers.
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

jobs=$(nproc)

configure_and_build() {
  local folder=$1; shift
  cmake -S . -B "build/$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUELMIRE_WERROR=ON "$@" >/dev/null
  cmake --build "build/$folder" -j "$jobs"
}

run_tests() {
  local folder=$1; shift
  echo "== tests: $folder"
  ctest --test-dir "build/$folder" --output-on-failure -j "$jobs" "$@"
}

configure_and_build release
run_tests release

# The Debian package packed from the release build: its files, control fields, menu
# entry and metainfo, and lintian without errors.
scripts/package.sh check build/release

configure_and_build asan -DQUELMIRE_SANITIZE=address -DQUELMIRE_BUILD_BENCH=OFF
run_tests asan

# The fuzzers (clang, libFuzzer with ASan and UBSan): the sound loader for 60 s, the live
# mode's command reader and the input-script parser for a third of that each.
fuzz/run.sh 60

configure_and_build tsan -DQUELMIRE_SANITIZE=thread -DQUELMIRE_BUILD_BENCH=OFF
run_tests tsan -L threads

# The Windows build: cross-compiled with mingw-w64, its tests and a smoke run under Wine,
# and the simulator's world and trace compared with the Linux build's.
scripts/windows.sh test
