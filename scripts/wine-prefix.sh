#!/bin/sh
# Creates the Wine prefix that the Windows tests run in (once per build
# directory), with the null graphics driver so windows work without a display.
# Usage: scripts/wine-prefix.sh PREFIX
set -eu
prefix=$1
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/.util-ready" ]; then
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  wineserver -w
  touch "$prefix/.util-ready"
fi
