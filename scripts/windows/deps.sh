# Sourced by scripts/windows.sh: fetches Debian's source packages of the libraries the
# game links and cross-builds them, static, into $prefix. Each step leaves a stamp (a
# fetch, its unpacked folder), so a second run does nothing; delete build/windows-deps/
# to start over.

# apt-get with a source list, lists and cache of our own: the machine's apt setup is
# neither read for sources nor changed. The archive is the one the machine already
# installs Debian's bookworm main from.
private_apt() {
  local state=$deps/apt
  apt-get -o Dir::Etc::SourceList="$state/sources.list" -o Dir::Etc::SourceParts=/dev/null \
    -o Dir::State::Lists="$state/lists" -o Dir::Cache="$state/cache" \
    -o Dir::State::Status=/var/lib/dpkg/status -o APT::Sandbox::User=root "$@"
}

# The archive the machine installs Debian's bookworm main from, e.g. http://deb.debian.org/debian/.
debian_archive() {
  local archive
  archive=$(apt-get indextargets --format '$(REPO_URI)' 'Origin: Debian' 'Codename: bookworm' \
    'Release: bookworm' 'Component: main' 'Identifier: Packages' | head -n 1)
  if [[ -z $archive ]]; then
    echo "windows: no apt source for Debian bookworm main is configured" >&2
    return 1
  fi
  echo "$archive"
}

# Fetches the source packages that have no unpacked folder yet, so that a package added
# here is fetched into an existing build/windows-deps/ too.
fetch_sources() {
  local wanted=() package archive
  for package in libogg libvorbis libsdl2 zlib; do
    compgen -G "$deps/src/$package-[0-9]*/" >/dev/null || wanted+=("$package")
  done
  ((${#wanted[@]} > 0)) || return 0
  archive=$(debian_archive)
  mkdir -p "$deps/apt/lists/partial" "$deps/apt/cache/archives/partial" "$deps/src"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $archive bookworm main" \
    >"$deps/apt/sources.list"
  private_apt -qq update
  (cd "$deps/src" && private_apt -qq source "${wanted[@]}" >/dev/null)
}

# libmysofa: the archive answers "not found" for the files of bookworm's source package
# (1.3.1), so `apt-get source` cannot fetch it. Debian's upstream tarball of trixie's
# libmysofa (1.3.3, the same API) is fetched instead, checked against the SHA-256 that
# trixie's signed Sources index gives for it. Its share/ holds the same HRTF set, byte
# for byte, that bookworm's libmysofa1 installs as default.sofa. Debian's patches (its
# debian/ tarball is not served either) are not applied.
mysofa_tarball=libmysofa_1.3.3+dfsg.orig.tar.xz
mysofa_sha256=6c922f696a690fc8f18ac453dccf6dba905886da08a2e510653a69649bb75f70

fetch_mysofa_source() {
  local stamp=$deps/src/.fetched-mysofa
  [[ -f $stamp ]] && return 0
  local archive tarball=$deps/src/$mysofa_tarball
  archive=$(debian_archive)
  mkdir -p "$deps/src"
  /usr/lib/apt/apt-helper -o APT::Sandbox::User=root download-file \
    "${archive}pool/main/libm/libmysofa/${mysofa_tarball/+/%2b}" "$tarball" \
    "SHA256:$mysofa_sha256" >/dev/null
  tar -C "$deps/src" -xf "$tarball"
  touch "$stamp"
}

# The one unpacked source folder of a package, e.g. build/windows-deps/src/libogg-1.3.5.
source_folder() {
  local folders=("$deps/src/$1"-[0-9]*/)
  [[ -d ${folders[0]} ]] || { echo "windows: no source folder for $1" >&2; return 1; }
  echo "${folders[0]%/}"
}

# cross_build NAME SOURCE [CMAKE ARGS...]: configure, build and install into $prefix.
cross_build() {
  local name=$1 source=$2; shift 2
  local stamp=$deps/$name.built
  [[ -f $stamp ]] && return 0
  echo "== windows: building $name"
  cmake -S "$source" -B "$deps/build/$name" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    "$@" >"$deps/$name.log"
  cmake --build "$deps/build/$name" -j "$jobs" >>"$deps/$name.log"
  cmake --install "$deps/build/$name" >>"$deps/$name.log"
  touch "$stamp"
}

# SDL2 with what the game uses: video (a window, its events, message boxes), audio
# (WASAPI), threads and timers. No renderer, joystick, haptics, sensors or 3D APIs.
sdl_options=(
  -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=OFF
  -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF
  -DSDL_POWER=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF -DSDL_OPENGL=OFF -DSDL_OPENGLES=OFF
  -DSDL_VULKAN=OFF -DSDL_DIRECTX=OFF -DSDL_RENDER_D3D=OFF -DSDL_WASAPI=ON
)

# zlib, for libmysofa. Debian's zlib source leaves out win32/, whose resource file the
# DLL target of zlib's CMake build needs on mingw, so only the static library is built
# and installed by hand: as libz.a, the name libmysofa's pkg-config file links (-lz).
build_zlib() {
  local stamp=$deps/zlib.built build=$deps/build/zlib source
  [[ -f $stamp ]] && return 0
  source=$(source_folder zlib)
  echo "== windows: building zlib"
  cmake -S "$source" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -Wno-deprecated >"$deps/zlib.log"
  cmake --build "$build" -j "$jobs" --target zlibstatic >>"$deps/zlib.log"
  install -D -m 644 "$build/libzlibstatic.a" "$prefix/lib/libz.a"
  install -D -m 644 -t "$prefix/include" "$source/zlib.h" "$build/zconf.h"
  touch "$stamp"
}

build_dependencies() {
  fetch_sources
  fetch_mysofa_source
  cross_build ogg "$(source_folder libogg)" -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF
  cross_build vorbis "$(source_folder libvorbis)"
  cross_build sdl2 "$(source_folder libsdl2)" "${sdl_options[@]}"
  build_zlib
  # The library alone: its tests want CUnit and its test data.
  cross_build mysofa "$(source_folder libmysofa)" -DBUILD_TESTS=OFF -DBUILD_STATIC_LIBS=ON
  cross_build googletest /usr/src/googletest -DBUILD_GMOCK=ON -Dgtest_force_shared_crt=ON
}
