#!/bin/sh
# Creates the Wine prefix that the Windows tests run in (once per build
# directory), with the null graphics driver so windows work without a display.
# Usage: scripts/wine-prefix.sh PREFIX [LOADER]   (LOADER: /usr/lib/wine/wine64 by default)
set -eu
prefix=$1
loader=${2:-/usr/lib/wine/wine64}
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINELOADER="$loader"
if [ ! -f "$prefix/.util-ready" ]; then
  mkdir -p "$prefix"
  "$loader" wineboot -i >/dev/null 2>&1
  "$loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  wineserver -w
  touch "$prefix/.util-ready"
fi
