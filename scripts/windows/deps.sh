# Sourced by scripts/windows.sh: fetches Debian's source packages of the libraries the
# game links and cross-builds them, static, into $prefix. Each step leaves a stamp, so
# a second run does nothing; delete build/windows-deps/ to start over.

# apt-get with a source list, lists and cache of our own: the machine's apt setup is
# neither read for sources nor changed. The archive is the one the machine already
# installs Debian's bookworm main from.
private_apt() {
  local state=$deps/apt
  apt-get -o Dir::Etc::SourceList="$state/sources.list" -o Dir::Etc::SourceParts=/dev/null \
    -o Dir::State::Lists="$state/lists" -o Dir::Cache="$state/cache" \
    -o Dir::State::Status=/var/lib/dpkg/status -o APT::Sandbox::User=root "$@"
}

fetch_sources() {
  local stamp=$deps/src/.fetched
  [[ -f $stamp ]] && return 0
  local archive
  archive=$(apt-get indextargets --format '$(REPO_URI)' 'Origin: Debian' 'Codename: bookworm' \
    'Release: bookworm' 'Component: main' 'Identifier: Packages' | head -n 1)
  if [[ -z $archive ]]; then
    echo "windows: no apt source for Debian bookworm main is configured" >&2
    return 1
  fi
  mkdir -p "$deps/apt/lists/partial" "$deps/apt/cache/archives/partial" "$deps/src"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $archive bookworm main" \
    >"$deps/apt/sources.list"
  private_apt -qq update
  (cd "$deps/src" && private_apt -qq source libogg libvorbis libsdl2 >/dev/null)
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

build_dependencies() {
  fetch_sources
  cross_build ogg "$(source_folder libogg)" -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF
  cross_build vorbis "$(source_folder libvorbis)"
  cross_build sdl2 "$(source_folder libsdl2)" "${sdl_options[@]}"
  cross_build googletest /usr/src/googletest -DBUILD_GMOCK=ON -Dgtest_force_shared_crt=ON
}
