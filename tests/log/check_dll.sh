#!/bin/sh
# Fails when util.dll imports anything but system DLLs, or lacks its version resource.
dll=$1
tools=${2:-i686}-w64-mingw32
imports=$($tools-objdump -p "$dll" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$imports" ] || { echo "no import table read from $dll"; exit 1; }
echo "imports: $imports" | tr '\n' ' '; echo
status=0
for name in $imports; do
  case $name in
    kernel32.dll|user32.dll|advapi32.dll|msvcrt.dll|ws2_32.dll|dbghelp.dll|snmpapi.dll|shell32.dll|ole32.dll|gdi32.dll|version.dll|iphlpapi.dll|api-ms-win-*.dll) ;;
    *) echo "non-system import: $name"; status=1 ;;
  esac
done
$tools-strings -el "$dll" | grep -qx "Utility API" || { echo "no FileDescription \"Utility API\" in the version resource"; status=1; }
exit $status
