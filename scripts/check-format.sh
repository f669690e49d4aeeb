#!/bin/sh
# The sources follow .clang-format: lists every file clang-format would change
# and exits 1 if there is one (2 when clang-format is missing).
# Usage: check-format.sh [root]
set -u
cd "${1:-.}" || exit 2
command -v clang-format >/dev/null 2>&1 || { echo "clang-format is not installed (scripts/install-deps.sh)"; exit 2; }
status=0
for file in $(find common tools bench fuzz tests \( -name '*.cpp' -o -name '*.h' \) | sort); do
  if ! clang-format --dry-run -Werror "$file" >/dev/null 2>&1; then
    echo "not formatted: $file (clang-format -i $file)"
    status=1
  fi
done
exit $status
