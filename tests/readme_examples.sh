#!/bin/sh
# Compiles every C++ example of README.md, each as a translation unit of its own,
# against the library's headers, so the examples cannot drift from the interface.
# An example that is a whole program (it defines main) is also linked with the
# built library and run; it must exit with 0.
# Usage: readme_examples.sh SOURCE_DIR CXX [BINARY_DIR "FLAGS" "LINK" [RUNNER...]]
#   BINARY_DIR  the directory that holds the shared library; programs run there
#   FLAGS       extra compile and link flags (sanitizers)
#   LINK        what to link with: the library file and linker options
#   RUNNER      what runs a program (Wine for the Windows build); none natively
# Without BINARY_DIR the programs are compiled only.
set -eu
source_dir=$1 cxx=$2
shift 2
binary_dir=${1:-} flags=${2:-} link=${3:-}
[ $# -ge 3 ] && shift 3 || shift $#
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk -v dir="$work" '
  /^```cpp$/ { inside = 1; count++; file = sprintf("%s/example%02d.cpp", dir, count); next }
  /^```$/    { inside = 0; next }
  inside     { print > file }
' "$source_dir/README.md"
status=0
count=0
programs=0
for example in "$work"/example*.cpp; do
  count=$((count + 1))
  # shellcheck disable=SC2086  # FLAGS holds several words
  if ! "$cxx" -std=c++17 -Wall -Wextra -Werror $flags -I "$source_dir/common/util" -c "$example" -o "$example.o"; then
    echo "README example $(basename "$example") does not compile:"; cat -n "$example"; status=1
    continue
  fi
  grep -q '^int main(' "$example" || continue
  [ -n "$binary_dir" ] || continue
  programs=$((programs + 1))
  program="$example.exe"
  # shellcheck disable=SC2086
  if ! "$cxx" $flags "$example.o" $link -o "$program"; then
    echo "README example $(basename "$example") does not link"; status=1
    continue
  fi
  if ! (cd "$binary_dir" && "$@" "$program"); then
    echo "README example $(basename "$example") failed when run:"; cat -n "$example"; status=1
  fi
done
[ "$count" -gt 0 ] || { echo "no examples found"; exit 1; }
echo "$count README examples compile, $programs of them run as programs"
exit $status
