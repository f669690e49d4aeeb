#!/bin/sh
# Makes the release archives with cpack and builds a client against what a user
# downloads:
#   Windows: unpacks the zip, builds the client with find_package(util) and runs it
#            under Wine beside the zip's util.dll, and runs the zip's utilctl.exe;
#   Linux:   unpacks the .deb into a scratch root, builds the client with
#            find_package(util) and with pkg-config, runs both and the .deb's utilctl
#            (which must find its library through its own run path), and checks that
#            the .tar.gz holds the same files.
# Usage: archives_test.sh SOURCE_DIR BUILD_DIR [TOOLCHAIN_FILE EMULATOR]
set -eu
source_dir=$1 build_dir=$2 toolchain=${3:-} emulator=${4:-}
work=$build_dir/archives-test
rm -rf "$work" "$build_dir/packages"
mkdir -p "$work"
(cd "$build_dir" && cpack --config CPackConfig.cmake >/dev/null)
consumer=$source_dir/tests/package/consumer

if [ -n "$toolchain" ]; then
  zip=$(ls "$build_dir"/packages/util-*-win32.zip)
  (cd "$work" && cmake -E tar xf "$zip")
  root=$(ls -d "$work"/util-*-win32)
  for file in bin/util.dll bin/utilctl.exe lib/util.lib include/util/util.h \
              lib/cmake/util/utilConfig.cmake README.txt; do
    [ -f "$root/$file" ] || { echo "archives_test: $file missing from the zip"; exit 1; }
  done
  cmake -S "$consumer" -B "$work/client" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_PREFIX_PATH="$root" >/dev/null
  cmake --build "$work/client" >/dev/null
  cp "$root/bin/util.dll" "$work/client/"
  "$emulator" "$work/client/consumer.exe"
  "$emulator" "$root/bin/utilctl.exe" argv 'a "b c"' | grep -q '^\[b c\]' || {
    echo "archives_test: the zip's utilctl.exe did not run"; exit 1; }
else
  deb=$(ls "$build_dir"/packages/util_*.deb)
  tgz=$(ls "$build_dir"/packages/util-*-Linux-*.tar.gz)
  dpkg-deb -x "$deb" "$work/root"
  usr=$work/root/usr
  cmake -S "$consumer" -B "$work/client" -G Ninja -DCMAKE_PREFIX_PATH="$usr" >/dev/null
  cmake --build "$work/client" >/dev/null
  LD_LIBRARY_PATH="$usr/lib" "$work/client/consumer"
  mkdir -p "$work/pkgconfig"
  c++ -std=c++17 "$consumer/main.cpp" -o "$work/pkgconfig/consumer" \
    $(PKG_CONFIG_PATH="$usr/lib/pkgconfig" pkg-config --cflags --libs util)
  LD_LIBRARY_PATH="$usr/lib" "$work/pkgconfig/consumer"
  # Run from a directory holding another libutil.so: the run path must not look there.
  mkdir -p "$work/decoy" && : >"$work/decoy/libutil.so"
  (cd "$work/decoy" && "$usr/bin/utilctl" argv 'a "b c"') | grep -q '^\[b c\]' || {
    echo "archives_test: the .deb's utilctl did not run with its own library"; exit 1; }
  (cd "$work/root/usr" && find . -type f | sort) >"$work/deb.files"
  mkdir -p "$work/tgz" && (cd "$work/tgz" && tar xzf "$tgz")
  (cd "$work/tgz"/util-* && find . -type f | sort) >"$work/tgz.files"
  diff "$work/deb.files" "$work/tgz.files" || {
    echo "archives_test: the .tar.gz and the .deb hold different files"; exit 1; }
fi
echo "archives_test: passed"
