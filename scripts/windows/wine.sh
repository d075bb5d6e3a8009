# Sourced by scripts/windows.sh: the Wine that runs the Windows build's programs.
# One prefix per checkout (the toolchain file names the same one for CTest). The
# wineserver is started once and kept for the whole run: without it every program
# start pays for a server start, and the first one (which sets the prefix up) can
# leave test discovery waiting.

export WINEPREFIX=$root/build/windows-wine
export WINEDEBUG=-all
export WINEDLLOVERRIDES=winemenubuilder.exe=d  # no desktop menu entries
# Wine's sound driver, finding no sound server, makes a runtime folder of its own at
# each start; in /tmp it would stay there, so it goes under the prefix.
export PULSE_RUNTIME_PATH=$WINEPREFIX/pulse
wine64=$root/scripts/windows/wine64

start_wine() {
  mkdir -p "$WINEPREFIX"
  # Already running for this prefix is fine. No output of ours is inherited: a server
  # or service that holds a pipe open would keep its reader waiting.
  wineserver -p >/dev/null 2>&1 || true
  "$wine64" cmd /c exit 0 >/dev/null 2>&1
}

stop_wine() {
  wineserver -k 2>/dev/null || true
}

# A private virtual X display for Wine's windows, on a number Xvfb picks itself so that
# parallel runs never collide; sets DISPLAY. The window tests and the smoke run use it.
display_server=
start_display() {
  local fifo=$out/display.fifo number
  rm -f "$fifo"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  display_server=$!
  read -r -t 20 number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=:$number
}

stop_display() {
  if [[ -n $display_server ]]; then
    kill "$display_server" 2>/dev/null || true
    wait "$display_server" 2>/dev/null || true
  fi
  display_server=
}
