#!/usr/bin/env bash
# Draws a spectrogram of every sound in a generated asset tree, so that what cannot be
# heard can be looked at. Needs sox (a Debian package the project installs).
#   tools/assetgen/sonograms.sh OUTDIR [PNGDIR]
# reads OUTDIR/assets/**/*.wav and writes one PNG per file, same relative path, into
# PNGDIR (default OUTDIR/spectrograms). MAX_HZ=4000 in the environment shows only
# 0 .. 4000 Hz, for drones, music and voices. Example, after a build:
#   tools/assetgen/sonograms.sh build/release/run
#   MAX_HZ=3000 tools/assetgen/sonograms.sh build/release/run /tmp/low
set -euo pipefail
if [[ $# -lt 1 || $# -gt 2 ]]; then
  echo "usage: $0 OUTDIR [PNGDIR]" >&2
  exit 2
fi
in_dir="$1/assets"
png_dir="${2:-$1/spectrograms}"
[[ -d "$in_dir" ]] || { echo "$0: no asset tree at $in_dir" >&2; exit 1; }
count=0
while IFS= read -r -d '' wav; do
  relative="${wav#"$in_dir"/}"
  png="$png_dir/${relative%.wav}.png"
  mkdir -p "$(dirname "$png")"
  sox "$wav" -n ${MAX_HZ:+rate $((2 * MAX_HZ))} spectrogram -x 1000 -y 257 -z 90 -t "$relative" -o "$png"
  count=$((count + 1))
done < <(find "$in_dir" -name '*.wav' -print0 | sort -z)
echo "$count spectrograms in $png_dir"
