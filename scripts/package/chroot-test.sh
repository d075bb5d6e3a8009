#!/usr/bin/env bash
# The Debian package on a clean Debian 12, as a player's machine: a debootstrap minbase
# chroot installs it with apt alone, the game is started as /usr/games/quelmire from /
# on a virtual display with SDL's disk audio (Space, Escape, Escape) and must play its
# title and exit 0; then apt remove must leave none of its files behind.
# Usage (root, network): scripts/package/chroot-test.sh build/package/quelmire_*.deb
# Slow (a few minutes): not part of scripts/test.sh.
set -euo pipefail
deb=$(realpath "$1")
chroot=$(mktemp -d /tmp/quelmire-chroot-XXXXXX)
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
cat >"$chroot/tmp/play.sh" <<'PLAY'
cd /
Xvfb :7 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 2
export DISPLAY=:7 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/tmp/sound.raw
/usr/games/quelmire >/tmp/game.log 2>&1 &
game=$!
window=$(timeout 60 xdotool search --sync --name 'Vorlent: The Quelmire' | head -n 1)
sleep 3
tap() { xdotool windowfocus --sync "$window" keydown "$1"; sleep 0.3; xdotool keyup "$1"; }
tap space; sleep 1; tap Escape; sleep 2
for i in 1 2 3 4 5 6; do kill -0 $game 2>/dev/null || break; tap Escape; sleep 3; done
wait $game
status=$?
kill $xvfb
echo "exit status $status"
cat /tmp/game.log
PLAY
in_chroot sh /tmp/play.sh
# The title: the loudest half second of the first three and a half, as float samples.
python3 - "$chroot/tmp/sound.raw" <<'LEVEL'
import array, math, sys
samples = array.array("f", open(sys.argv[1], "rb").read())
frame = 48000 * 2
seconds = len(samples) / frame
best = 0
for start in range(0, 7):
  chunk = samples[start * frame // 2:(start + 1) * frame // 2]
  if chunk: best = max(best, math.sqrt(sum(x * x for x in chunk) / len(chunk)))
print(f"sound: {seconds:.1f} s captured, title level {best:.3f} RMS")
sys.exit(0 if best > 0.02 else 1)
LEVEL

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
