#!/bin/sh
# Builds a complete program folder with N registered and answered subjects: the scored
# subjects of make_scored_db.sh (IDE rows with totals, groups A..G as the registration panel
# offers them), then every answer column of S1..S4 filled (ticks "1" or empty, ratings 1..7).
# The totals are random and need not agree with the answers; the benchmarks only read them.
#   make_scale_folder.sh PROGRAM_DIR OUT_DIR N
set -eu
program=$1
out=$2
n=$3
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$out"
mkdir -p "$out"
cp -r "$program/." "$out/"
rm -f "$out/meravel.lock"
"$here/../scoring/make_scored_db.sh" "$program/meravelDB.mdb" "$out/meravelDB.mdb" "$n"

db="$out/meravelDB.mdb"
# One UPDATE per answer table, its SET list built from the table's own columns.
fill() { # fill TABLE VALUE_EXPRESSION
    sqlite3 "$db" "SELECT group_concat('\"' || name || '\" = $2', ', ') FROM pragma_table_info('$1')
                   WHERE name NOT IN ('rid', 'Code')"
}
tick="CASE abs(random()) % 3 WHEN 0 THEN '''' ELSE ''1'' END"
rating="CAST(1 + abs(random()) % 7 AS TEXT)"
{
    echo "BEGIN;"
    echo "UPDATE IDE SET \"Group\" = substr('ABCDEFG', 1 + rid % 7, 1);"
    for t in S1 S2 S3; do
        echo "UPDATE $t SET $(fill $t "$tick");"
    done
    echo "UPDATE S4 SET $(fill S4 "$rating");"
    echo "COMMIT;"
} > "$out/fill.sql"
sqlite3 "$db" < "$out/fill.sql"
rm -f "$out/fill.sql"
