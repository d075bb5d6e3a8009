#!/usr/bin/env bash
# Builds the fuzzers with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for a bounded time: the sound loader (loader_fuzz), the head-related set
# reader (hrtf_fuzz), the live mode's command reader (live_fuzz) and the input-script
# parser (script_fuzz).
#   fuzz/run.sh [seconds]     the loader's time, default 60; the three others get a third
#                             of it each
# Exits non-zero when a fuzzer finds a crash, a sanitizer report or a broken promise;
# the input that did it is left in build/fuzz/<target>-crash-* (or -leak-*, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build/fuzz

build() {  # name, sources ...
  local name=$1
  shift
  echo "== fuzz: building $out/$name"
  clang++ -std=c++20 -O1 -g -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I. "$@" -o "$out/$name"
}

run() {  # name, seconds, options and corpus folders ...
  local name=$1 time=$2
  shift 2
  echo "== fuzz: running $name for $time s"
  "$out/$name" -max_total_time="$time" -timeout=20 -print_final_stats=1 \
    -artifact_prefix="$out/$name-" "$@" 2>"$out/$name.log" ||
    { tail -n 60 "$out/$name.log"; echo "== fuzz: $name FAILED (input saved under $out/)"; exit 1; }
  grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb" "$out/$name.log" || true
}

mkdir -p "$out/corpus" "$out/hrtf-corpus" "$out/live-corpus" "$out/script-corpus"
build loader_fuzz runtime/regular_file.cpp \
  audio/decoder_registry.cpp audio/file_image.cpp audio/memory_source.cpp \
  audio/ogg_decoder.cpp audio/path_lookup.cpp audio/pcm_convert.cpp \
  audio/pcm_piece_reader.cpp audio/sound_file.cpp audio/wav_reader.cpp \
  fuzz/loader_fuzz.cpp $(pkg-config --libs vorbisfile)
build hrtf_fuzz runtime/regular_file.cpp \
  audio/file_image.cpp audio/hrtf_equaliser.cpp audio/hrtf_ring.cpp \
  audio/hrtf_ring_reader.cpp audio/volume_table.cpp \
  audio/hrtf_set_check.cpp fuzz/hrtf_fuzz.cpp $(pkg-config --libs libmysofa)
build live_fuzz tools/sim/live_protocol.cpp fuzz/live_fuzz.cpp
build script_fuzz host/headless/input_script.cpp runtime/shown_text.cpp \
  tools/sim/run_script.cpp fuzz/script_fuzz.cpp

if [[ ! -d "$out/seeds" ]]; then
  fuzz/make_corpus.sh "$out/seeds.tmp"
  mv "$out/seeds.tmp" "$out/seeds"
fi
# The head-related set reader's seeds: the default set, cut short at several lengths.
if [[ ! -d "$out/hrtf-seeds" ]]; then
  mkdir -p "$out/hrtf-seeds.tmp"
  set_file=/usr/share/libmysofa/default.sofa
  cp "$set_file" "$out/hrtf-seeds.tmp/default.sofa"
  for cut in 256 4096 32768 262144 $(($(stat -L -c %s "$set_file") / 2)); do
    head -c "$cut" "$set_file" >"$out/hrtf-seeds.tmp/cut-$cut.sofa"
  done
  mv "$out/hrtf-seeds.tmp" "$out/hrtf-seeds"
fi
# The readers' seeds: a live session's commands, and scripts of every kind of line.
mkdir -p "$out/live-seeds" "$out/script-seeds"
printf '\x03QLs\0\x04\0\0\0\xc8\0\0\0QLk\0\x02\0\0\0\x11\x01QLm\0\x08\0\0\0\xd8\xff\xff\xff\x03\0\0\0QLb\0\x02\0\0\0\x01\x01QLw\0\x04\0\0\0\x02\0\0\0QLq\0\0\0\0\0' \
  >"$out/live-seeds/session"
cat >"$out/script-seeds/all-lines" <<'SCRIPT'
# every kind of line
0 key down W   # walk
+500 key up w
600 mouse move -40 5
600 mouse down left
+17 mouse up 3
700 mouse wheel -2
800 focus lost
+1 focus back
900 key down 203
1000 close
SCRIPT
# Words a terminal would act on, bytes that are not UTF-8, a line past its limit, and
# more wrong lines than are reported: each message must stay one short, escaped line.
printf '0 key down \x1b[2J\x1b]0;title\x07\n+5 mouse down \xc2\x9b31m\n\xff\xfe close\n1 focus \xed\xa0\x80\n' \
  >"$out/script-seeds/terminal-bytes"
{ printf '0 key down '; head -c 4200 /dev/zero | tr '\0' 'Q'; printf '\n+1 close\n'; } \
  >"$out/script-seeds/long-line"
for i in $(seq 120); do echo "$i jump"; done >"$out/script-seeds/many-wrong-lines"
# Input frames without a step between them, as a client that floods the run would send.
for i in $(seq 200); do printf 'QLk\0\x02\0\0\0\x11\x01'; done >"$out/live-seeds/flood"

export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
readers=$(((seconds + 2) / 3))
run loader_fuzz "$seconds" -max_len=65536 "$out/corpus" "$out/seeds"
# The set reader's fuzzer writes each input to a scratch file in TMPDIR: kept under
# build/, not left behind in the system's temporary folder.
mkdir -p "$out/hrtf-scratch"
# A set is read in a child process that is given 60 s before it is killed: the unit's own
# bound is longer, so that it is the reader's bound that is tested (the last -timeout wins).
TMPDIR="$out/hrtf-scratch" run hrtf_fuzz "$readers" -timeout=90 -max_len=1200000 \
  -rss_limit_mb=4096 "$out/hrtf-corpus" "$out/hrtf-seeds"
rm -rf "$out/hrtf-scratch"
run live_fuzz "$readers" -max_len=4096 "$out/live-corpus" "$out/live-seeds"
run script_fuzz "$readers" -max_len=8192 "$out/script-corpus" "$out/script-seeds"
echo "== fuzz: no crash in $seconds + 3 x $readers s"
