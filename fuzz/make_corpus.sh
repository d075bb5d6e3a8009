#!/usr/bin/env bash
# Writes the fuzzer's seed files into FOLDER: small valid WAV files in every accepted
# encoding, Ogg Vorbis files (mono, stereo, chained), and damaged copies of them
# (truncated, bytes overwritten, sizes set to placeholders).
set -euo pipefail
folder=$1
mkdir -p "$folder"
cd "$folder"

tone() {  # name, sox format options, channels, rate
  sox -R -V1 -n -r "$4" -c "$3" $2 -t wav "$1" synth 0.03 sine 440 sine 660 gain -3
}
tone u8.wav "-b 8 -e unsigned" 1 8000
tone s16.wav "-b 16 -e signed" 2 22050
tone s24.wav "-b 24 -e signed" 1 16000
tone s32.wav "-b 32 -e signed" 2 8000
tone f32.wav "-b 32 -e floating-point" 1 11025

sox -R -V1 -n -r 22050 -c 1 -b 16 -e signed -t wav ogg-mono.src synth 0.2 whitenoise gain -6
sox -R -V1 -n -r 44100 -c 2 -b 16 -e signed -t wav ogg-stereo.src synth 0.1 sine 300 sine 500
oggenc -Q -q 0 -s 11 -o mono.ogg ogg-mono.src
oggenc -Q -q 0 -s 12 -o stereo.ogg ogg-stereo.src
rm -f ogg-mono.src ogg-stereo.src
cat mono.ogg stereo.ogg > chained.ogg

# Damaged copies: cut short, a run of bytes overwritten, a size field replaced.
overwrite() {  # file, offset, bytes (printf escapes), output
  cp "$1" "$4"
  printf "$3" | dd of="$4" bs=1 seek="$2" conv=notrunc status=none
}
for f in s16.wav f32.wav mono.ogg stereo.ogg; do
  size=$(stat -c %s "$f")
  head -c $((size / 2)) "$f" > "cut-half-$f"
  head -c 60 "$f" > "cut-60-$f"
  overwrite "$f" $((size / 3)) '\xde\xad\xbe\xef\x00\xff\x7f\x80' "flip-$f"
done
overwrite s16.wav 40 '\xff\xff\xff\xff' data-placeholder.wav
overwrite s16.wav 40 '\x00\xf0\xff\x7f' data-0x7ffff000.wav
overwrite s16.wav 16 '\x0e\x00\x00\x00' fmt-short.wav
overwrite s16.wav 32 '\x00\x00' align-zero.wav
# The rate field at the ends of its 32 bits and just past the highest rate taken.
overwrite s16.wav 24 '\xff\xff\xff\xff' rate-max.wav
overwrite s16.wav 24 '\x00\x00\x00\x80' rate-top-bit.wav
overwrite s16.wav 24 '\x01\xee\x02\x00' rate-192001.wav
