#!/bin/sh
# Compiles every C++ example of README.md, each as a translation unit of its own,
# against the library's headers, so the examples cannot drift from the interface.
# Usage: readme_examples.sh SOURCE_DIR CXX
set -eu
source_dir=$1 cxx=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk -v dir="$work" '
  /^```cpp$/ { inside = 1; count++; file = sprintf("%s/example%02d.cpp", dir, count); next }
  /^```$/    { inside = 0; next }
  inside     { print > file }
' "$source_dir/README.md"
status=0
count=0
for example in "$work"/example*.cpp; do
  count=$((count + 1))
  if ! "$cxx" -std=c++17 -Wall -Wextra -Werror -I "$source_dir/common/util" -c "$example" -o "$example.o"; then
    echo "README example $(basename "$example") does not compile:"; cat -n "$example"; status=1
  fi
done
[ "$count" -gt 0 ] || { echo "no examples found"; exit 1; }
echo "$count README examples compile"
exit $status
