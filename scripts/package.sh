#!/usr/bin/env bash
# The packages a player installs.
#
#   scripts/package.sh              build/package/quelmire_<version>_amd64.deb and
#                                   build/windows/quelmire-windows.zip
#   scripts/package.sh deb          the Debian package alone
#   scripts/package.sh twice        the Debian package from two clean builds: the same bytes
#   scripts/package.sh check [DIR]  packs an existing build (default build/release) and
#                                   checks the package: its files, its control fields,
#                                   lintian (no errors), the menu entry and the metainfo,
#                                   and the simulator run from it without --assets
#   scripts/package.sh chroot DEB   installs DEB on a clean Debian 12 (debootstrap), plays
#                                   its title from / under Xvfb, removes it (root, network)
#
# Reproducible: timestamps come from SOURCE_DATE_EPOCH, the time of the last commit
# unless set, so two builds of one commit give byte-identical packages.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export TZ=UTC LC_ALL=C.UTF-8

# The Debian package from its own build, with Debian's hardening flags; the tests and
# benchmarks are left out (scripts/test.sh runs them on the same code).
build_deb() {
  local build=$root/build/package-build
  local cppflags ldflags
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  cppflags=$(dpkg-buildflags --get CPPFLAGS)
  ldflags=$(dpkg-buildflags --get LDFLAGS)
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELMIRE_PACKAGE=ON \
    -DQUELMIRE_BUILD_TESTS=OFF -DQUELMIRE_BUILD_BENCH=OFF \
    -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
  nice cmake --build "$build" -j 2
  pack "$build"
  mkdir -p build/package
  rm -f build/package/quelmire_*.deb
  cp "$build"/cpack/quelmire_*.deb build/package/
  echo "== package: $(du -h build/package/quelmire_*.deb | cut -f1) $(ls build/package/quelmire_*.deb)"
}

# CPack's DEB generator over the build's install rules; dpkg-shlibdeps computes Depends.
pack() {
  local build=$1
  rm -rf "$build/cpack"
  (cd "$build" && cpack -G DEB -B "$build/cpack" >/dev/null)
}

twice() {
  build_deb
  local first=build/package/first.deb
  cp build/package/quelmire_*.deb "$first"
  rm -rf build/package-build
  build_deb
  if cmp "$first" build/package/quelmire_*.deb; then
    echo "== package: two clean builds gave the same bytes ($(sha256sum "$first" | cut -c1-16))"
    rm -f "$first"
  else
    echo "package: two builds of one commit differ (kept $first)" >&2
    return 1
  fi
}

# ---- the package's checks ------------------------------------------------------------

fail() {
  echo "package check: $*" >&2
  failed=1
}

check_files() {
  local deb=$1 assets=$2 list
  list=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|')
  local wanted=(
    /usr/games/quelmire
    /usr/lib/games/quelmire/quelmire-sim
    /usr/lib/games/quelmire/quelmire-soundinfo
    /usr/share/applications/org.quelmire.Quelmire.desktop
    /usr/share/metainfo/org.quelmire.Quelmire.metainfo.xml
    /usr/share/icons/hicolor/scalable/apps/quelmire.svg
    /usr/share/man/man6/quelmire.6.gz
    /usr/share/doc/quelmire/copyright
    /usr/share/doc/quelmire/changelog.gz
  )
  # Every sound file the build made, under the data folder.
  local file
  while IFS= read -r file; do
    wanted+=("/usr/share/games/quelmire/assets/${file#./}")
  done < <(cd "$assets" && find . -type f | sort)
  for file in "${wanted[@]}"; do
    grep -qxF "$file" <<<"$list" || fail "$file is missing"
  done
  local stray
  stray=$(grep -v -e '/$' -e '^/usr/games/' -e '^/usr/lib/games/quelmire/' \
    -e '^/usr/share/games/quelmire/assets/' -e '^/usr/share/applications/' \
    -e '^/usr/share/metainfo/' -e '^/usr/share/icons/' -e '^/usr/share/man/man6/' \
    -e '^/usr/share/doc/quelmire/' <<<"$list" || true)
  [[ -z $stray ]] || fail "unexpected files: $stray"
  # Small to download: the long sounds are Ogg Vorbis.
  local bytes
  bytes=$(stat -c %s "$deb")
  ((bytes < 15 * 1024 * 1024)) || fail "$bytes bytes: not well under 15 MB"
}

