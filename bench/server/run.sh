#!/usr/bin/env bash
# The main database on a PostgreSQL server at scale. Starts a private server (as the test
# command does), builds a program folder of N answered subjects, moves it onto the server with
# `meravel-cli db copy` (beside psql loading the same rows with \copy in one transaction), then
# times the CSV export (beside psql \copy ... TO STDOUT CSV of the same rows) and every window
# and single-subject action of the scale benchmark with the folder's database.conf naming the
# server. Prints markdown rows.
#   bash bench/server/run.sh [N]        (default 100000)
# Environment: MERAVEL_BUILD_DIR (default <repo>/build), RUNS (default 3).
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${MERAVEL_BUILD_DIR:-$here/build}
n=${1:-100000}
runs=${RUNS:-3}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
fi
cmake --build "$build" -j"$(nproc)" --target bench_scale meravel-cli program_content > /dev/null
export QT_QPA_PLATFORM=offscreen

work=$(mktemp -d /tmp/meravel-bench.XXXXXX)
chmod 755 "$work"
pgdir=$work/pg
trap 'bash "$here/scripts/pg-test-server.sh" stop "$pgdir"; rm -rf "$work"' EXIT
admin=$(bash "$here/scripts/pg-test-server.sh" start "$pgdir")
on() { echo "${admin/\/postgres\?//$1?}"; }
psql "$admin" -qc "CREATE DATABASE bench" -c "CREATE DATABASE reference"
url=$(on bench)
ref=$(on reference)
cli="$build/program/meravel-cli"

folder=$work/subjects-$n
bash "$here/bench/scale/make_scale_folder.sh" "$build/program" "$folder" "$n"
db=$folder/meravelDB.mdb
"$cli" --database "$url" db init > /dev/null
"$cli" --database "$ref" db init > /dev/null

now() { date +%s%N; }
ms() { echo "scale=1; ($2 - $1) / 1000000" | bc; }
best() { # best RUNS COMMAND...: best wall time in ms
    local b=""
    for _ in $(seq "$1"); do
        local t0 t1 d
        t0=$(now); "${@:2}" > /dev/null; t1=$(now)
        d=$(ms "$t0" "$t1")
        if [ -z "$b" ] || [ "$(echo "$d < $b" | bc)" = 1 ]; then b=$d; fi
    done
    echo "$b"
}

echo "machine: $(nproc) cores; $(date -u '+%Y-%m-%d %H:%M UTC'); PostgreSQL $(psql "$admin" -Atc 'SHOW server_version'), local socket, fsync off"
echo
echo "| subjects | operation | program ms | reference ms | ratio | reference | target |"
echo "|---:|---|---:|---:|---:|---|---|"

# db copy file -> server, once (it refuses a destination that holds subjects).
t0=$(now); "$cli" db copy --from "$db" --to "$url" > /dev/null; t1=$(now)
copy=$(ms "$t0" "$t1")
for t in IDE S1 S2 S3 S4 type1; do sqlite3 -csv "$db" "SELECT * FROM \"$t\" ORDER BY rid" > "$work/$t.csv"; done
{
    echo 'TRUNCATE "type1";'
    for t in IDE S1 S2 S3 S4 type1; do echo "\\copy \"$t\" FROM '$work/$t.csv' CSV"; done
} > "$work/load.sql"
t0=$(now); psql "$ref" -q -1 -f "$work/load.sql"; t1=$(now)
load=$(ms "$t0" "$t1")
echo "| $n | db copy file -> server | $copy | $load | $(echo "scale=1; $copy / $load" | bc) | psql -1: \\copy of the six tables from CSV | <= 30000 ms |"

# export: the program's CSV against psql's CSV of the same IDE rows.
cols='"Code","FName","LName","Jens","Sen","Tahsil","Group","Date","Time","V","J","H","A","M","GH"'
app=$(best "$runs" "$cli" --database "$url" export --out "$work/export.csv")
refms=$(best "$runs" psql "$url" -c "\\copy (SELECT $cols FROM \"IDE\" ORDER BY rid) TO STDOUT CSV")
echo "| $n | export all results (CSV) | $app | $refms | $(echo "scale=1; $app / $refms" | bc) | psql: \\copy (the IDE columns) TO STDOUT CSV | <= 2x |"

# Backup of the server to a .mdbB file (one snapshot).
app=$(best 1 "$cli" --database "$url" backup "$work/server.mdbB" --force)
refms=$(best 1 pg_dump --data-only -f "$work/dump.sql" "$url")
echo "| $n | backup server -> .mdbB | $app | $refms | $(echo "scale=1; $app / $refms" | bc) | pg_dump --data-only of the database | |"

# Windows and single-subject actions with the folder on the server (references: sqlite3 on
# the same rows in the file, as in the file benchmark).
printf '[database]\nurl=%s\n' "$url" > "$folder/database.conf"
"$build/bench/bench_scale" ops "$folder" "$n" --runs "$runs" --report-runs 1 --empty "$build/program" \
    2> "$work/bench.log" | grep '^| [0-9]' | sed 's/$/ (server)/' || { cat "$work/bench.log" >&2; exit 1; }
