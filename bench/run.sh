#!/usr/bin/env bash
# Builds the program and the scale benchmark, generates program folders with 1,000, 10,000
# and 100,000 registered and answered subjects, and prints one markdown table: every
# operation's best time of several runs beside the sqlite3 shell (cp for the backup copy)
# measured in the same run.
#   bash bench/run.sh [SIZE ...]        (default: 1000 10000 100000)
# Environment: MERAVEL_BUILD_DIR (default <repo>/build), RUNS (default 5), REPORT_RUNS
# (runs of the list report, default 3; 1 from 100,000 subjects), BENCH_WORK (default a
# temporary folder, removed at the end).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${MERAVEL_BUILD_DIR:-$here/build}
runs=${RUNS:-5}
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 10000 100000)

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
fi
cmake --build "$build" -j"$(nproc)" --target bench_scale meravel-cli program_content > /dev/null

work=${BENCH_WORK:-}
if [ -z "$work" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
export QT_QPA_PLATFORM=offscreen

echo "machine: $(nproc) cores, $(free -h | awk '/^Mem:/ {print $2}') memory; $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "best of $runs runs each (app and reference); times in ms; reference = whole sqlite3 (or cp) process"
echo
echo "| subjects | operation | program ms | reference ms | ratio | reference | target |"
echo "|---:|---|---:|---:|---:|---|---|"
for n in "${sizes[@]}"; do
    folder="$work/subjects-$n"
    bash "$here/bench/scale/make_scale_folder.sh" "$build/program" "$folder" "$n"
    report_runs=${REPORT_RUNS:-3}
    [ "$n" -lt 100000 ] || report_runs=${REPORT_RUNS:-1}
    # Qt's notes about the offscreen platform go to a log, shown only when the run fails.
    if ! "$build/bench/bench_scale" ops "$folder" "$n" --runs "$runs" --report-runs "$report_runs" \
        --empty "$build/program" 2> "$work/bench-$n.log"; then
        cat "$work/bench-$n.log" >&2
        exit 1
    fi
    rm -rf "$folder"
done
