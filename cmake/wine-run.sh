#!/bin/sh
# Runs one Windows binary under Wine, in the prefix named by WINEPREFIX (the test
# script sets it; scripts/wine-prefix.sh creates it), with Wine's chatter off.
# 64-bit binaries run on the 64-bit loader; 32-bit ones need the 32-bit loader,
# which starts only where the kernel can execute 32-bit programs.
: "${WINEPREFIX:=$(pwd)/../wineprefix}"
export WINEPREFIX
export WINEDEBUG=-all
loader=/usr/lib/wine/wine
case $(od -An -tx1 -j"$(( $(od -An -tu4 -j60 -N4 "$1") + 4 ))" -N2 "$1" 2>/dev/null | tr -d ' ') in
  6486) loader=/usr/lib/wine/wine64; export WINELOADER=$loader ;;  # AMD64 PE machine type
esac
exec "$loader" "$@"
