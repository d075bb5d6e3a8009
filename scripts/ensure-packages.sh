#!/usr/bin/env bash
# Installs the Debian packages the build, the game and the tests need, when any is
# missing (with the argument "windows", also what the Windows build needs; with
# "package", what scripts/package.sh needs; with "chroot", the clean-machine install test).
# As root it runs apt-get; otherwise it prints the exact line and stops.
#
# Another package manager (unattended-upgrades, a desktop updater) often holds the
# package lock in a fresh machine's first minutes: apt-get then waits for it, saying so,
# for at most QUELMIRE_APT_LOCK_TIMEOUT seconds (default 600) before it fails. With the
# argument "lock" the script installs nothing and only takes and drops the lock the way an
# install does (tests/scripts/ensure_packages_lock_test.sh).
set -euo pipefail
lock_timeout=${QUELMIRE_APT_LOCK_TIMEOUT:-600}

# The process holding FILE's lock, as "PID (name)"; nothing when it is free. apt and dpkg
# lock with fcntl (POSIX or open-file-description locks, never flock), which /proc/locks
# lists by inode.
lock_holder() {
  local inode pid
  inode=$(stat -c %i "$1" 2>/dev/null) || return 0
  pid=$(awk -v inode="$inode" '($2 == "POSIX" || $2 == "OFDLCK") && $6 ~ (":" inode "$") {
    print $5; exit }' /proc/locks)
  [[ -n $pid ]] || return 0
  echo "$pid ($(cat "/proc/$pid/comm" 2>/dev/null || echo "?"))"
}

# apt-get with a bounded wait for the lock FILE it takes first (the package lists' for
# update, the dpkg front end's for install): the wait is told, and so is a lock still held
# when the wait ran out.
apt_get_waiting() {
  local lock=$1 holder status=0 start=$SECONDS; shift
  holder=$(lock_holder "$lock")
  if [[ -n $holder ]]; then
    echo "ensure-packages: $lock is held by process $holder, another package manager;" \
      "waiting up to $lock_timeout s for it" >&2
  fi
  apt-get -o DPkg::Lock::Timeout="$lock_timeout" "$@" </dev/null || status=$?
  if ((status != 0)); then
    holder=$(lock_holder "$lock")
    if [[ -n $holder ]]; then
      echo "ensure-packages: $lock was still held by process $holder after $((SECONDS - start)) s;" \
        "run this again once that package manager is done" >&2
    fi
    echo "ensure-packages: apt-get $1 failed with status $status" >&2
    return "$status"
  fi
}

if [[ "${1:-}" == lock ]]; then
  if [[ $(id -u) -ne 0 ]]; then
    echo "ensure-packages: taking the package lock needs root" >&2
    exit 1
  fi
  apt_get_waiting /var/lib/dpkg/lock-frontend install -y -qq
  echo "ensure-packages: took and released the package lock"
  exit 0
fi

# Recommended packages are never installed, so everything needed is named here, also
# what a desktop machine usually has already.
packages=(
  # Building: the compiler, the libraries linked, the tests' and benchmarks' frameworks,
  # clang with its runtime libraries for the fuzzer.
  cmake g++ ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libvorbis-dev libogg-dev
  clang libclang-rt-14-dev
  libspeechd-dev  # the real host speaks the boxes' texts through the speech server
  libmysofa-dev   # the binaural renderer reads HRTF sets in the SOFA format with it; its
                  # libmysofa1 installs the set it uses, /usr/share/libmysofa/default.sofa
  # Programs the build, the tests and the scripts run:
  espeak-ng     # the asset generator speaks the page names and the narration with it
  sox           # tones and reference samples of the sound-file tests; fuzz seeds; sonograms.sh
  vorbis-tools  # oggenc: the Ogg test files, the fuzz seeds, the loading benchmark's file
  xvfb          # the window tests' private X display; the README's `xvfb-run` play line
  xauth         # xvfb-run refuses to start a display without it
  xdotool       # the window tests type keys, move the pointer and press OK in boxes
  x11-utils     # xwininfo: the error-box test finds the box's window with it
  xfonts-base   # X core fonts: SDL's X11 message box draws its text with them (players too)
  speech-dispatcher            # the speech server the game autospawns; the speech test's own server
  speech-dispatcher-espeak-ng  # its voice, so that the server starts with an output module
  python3 python3-numpy  # the ear player (tools/earbot) and its live-mode client
  netcdf-bin    # ncgen: the hostile head-related sets of the set reader's tests and fuzz seeds
)
# The Windows build (scripts/windows.sh asks for these with the argument "windows"):
# cross compilers, and Wine to run what they make.
if [[ "${1:-}" == windows ]]; then
  packages+=(
    g++-mingw-w64-x86-64-posix  # C++20 threads for Windows: only the posix thread model has them
    gcc-mingw-w64-x86-64-posix  # SDL2, libogg, libvorbis, zlib and libmysofa are C
    dpkg-dev                    # apt-get source unpacks and patches their Debian sources with it
    wine                        # wineserver: the Windows tests and the smoke run of quelmire.exe
    wine64                      # the loader that starts 64-bit Windows programs
    zip                         # build/windows/quelmire-windows.zip
  )
fi

# The Debian package (scripts/package.sh package): its dependencies computed from the
# binaries, its checks, and the Windows zip beside it.
if [[ "${1:-}" == package ]]; then
  packages+=(
    dpkg-dev             # dpkg-shlibdeps: CPack computes the package's Depends with it
    lintian              # the package's policy check: no errors allowed
    desktop-file-utils   # desktop-file-validate: the menu entry's check
    appstream            # appstreamcli validate: the metainfo's check
    zip                  # build/windows/quelmire-windows.zip
  )
fi
# The clean Debian 12 machine the package is installed on by hand (scripts/package.sh chroot).
if [[ "${1:-}" == chroot ]]; then
  packages+=(debootstrap)
fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

line="apt-get install -y ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
  echo "Missing Debian packages. Run as root, then run this command again:" >&2
  echo "  apt-get update && $line" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt_get_waiting /var/lib/apt/lists/lock update -qq
apt_get_waiting /var/lib/dpkg/lock-frontend install -y -qq --no-install-recommends "${missing[@]}"
