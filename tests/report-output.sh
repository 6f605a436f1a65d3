#!/usr/bin/env bash
# kwatrix-report's output that does not get written is a failure: to a full
# device, to a closed standard output and, where this user may mount one, to
# a full file system of 4 KB, every kind of output exits 1 and says why.
# --help and --version answer on standard output, kwatrix's without a display.
# Usage: report-output.sh KWATRIX_REPORT KWATRIX_DEMO [KWATRIX]
set -uo pipefail
report=$1
demo=$2
kwatrix=${3:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/kwatrix-output-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$demo" --dir "$work/a" --last 2024-03-31 --months 3 --devices 0 > /dev/null
failures=0
expect() { # what status reason command...
    local what=$1 status=$2 reason=$3
    shift 3
    "$@" 2> "$work/err"
    local got=$?
    if [ "$got" -ne "$status" ] || ! grep -q "standardní výstup nelze zapsat: $reason" "$work/err"; then
        echo "FAIL: $what: exit $got, $(tail -1 "$work/err")"
        failures=$((failures + 1))
    fi
}
small=
if [ "$(id -u)" -eq 0 ] && unshare -m true 2> /dev/null; then
    small=yes
else
    echo "no full file system of its own for this user: /dev/full and a closed output only"
fi
while read -r args; do
    # shellcheck disable=SC2086
    set -- --dir "$work/a/" $args
    "$report" "$@" > "$work/out" 2> /dev/null || { echo "FAIL: $* to a file"; failures=$((failures + 1)); }
    expect "$* > /dev/full" 1 "na disku není místo" sh -c 'exec "$@" > /dev/full' sh "$report" "$@"
    expect "$* >&-" 1 "výstup je zavřený" sh -c 'exec "$@" >&-' sh "$report" "$@"
    # A file system of 4 KB takes only the beginning of what is longer.
    if [ -n "$small" ] && [ "$(stat -c %s "$work/out")" -gt 4096 ]; then
        expect "$* > a full tmpfs" 1 "na disku není místo" unshare -m sh -c \
            'mkdir -p "$0/small" && mount -t tmpfs -o size=4k tmpfs "$0/small" &&
             exec "$@" > "$0/small/out"' "$work" "$report" "$@"
    fi
done << 'LIST'
--month 2024-02 --whole-month
--month 2024-02 --whole-month --format json
--month 2024-02 --whole-month --format excel-csv
--month 2024-02 --whole-month --values xy
--year 2024 --format csv
--year 2024
LIST
# Output into a file leaves standard output alone: closed, it is no failure.
"$report" --dir "$work/a/" --year 2024 --format xlsx --output "$work/r.xlsx" >&- 2> /dev/null ||
    { echo "FAIL: --output with a closed standard output"; failures=$((failures + 1)); }
for program in "$report" ${kwatrix:+"$kwatrix"}; do
    name=$(basename "$program")
    help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --help 2> /dev/null) &&
        version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --version 2> /dev/null)
    if [ $? -ne 0 ] || [[ $help != "usage: $name "* ]] || [[ $version != "$name "[0-9]* ]]; then
        echo "FAIL: $name --help / --version: ${help:0:60} ${version:-}"
        failures=$((failures + 1))
    fi
    expect "$name --help > /dev/full" 1 "na disku není místo" sh -c 'exec "$@" > /dev/full' sh \
        "$program" --help
done
echo "output checks: $failures failures"
[ "$failures" -eq 0 ]
