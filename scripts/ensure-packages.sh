#!/usr/bin/env bash
# Installs the Debian packages the build, the game and the tests need, when any is
# missing. As root it runs apt-get; otherwise it prints the exact line and stops.
set -euo pipefail

packages=(
  cmake g++ ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libvorbis-dev libogg-dev
  espeak-ng sox vorbis-tools xvfb xauth xdotool
  clang libclang-rt-14-dev
)

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
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
