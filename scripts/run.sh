#!/usr/bin/env bash
# Builds Mnemora and starts it, installing the Debian packages it needs when
# they are missing. The program folder is the build folder: the program with
# its Images/ and Decks/ beside it.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"
mnemora_install_deps

build="${MNEMORA_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
exec "$build/mnemora" "$@"
