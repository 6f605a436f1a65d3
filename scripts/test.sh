#!/usr/bin/env bash
# Installs what is missing, builds Kwatrix with its tests and runs every test.
# Windows are tested offscreen, so no display is needed.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test

werror=OFF
if [ -n "${CI:-}" ]; then
    werror=ON
fi

if [ -n "${CI:-}" ]; then
    # Formatting is part of the build's quality bar.
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
fi

cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKWATRIX_WERROR="$werror"
cmake --build build/test -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/test --output-on-failure -j"$(nproc)"
