#!/usr/bin/env bash
# Times the Windows build under wine64 beside the Linux build, in one run, on two identical
# copies of one program folder of N answered subjects (default 100,000): start-up, opening
# each window, the single-subject actions, the name search, the CSV and xlsx export and the
# backup (every operation of bench/scale/bench_scale.cpp but the subject-list PDF report,
# some 15 s a run at 100,000 subjects). Prints one markdown table:
# operation | Linux ms | wine ms | wine/Linux. Wine is not Windows: the figures say what the
# Windows build costs on this machine through wine, not what it costs on a Windows PC.
#   bash bench/wine/run.sh [N]
# Environment:
#   RUNS            runs of each operation, best taken (default 3)
#   ONLY            bench_scale keys, comma-separated (default every key but "report")
#   MERAVEL_BUILD_DIR      the Linux Release build (default <repo>/build-rel)
#   MERAVEL_WIN_BUILD_DIR  the Windows builds' folder (default <repo>/build-win): the cross
#                   build in cross/, the private wine prefix in wineprefix/
#   MERAVEL_WINSDK  the Windows SDK (default: the cached one, built when missing)
#   BENCH_WORK      where the program folders go (default <Windows builds' folder>/bench-work;
#                   the 100,000 folder is made once and kept)
#   BENCH_TIMEOUT   seconds one key may take on one side before it counts as failed (default 900)
# Every key runs in a process of its own on each side, so a failing (or hanging) operation
# marks only its own rows: the cell says "failed" (with the program's message below the table)
# instead of a figure.
set -euo pipefail
here=$(cd "$(dirname "$0")/../../scripts/windows" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source-path=SCRIPTDIR source=../../scripts/windows/common.sh
. "$here/common.sh"
n=${1:-100000}
runs=${RUNS:-3}
only=${ONLY:-startup,test,scoring,lookup,excel,register,score,grid,search,import,export,backup}
build=${MERAVEL_BUILD_DIR:-$root/build-rel}
wout=${MERAVEL_WIN_BUILD_DIR:-$root/build-win}
cross=$wout/cross
work=${BENCH_WORK:-$wout/bench-work}
limit=${BENCH_TIMEOUT:-900}
export CCACHE_BASEDIR=$root

# ---- the builds: only what the benchmark needs
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DMERAVEL_BENCHMARKS=ON \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target bench_scale program_content make-db make-workbook >/dev/null
sdk=${MERAVEL_WINSDK:-$(winsdk_ensure)}
if [ ! -f "$cross/CMakeCache.txt" ]; then
  win_configure "$sdk" "$cross" "$build/tools" -DMERAVEL_BENCHMARKS=ON -DBUILD_TESTING=OFF
fi
export MERAVEL_WINSDK=$sdk
cmake --build "$cross" -j"$(nproc)" --target bench_scale >/dev/null
export MERAVEL_WINEPREFIX=$wout/wineprefix
bash "$here/wine-prefix.sh" "$MERAVEL_WINEPREFIX"
trap 'WINEPREFIX=$MERAVEL_WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT

# ---- one folder of N subjects, made once, and a fresh copy of it for each side
mkdir -p "$work"
made=$work/subjects-$n
if [ ! -e "$made/.complete" ]; then
  bash "$root/bench/scale/make_scale_folder.sh" "$build/program" "$made" "$n"
  touch "$made/.complete"
fi
for side in linux wine; do
  rm -rf "${work:?}/$side"
  cp -r "$made" "$work/$side"
done
export QT_QPA_PLATFORM=offscreen

# run_side SIDE KEY: the key's rows in $work/SIDE-KEY.out, its messages in .log, its status in .rc
run_side() {
  local side=$1 key=$2 status=0
  local base=$work/$side-$key
  # The windows lay out their texts in the display face and Qt's Persian texts, found in the
  # folder as the program finds them beside itself (the benchmark lives elsewhere).
  if [ "$side" = linux ]; then
    MERAVEL_FONT_DIR=$work/linux MERAVEL_TRANSLATIONS_DIR=$work/linux/translations \
      timeout "$limit" "$build/bench/bench_scale" ops "$work/linux" "$n" --runs "$runs" --report-runs "$runs" --no-reference \
      --only "$key" >"$base.out" 2>"$base.log" || status=$?
  else
    # wine-run.sh gives the program's output back in one stream; the rows start with "|".
    # The folder is named through wine's Z: drive, which is the root of this machine.
    MERAVEL_FONT_DIR=Z:$work/wine MERAVEL_TRANSLATIONS_DIR=Z:$work/wine/translations \
      timeout "$limit" bash "$here/wine-run.sh" "$cross/bench/bench_scale.exe" ops "Z:$work/wine" "$n" --runs "$runs" \
      --report-runs "$runs" --no-reference --only "$key" >"$base.all" 2>&1 || status=$?
    tr -d '\r' <"$base.all" | grep '^|' >"$base.out" || true
    tr -d '\r' <"$base.all" | grep -v '^|' >"$base.log" || true
  fi
  echo "$status" >"$base.rc"
}

# field FILE OPERATION: the program's ms of the operation's row in FILE
field() { awk -F' [|] ' -v op="$2" '$2 == op { print $3 }' "$1"; }
# problem SIDE KEY: nothing when the key ran cleanly, else its exit status and the bench's notes
problem() {
  local base=$work/$1-$2 rc
  rc=$(cat "$base.rc")
  # bench_scale's own failure notes go to stdout among the rows: "... failed", "refused", "did not".
  local notes
  notes=$(grep -v '^|' "$base.out" 2>/dev/null || true)
  notes+=$(grep -E 'failed|refused|did not|no child|found nothing' "$base.log" 2>/dev/null || true)
  [ "$rc" != 124 ] || notes="timed out after $limit s $notes"
  if [ "$rc" != 0 ] || [ -n "$notes" ]; then
    echo "$1 $2 (exit $rc): $(echo "$notes" | head -3 | tr '\n' ' ')"
  fi
}

IFS=, read -r -a keys <<<"$only"
for key in "${keys[@]}"; do
  run_side linux "$key"
  run_side wine "$key"
done

echo "$(nproc) cores, $(free -h | awk '/^Mem:/ {print $2}') memory; $(date -u '+%Y-%m-%d %H:%M UTC');" \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "$n subjects; best of $runs runs; times in ms; wine is not Windows (wine64 $(/usr/lib/wine/wine64 --version 2>/dev/null | sed 's/^wine-//'))"
echo
echo "| operation | Linux ms | wine ms | wine/Linux |"
echo "|---|---:|---:|---:|"
notes=()
for key in "${keys[@]}"; do
  lp=$(problem linux "$key"); wp=$(problem wine "$key")
  [ -z "$lp" ] || notes+=("$lp")
  [ -z "$wp" ] || notes+=("$wp")
  # The operations of the key, from whichever side printed them (both when one side stopped early).
  ops=$( (cut -d'|' -f3 "$work/linux-$key.out"; cut -d'|' -f3 "$work/wine-$key.out") 2>/dev/null \
    | sed 's/^ *//; s/ *$//' | awk 'NF && !seen[$0]++')
  if [ -z "$ops" ]; then
    echo "| $key | failed | failed | - |"
    continue
  fi
  while IFS= read -r op; do
    l=$(field "$work/linux-$key.out" "$op"); w=$(field "$work/wine-$key.out" "$op")
    # A side with a note or a non-zero exit has no trustworthy figure for the key's rows.
    [ -n "$l" ] && [ -z "$lp" ] || l="failed"
    [ -n "$w" ] && [ -z "$wp" ] || w="failed"
    ratio=-
    if [ "$l" != failed ] && [ "$w" != failed ]; then
      ratio=$(awk -v a="$w" -v b="$l" 'BEGIN { if (b > 0) printf "%.1fx", a / b; else print "-" }')
    fi
    echo "| $op | $l | $w | $ratio |"
  done <<<"$ops"
done
if [ ${#notes[@]} -gt 0 ]; then
  echo
  printf 'failed: %s\n' "${notes[@]}"
fi
