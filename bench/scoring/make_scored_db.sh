#!/bin/sh
# Generates a main database with N registered and scored subjects (default 100000): one IDE
# row each, with six whole-number totals 0..50 and varied ties, plus the matching S1..S4
# rows holding only Code, as registration leaves them.
#   make_scored_db.sh TEMPLATE_DB OUT_DB [N]
set -eu
template=$1
out=$2
n=${3:-100000}
cp "$template" "$out"
chmod u+w "$out"
sqlite3 "$out" > /dev/null <<SQL
PRAGMA journal_mode=DELETE;
BEGIN;
WITH RECURSIVE seq(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM seq WHERE i < $n)
INSERT INTO IDE (Code, FName, LName, Jens, Sen, Tahsil, "Group", "Date", "Time", V, J, H, A, M, GH)
SELECT i, 'First' || i, 'Last, ' || (i % 977), CASE i % 2 WHEN 0 THEN 'M' ELSE 'F' END,
       12 + i % 7, 6 + i % 7, 'G' || (i % 4), '1402/07/' || (1 + i % 28), '10:' || (10 + i % 50) || ':00',
       abs(random()) % 51, abs(random()) % 51, abs(random()) % 51,
       abs(random()) % 51, abs(random()) % 51, abs(random()) % 51
FROM seq;
INSERT INTO S1 (Code) SELECT Code FROM IDE ORDER BY rid;
INSERT INTO S2 (Code) SELECT Code FROM IDE ORDER BY rid;
INSERT INTO S3 (Code) SELECT Code FROM IDE ORDER BY rid;
INSERT INTO S4 (Code) SELECT Code FROM IDE ORDER BY rid;
COMMIT;
SQL
