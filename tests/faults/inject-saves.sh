#!/usr/bin/env bash
# Every save of the program, interrupted at each of its system calls in turn.
#
# Each kind of save runs once under strace to list its system calls, then once
# per call with that call failing (EIO) and once per call with the process
# killed as it makes it. After every run the file is byte for byte the old one
# or the new one; a run that left the old file reported a failure, and one
# that reported success left the new file. A temporary file is left only by a
# killed writer (or by a failed removal of the temporary itself), and the
# program's next start removes it.
#
# Usage: inject-saves.sh SAVE_ONCE KWATRIX_REPORT KWATRIX_DEMO
# The number of calls and the outcomes of each kind of save are printed.
set -euo pipefail

if [ $# -ne 3 ]; then
    echo "usage: inject-saves.sh SAVE_ONCE KWATRIX_REPORT KWATRIX_DEMO" >&2
    exit 2
fi
save_once=$(realpath "$1")
report=$(realpath "$2")
demo=$(realpath "$3")
command -v strace > /dev/null || {
    echo "strace is missing (scripts/install-deps.sh test installs it)" >&2
    exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/kwatrix-inject-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$demo" --dir "$work/archive" --last 2024-06-30 --months 3 > /dev/null

# kind: the save, the file it replaces (relative to the program directory)
kinds=(popup template holidays day-division export settings)
# KWATRIX_INJECT_KINDS="popup export" runs only those.
[ -n "${KWATRIX_INJECT_KINDS:-}" ] && read -r -a kinds <<< "$KWATRIX_INJECT_KINDS"
target_of() {
    case $1 in
    popup | template | holidays) echo KALEND.INI ;;
    day-division) echo ROZ_DNEW.CFG ;;
    export) echo export.csv ;;
    settings) echo Kwatrix.conf ;;
    esac
}
# The command of the save in the program directory $2, into the array "save".
save_command() {
    save=("$save_once" "$2" "$1")
    case $1 in
    export | settings) save+=("$2/$(target_of "$1")") ;;
    esac
}
# The program's next start in $2: kwatrix-report for the program's own files,
# the export or the settings saved again for those.
next_start_in() {
    case $1 in
    export | settings)
        local save
        save_command "$1" "$2"
        "${save[@]}"
        ;;
    *) "$report" --dir "$2" --month 2024-05 --day 1 ;;
    esac
}
temporaries_in() {
    find "$1" -maxdepth 1 -name '.*.kwatrix-tmp-??????' -printf '%f\n'
}
export save_once report work
save=()
export -f target_of save_command next_start_in temporaries_in

# One run: kind, mode (EIO|KILL), call number, system call, its invocation
# number among the calls of that name. Prints one line: "ok ..." or "FAIL ...".
run_one() {
    local kind=$1 mode=$2 n=$3 call=$4 nth=$5
    local dir="$work/run-$kind-$mode-$(printf '%05d' "$n")"
    local target
    target=$(target_of "$kind")
    cp -a "$work/base-$kind" "$dir"
    local action="error=EIO"
    [ "$mode" = KILL ] && action="signal=KILL"
    local status=0 save
    save_command "$kind" "$dir"
    # The program alone is traced: strace counts the invocations of a call per
    # process, as the list of calls was made.
    timeout 60 strace -qq -o /dev/null -e trace="$call" -e inject="$call:$action:when=$nth" \
        -- "${save[@]}" > /dev/null 2>&1 || status=$?
    local what="$kind $mode at call $n ($call #$nth), exit $status"
    local state
    if [ ! -e "$dir/$target" ]; then
        state=lost
    elif cmp -s "$dir/$target" "$work/old-$kind"; then
        state=old
    elif cmp -s "$dir/$target" "$work/new-$kind"; then
        state=new
    else
        state=torn
    fi
    local problem=""
    case $state in
    lost | torn) problem="the file is $state" ;;
    old) [ "$status" -eq 0 ] && problem="the old file stayed but success was reported" ;;
    new) [ "$mode" = EIO ] && [ "$status" -ne 0 ] && [ "$status" -ne 1 ] &&
        problem="the save was done but the program crashed" ;;
    esac
    if [ "$mode" = EIO ] && [ "$status" -ge 128 ] && [ "$status" -ne 134 ]; then
        problem="${problem:+$problem; }the program crashed"
    fi
    local left cleaned=""
    left=$(temporaries_in "$dir")
    if [ -n "$left" ]; then
        if [ "$mode" = EIO ] && [ "$call" != unlink ] && [ "$call" != unlinkat ]; then
            problem="${problem:+$problem; }a failed save left $left"
        fi
        next_start_in "$kind" "$dir" > /dev/null 2>&1 || true
        if [ -n "$(temporaries_in "$dir")" ]; then
            problem="${problem:+$problem; }the next start left $(temporaries_in "$dir")"
        fi
        cleaned=" cleaned"
    fi
    rm -rf "$dir"
    if [ -n "$problem" ]; then
        echo "FAIL $what: $problem"
    else
        echo "ok $kind $mode $state $status$cleaned"
    fi
}
export -f run_one

