#!/bin/sh
# Installs what a fresh Debian 12 machine lacks for building and testing util.
# Usage: scripts/install-deps.sh native|all   (as root; safe to run again)
set -eu
want=${1:-all}

packages="cmake ninja-build g++ googletest libgtest-dev libgmock-dev libbenchmark-dev pkgconf clang-format"
if [ "$want" = all ]; then
  # wine32:i386 runs util.dll's suites (the product is 32-bit); wine64 and the x86_64
  # cross compiler are the fallback where 32-bit programs cannot start.
  packages="$packages clang libclang-rt-14-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
            binutils-mingw-w64-i686 wine wine64 wine32:i386 xvfb xauth x11-apps x11-utils imagemagick
            tk libpcap-dev libconcurrentqueue-dev gnuplot-nox"
fi

missing=""
for package in $packages; do
  dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing="$missing $package"
done
[ -z "$missing" ] && exit 0

echo "installing:$missing"
if [ "$(id -u)" != 0 ]; then
  echo "install-deps: run as root to install:$missing" >&2
  exit 1
fi
case "$missing" in *":i386"*)
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;;
esac
export DEBIAN_FRONTEND=noninteractive
echo "wireshark-common wireshark-common/install-setuid boolean false" | debconf-set-selections
apt-get update -q
apt-get install -y -q --no-install-recommends $missing
