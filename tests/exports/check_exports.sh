#!/bin/sh
# Fails when the library exports anything beyond the committed interface list,
# or misses something on it.
# Usage: check_exports.sh EXPECTED_LIST LIBRARY [OBJDUMP]
set -eu
expected=$1; shift
here=$(dirname "$0")
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
sh "$here/list_exports.sh" "$@" > "$actual"
if diff -u "$expected" "$actual"; then
  echo "exports match $(wc -l < "$expected") symbols"
else
  echo "export set differs from $expected (- missing, + unexpected)"
  exit 1
fi
