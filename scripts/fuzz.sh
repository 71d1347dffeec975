#!/usr/bin/env bash
# Runs each fuzz target for SECONDS (60 unless given), one after the other,
# and reports for each its executions, time and crashes. The targets are the
# clang preset's (built first, in build-clang/); each grows its own corpus in
# build-clang/fuzz/TARGET/corpus/ from the seed inputs in the folder of its
# source, tests/.../NAME_corpus/ for NAME_fuzzer, and keeps the input of a
# crash in build-clang/fuzz/TARGET/crashes/ with the run's log beside it.
# Exits 1 when a target crashed, 2 for a bad argument.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
if [[ ! $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/fuzz.sh [SECONDS]   (seconds per fuzz target, default 60)" >&2
    exit 2
fi

scripts/install_packages.sh fuzz
cmake --preset clang >/dev/null
cmake --build --preset clang --target kmx_fuzz_targets

status=0
for target in build-clang/bin/*_fuzzer; do
    name=$(basename "$target")
    work=build-clang/fuzz/$name
    mkdir -p "$work/corpus" "$work/crashes"
    mapfile -t seeds < <(find tests -type d -name "${name%_fuzzer}_corpus")
    log=$work/last_run.log
    started=$(date +%s)
    # -fork would go on past a crash, but the first one is what is wanted.
    if "$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$work/crashes/" "$work/corpus" "${seeds[@]}" >"$log" 2>&1; then
        crashes=0
    else
        crashes=1
        status=1
    fi
    elapsed=$(($(date +%s) - started))
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    corpus=$(find "$work/corpus" -type f | wc -l)
    echo "$name: ${executions:-?} executions in ${elapsed} s, $crashes crash(es), corpus of $corpus inputs (log: $log)"
    if ((crashes)); then
        grep -m 1 -E '^==[0-9]+==ERROR|runtime error|deadly signal' "$log" || true
        grep -m 1 -o "Test unit written to .*" "$log" || true
    fi
done
exit $status
