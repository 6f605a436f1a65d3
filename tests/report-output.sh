#!/usr/bin/env bash
# Output not written (a full device, a closed standard output, a full 4 KB file
# system where this user may mount one) exits 1 and says why; --help and
# --version answer on standard output, kwatrix's without a display.
# Usage: report-output.sh KWATRIX_REPORT KWATRIX_DEMO [KWATRIX]
set -uo pipefail
report=$1 kwatrix=${3:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/kwatrix-output-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$2" --dir "$work/a" --last 2024-03-31 --months 3 --devices 0 > /dev/null
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() { # what reason redirection command...
    local what=$1 reason=$2 to=$3
    shift 3
    sh -c "exec \"\$@\" $to" sh "$@" 2> "$work/err"
    local got=$?
    [ "$got" -eq 1 ] && grep -q "standardní výstup nelze zapsat: $reason" "$work/err" ||
        fail "$what $to: exit $got, $(tail -1 "$work/err")"
}
small=$(unshare -m sh -c 'mount -t tmpfs -o size=4k tmpfs /mnt' 2> /dev/null && echo yes)
for args in "--month 2024-02 --whole-month" "--month 2024-02 --whole-month --format json" \
    "--month 2024-02 --whole-month --values xy" "--year 2024 --format csv" "--year 2024"; do
    # shellcheck disable=SC2086
    set -- "$report" --dir "$work/a/" $args
    "$@" > "$work/out" 2> /dev/null || fail "$args to a file"
    expect "$args" "na disku není místo" "> /dev/full" "$@"
    expect "$args" "výstup je zavřený" ">&-" "$@"
    [ -n "$small" ] && [ "$(stat -c %s "$work/out")" -gt 4096 ] &&
        expect "$args > a full tmpfs" "na disku není místo" "" unshare -m sh -c \
            'mount -t tmpfs -o size=4k tmpfs /mnt && exec "$@" > /mnt/out' sh "$@"
done
for program in "$report" ${kwatrix:+"$kwatrix"}; do
    name=$(basename "$program")
    bare=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program")
    [[ $("${bare[@]}" --help) == "usage: $name "* && $("${bare[@]}" --version) == "$name "[0-9]* ]] ||
        fail "$name --help / --version"
    expect "$name --help" "na disku není místo" "> /dev/full" "$program" --help
done
echo "output checks: $failures failures"
[ "$failures" -eq 0 ]
