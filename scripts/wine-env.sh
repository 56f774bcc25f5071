# Sourced by the scripts that run Windows programs under wine: a prefix of our
# own, kept outside the clone (a fresh one takes 10-15 s to make), with the
# crash dialog off, and a wine server that stays up for the whole run instead
# of starting again, services and all, for every program.
#
#   source scripts/wine-env.sh
#   wine_start [WIDTHxHEIGHT]   # with a size: every window inside a virtual
#   ...                         # desktop of that size (a prefix of its own)
#   wine_stop
#
# SOLVANE_WINEPREFIX chooses the prefix.
export WINEDEBUG=${WINEDEBUG:--all}
# No desktop integration (menus, file associations) in the prefix, and no
# Mono or Gecko installers asked for: the programs need neither.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}

wine_quiet() { timeout 60 wine "$@" </dev/null >/dev/null 2>&1; }

wine_boot() {
  wineserver -p
  # The first start makes or updates the prefix. All its stdio on /dev/null:
  # the services it leaves running would otherwise hold a pipe open, and a
  # pipeline reading from it would never end.
  timeout 180 wine wineboot -i </dev/null >/dev/null 2>&1 || {
    echo "wine-env: wineboot failed in $WINEPREFIX" >&2
    return 1
  }
}

wine_start() {
  local desktop=${1:-}
  export WINEPREFIX=${SOLVANE_WINEPREFIX:-$HOME/.cache/solvane-wine}${desktop:+-desktop}
  mkdir -p "$WINEPREFIX"
  wine_boot || return 1
  # A crash must end the program, not wait for someone to close a dialog.
  wine_quiet reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
  # DirectDraw through GDI: no OpenGL needed on a virtual X server.
  wine_quiet reg add 'HKCU\Software\Wine\Direct3D' /v renderer /t REG_SZ /d gdi /f
  [ -n "$desktop" ] || return 0
  # The desktop is chosen when the wine server starts its shell, so a change
  # of size takes a restart.
  if ! timeout 60 wine reg query 'HKCU\Software\Wine\Explorer\Desktops' /v Solvane </dev/null \
    2>/dev/null | grep -q "REG_SZ *$desktop"; then
    wine_quiet reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Solvane /f
    wine_quiet reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Solvane /t REG_SZ /d "$desktop" /f
    wineserver -k
    wineserver -w
    wine_boot || return 1
  fi
}

wine_stop() { wineserver -k 2>/dev/null || true; }
