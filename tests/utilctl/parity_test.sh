#!/bin/sh
# The files that one build of utilctl writes (INI, configuration, packet log)
# read the same with the other: the native tool and utilctl.exe under Wine.
# Usage: parity_test.sh NATIVE_UTILCTL WINDOWS_BUILD_DIR WINE_RUNNER
# Exits 77 (skipped) when the Windows build or its Wine prefix is missing.
set -u
native=$1 windows_build=$2 runner=$3
exe=$windows_build/bin/utilctl.exe
if [ ! -f "$exe" ] || [ ! -f "$windows_build/wineprefix/.util-ready" ]; then
    echo "skipped: no Windows build with a Wine prefix at $windows_build (build utilctl there and run scripts/wine-prefix.sh)"
    exit 77
fi
export WINEPREFIX="$windows_build/wineprefix"
work=$(mktemp -d "${TMPDIR:-/tmp}/utilctl-parity.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
native() { "$native" "$@" | tr -d '\r'; }
windows() { "$runner" "$exe" "$@" | tr -d '\r'; }
same() {  # same DESCRIPTION EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        failures=$((failures + 1))
        printf 'FAIL: %s\n  expected: %s\n  got:      %s\n' "$1" "$2" "$3"
    fi
}

for writer in native windows; do
    reader=windows
    [ $writer = windows ] && reader=native
    # INI: values with blanks, '=' and quotes, and a second section.
    $writer ini-set $writer.ini Network Host "vpn example = 1" >/dev/null
    $writer ini-set $writer.ini Network Port 443 >/dev/null
    $writer ini-set $writer.ini Other k v >/dev/null
    same "INI written by $writer, value read by $reader" "vpn example = 1" "$($reader ini-get $writer.ini network host)"
    same "INI written by $writer, sections read by $reader" "$($writer ini-sections $writer.ini)" \
        "$($reader ini-sections $writer.ini)"
    same "INI written by $writer, section read by $reader" "$($writer ini-section $writer.ini Network)" \
        "$($reader ini-section $writer.ini Network)"
    # Configuration: the store's dump reads back the same on both.
    $writer config-set $writer.conf net host vpn.example >/dev/null
    $writer config-set $writer.conf net msg "a = b # [c]" >/dev/null
    $writer config-set $writer.conf ui title Client >/dev/null
    same "configuration written by $writer, read by $reader" "a = b # [c]" "$($reader config-get $writer.conf net msg)"
    same "configuration written by $writer, dumped by $reader" "$($writer config-dump $writer.conf)" \
        "$($reader config-dump $writer.conf)"
    $reader config-set $writer.conf net host changed >/dev/null
    same "configuration changed by $reader, read by $writer" "changed" "$($writer config-get $writer.conf net host)"
    # Packet log: the same frames and byte layout, listed the same by both.
    printf '0102030405\n\nffeeddccbbaa99887766554433221100aabb\n00\n' | $writer pcap-write $writer.pcap >/dev/null
    same "packet log written by $writer is listed alike" "$($writer pcap-dump $writer.pcap)" \
        "$($reader pcap-dump $writer.pcap)"
    same "packet log written by $writer has 3 frames" "3 frames" "$($reader pcap-dump $writer.pcap | tail -n 1)"
done
same "both builds write packet logs of one size" "$(wc -c <native.pcap)" "$(wc -c <windows.pcap)"
same "both builds write configuration files alike" "$(cat native.conf)" "$(cat windows.conf)"

echo "parity: $failures failed"
[ "$failures" -eq 0 ]
