#!/usr/bin/env bash
# Installs what is missing, builds Kwatrix in Release, writes the demo archive
# beside the built program and starts the desktop program on it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh run
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DKWATRIX_TESTS=OFF -DKWATRIX_BENCH=OFF
cmake --build build/release -j"$(nproc)" --target kwatrix kwatrix-demo
build/release/kwatrix-demo

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: start build/release/kwatrix from a desktop session." >&2
    exit 1
fi
exec build/release/kwatrix
