#!/usr/bin/env bash
# Fails when a test of a CTest run was skipped and is not in the allow-list.
# Usage: scripts/check-skips.sh JUNIT_XML ALLOW_LIST
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: scripts/check-skips.sh JUNIT_XML ALLOW_LIST" >&2
    exit 2
fi
junit=$1
allowed=$2
# CTest writes each test as <testcase name="..." ... status="notrun"> with a
# <skipped> element when it did not run.
mapfile -t skipped < <(grep -oE '<testcase name="[^"]*"[^>]*status="(notrun|disabled)"' "$junit" |
    sed -E 's/<testcase name="([^"]*)".*/\1/')
status=0
for name in "${skipped[@]}"; do
    if grep -qE "^${name//./\\.}[[:space:]]" "$allowed"; then
        echo "skipped (allowed): $name: $(grep -E "^${name//./\\.}[[:space:]]" "$allowed" |
            sed -E 's/^[^[:space:]]+[[:space:]]+//')"
    else
        echo "SKIPPED and not allowed: $name"
        status=1
    fi
done
echo "${#skipped[@]} skipped tests, of them $(
    [ "$status" -eq 0 ] && echo "all" || echo "not all"
) in $allowed"
exit "$status"
