#!/bin/sh
# Runs one Windows test binary under Wine, in a prefix kept inside the build
# directory (set up once by scripts/wine-prefix.sh), with Wine's own chatter off.
: "${WINEPREFIX:=$(pwd)/../wineprefix}"
export WINEPREFIX
export WINEDEBUG=-all
exec wine "$@"
