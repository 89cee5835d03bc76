#!/usr/bin/env bash
# Whole-process timing of one dBase table: LoadSingleExcelTable through the dulo
# host (--source-type 7) against python3-dbfread reading every record of the
# same file, in one run.
#
#   bench/dbf.sh [BUILD_DIR]     (a Release build with the dulo target; default build-bench)
#
# The table has 100,000 records x 20 fields (ROWNAMES, TEXT, DATE, FLAG, 16
# numbers). RUNS=n sets the runs per program (default 3); the run with the least
# CPU time is reported with its wall time and peak resident memory. Target: at
# least 30x less CPU time than dbfread.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build-bench}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
dulo="$build/cli/dulo"
work="$here/work/dbf"
runs="${RUNS:-3}"
python=/usr/bin/python3

[ -x "$dulo" ] || { echo "no dulo in $build (build the dulo target first)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time (Debian package time) is needed" >&2; exit 1; }
"$python" -c 'import dbfread' 2>/dev/null || { echo "python3-dbfread is needed (scripts/install-deps --bench)" >&2; exit 1; }

mkdir -p "$work"
file="$work/big.dbf"
if [ ! -f "$file" ] || [ "$here/dbf_make_data.py" -nt "$file" ]; then
    echo "generating $file ..."
    "$python" "$here/dbf_make_data.py" "$file"
fi

# measure LABEL COMMAND...: sets $best (CPU seconds of the run with the least
# CPU time), $bestWall and $bestMem (KB).
measure() {
    local label="$1"
    shift
    local out="$work/time.txt" e u s m cpu
    best="" bestWall="" bestMem=""
    for _ in $(seq "$runs"); do
        /usr/bin/time -f "%e %U %S %M" -o "$out" "$@" >"$work/last.out" 2>"$work/last.err" || {
            echo "$label failed:" >&2
            cat "$work/last.out" "$work/last.err" >&2
            exit 1
        }
        read -r e u s m <"$out"
        cpu="$(awk "BEGIN{print $u + $s}")"
        if [ -z "$best" ] || awk "BEGIN{exit !($cpu < $best)}"; then
            best="$cpu" bestWall="$e" bestMem="$m"
        fi
    done
    printf "  %-26s cpu %6.2f s  wall %6.2f s  peak %7.1f MB   %s\n" "$label" "$best" "$bestWall" \
        "$(awk "BEGIN{print $bestMem/1024}")" "$(head -c 90 "$work/last.out" | tr '\n' ' ')"
}

echo "== $(basename "$file"): 100,000 records x 20 fields, $(( $(stat -c %s "$file") / 1024 )) KB, $runs runs each"
measure "dulo single-table (type 7)" "$dulo" single-table "$file" "" BIG --source-type 7 --format summary
ours="$best" oursWall="$bestWall"
measure "python3-dbfread" "$python" "$here/dbf_dbfread.py" "$file"
peer="$best" peerWall="$bestWall"
awk -v p="$peer" -v o="$ours" -v pw="$peerWall" -v ow="$oursWall" 'BEGIN {
    r = p / (o > 0.005 ? o : 0.005)
    printf "  dbfread / dulo: %.1fx cpu, %.1fx wall (target 30x) %s\n", r, pw / (ow > 0.005 ? ow : 0.005), (r >= 30) ? "met" : "NOT MET"
}'
