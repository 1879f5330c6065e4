#!/bin/sh
# Compares "meravel-cli backup" of the main database of N scored subjects with cp followed by
# sync of the copy, best of R runs each. The tool's own start-up (a "date" run) is measured
# too and taken off its time, so the copy, its read transaction, flush and quick check are
# compared with cp + sync.
#   backup_bench.sh PROGRAM_DIR [N] [R]
set -eu
program=$1
n=${2:-100000}
runs=${3:-5}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

cp -r "$program/." "$work/"
"$here/../scoring/make_scored_db.sh" "$program/meravelDB.mdb" "$work/meravelDB.mdb" "$n" > /dev/null

best() { # best wall time in seconds of running "$@" $runs times
    b=""
    i=0
    while [ $i -lt "$runs" ]; do
        rm -f "$work/copy.mdbB"
        s=$(date +%s.%N)
        "$@" > /dev/null
        e=$(date +%s.%N)
        t=$(echo "$e - $s" | bc -l)
        if [ -z "$b" ] || [ "$(echo "$t < $b" | bc -l)" = 1 ]; then b=$t; fi
        i=$((i + 1))
    done
    echo "$b"
}

backup() { "$program/meravel-cli" --folder "$work" backup "$work/copy.mdbB"; }
startup() { "$program/meravel-cli" --folder "$work" date 2020-01-01; }
cpsync() { cp "$work/meravelDB.mdb" "$work/copy.mdbB" && sync "$work/copy.mdbB"; }

t_backup=$(best backup)
t_start=$(best startup)
t_cp=$(best cpsync)
t_net=$(echo "$t_backup - $t_start" | bc -l)
echo "database: $(($(wc -c < "$work/meravelDB.mdb") / 1048576)) MiB, $n subjects"
echo "meravel-cli backup: ${t_backup}s, of which start-up ${t_start}s: ${t_net}s"
echo "cp + sync:          ${t_cp}s"
echo "speed of the backup relative to cp + sync: $(echo "scale=2; $t_cp / $t_net" | bc -l)x (target >= 0.5x)"
