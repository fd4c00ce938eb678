#!/usr/bin/env bash
# Builds Mnemora and runs its tests, installing the Debian packages it needs
# when they are missing. Needs no display: the tests run offscreen.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"
mnemora_install_deps

build="${MNEMORA_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMNEMORA_WERROR=ON
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
