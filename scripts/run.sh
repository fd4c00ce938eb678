#!/usr/bin/env bash
# Builds Mnemora and starts it, installing the Debian packages it needs when
# they are missing. Only the program and what it needs beside it are built,
# not the tests and benchmarks. The program folder is the build folder: the
# program with its Images/ and Decks/ beside it.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Mnemora needs a graphical session (no DISPLAY or WAYLAND_DISPLAY is set); without one, run it under a virtual display: xvfb-run -a $0${*:+ $*}" >&2
  exit 1
fi

source "$here/scripts/deps.sh"
mnemora_install_deps

build="${MNEMORA_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target mnemora
exec "$build/mnemora" "$@"
