# Sourced by scripts/windows.sh: the Wine that runs the Windows build's programs.
# One prefix per checkout (the toolchain file names the same one for CTest). The
# wineserver is started once and kept for the whole run: without it every program
# start pays for a server start, and the first one (which sets the prefix up) can
# leave test discovery waiting.

export WINEPREFIX=$root/build/windows-wine
export WINEDEBUG=-all
export WINEDLLOVERRIDES=winemenubuilder.exe=d  # no desktop menu entries
wine64=/usr/lib/wine/wine64

start_wine() {
  mkdir -p "$WINEPREFIX"
  wineserver -p 2>/dev/null || true  # already running for this prefix is fine
  "$wine64" cmd /c exit 0 >/dev/null 2>&1
}

stop_wine() {
  wineserver -k 2>/dev/null || true
}
