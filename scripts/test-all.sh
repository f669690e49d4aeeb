#!/bin/sh
# The README's test command: installs what is missing, then builds and runs every
# test natively, under AddressSanitizer + UndefinedBehaviorSanitizer, under
# ThreadSanitizer, the fuzz targets for a short while, and util.dll's suites under
# Wine.
# Usage: scripts/test-all.sh [native|asan|tsan|fuzz|windows]...   (default: all of them)
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh all

stages=${*:-"native asan tsan fuzz windows"}
jobs=2
started=$(date +%s)

configure_and_build() {  # dir, cmake arguments...
  dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

for stage in $stages; do
  echo "=== $stage"
  case $stage in
    native)
      configure_and_build build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUTIL_BUILD_BENCH=ON
      ctest --timeout 600 --test-dir build/native -j "$jobs" --output-on-failure ;;
    asan)
      configure_and_build build/asan -DCMAKE_BUILD_TYPE=Debug -DUTIL_SANITIZE=address
      ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --timeout 600 --test-dir build/asan -j "$jobs" --output-on-failure ;;
    tsan)
      configure_and_build build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUTIL_SANITIZE=thread
      # ThreadSanitizer needs the classic address-space layout on newer kernels.
      # It cannot follow a cancelled thread: the forced-stop test is labelled no-tsan.
      TSAN_OPTIONS=halt_on_error=1 setarch "$(uname -m)" -R \
        ctest --timeout 600 --test-dir build/tsan -j "$jobs" -LE no-tsan --output-on-failure ;;
    fuzz)
      configure_and_build build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUTIL_BUILD_FUZZ=ON \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
      ctest --timeout 600 --test-dir build/fuzz -j "$jobs" --output-on-failure ;;
    windows)
      # The product: util.dll for 32-bit Windows. Its suites run under the 32-bit
      # Wine where this kernel can execute 32-bit programs; elsewhere its static
      # checks run here and the suites run on the x86_64 build of the same sources
      # under the 64-bit Wine.
      configure_and_build build/windows -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
      # An i386 program that starts through an emulator (binfmt qemu-i386) does not count.
      if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
        scripts/wine-prefix.sh "$root/build/windows/wineprefix" /usr/lib/wine/wine
        WINEPREFIX="$root/build/windows/wineprefix" xvfb-run -a \
          ctest --timeout 600 --test-dir build/windows -j "$jobs" --output-on-failure
      else
        echo "32-bit programs cannot run on this kernel: static checks of the i686 build," \
             "suites on the x86_64 build under 64-bit Wine"
        ctest --timeout 600 --test-dir build/windows -L static --output-on-failure
        configure_and_build build/windows64 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake"
        scripts/wine-prefix.sh "$root/build/windows64/wineprefix" /usr/lib/wine/wine64
        WINEPREFIX="$root/build/windows64/wineprefix" xvfb-run -a \
          ctest --timeout 600 --test-dir build/windows64 -j "$jobs" --output-on-failure
      fi ;;
    *)
      echo "unknown stage: $stage" >&2; exit 2 ;;
  esac
done
echo "=== all stages passed in $(( $(date +%s) - started )) s"
