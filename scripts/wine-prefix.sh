# Sourced by the scripts: a private Wine prefix with one persistent server.
# wine_start PREFIX: creates the prefix if needed, starts its server, waits until
# it listens (a wine64 started earlier would start a second server), and turns
# off the crash dialog so a crash fails a test instead of hanging it.
# wine_add_marlett: gives the prefix Wine's own Marlett font.
# wine_stop: ends that prefix's server only.
# wine_unavailable LOADER: prints why LOADER cannot run programs here and
# succeeds, or fails quietly when it can. The 32-bit loader cannot where 32-bit
# programs go through the qemu-i386 emulator.

# Starts the prefix's persistent server and waits until it listens.
wine_server_start() {
  /usr/lib/wine/wineserver -p
  local socket_dir="" i
  for i in $(seq 1 100); do
    if [ -f "$WINEPREFIX/wineserver" ]; then
      socket_dir="${TMPDIR:-/tmp}/$(cat "$WINEPREFIX/wineserver")"
      compgen -G "$socket_dir/server-*/socket" >/dev/null && break
    fi
    sleep 0.1
  done
}

wine_start() {
  export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$WINEPREFIX"
  wine_server_start
  # The first program run makes the prefix; now and then that fails half-way
  # (no system32), and every program after it then fails to load: made again once.
  local attempt
  for attempt in 1 2; do
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] && break
    if [ "$attempt" -eq 2 ]; then
      echo "wine-prefix.sh: $WINEPREFIX was not made whole twice; its programs will not load" >&2
      break
    fi
    echo "wine-prefix.sh: $WINEPREFIX was not made whole; making it again" >&2
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    /usr/lib/wine/wineserver -w 2>/dev/null || true
    rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX" && wine_server_start
  done
  wine_add_marlett
}

# Wine draws title-bar buttons, arrows and check marks with Marlett glyphs.
# Debian's Wine looks for its own fonts in /usr/share/fonts itself, not in
# /usr/share/wine/fonts where fonts-wine puts them, and without Marlett the
# glyphs come out as letters (0, 1 and r on a title bar). A font in the
# prefix's Fonts folder is found by every program started after it is there.
wine_add_marlett() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  [ -f "$fonts/marlett.ttf" ] || cp /usr/share/wine/fonts/marlett.ttf "$fonts/" 2>/dev/null ||
    echo "wine-prefix.sh: no Marlett font for $WINEPREFIX (scripts/setup test installs fonts-wine)" >&2
}

wine_stop() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
}

wine_unavailable() {
  local bits=64
  [ "${1##*/}" = wine ] && bits=32
  if [ ! -x "$1" ]; then
    echo "no $bits-bit Wine loader $1 (scripts/setup test installs it)"
  elif [ $bits = 32 ] && grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386; then
    # Seen with Debian 12's qemu-user-static 7.2: every thread of a 32-bit Wine
    # program gets the first thread's thread block, so their calls to the Wine
    # server cross and the program stalls or crashes once two threads work.
    echo "32-bit programs run here only under qemu-i386, where a 32-bit Wine program with threads stalls or crashes"
  elif ! "$1" --version >/dev/null 2>&1; then
    echo "$1 does not start: this machine cannot run $bits-bit programs"
  else
    return 1
  fi
}
