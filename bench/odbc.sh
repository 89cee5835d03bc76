#!/usr/bin/env bash
# Whole-process timing of reading a 100,000-row x 20-column SQLite table
# through ODBC: dulo single-table --source-type 2 against the same SELECT
# through isql (unixodbc) and pyodbc, on the same driver and data source.
#
#   bench/odbc.sh [BUILD_DIR]
#
# BUILD_DIR is a Release build in which dulo is built (default: build-bench).
# RUNS=n sets the runs per program (default 5); STEPAPI=0 has the SQLite driver
# copy each result whole before the first fetch. The median wall time and CPU
# time and the largest peak resident set are reported. Target: dulo no slower
# than the driver-bound peers.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build-bench}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
dulo="$build/cli/dulo"
work="$here/work/odbc"
runs="${RUNS:-5}"
rows=100000

[ -x "$dulo" ] || { echo "no dulo in $build (build the dulo target)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time (Debian package time) is needed" >&2; exit 1; }
command -v isql >/dev/null || { echo "isql (Debian package unixodbc) is needed" >&2; exit 1; }
/usr/bin/python3 -c 'import pyodbc' 2>/dev/null || { echo "pyodbc (Debian package python3-pyodbc) is needed" >&2; exit 1; }
driver=""
for d in /usr/lib/*/odbc/libsqlite3odbc.so /usr/lib/odbc/libsqlite3odbc.so; do [ -f "$d" ] && driver=$d && break; done
[ -n "$driver" ] || { echo "the SQLite ODBC driver (Debian package libsqliteodbc) is needed" >&2; exit 1; }

mkdir -p "$work"
db="$work/big.db"
# Columns: ROWNAMES, ten doubles, four integers, three texts, two dates.
columns='"ROWNAMES"'
for i in $(seq 1 10); do columns+=",\"D$i\""; done
for i in $(seq 1 4); do columns+=",\"N$i\""; done
for i in $(seq 1 3); do columns+=",\"T$i\""; done
columns+=',"DATE1","DATE2"'
if [ ! -f "$db" ]; then
  ddl='CREATE TABLE big ("ROWNAMES" VARCHAR(12)'
  for i in $(seq 1 10); do ddl+=", \"D$i\" DOUBLE"; done
  for i in $(seq 1 4); do ddl+=", \"N$i\" INTEGER"; done
  for i in $(seq 1 3); do ddl+=", \"T$i\" VARCHAR(16)"; done
  ddl+=', "DATE1" DATE, "DATE2" DATE);'
  values="'R' || i"
  for i in $(seq 1 10); do values+=", i * $i + 0.25"; done
  for i in $(seq 1 4); do values+=", i % ($i * 1000)"; done
  for i in $(seq 1 3); do values+=", 'text $i ' || (i % 997)"; done
  values+=", date('2024-01-01', '+' || (i % 365) || ' days'), date('2000-01-01', '+' || (i % 9000) || ' days')"
  sqlite3 "$db" "$ddl WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
                 INSERT INTO big SELECT $values FROM n;"
fi
printf '[SQLite3]\nDriver=%s\n' "$driver" > "$work/odbcinst.ini"
# StepAPI: the driver steps through the result instead of copying it whole first.
step="${STEPAPI:-1}"
printf '[Default]\nDriver=SQLite3\nDatabase=%s\nStepAPI=%s\n\n[bench]\nDriver=SQLite3\nDatabase=%s\nStepAPI=%s\n' \
    "$db" "$step" "$db" "$step" > "$work/odbc.ini"
export ODBCSYSINI="$work" ODBCINI="$work/odbc.ini"

# The statement dulo builds for a model table: every column, then the key column.
query="SELECT $columns,\"ROWNAMES\" FROM big"
cat > "$work/peer_pyodbc.py" <<'PY'
import sys
import pyodbc
connection = pyodbc.connect("DSN=bench")
cursor = connection.cursor()
cursor.execute(sys.argv[1])
count, total, text = 0, 0.0, 0
for row in cursor.fetchall():
    count += 1
    for value in row:
        if isinstance(value, str):
            text += len(value)
        elif isinstance(value, (int, float)):
            total += value
print("rows", count, "text-chars", text, "sum", "%.6f" % total)
PY
echo "$query" > "$work/query.sql"

median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# measure NAME COMMAND...: RUNS runs; records the median wall time, the median
# CPU time and the largest peak resident set, and prints them with the
# program's last output line.
measure() {
    local name="$1"; shift
    local walls=() cpus=() peak=0 out
    for ((i = 0; i < runs; i++)); do
        local start="$EPOCHREALTIME"
        out="$( { /usr/bin/time -v "$@" > "$work/$name.out" < "$work/query.sql"; } 2>&1 )" || { echo "$name failed:"; echo "$out"; exit 1; }
        local end="$EPOCHREALTIME"
        local wall cpu kb
        wall="$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')"
        cpu="$(awk -F': ' '/User time|System time/ { s += $2 } END { print s }' <<<"$out")"
        kb="$(sed -n 's/.*Maximum resident set size (kbytes): //p' <<<"$out")"
        walls+=("$wall")
        cpus+=("$cpu")
        (( kb > peak )) && peak="$kb"
    done
    local wall cpu
    wall="$(printf '%s\n' "${walls[@]}" | median)"
    cpu="$(printf '%s\n' "${cpus[@]}" | median)"
    printf '%s %s %s %s\n' "$name" "$wall" "$peak" "$cpu" >> "$work/results"
    printf '%-8s wall %7.3f s  cpu %6.2f s  peak %7.1f MB   %s\n' "$name" "$wall" "$cpu" \
        "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" "$(tail -1 "$work/$name.out" | cut -c1-100)"
}

echo "table: $rows rows x 20 columns in $db ($(du -m "$db" | cut -f1) MB), $runs runs each"
echo "query: $query"
: > "$work/results"
measure dulo "$dulo" single-table - big BIG --source-type 2 --format summary
measure isql isql -b -d, -q Default
measure pyodbc /usr/bin/python3 "$work/peer_pyodbc.py" "$query"

awk '
    { t[$1] = $2; m[$1] = $3; c[$1] = $4 }
    END {
        printf "isql / dulo    %5.2fx wall, %5.2fx cpu (target >= 1)  %s\n", t["isql"] / t["dulo"], c["isql"] / c["dulo"], (t["dulo"] <= t["isql"]) ? "met" : "NOT MET"
        printf "pyodbc / dulo  %5.2fx wall, %5.2fx cpu (target >= 1)  %s\n", t["pyodbc"] / t["dulo"], c["pyodbc"] / c["dulo"], (t["dulo"] <= t["pyodbc"]) ? "met" : "NOT MET"
        printf "dulo peak %.1f MB, isql %.1f MB, pyodbc %.1f MB\n", m["dulo"] / 1024, m["isql"] / 1024, m["pyodbc"] / 1024
    }' "$work/results"
