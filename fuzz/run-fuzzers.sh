#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, address and undefined-behaviour
# sanitizers, and runs each for a while, two at a time.
# Usage: fuzz/run-fuzzers.sh [SECONDS_PER_TARGET] [TARGET...]
# New inputs collect in build/fuzz/runs/TARGET; a crash is saved as
# build/fuzz/artifacts/TARGET-crash-*. Seeds: fuzz/corpus/TARGET (read only).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(month_file ini description calendar day_division contract store_url)

scripts/install-deps.sh fuzz
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKWATRIX_FUZZ=ON -DKWATRIX_SANITIZE=ON -DKWATRIX_GUI=OFF -DKWATRIX_BENCH=OFF \
    -DKWATRIX_TESTS=OFF
cmake --build build/fuzz -j2 --target "${targets[@]/#/fuzz_}"

mkdir -p build/fuzz/artifacts
run() {
    local t=$1
    mkdir -p "build/fuzz/runs/$t"
    if build/fuzz/fuzz/"fuzz_$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=3072 \
        -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$t-" \
        "build/fuzz/runs/$t" "fuzz/corpus/$t" > "build/fuzz/$t.log" 2>&1; then
        echo "$t: $(grep -E '^stat::number_of_executed_units' "build/fuzz/$t.log" | tail -1)"
    else
        # The finding goes into the output, so that a CI log alone can
        # reproduce it: base64 -d > input; build/fuzz/fuzz/fuzz_TARGET input
        echo "$t: FAILED, see build/fuzz/$t.log"
        tail -n 60 "build/fuzz/$t.log"
        for f in build/fuzz/artifacts/"$t"-*; do
            [ -e "$f" ] || continue
            echo "reproducer $f (base64):"
            base64 "$f"
        done
        return 1
    fi
}
export -f run
export seconds
printf '%s\n' "${targets[@]}" | xargs -P2 -I{} bash -c 'run {}'
