#!/usr/bin/env bash
# Whole-process timing of reading one BIFF5 worksheet table and touching every
# cell: the worksheet source through the keyed reader (read_worksheet) against
# python3-xlrd and SheetJS (npm xlsx) on the same file.
#
#   bench/worksheet.sh [BUILD_DIR]
#
# BUILD_DIR is a Release build configured with -DDULO_BENCH=ON in which the
# read_worksheet target is built (default: build-bench). RUNS=n sets the runs
# per program (default 5); the median wall time and the largest peak resident
# set are reported. Targets: at least 20x faster than xlrd and 3x faster than
# SheetJS, and a peak memory of at most 4x the file size plus 64 MB.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build-bench}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
reader="$build/bench/read_worksheet"
work="$here/work/worksheet"
runs="${RUNS:-5}"
python=/usr/bin/python3

[ -x "$reader" ] || { echo "no read_worksheet in $build (configure with -DDULO_BENCH=ON, build read_worksheet)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time (Debian package time) is needed" >&2; exit 1; }
[ -f "$work/Big.xls" ] && [ -f "$work/Big2.xls" ] || "$here/make-big-biff5.sh"
[ -d "$here/node_modules/xlsx" ] || (cd "$here" && npm install --no-audit --no-fund xlsx >/dev/null)

cat > "$work/peer_xlrd.py" <<'PY'
import sys
import xlrd
book = xlrd.open_workbook(sys.argv[1])
sheet = book.sheet_by_name(sys.argv[2])
total, text, empty = 0.0, 0, 0
for r in range(sheet.nrows):
    for value, kind in zip(sheet.row_values(r), sheet.row_types(r)):
        if kind == xlrd.XL_CELL_TEXT:
            text += len(value)
        elif kind in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE):
            total += value
        else:
            empty += 1
print("rows", sheet.nrows, "columns", sheet.ncols, "empty", empty, "text-bytes", text, "sum", "%.6f" % total)
PY
cat > "$work/peer_sheetjs.js" <<'JS'
const XLSX = require(process.argv[2]);
const book = XLSX.readFile(process.argv[3]);
const sheet = book.Sheets[process.argv[4]];
let total = 0, text = 0, cells = 0;
for (const key in sheet) {
    if (key[0] === '!') continue;
    const cell = sheet[key];
    if (cell.t === 's') text += cell.v.length;
    else if (cell.t === 'n') total += cell.v;
    ++cells;
}
const range = XLSX.utils.decode_range(sheet['!ref']);
console.log('rows', range.e.r + 1, 'columns', range.e.c + 1, 'cells', cells, 'text-bytes', text, 'sum', total.toFixed(6));
JS

median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# measure NAME COMMAND...: RUNS runs; records the median wall time, the median
# CPU time (user + system, steadier on a shared machine) and the largest peak
# resident set, and prints them with the program's last output line.
measure() {
    local name="$1"; shift
    local walls=() cpus=() peak=0 out
    for ((i = 0; i < runs; i++)); do
        # Wall time from the shell's microsecond clock: time(1) reports hundredths.
        local start="$EPOCHREALTIME"
        out="$( { /usr/bin/time -v "$@" > "$work/$name.out"; } 2>&1 )" || { echo "$name failed:"; echo "$out"; exit 1; }
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
    printf '%-13s wall %7.3f s  cpu %6.2f s  peak %7.1f MB   %s\n' "$name" "$wall" "$cpu" \
        "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" "$(tail -1 "$work/$name.out")"
}

file="$work/Big.xls"
size=$(stat -c %s "$file")
echo "file: $file ($(awk -v s="$size" 'BEGIN { printf "%.2f MB", s / 1048576 }')), $runs runs each"
: > "$work/results"
measure dulo "$reader" "$file" BIG
# The same with the table destroyed before exit (dulo leaves it to the OS, as the peers do).
measure dulo-teardown "$reader" --teardown "$file" BIG
measure xlrd "$python" "$work/peer_xlrd.py" "$file" BIG
measure sheetjs node "$work/peer_sheetjs.js" "$here/node_modules/xlsx" "$file" BIG
measure dulo-merge "$reader" "$file" BIG "$work/Big2.xls" BIG

awk -v size="$size" '
    { t[$1] = $2; m[$1] = $3; c[$1] = $4 }
    END {
        limit = 4 * size / 1024 + 64 * 1024
        xlrd = t["xlrd"] / t["dulo"]; sheetjs = t["sheetjs"] / t["dulo"]
        printf "xlrd / dulo     %6.1fx wall, %5.1fx cpu (target 20x)  %s\n", xlrd, c["xlrd"] / c["dulo"], (xlrd >= 20) ? "met" : "NOT MET"
        printf "SheetJS / dulo  %6.1fx wall, %5.1fx cpu (target 3x)   %s\n", sheetjs, c["sheetjs"] / c["dulo"], (sheetjs >= 3) ? "met" : "NOT MET"
        printf "dulo peak       %6.1f MB (limit %.1f MB) %s\n", m["dulo"] / 1024, limit / 1024, (m["dulo"] <= limit) ? "met" : "NOT MET"
        printf "xlrd / dulo with the table destroyed before exit: %.1fx wall, %.1fx cpu\n", t["xlrd"] / t["dulo-teardown"], c["xlrd"] / c["dulo-teardown"]
        printf "two-workbook merge, 90%% shared row names: %.2f s wall, peak %.1f MB\n", t["dulo-merge"], m["dulo-merge"] / 1024
    }' "$work/results"
