# Sourced by scripts/windows.sh: quelmire.exe from the zip played as a player would, under
# Wine on the private virtual display (start_display), its sound captured to a WAV file.
# Keys come from xdotool (Wine reads them as Windows scan codes, as on a real keyboard).
# Wine has no sound card here: an ALSA "file" device in a throwaway HOME gives Windows'
# audio a device that writes everything it plays to capture.wav.

smoke_dir=$out/smoke

smoke_write_asoundrc() {
  cat >"$smoke_dir/home/.asoundrc" <<ASOUNDRC
pcm.!default {
  type file
  slave.pcm "null"
  file "$smoke_dir/capture.wav"
  format "wav"
}
ASOUNDRC
}

# Holds a key long enough for the game's once-per-tick sampling to see it.
smoke_tap() {
  xdotool windowfocus --sync "$1" keydown "$2"
  sleep 0.2
  xdotool keyup "$2"
}

# The keys, and the seconds each part lasts; the capture is checked against them.
smoke_walk_seconds=8
smoke_play() {
  local window
  window=$(timeout 60 xdotool search --sync --name 'Vorlent: The Quelmire' | head -n 1)
  [[ -n $window ]] || { echo "smoke: the game's window never appeared" >&2; return 1; }
  sleep 3                          # the title music
  smoke_tap "$window" space        # to the intro
  sleep 1
  smoke_tap "$window" Escape       # skips the intro
  sleep 4                          # standing: the beds and the arrival, no steps
  xdotool windowfocus --sync "$window" keydown w
  sleep "$smoke_walk_seconds"      # walking: footsteps
  xdotool keyup w
  sleep 0.5
  smoke_tap "$window" Escape       # quits
}

# The seconds (into the capture) at which a footstep starts, found by matching the step
# files against the mix (footsteps.py: the random ambient noises and the pages' hints,
# as loud and as frequent, hide many steps from a count of rises in the sound). The
# file's header says integer PCM, but ALSA's file device writes the stream's own
# samples, 32-bit float at 48 kHz stereo here: smoke_check_capture strips the 44-byte
# header and reads them as such.
smoke_footsteps() {
  /usr/bin/python3 "$root/scripts/windows/footsteps.py" "$1" "$out/zip/quelmire/assets"
}

# The loudest half second of the first three and a half: the title plays from the
# device's first buffer until Space, though a busy machine may open the device late.
smoke_loudest_title() {
  local start
  for start in 0 0.5 1 1.5 2 2.5 3; do
    sox -t f32 -r 48000 -c 2 "$1" -n trim "$start" 0.5 stat 2>&1 |
      awk '/RMS     amplitude/ { print $3 }'
  done | sort -g | tail -n 1
}

# The title is heard while it waits for Space, and the walk is heard as steps: at
# least six in the eight seconds the walk took (a step comes about every 0.6 s;
# standing still gives none).
smoke_check_capture() {
  local capture=$smoke_dir/capture.f32
  [[ -s $smoke_dir/capture.wav ]] || { echo "smoke: nothing was captured" >&2; return 1; }
  tail -c +45 "$smoke_dir/capture.wav" >"$capture"
  local seconds title steps
  seconds=$(awk -v bytes="$(stat -c %s "$capture")" 'BEGIN { printf "%.2f", bytes / 384000 }')
  title=$(smoke_loudest_title "$capture")
  steps=$(smoke_footsteps "$capture" | awk -v end="$seconds" -v walk="$smoke_walk_seconds" \
    '$1 > end - walk - 1.5 && $1 < end - 0.5 { n++ } END { print n + 0 }')
  echo "smoke: captured ${seconds} s; title level ${title}; ${steps} steps while walking"
  awk -v t="$title" 'BEGIN { exit !(t > 0.015) }' || { echo "smoke: no title heard" >&2; return 1; }
  ((steps >= 6)) || { echo "smoke: no footsteps heard while walking" >&2; return 1; }
}

# The game (process $1) must end by itself within 30 s of what ended it ($2), with status
# $3 (0 when not given).
smoke_wait_for_end() {
  local game=$1 waited=0 expected=${3:-0} status=0
  while kill -0 "$game" 2>/dev/null && ((waited < 300)); do sleep 0.1; ((waited += 1)); done
  if kill -0 "$game" 2>/dev/null; then
    echo "smoke: the game did not end within 30 s of $2" >&2
    kill "$game"
    wait "$game" 2>/dev/null
    return 1
  fi
  wait "$game" || status=$?
  if ((status != expected)); then
    echo "smoke: the game exited with status $status after $2 (expected $expected)" >&2
    return 1
  fi
}

# Plays the unpacked zip's quelmire.exe with the arguments given, capturing what it sends
# to the sound device.
smoke_run() {
  echo "== windows: smoke run of quelmire.exe $* under Wine"
  rm -rf "$smoke_dir"
  mkdir -p "$smoke_dir/home"
  smoke_write_asoundrc
  local status=0
  (cd "$smoke_dir/home" && HOME=$smoke_dir/home SDL_AUDIODRIVER=wasapi \
    exec "$wine64" "$out/zip/quelmire/quelmire.exe" "$@") >"$smoke_dir/game.log" 2>&1 &
  local game=$!
  smoke_play || status=1
  smoke_wait_for_end "$game" "Escape" || status=1
  smoke_check_capture || status=1
  return $status
}

# With headphones asked for, the set in the zip's hrtf folder is read: the game says nothing
# of falling back to stereo.
smoke_binaural() {
  local status=0
  smoke_run --binaural || status=1
  if grep -q "Binaural sound is off" "$smoke_dir/game.log"; then
    echo "smoke: the zip's head-related set was not read:" >&2
    grep "Binaural sound is off" "$smoke_dir/game.log" >&2
    status=1
  fi
  return $status
}

smoke_error_box() {
  echo "== windows: a start-up error shows a Windows message box"
  local log=$smoke_dir/error-box.log status=0 box
  (cd "$out/run" && SDL_AUDIODRIVER=none exec "$wine64" quelmire.exe) >"$log" 2>&1 &
  local game=$!
  box=$(timeout 60 xdotool search --sync --name '^ERROR$' | head -n 1)
  if [[ -z $box ]]; then
    echo "smoke: no ERROR box appeared" >&2
    status=1
  else
    xdotool windowfocus --sync "$box" key Return
  fi
  smoke_wait_for_end "$game" "the box" 1 || status=1
  if grep -q "Error initializing" "$log"; then
    echo "smoke: the error went to standard error instead of a box" >&2
    status=1
  fi
  return $status
}
