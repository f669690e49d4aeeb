#!/bin/sh
# Installs the build into a staging prefix, builds the consumer against it with
# find_package (and natively also with pkg-config) and runs it.
# Usage: consumer_test.sh SOURCE_DIR BUILD_DIR [TOOLCHAIN_FILE EMULATOR]
set -eu
source_dir=$1 build_dir=$2 toolchain=${3:-} emulator=${4:-}
stage=$build_dir/package-stage
work=$build_dir/package-consumer
rm -rf "$stage" "$work"
cmake --install "$build_dir" --prefix "$stage" >/dev/null
set -- -S "$source_dir/tests/package/consumer" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$stage"
[ -n "$toolchain" ] && set -- "$@" -DCMAKE_TOOLCHAIN_FILE="$toolchain"
cmake "$@" >/dev/null
cmake --build "$work/cmake" >/dev/null
if [ -n "$toolchain" ]; then
  cp "$stage/bin/util.dll" "$work/cmake/"
  "$emulator" "$work/cmake/consumer.exe"
else
  LD_LIBRARY_PATH="$stage/lib" "$work/cmake/consumer"
  mkdir -p "$work/pkgconfig"
  PKG_CONFIG_PATH="$stage/lib/pkgconfig" c++ -std=c++17 \
    "$source_dir/tests/package/consumer/main.cpp" -o "$work/pkgconfig/consumer" \
    $(PKG_CONFIG_PATH="$stage/lib/pkgconfig" pkg-config --cflags --libs util)
  LD_LIBRARY_PATH="$stage/lib" "$work/pkgconfig/consumer"
fi