check_control() {
  local deb=$1 field
  field=$(dpkg-deb -f "$deb" Depends)
  for library in libsdl2 libspeechd libvorbisfile libmysofa1 libc6 libstdc++6; do
    grep -q "$library" <<<"$field" || fail "Depends lacks $library: $field"
  done
  grep -q speech-dispatcher <<<"$(dpkg-deb -f "$deb" Recommends)" ||
    fail "speech-dispatcher is not recommended"
  [[ $(dpkg-deb -f "$deb" Section) == games ]] || fail "section is not games"
  [[ $(dpkg-deb -f "$deb" Architecture) == amd64 ]] || fail "architecture is not amd64"
}

check_metadata() {
  local deb=$1 unpacked
  unpacked=$(mktemp -d)
  dpkg-deb -x "$deb" "$unpacked"
  local desktop=$unpacked/usr/share/applications/org.quelmire.Quelmire.desktop
  desktop-file-validate "$desktop" || fail "the menu entry is not valid"
  grep -qx 'Categories=Game;.*' "$desktop" || fail "the menu entry is not in Game"
  # The entry and each of its actions (headphones) start a program of the package.
  local exec program
  while read -r exec; do
    program=${exec%% *}
    [[ -x $unpacked$program ]] || fail "the menu entry starts $program, which the package lacks"
  done < <(sed -n 's/^Exec=//p' "$desktop")
  appstreamcli validate --no-net --pedantic \
    "$unpacked/usr/share/metainfo/org.quelmire.Quelmire.metainfo.xml" >/dev/null ||
    fail "the AppStream metainfo is not valid"
  # The long sounds are Ogg Vorbis content under their own names.
  local title=$unpacked/usr/share/games/quelmire/assets/title.wav
  [[ $(head -c 4 "$title") == OggS ]] || fail "title.wav is not Ogg Vorbis content"
  rm -rf "$unpacked"
}

# The simulator as installed finds the installed sounds by itself, started from a folder
# with none (a developer replaying a player's report runs it so): the package's layout
# unpacked under a folder of its own, which the search sees as any prefix.
check_installed_sim() {
  local deb=$1 unpacked status=0 output
  unpacked=$(mktemp -d)
  dpkg-deb -x "$deb" "$unpacked/root"
  mkdir "$unpacked/home"
  output=$(cd "$unpacked/home" && timeout 120 "$unpacked/root/usr/lib/games/quelmire/quelmire-sim" \
    --seed 2 --quick-start --ms 2000 2>&1) || status=$?
  ((status == 0)) ||
    fail "quelmire-sim without --assets ended with status $status: $output"
  rm -rf "$unpacked"
}

check_lintian() {
  local deb=$1 report
  # lintian leaves a cache file in its TMPDIR each run: a scratch folder, removed after.
  local scratch
  scratch=$(dirname "$deb")/lintian-scratch
  rm -rf "$scratch" && mkdir -p "$scratch"
  report=$(TMPDIR=$scratch lintian --tag-display-limit 0 "$deb" 2>&1 || true)
  rm -rf "$scratch"
  [[ -z $report ]] || echo "$report"
  ! grep -q '^E:' <<<"$report" || fail "lintian reports errors"
}

check() {
  local build=${1:-build/release}
  build=$(cd "$build" && pwd)
  cmake -S . -B "$build" -DQUELMIRE_PACKAGE=ON >/dev/null
  cmake --build "$build" -j 2 --target quelmire quelmire-sim quelmire-soundinfo quelmire_assets \
    quelmire_package_files
  pack "$build"
  local deb
  deb=$(ls "$build"/cpack/quelmire_*_amd64.deb)
  failed=0
  check_files "$deb" "$build/run/assets"
  check_control "$deb"
  check_metadata "$deb"
  check_installed_sim "$deb"
  check_lintian "$deb"
  ((failed == 0)) || return 1
  echo "== package: $(basename "$deb") holds what it should; lintian found no error"
}

case ${1:-all} in
  all)
    scripts/ensure-packages.sh package
    build_deb
    scripts/ensure-packages.sh windows
    nice scripts/windows.sh
    ;;
  deb) scripts/ensure-packages.sh package && build_deb ;;
  twice) scripts/ensure-packages.sh package && twice ;;
  check) scripts/ensure-packages.sh package && check "${2:-}" ;;
  chroot) scripts/ensure-packages.sh chroot && exec scripts/package/chroot-test.sh "${2:?DEB}" ;;
  *)
    echo "usage: scripts/package.sh [all|deb|twice|check [BUILD]|chroot DEB]" >&2
    exit 2
    ;;
esac
