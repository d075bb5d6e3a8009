#!/usr/bin/env bash
# The Debian package on a clean Debian 12, as a player's machine: a debootstrap minbase
# chroot installs it with apt alone, the game is started as /usr/games/quelmire from /
# on a virtual display with SDL's disk audio (Space, Escape, Escape) and must play its
# title and exit 0; the simulator runs from / without --assets; then apt remove must leave
# none of its files behind.
# Usage (root, network): scripts/package/chroot-test.sh build/package/quelmire_*.deb
# Slow (a few minutes): not part of scripts/test.sh.
set -euo pipefail
deb=$(realpath "$1")
chroot=$(mktemp -d /tmp/quelmire-chroot-XXXXXX)
chmod 755 "$chroot"  # the root folder of a system: apt's own user must enter it
cleanup() {
  for mount in dev/pts dev proc; do umount "$chroot/$mount" 2>/dev/null || true; done
  rm -rf --one-file-system "$chroot"
}
trap cleanup EXIT

# The clean system is made once and kept as a tar file for later runs.
base=$(dirname "$0")/../../build/chroot/bookworm-minbase.tar
if [[ ! -f $base ]]; then
  echo "== chroot: debootstrap --variant=minbase bookworm"
  mkdir -p "$(dirname "$base")"
  debootstrap --variant=minbase bookworm "$chroot" http://deb.debian.org/debian >/dev/null
  tar -C "$chroot" -cf "$base.part" . && mv "$base.part" "$base"
else
  echo "== chroot: the clean Debian 12 minbase system from $base"
  tar -C "$chroot" -xf "$base"
fi
mount -t proc proc "$chroot/proc"
mount --bind /dev "$chroot/dev"
mount --bind /dev/pts "$chroot/dev/pts"
cp "$deb" "$chroot/tmp/"
name=$(basename "$deb")
in_chroot() { chroot "$chroot" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }

echo "== chroot: apt install ./$name"
in_chroot apt-get update -qq
in_chroot env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "/tmp/$name" >/dev/null
in_chroot dpkg -L quelmire | sort >"$chroot/tmp/files"
# What drives the game from outside: not the game's own needs, so installed after it.
in_chroot env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  xvfb xauth xdotool >/dev/null

echo "== chroot: /usr/games/quelmire from / under Xvfb, Space, Escape, Escape"
sound=$chroot/tmp/sound.raw
# A display number no X server of this machine uses: the chroot has a /tmp of its own,
# but X's abstract sockets are shared with the machine (other tests' Xvfb included).
display=
for _ in $(seq 50); do
  n=$((400 + RANDOM % 500))
  grep -q "/tmp/.X11-unix/X$n\b" /proc/net/unix || { display=:$n; break; }
done
in_chroot Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 2
in_chroot sh -c "cd / && DISPLAY=$display SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/tmp/sound.raw \
  exec /usr/games/quelmire" >"$chroot/tmp/game.log" 2>&1 &
game=$!
xdo() { in_chroot env DISPLAY="$display" xdotool "$@"; }
window=$(timeout 60 chroot "$chroot" env DISPLAY="$display" xdotool search --sync --name \
  'Vorlent: The Quelmire' | head -n 1)
tap() { xdo windowfocus --sync "$window" keydown "$1"; sleep 0.3; xdo keyup "$1"; }
# The first sound of the run (32-bit float stereo at 48 kHz), as seconds into the
# capture, and the title's level over 1.5 s from there; "none" while all is silent.
title_level() {
  python3 - "$sound" <<'LEVEL'
import array, math, sys
data = open(sys.argv[1], "rb").read()
samples = array.array("f", data[:len(data) // 4 * 4])
first = next((i for i, x in enumerate(samples) if abs(x) > 1e-4), None)
if first is None or len(samples) - first < 2 * 48000 * 1.5:
  print("none")
else:
  chunk = samples[first:first + int(2 * 48000 * 1.5)]
  level = math.sqrt(sum(x * x for x in chunk) / len(chunk))
  print(f"{first / 96000:.1f} s {level:.3f}")
LEVEL
}
# Space counts only once the title plays: wait for its sound, however slowly the
# machine loads it.
level=none
for _ in $(seq 120); do
  level=$(title_level)
  [[ $level != none ]] && break
  sleep 0.5
done
echo "title: first sound at ${level% *}, level ${level##* } RMS over 1.5 s"
sleep 2
tap space
sleep 1
tap Escape  # the intro
for _ in $(seq 10); do
  sleep 3
  kill -0 "$game" 2>/dev/null || break
  tap Escape  # quits once play has begun
done
status=0
wait "$game" || status=$?
kill "$xvfb" 2>/dev/null || true
echo "exit status $status; the game wrote: $(tr '\n' ' ' <"$chroot/tmp/game.log")"
[[ $level != none ]] && awk -v l="${level##* }" 'BEGIN { exit !(l > 0.02) }' ||
  { echo "chroot: no title heard" >&2; exit 1; }
((status == 0)) || { echo "chroot: exit status $status" >&2; exit 1; }

# The simulator, kept off PATH, finds the installed sounds by itself too.
echo "== chroot: /usr/lib/games/quelmire/quelmire-sim from / without --assets"
if ! in_chroot sh -c 'cd / && exec /usr/lib/games/quelmire/quelmire-sim --seed 2 --quick-start --ms 2000'; then
  echo "chroot: the installed simulator failed without --assets" >&2
  exit 1
fi

echo "== chroot: apt remove quelmire"
in_chroot env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq quelmire >/dev/null
left=0
while IFS= read -r file; do
  [[ -f $chroot$file || -L $chroot$file ]] && { echo "left behind: $file"; left=1; }
done <"$chroot/tmp/files"
for folder in /usr/share/games/quelmire /usr/lib/games/quelmire /usr/share/doc/quelmire; do
  [[ -e $chroot$folder ]] && { echo "left behind: $folder"; left=1; }
done
echo "package status: $(in_chroot dpkg-query -W -f='${Status}' quelmire 2>&1 || true)"
((left == 0)) && echo "== chroot: removed, nothing left behind"
exit $left
