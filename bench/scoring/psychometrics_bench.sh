#!/bin/sh
# Times the item analysis, a norm table split by sex and class, and a scoring against that
# table over N subjects answered item by item (default 100,000), beside references measured in
# the same run: the sqlite3 shell computing the 228 column sums of S1 to S4 for the same
# subjects (the least any reading of the answers costs), and the same scoring without a table.
# Best of R runs each (default 5).
#   psychometrics_bench.sh PROGRAM_DIR [N] [R]
set -eu
program=$1
n=${2:-100000}
runs=${3:-5}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp -r "$program/." "$work/"
"$here/make_scored_db.sh" "$program/meravelDB.mdb" "$work/meravelDB.mdb" "$n"

# Answers for every subject: ticks ('1' or empty) about one in three, ratings 1..7.
columns() { # table prefix-list count
    out=""
    for p in $2; do
        i=1
        while [ $i -le "$3" ]; do out="$out${out:+, }$p$i"; i=$((i + 1)); done
    done
    echo "$out"
}
ticks() { # the same columns as random ticks
    out=""
    for c in $(echo "$1" | tr -d ','); do out="$out${out:+, }CASE WHEN abs(random()) % 3 = 0 THEN '1' ELSE '' END"; done
    echo "$out"
}
ratings() {
    out=""
    for c in $(echo "$1" | tr -d ','); do out="$out${out:+, }1 + abs(random()) % 7"; done
    echo "$out"
}
c1=$(columns S1 "v J H a M G" 11)
c3=$(columns S3 "v J H a M G" 14)
c4=$(columns S4 "V J H A M G" 2)
sqlite3 "$work/meravelDB.mdb" <<SQL
BEGIN;
DELETE FROM S1; DELETE FROM S2; DELETE FROM S3; DELETE FROM S4;
UPDATE IDE SET Jens = CASE rid % 2 WHEN 0 THEN 'پسر' ELSE 'دختر' END;
INSERT INTO S1 (Code, $c1) SELECT Code, $(ticks "$c1") FROM IDE ORDER BY rid;
INSERT INTO S2 (Code, $c1) SELECT Code, $(ticks "$c1") FROM IDE ORDER BY rid;
INSERT INTO S3 (Code, $c3) SELECT Code, $(ticks "$c3") FROM IDE ORDER BY rid;
INSERT INTO S4 (Code, $c4) SELECT Code, $(ratings "$c4") FROM IDE ORDER BY rid;
COMMIT;
SQL

sums() { # the sums of a table's columns
    out=""
    for c in $(echo "$1" | tr -d ','); do out="$out${out:+, }sum($c)"; done
    echo "$out"
}
q1="SELECT $(sums "$c1") FROM S1; SELECT $(sums "$c1") FROM S2; SELECT $(sums "$c3") FROM S3; SELECT $(sums "$c4") FROM S4;"

best() { # best wall time in ms of running "$@" $runs times
    b=""
    i=0
    while [ $i -lt "$runs" ]; do
        s=$(date +%s%N)
        "$@" > /dev/null
        e=$(date +%s%N)
        t=$(( (e - s) / 1000000 ))
        if [ -z "$b" ] || [ "$t" -lt "$b" ]; then b=$t; fi
        i=$((i + 1))
    done
    echo "$b"
}

cli() { "$program/meravel-cli" --folder "$work" "$@"; }
shell() { sqlite3 "$work/meravelDB.mdb" "$q1"; }
cli norms build --by sex,class --out "$work/norms.json" > /dev/null

t_shell=$(best shell)
t_items=$(best cli analyze items)
t_norms=$(best cli norms build --by sex,class --out "$work/norms.json")
t_plain=$(best cli score --code 4711)
t_normed=$(best cli score --code 4711 --norms "$work/norms.json")
echo "subjects: $n (best of $runs runs, whole processes, ms)"
echo "sqlite3, 228 column sums of S1-S4:     $t_shell"
echo "meravel-cli analyze items:             $t_items (ratio $(echo "scale=2; $t_items / $t_shell" | bc -l); target 3000 ms, 2x)"
echo "meravel-cli norms build --by sex,class: $t_norms (ratio $(echo "scale=2; $t_norms / $t_shell" | bc -l); target 2000 ms, 2x)"
echo "meravel-cli score --code:              $t_plain"
echo "meravel-cli score --code --norms:      $t_normed (target 20 ms for the scoring; the rest is the process)"
