#!/usr/bin/env bash
# The Windows build, cross-compiled here with mingw-w64 and tested under Wine.
#
#   scripts/windows.sh          build the libraries (once), the game, the tools, the
#                               tests and build/windows/quelmire-windows.zip
#   scripts/windows.sh test     the same, then every test under Wine, a smoke run of
#                               quelmire.exe on a virtual display, and the world of
#                               one seed and a scripted run's trace from
#                               quelmire-sim.exe against the Linux ones
#
# SDL2, libogg, libvorbis and zlib are Debian's own source packages (the versions and
# patches of the Linux build), fetched into build/windows-deps/ with a private apt source
# list and cross-built there once; libmysofa is Debian's tarball of its upstream source
# (scripts/windows/deps.sh says why not bookworm's); GoogleTest is built from Debian's
# googletest source. Nothing of theirs enters the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh windows
root=$PWD
deps=$root/build/windows-deps
prefix=$deps/prefix
out=$root/build/windows
toolchain=$root/cmake/windows-x86_64.cmake
jobs=$(nproc)
export QUELMIRE_WINDOWS_DEPS=$prefix

source scripts/windows/deps.sh
source scripts/windows/wine.sh
source scripts/windows/smoke.sh
source scripts/windows/notices.sh

# The sound files come from the Linux build (the generator is a build-machine tool),
# and so does the simulator the Windows one is compared with, once the tree has one.
build_linux_side() {
  if [[ ! -f build/release/CMakeCache.txt ]]; then
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQUELMIRE_WERROR=ON >/dev/null
  fi
  local wanted=(quelmire_assets)
  [[ -f tools/sim/CMakeLists.txt ]] && wanted+=(quelmire-sim)
  cmake --build build/release -j "$jobs" --target "${wanted[@]}"
}

build_windows() {
  cmake -S . -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELMIRE_WERROR=ON -DQUELMIRE_BUILD_BENCH=OFF \
    -DQUELMIRE_ASSETS_FROM="$root/build/release/run/assets" >/dev/null
  cmake --build "$out" -j "$jobs"
}

# What a Windows player unpacks: quelmire/quelmire.exe beside quelmire/assets/ and the
# binaural renderer's HRTF set, quelmire/hrtf/default.sofa (libmysofa's own, copied into
# run/ by the build), README.txt, and the notices of the others' work it holds:
# THIRD-PARTY.txt and licenses/. The exe goes without its debugging sections, which the build keeps
# for the tests' stacks.
make_zip() {
  local stage=$out/zip/quelmire zip=$out/quelmire-windows.zip
  if [[ ! -s $out/run/hrtf/default.sofa ]]; then
    echo "windows: the build left no HRTF set in $out/run/hrtf/" >&2
    return 1
  fi
  # A player starts it from Explorer: a windowed program, with no console of its own.
  # (grep reads it all: with pipefail, an early exit would fail objdump's write)
  if ! x86_64-w64-mingw32-objdump -p "$out/run/quelmire.exe" | grep 'Windows GUI' >/dev/null; then
    echo "windows: quelmire.exe is not a windowed (GUI) program" >&2
    return 1
  fi
  rm -rf "$out/zip" "$zip"
  mkdir -p "$stage"
  x86_64-w64-mingw32-strip -o "$stage/quelmire.exe" "$out/run/quelmire.exe"
  cp -r "$out/run/assets" "$stage/assets"
  cp -r "$out/run/hrtf" "$stage/hrtf"
  # The players' text: keys, what they hear, how to report a fault; CR LF for Notepad.
  sed -e "s|@QUELMIRE_CONTACT@|$(cat packaging/contact)|" -e 's/$/\r/' \
    packaging/windows/README.txt >"$stage/README.txt"
  # Other people's work in it: their notices, and a check that none is missing.
  write_notices "$stage"
  check_notices "$stage" "$out/quelmire.map"
  # Reproducible: every entry dated SOURCE_DATE_EPOCH (scripts/package.sh sets it to the
  # commit's time), the entries in a fixed order, no extra attributes.
  if [[ -n ${SOURCE_DATE_EPOCH:-} ]]; then
    find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  fi
  (cd "$out/zip" && find quelmire | LC_ALL=C sort | TZ=UTC zip -q -X -D "$zip" -@)
  echo "== windows: $(du -h "$zip" | cut -f1) $zip"
}

# The world of one seed, from the simulator built both ways: the generator, the world
# and the number text must agree bit for bit. Windows writes its line ends as CR LF.
compare_sim_world() {
  if [[ ! -f $out/run/quelmire-sim.exe ]]; then
    echo "== windows: no quelmire-sim in this tree yet: the worlds are not compared"
    return 0
  fi
  local linux windows
  linux=$(cd build/release/run && ./quelmire-sim --seed 12345 --world)
  windows=$(cd "$out/run" && "$wine64" quelmire-sim.exe --seed 12345 --world | tr -d '\r')
  if [[ "$linux" != "$windows" ]]; then
    echo "windows: the world of seed 12345 differs" >&2
    diff <(echo "$linux") <(echo "$windows") >&2 || true
    return 1
  fi
  echo "== windows: the world of seed 12345 is the same on Linux and Windows"
}

# A minute of scripted play from the same seed, every tick traced (positions, headings,
# stamina, each cue's pan and volume) by both simulators: the same lines, byte for byte.
# Both systems' math libraries must agree on every sine and cosine the game takes.
sim_walk='0 key down W
4000 key up W
4100 key down Right
4600 key up Right
4700 key down W
9000 key up W
9100 key down LShift
9100 key down W
15000 key up W
15000 key up LShift'

compare_sim_trace() {
  [[ -f $out/run/quelmire-sim.exe ]] || return 0
  local folder run
  for folder in build/release "$out"; do echo "$sim_walk" >"$folder/sim-walk.script"; done
  local args=(--seed 12345 --quick-start --script ../sim-walk.script --ms 60000 --trace-ticks)
  (cd build/release/run && ./quelmire-sim "${args[@]}" --trace ../sim-walk.trace >/dev/null)
  (cd "$out/run" && "$wine64" quelmire-sim.exe "${args[@]}" --trace ../sim-walk.trace >/dev/null)
  if ! diff -q build/release/sim-walk.trace <(tr -d '\r' <"$out/sim-walk.trace") >/dev/null; then
    echo "windows: the traces of the scripted run differ; the first difference:" >&2
    diff build/release/sim-walk.trace <(tr -d '\r' <"$out/sim-walk.trace") | head -n 4 >&2
    return 1
  fi
  echo "== windows: the scripted run's trace ($(wc -l <build/release/sim-walk.trace) lines) is the same"
}

# Most tests run with no display, so that the ones about starting without one run too;
# the keyboard tests then get a private display of their own.
run_tests() {
  echo "== tests: windows (under Wine)"
  # As on Linux, a test that fails fails the run: no second try hides a flaky test.
  ctest --test-dir "$out" --output-on-failure -j "$jobs" -E '^WindowsKeys[.]'
  start_display
  ctest --test-dir "$out" --output-on-failure -R '^WindowsKeys[.]'
  smoke_run
  smoke_binaural
  smoke_error_box
  compare_sim_world
  compare_sim_trace
}

build_dependencies
build_linux_side
start_wine
trap 'stop_display; stop_wine' EXIT
build_windows
make_zip
if [[ ${1:-} == test ]]; then run_tests; fi