failed=0
for kind in "${kinds[@]}"; do
    target=$(target_of "$kind")
    base="$work/base-$kind"
    cp -a "$work/archive" "$base"
    case $kind in
    export) printf 'the export made before\n' > "$base/$target" ;;
    settings) printf '[Global]\nDevice%%20No=5\n\n[Vypis]\nClear_Window=1\n' > "$base/$target" ;;
    # Two public holidays of 2024 not yet marked.
    holidays) sed -i -e '/^29\.3=N/d' -e '/^1\.4=N/d' "$base/$target" ;;
    esac
    cp "$base/$target" "$work/old-$kind"

    # The save undisturbed, with the list of its system calls.
    probe="$work/run-$kind-probe-00000"
    cp -a "$base" "$probe"
    save_command "$kind" "$probe"
    strace -qq -o "$work/trace-$kind" -- "${save[@]}" > /dev/null
    cp "$probe/$target" "$work/new-$kind"
    rm -rf "$probe"
    if cmp -s "$work/old-$kind" "$work/new-$kind"; then
        echo "FAIL $kind: the save changed nothing"
        failed=1
        continue
    fi
    # Each call with its invocation number among the calls of that name.
    grep -oE '^[a-z_0-9]+\(' "$work/trace-$kind" | tr -d '(' |
        awk '{ seen[$1]++; print NR, $1, seen[$1] }' > "$work/points-$kind"
    calls=$(wc -l < "$work/points-$kind")

    # An error is not injected where no program can meet it: the loader's and
    # the allocator's memory mapping, and the calls that start and end a
    # process or return from a signal. A kill is, everywhere.
    no_error='^(mmap|munmap|mprotect|mremap|madvise|brk|rt_sigreturn|exit|exit_group|arch_prctl|set_tid_address|set_robust_list|rseq|prlimit64|execve)$'
    errors=$(awk '{ print $2 }' "$work/points-$kind" | grep -cvE "$no_error" || true)
    for mode in EIO KILL; do
        while read -r n call nth; do
            [ "$mode" = EIO ] && grep -qE "$no_error" <<< "$call" && continue
            echo "$kind $mode $n $call $nth"
        done < "$work/points-$kind"
    done | xargs -P "$(nproc)" -L1 bash -c 'run_one "$@"' _ > "$work/results-$kind" \
        2> "$work/stderr-$kind"

    fails=$(grep -c '^FAIL' "$work/results-$kind" || true)
    summary() { grep "^ok $kind $1 $2 " "$work/results-$kind" | wc -l; }
    printf '%-13s %4d system calls, %d of them failed with EIO: %d old file, %d new file; killed at each: %d old, %d new, %d cleaned at the next start; %d failed checks\n' \
        "$kind" "$calls" "$errors" "$(summary EIO old)" "$(summary EIO new)" "$(summary KILL old)" \
        "$(summary KILL new)" "$(grep -c ' cleaned$' "$work/results-$kind" || true)" "$fails"
    if [ "$fails" -ne 0 ]; then
        grep '^FAIL' "$work/results-$kind" | head -20
        failed=1
    fi
done
exit "$failed"
