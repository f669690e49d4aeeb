#!/bin/sh
# Builds the client project in embed/ that takes util in from this checkout
# (add_subdirectory or FetchContent), then runs the client's own ctest: its one
# test must run and pass, and util must have added no test of its own.
# Usage: embed_test.sh MODE SOURCE_DIR WORK_DIR [TOOLCHAIN_FILE EMULATOR]
set -eu
mode=$1 source_dir=$2 work=$3 toolchain=${4:-} emulator=${5:-}
rm -rf "$work"
set -- -S "$source_dir/tests/package/embed" -B "$work" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DUTIL_EMBED="$mode" -DUTIL_CHECKOUT="$source_dir"
[ -n "$toolchain" ] && set -- "$@" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$emulator"
cmake "$@" >/dev/null
cmake --build "$work" -j 2 >/dev/null
ctest --test-dir "$work" -N | grep -q "Total Tests: 1$" || {
  echo "embed_test: the client's ctest lists other tests than its own"; exit 1; }
ctest --test-dir "$work" --output-on-failure
