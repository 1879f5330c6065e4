#!/bin/sh
# Compares "meravel-cli export" over N scored subjects with the sqlite3 shell dumping the same
# IDE rows as CSV, and the spreadsheet export (--format xlsx) with the CSV export beside it;
# prints the times and their ratios (best of R runs each). Target: xlsx within 3x the CSV.
#   export_bench.sh PROGRAM_DIR [N] [R]
set -eu
program=$1
n=${2:-100000}
runs=${3:-5}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A program folder of its own (data files copied, the tool run from the build).
cp -r "$program/." "$work/"
"$here/make_scored_db.sh" "$program/meravelDB.mdb" "$work/meravelDB.mdb" "$n"

best() { # best wall time in seconds of running "$@" $runs times
    b=""
    i=0
    while [ $i -lt "$runs" ]; do
        s=$(date +%s.%N)
        "$@"
        e=$(date +%s.%N)
        t=$(echo "$e - $s" | bc -l)
        if [ -z "$b" ] || [ "$(echo "$t < $b" | bc -l)" = 1 ]; then b=$t; fi
        i=$((i + 1))
    done
    echo "$b"
}

cli() { "$program/meravel-cli" --folder "$work" export --out "$work/cli.csv"; }
xlsx() { "$program/meravel-cli" --folder "$work" export --format xlsx --out "$work/cli.xlsx"; }
shell() {
    sqlite3 -csv -header "$work/meravelDB.mdb" \
        'SELECT Code, FName, LName, Jens, Sen, Tahsil, "Group", "Date", "Time", V, J, H, A, M, GH FROM IDE ORDER BY rid' \
        > "$work/shell.csv"
}

t_cli=$(best cli)
t_shell=$(best shell)
t_xlsx=$(best xlsx)
rows=$(($(wc -l < "$work/cli.csv") - 1))
echo "subjects exported: $rows"
echo "meravel-cli export: ${t_cli}s ($(wc -c < "$work/cli.csv") bytes)"
echo "sqlite3 -csv:       ${t_shell}s ($(wc -c < "$work/shell.csv") bytes)"
echo "ratio: $(echo "scale=2; $t_cli / $t_shell" | bc -l)"
echo "meravel-cli export --format xlsx: ${t_xlsx}s ($(wc -c < "$work/cli.xlsx") bytes)"
echo "xlsx / csv ratio: $(echo "scale=2; $t_xlsx / $t_cli" | bc -l) (target 3)"
