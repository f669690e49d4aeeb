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
  # Warnings are errors in every build made here (UTIL_WERROR is off for clients).
  cmake -S . -B "$dir" -G Ninja -DUTIL_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

# Starts a tiny i686 program under the 32-bit Wine in the i686 build's prefix;
# prints what it said (or why it did not start) and succeeds when it ran as 32-bit.
probe_32bit_wine() {  # build dir
  probe=$1/wine-probe.exe
  i686-w64-mingw32-gcc -O0 "$root/scripts/wine-probe.c" -o "$probe" || { echo "no i686 compiler"; return 1; }
  [ -x /usr/lib/wine/wine ] || { echo "the 32-bit Wine loader is not installed"; return 1; }
  scripts/wine-prefix.sh "$1/wineprefix" /usr/lib/wine/wine >/dev/null 2>&1 || true
  said=$(WINEPREFIX="$1/wineprefix" WINEDEBUG=-all timeout 120 /usr/lib/wine/wine "$probe" 2>&1 | tr -d '\r' | tail -n 1)
  echo "${said:-no output}"
  [ "$said" = "ptr 4 long 4" ]
}

# Runs every suite of a Windows build under Wine. The prefix's server is started
# first and kept up for the whole run, so that suites starting at once never meet
# a server that is just shutting down. One program is run before the suites, with
# its output to /dev/null, so that the prefix's service processes it starts (and
# that stay up with the server) hold none of ctest's output pipes: otherwise the
# first suite would seem to run until its time-out. The server is stopped and
# waited for afterwards.
run_wine_suites() {  # build dir, loader
  prefix=$root/$1/wineprefix
  scripts/wine-prefix.sh "$prefix" "$2"
  WINEPREFIX="$prefix" wineserver -p
  WINEPREFIX="$prefix" WINEDEBUG=-all "$2" cmd /c exit </dev/null >/dev/null 2>&1
  status=0
  WINEPREFIX="$prefix" xvfb-run -a ctest --timeout 600 --test-dir "$1" -j "$jobs" --output-on-failure ||
    status=$?
  WINEPREFIX="$prefix" wineserver -k || true
  WINEPREFIX="$prefix" wineserver -w || true
  return $status
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
      # It cannot follow a thread parked for good: the forced-stop test is labelled no-tsan.
      TSAN_OPTIONS=halt_on_error=1 setarch "$(uname -m)" -R \
        ctest --timeout 600 --test-dir build/tsan -j "$jobs" -LE no-tsan --output-on-failure ;;
    fuzz)
      configure_and_build build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUTIL_BUILD_FUZZ=ON \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
      ctest --timeout 600 --test-dir build/fuzz -j "$jobs" --output-on-failure ;;
    windows)
      # The product: util.dll for 32-bit Windows, whose suites run under the 32-bit
      # Wine. Whether this machine can run 32-bit programs is learnt by starting one;
      # only where it cannot do the suites run on the x86_64 build of the same
      # sources under the 64-bit Wine, after the static checks of the i686 build.
      configure_and_build build/windows -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
      if reason=$(probe_32bit_wine "$root/build/windows"); then
        echo "32-bit Wine runs here ($reason): util.dll's suites on the i686 build"
        run_wine_suites build/windows /usr/lib/wine/wine
        # Files written by one build read by the other: needs both builds.
        if [ -f build/native/CTestTestfile.cmake ]; then
          ctest --timeout 600 --test-dir build/native -R utilctl_parity --output-on-failure
        fi
      else
        echo "32-bit Windows programs do not start here ($reason):" \
             "static checks of the i686 build, suites on the x86_64 build under the 64-bit Wine"
        ctest --timeout 600 --test-dir build/windows -L static --output-on-failure
        configure_and_build build/windows64 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake"
        run_wine_suites build/windows64 /usr/lib/wine/wine64
      fi ;;
    *)
      echo "unknown stage: $stage" >&2; exit 2 ;;
  esac
done
echo "=== all stages passed in $(( $(date +%s) - started )) s"
