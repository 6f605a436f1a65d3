#!/usr/bin/env bash
# Runs the named tests of a GoogleTest program as an ordinary user: as root,
# file permissions stop nothing, so the tests of refused writes would skip.
# Root runs a copy of the program as "nobody" (setpriv); any other user runs
# it as it is. Fails when a test fails, is skipped or is not found.
# Usage: as-ordinary-user.sh TEST_PROGRAM TEST_NAME...
set -euo pipefail
if [ $# -lt 2 ]; then
    echo "usage: as-ordinary-user.sh TEST_PROGRAM TEST_NAME..." >&2
    exit 2
fi
program=$1
shift
filter=$(IFS=:; echo "$*")

run=("$program")
if [ "$(id -u)" -eq 0 ]; then
    # A copy in a folder of its own, so that the build's folders need not be
    # open to "nobody".
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/kwatrix-ordinary-XXXXXX")
    trap 'rm -rf "$scratch"' EXIT
    cp "$program" "$scratch/"
    mkdir "$scratch/tmp"
    chown nobody "$scratch/tmp"
    chmod 755 "$scratch"
    export TMPDIR="$scratch/tmp/" TEST_TMPDIR="$scratch/tmp/"
    run=(setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env
        env TMPDIR="$TMPDIR" TEST_TMPDIR="$TEST_TMPDIR"
        "$scratch/$(basename "$program")")
fi
out=$("${run[@]}" --gtest_filter="$filter" 2>&1) || {
    echo "$out"
    exit 1
}
echo "$out"
if grep -q '^\[  SKIPPED \]' <<< "$out"; then
    echo "as-ordinary-user.sh: a test was skipped" >&2
    exit 1
fi
if ! grep -q "^\[  PASSED  \] $# tests\?\.$" <<< "$out"; then
    echo "as-ordinary-user.sh: expected $# tests to pass" >&2
    exit 1
fi
