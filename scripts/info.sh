#!/bin/sh
# The README's first command: installs what is missing, builds util natively and
# prints the overview of this machine through it.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh native
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native --target utilctl
build/native/bin/utilctl info
