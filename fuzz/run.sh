#!/usr/bin/env bash
# Builds the sound loader's fuzzer with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a bounded time.
#   fuzz/run.sh [seconds]     default 60
# Exits non-zero when the fuzzer finds a crash, a sanitizer report or a broken
# promise; the input that did it is left in build/fuzz/ as crash-* (or leak-*, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build/fuzz

sources=(
  audio/decoder_registry.cpp audio/file_image.cpp audio/memory_source.cpp
  audio/ogg_decoder.cpp audio/path_lookup.cpp audio/pcm_convert.cpp
  audio/pcm_piece_reader.cpp audio/sound_file.cpp audio/wav_reader.cpp
  fuzz/loader_fuzz.cpp
)
mkdir -p "$out/corpus"
echo "== fuzz: building $out/loader_fuzz"
clang++ -std=c++20 -O1 -g -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I. "${sources[@]}" $(pkg-config --libs vorbisfile) -o "$out/loader_fuzz"

if [[ ! -d "$out/seeds" ]]; then
  fuzz/make_corpus.sh "$out/seeds.tmp"
  mv "$out/seeds.tmp" "$out/seeds"
fi

echo "== fuzz: running for $seconds s"
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
"$out/loader_fuzz" -max_total_time="$seconds" -max_len=65536 -timeout=20 \
  -print_final_stats=1 -artifact_prefix="$out/" "$out/corpus" "$out/seeds" 2>"$out/last-run.log" ||
  { tail -n 60 "$out/last-run.log"; echo "== fuzz: FAILED (input saved under $out/)"; exit 1; }
grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb" "$out/last-run.log" || true
echo "== fuzz: no crash in $seconds s"
