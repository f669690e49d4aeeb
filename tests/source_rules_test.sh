#!/bin/sh
# The source check rejects what it must: on a scratch copy of the sources, each bad
# line below, put into a portable file, fails the check; the same line in a
# platform file passes; and the untouched copy passes.
# Usage: source_rules_test.sh <source root> <scratch directory>
set -u
src=$1
scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch/scripts"
cp -R "$src/common" "$src/tools" "$src/tests" "$src/bench" "$src/fuzz" "$scratch/" || exit 2
cp "$src/scripts/check-sources.sh" "$scratch/scripts/" || exit 2
cd "$scratch" || exit 2
failures=0
check() { sh scripts/check-sources.sh . >check.out 2>&1; }

if ! check; then
  echo "FAIL: the untouched copy does not pass:"; cat check.out; failures=$((failures + 1))
fi

portable=common/util/containers/hash_table.cpp
platform=common/util/platform/files_posix.cpp
for bad in '#include <dirent.h>' '#include <ifaddrs.h>' '#include <ntddscsi.h>' \
           '#include <windows.h>' '#include <sys/stat.h>' '#include "winsock2.h"' \
           '#if defined(__linux__)' '#ifdef _WIN32' '#if !defined(_MSC_VER)' \
           '#elif __MINGW32__' '# if defined __unix__'; do
  for file in "$portable" tests/containers/hash_table_test.cpp tools/utilctl/main.cpp; do
    cp "$file" "$file.orig"
    printf '%s\n#endif\n' "$bad" >>"$file"
    if check; then
      echo "FAIL: '$bad' in $file passes the check"; failures=$((failures + 1))
    elif ! grep -q "$file" check.out; then
      echo "FAIL: '$bad' in $file rejected without naming the file:"; cat check.out
      failures=$((failures + 1))
    fi
    mv "$file.orig" "$file"
  done
done

# The same lines are fine in a platform file, and frameworks are fine in tests only.
cp "$platform" "$platform.orig"
printf '#include <dirent.h>\n#if defined(__linux__)\n#endif\n' >>"$platform"
check || { echo "FAIL: a platform file may include OS headers:"; cat check.out; failures=$((failures + 1)); }
mv "$platform.orig" "$platform"
cp "$portable" "$portable.orig"
printf '#include <gtest/gtest.h>\n' >>"$portable"
check && { echo "FAIL: gtest accepted in library code"; failures=$((failures + 1)); }
mv "$portable.orig" "$portable"

[ $failures = 0 ] && echo "source rules test: ok"
[ $failures = 0 ]
