#!/usr/bin/env bash
# Installs what is missing, builds Kwatrix with its tests and runs every test.
# Windows are tested offscreen, so no display is needed.
# Usage: scripts/test.sh [--quick]
#   --quick  one build and one run of the suite, without the Debian package
#            stage and the sanitizer build
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
for arg in "$@"; do
    case "$arg" in
    --quick) quick=1 ;;
    *)
        echo "usage: scripts/test.sh [--quick]" >&2
        exit 2
        ;;
    esac
done

scripts/install-deps.sh test

werror=OFF
if [ -n "${CI:-}" ]; then
    werror=ON
fi

if [ -n "${CI:-}" ]; then
    # Formatting is part of the build's quality bar.
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
fi

# The store tests run against a PostgreSQL server of their own, stopped at the
# end whatever happens; both test runs below use it.
pg_dir=$(tests/store/pg-server.sh start)
trap 'tests/store/pg-server.sh stop "$pg_dir"' EXIT
export KWATRIX_TEST_PG
KWATRIX_TEST_PG=$(cat "$pg_dir/url")

cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKWATRIX_WERROR="$werror"
cmake --build build/test -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
# The soak of the desktop program runs on its own (README); the injected
# faults run after the rest, with their counts in the output.
ctest --test-dir build/test --output-on-failure -j"$(nproc)" -LE 'soak|faults' \
    --output-junit "$PWD/build/test/junit-tests.xml"
scripts/check-skips.sh build/test/junit-tests.xml tests/allowed-skips.txt
ctest --test-dir build/test --output-on-failure -L faults -V | grep -vE '^[0-9]+: Test command:'
[ "$quick" -eq 1 ] && exit 0

# Each fuzz target for a minute, seeded from its corpus; a finding fails the
# run and prints its reproducer.
fuzz/run-fuzzers.sh 60

# The Debian package of this build, installed (on CI) or unpacked, validated,
# and its kwatrix started under Xvfb; screenshots stay in build/test/package-test.
packaging/test-package.sh build/test

# Second build with address and undefined-behaviour sanitizers, running the
# whole test suite again. Any report fails the run, also one raised in a child
# process or in a test that expects a failure: address reports go to files,
# undefined-behaviour reports are found in the tests' output.
sanitize_dir=build/sanitize
cmake -S . -B "$sanitize_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKWATRIX_WERROR="$werror" \
    -DKWATRIX_SANITIZE=ON -DKWATRIX_GUI="${KWATRIX_SANITIZE_GUI:-ON}" -DKWATRIX_BENCH=OFF
cmake --build "$sanitize_dir" -j"$(nproc)"
reports="$PWD/$sanitize_dir/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:log_path=$reports/asan"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
ctest --test-dir "$sanitize_dir" --output-on-failure -j"$(nproc)" -LE 'soak|faults' \
    --output-junit "$PWD/$sanitize_dir/junit-tests.xml" || status=$?
scripts/check-skips.sh "$sanitize_dir/junit-tests.xml" tests/allowed-skips.txt || status=1
if compgen -G "$reports/*" > /dev/null; then
    echo "Sanitizer reports:"
    cat "$reports"/*
    status=1
fi
if grep -E "runtime error:|Sanitizer" "$sanitize_dir/Testing/Temporary/LastTest.log"; then
    echo "Sanitizer reports in the test output (above)."
    status=1
fi
[ "$status" -eq 0 ] && echo "Sanitizer build: every test passed, no reports."
exit "$status"
