#!/usr/bin/env bash
# Long libFuzzer runs of every target of a TORVANE_FUZZ build, two at a time at the lowest priority,
# each until it has run RUNS inputs or SECONDS have passed. Each target starts from its written
# seeds and its committed corpus (tests/fuzz/corpus/<target>); what it finds is kept in WORK.
#
#   tests/fuzz/run_fuzzers.sh BUILD WORK [SECONDS [RUNS [TARGET...]]]    fuzz, then print the figures
#   tests/fuzz/run_fuzzers.sh --merge BUILD WORK [TARGET...]              minimise WORK's corpora into
#                                                                         tests/fuzz/corpus
#
# BUILD is configured with -DTORVANE_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ (Debian: clang and
# libclang-rt-14-dev); the processor time is measured with GNU time (Debian: time).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
merge=false
if [ "${1:-}" = "--merge" ]; then
    merge=true
    shift
fi
[ $# -ge 2 ] || { sed -n '2,11p' "$0" >&2; exit 2; }
build=$(cd "$1" && pwd)
mkdir -p "$2"
work=$(cd "$2" && pwd)
shift 2
if $merge; then
    seconds=0 runs=0
else
    seconds=${1:-600}
    runs=${2:-10000000}
    shift $(( $# < 2 ? $# : 2 ))
fi
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for program in "$build"/tests/*_fuzz; do
        targets+=("$(basename "$program")")
    done
fi

# Stops at the first sanitizer report, also for the undefined behaviour the build only reports.
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

if $merge; then
    for target in "${targets[@]}"; do
        fresh="$work/merged/$target"
        rm -rf "$fresh"
        mkdir -p "$fresh" "$here/corpus/$target"
        # Edges only, without their hit counts: a tenth of the files for the same code reached.
        nice -n 19 "$build/tests/$target" -merge=1 -use_counters=0 "$fresh" "$here/corpus/$target" \
            "$work/corpus/$target" >"$work/$target.merge.log" 2>&1
        # Inputs that once broke a target (regression-*) stay whatever their coverage.
        find "$here/corpus/$target" -type f ! -name 'regression-*' -delete
        cp "$fresh"/* "$here/corpus/$target/"
        echo "$target: $(ls "$here/corpus/$target" | wc -l) files, $(cat "$here/corpus/$target"/* | wc -c) bytes"
    done
    exit 0
fi

run_one() {
    local target=$1
    mkdir -p "$work/corpus/$target" "$work/seeds/$target" "$work/artifacts" "$here/corpus/$target"
    "$build/tests/${target}_replay" --write-seeds "$work/seeds/$target" >/dev/null
    local status=0 started=$SECONDS
    # The processor time is kept too: on a busy machine the lowest priority gets little of it, which
    # is also why an input has a minute before it counts as hanging.
    /usr/bin/time -f '%U %S' -o "$work/$target.cpu" \
        nice -n 19 "$build/tests/$target" -max_total_time="$seconds" -runs="$runs" -timeout=60 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/$target-" \
        "$work/corpus/$target" "$work/seeds/$target" "$here/corpus/$target" >"$work/$target.log" 2>&1 || status=$?
    local executed perSecond cpu
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
    perSecond=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/$target.log")
    cpu=$(awk 'END { print $1 + $2 }' "$work/$target.cpu")
    echo "$target: exit $status, ${executed:-?} executions in $((SECONDS - started)) s (${cpu} s of processor time)," \
        "${perSecond:-?} exec/s"
}
export -f run_one
export build work here seconds runs
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run_one {}'
