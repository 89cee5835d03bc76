#!/usr/bin/env bash
# Whole-process timings of the table exports through the dulo host against
# peers reading every cell of the same files, all in one run:
#
#   bench/tables.sh [BUILD_DIR]     (a Release build; default build-bench)
#
# BIG is 20,000 rows x 43 columns (ROWNAMES, TEXT, DATE, 40 numbers); a BIFF5
# sheet holds 16,384 rows, so the BIFF5 files carry 16,383 of them.
#   BIFF5 .xls  Big1.xls: LoadSingleExcelTable and LoadCaseTable against
#               python3-xlrd, FreeXL (bench/tables_freexl.c), R readxl and SheetJS
#   BIFF8 .xls  Big.xls: the same
#   .xlsx       Big.xlsx: against openpyxl (read-only), SheetJS and readxl
#   LoadTableSX BIG merged from Big1.xls and Big2.xls, against reading the two
#               files with LoadSingleExcelTable (and the peers merging them)
#   .xlsb, .ods against SheetJS
# Each figure is the median of RUNS runs (default 5) and the largest peak
# resident set, from the kernel's accounting of each run (bench/rusage.py, in
# microseconds); the ratios are peer median / dulo median, of CPU time
# (user + system) and of wall time. The CPU ratio is the one compared:
# on a shared machine the wall time mostly measures the other processes.
# DULO_ONLY=1 times only the dulo lines (a before/after comparison of dulo).
# Generated data lives in bench/work/tables (git-ignored).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build-bench}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
dulo="$build/cli/dulo"
work="$here/work/tables"
runs="${RUNS:-5}"
python=/usr/bin/python3

[ -x "$dulo" ] || { echo "no dulo in $build (build the dulo target first)" >&2; exit 1; }
command -v ssconvert >/dev/null || { echo "ssconvert (gnumeric) is needed" >&2; exit 1; }

# ---- data ----
convert() {  # convert CSV OUT EXPORT-TYPE SHEET
    local tmp
    tmp="$(mktemp -d)"
    cp "$1" "$tmp/$4"  # the csv importer names the sheet after the file
    ssconvert --import-type=Gnumeric_stf:stf_csvtab -T "$3" "$tmp/$4" "$2" >/dev/null 2>&1
    rm -rf "$tmp"
}
if [ ! -f "$work/.done" ] || [ "$here/tables_make_data.py" -nt "$work/.done" ]; then
    echo "generating data in $work ..."
    rm -rf "$work"
    mkdir -p "$work/model" "$work/single"
    "$python" "$here/tables_make_data.py" "$work/src"
    convert "$work/src/split/BIG1.csv" "$work/model/Big1.xls" Gnumeric_Excel:excel_biff7 BIG
    convert "$work/src/split/BIG2.csv" "$work/model/Big2.xls" Gnumeric_Excel:excel_biff7 BIG
    cat > "$work/model/DuloModel.dulx" <<'XML'
<?xml version="1.0" encoding="utf-8"?>
<DuloConfiguration>
  <Tables>
    <Table><Name>BIG</Name><File>Big1.xls[BIG]</File><Enabled>1</Enabled><TableType>0</TableType></Table>
    <Table><Name>BIG</Name><File>Big2.xls[BIG]</File><Enabled>1</Enabled><TableType>0</TableType></Table>
  </Tables>
</DuloConfiguration>
XML
    convert "$work/src/single/BIG.csv" "$work/single/Big.xls" Gnumeric_Excel:excel_biff8 BIG
    convert "$work/src/single/BIG.csv" "$work/single/Big.xlsx" Gnumeric_Excel:xlsx BIG
    convert "$work/src/single/BIG.csv" "$work/single/Big.ods" Gnumeric_OpenCalc:odf BIG
    touch "$work/.done"
fi
if [ ! -d "$here/node_modules/xlsx" ]; then
    (cd "$here" && npm install --no-audit --no-fund >/dev/null)
fi
if [ ! -f "$work/single/Big.xlsb" ]; then
    node "$here/write_xlsb.js" "$work/single/Big.xlsx" "$work/single/Big.xlsb"
fi
freexl="$work/tables_freexl"
if [ ! -x "$freexl" ] || [ "$here/tables_freexl.c" -nt "$freexl" ]; then
    cc -O2 -o "$freexl" "$here/tables_freexl.c" $(pkg-config --cflags --libs freexl)
fi

# ---- measuring ----
# measure LABEL COMMAND...: $runs runs; sets $med (median wall seconds), $cpu
# (median user + system seconds) and $peak (largest peak resident set, MB).
measure() {
    local label="$1"
    shift
    local out="$work/time.txt" walls=() cpus=() m=0 w c k
    for _ in $(seq "$runs"); do
        "$python" "$here/rusage.py" "$out" "$@" >"$work/last.out" 2>"$work/last.err" || {
            echo "$label failed:" >&2
            cat "$work/last.out" "$work/last.err" >&2
            exit 1
        }
        read -r w c k <"$out"
        walls+=("$w")
        cpus+=("$c")
        [ "$k" -gt "$m" ] && m="$k"
    done
    med="$(printf '%s\n' "${walls[@]}" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}')"
    cpu="$(printf '%s\n' "${cpus[@]}" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}')"
    peak="$(awk "BEGIN{printf \"%.1f\", $m / 1024}")"
    lastOut="$(head -c 70 "$work/last.out" | tr '\n' ' ')"
}
ratio() { awk "BEGIN{printf \"%.2f\", $1 / ($2 > 0.0005 ? $2 : 0.0005)}"; }

# row READ LABEL COMMAND...: one line of the table; a dulo line sets the
# reference ($ref) the peer lines of the same read are divided by.
row() {
    local read="$1" label="$2"
    shift 2
    case "$label" in dulo*) ;; *) [ -n "${DULO_ONLY:-}" ] && return 0 ;; esac
    measure "$label" "$@"
    local r="-" rw="-"
    case "$label" in
        dulo*) if [ -z "${ref:-}" ]; then ref="$med"; refCpu="$cpu"; fi ;;
        *) r="$(ratio "$cpu" "$refCpu")x"; rw="$(ratio "$med" "$ref")x" ;;
    esac
    printf "%-12s %-26s %8.3f %8.3f %9s %9s %8s   %s\n" "$read" "$label" "$cpu" "$med" "$r" "$rw" "$peak" "$lastOut"
}
header() {
    echo
    echo "== $1"
    printf "%-12s %-26s %8s %8s %9s %9s %8s   %s\n" read program "cpu s" "wall s" "cpu p/d" "wall p/d" "peak MB" output
    ref=""
}
# The output array of a table: a VARIANT per element (24 bytes on a 64-bit
# host, as there) plus a BSTR per text (4-byte length, UTF-16, terminator,
# allocation rounding).
arrayMB() {  # arrayMB CSV EXTRA-ROWS EXTRA-COLUMNS
    awk -F, -v er="$2" -v ec="$3" 'NR == 1 {cols = NF} {for (i = 1; i <= NF; i++) if ($i !~ /^-?[0-9.]+$/ && $i !~ /^[0-9]+-[0-9]+-[0-9]+$/) t += 8 + 2 * length($i) + 16} END {printf "%.1f", ((NR + er) * (cols + ec) * 24 + t) / 1048576}' "$1"
}
fileMB() { awk "BEGIN{printf \"%.1f\", $(stat -c %s "$1") / 1048576}"; }

echo "tables.sh: $runs runs each; $(nproc) cores; $(date -u +%FT%TZ)"

b5="$work/model/Big1.xls"
b5b="$work/model/Big2.xls"
b8="$work/single/Big.xls"
bx="$work/single/Big.xlsx"

header "BIFF5 .xls, 16,383 rows ($(fileMB "$b5") MB; array $(arrayMB "$work/src/split/BIG1.csv" 0 0) MB; memory target $(awk "BEGIN{print $(fileMB "$b5") + 2 * $(arrayMB "$work/src/split/BIG1.csv" 0 0) + 32}") MB)"
row BIFF5 "dulo single-table" "$dulo" single-table "$b5" BIG BIG --format summary
row BIFF5 "xlrd" "$python" "$here/tables_xlrd.py" "$b5"
row BIFF5 "FreeXL" "$freexl" "$b5"
row BIFF5 "readxl" Rscript "$here/tables_readxl.R" "$b5"
row BIFF5 "SheetJS" node "$here/tables_sheetjs.js" "$b5"
header "BIFF5 .xls, LoadCaseTable"
row BIFF5 "dulo case-table" "$dulo" case-table "$b5" BIG --format summary
row BIFF5 "xlrd" "$python" "$here/tables_xlrd.py" "$b5"
row BIFF5 "FreeXL" "$freexl" "$b5"

header "BIFF8 .xls, 20,000 rows ($(fileMB "$b8") MB; array $(arrayMB "$work/src/single/BIG.csv" 0 0) MB; memory target $(awk "BEGIN{print $(fileMB "$b8") + 2 * $(arrayMB "$work/src/single/BIG.csv" 0 0) + 32}") MB)"
row BIFF8 "dulo single-table" "$dulo" single-table "$b8" BIG BIG --format summary
row BIFF8 "xlrd" "$python" "$here/tables_xlrd.py" "$b8"
row BIFF8 "FreeXL" "$freexl" "$b8"
row BIFF8 "readxl" Rscript "$here/tables_readxl.R" "$b8"
row BIFF8 "SheetJS" node "$here/tables_sheetjs.js" "$b8"
header "BIFF8 .xls, LoadCaseTable"
row BIFF8 "dulo case-table" "$dulo" case-table "$b8" BIG --format summary
row BIFF8 "xlrd" "$python" "$here/tables_xlrd.py" "$b8"
row BIFF8 "FreeXL" "$freexl" "$b8"

header ".xlsx, 20,000 rows ($(fileMB "$bx") MB; array $(arrayMB "$work/src/single/BIG.csv" 0 0) MB; memory target $(awk "BEGIN{print 2 * $(arrayMB "$work/src/single/BIG.csv" 0 0) + 64}") MB)"
row xlsx "dulo single-table" "$dulo" single-table "$bx" BIG BIG --format summary
row xlsx "openpyxl read-only" "$python" "$here/tables_openpyxl.py" "$bx"
row xlsx "SheetJS" node "$here/tables_sheetjs.js" "$bx"
row xlsx "readxl" Rscript "$here/tables_readxl.R" "$bx"
header ".xlsx, LoadCaseTable"
row xlsx "dulo case-table" "$dulo" case-table "$bx" BIG --format summary
row xlsx "openpyxl read-only" "$python" "$here/tables_openpyxl.py" "$bx"
row xlsx "SheetJS" node "$here/tables_sheetjs.js" "$bx"

header "LoadTableSX: BIG merged from two BIFF5 workbooks (target: at most 1.3x reading the two files)"
row merge "dulo table (LoadTableSX)" "$dulo" table "$work/model" BIG --format summary
sx="$med"
sxCpu="$cpu"
measure "two reads" "$dulo" single-table "$b5" BIG BIG --format summary
one="$med"
oneCpu="$cpu"
measure "two reads" "$dulo" single-table "$b5b" BIG BIG --format summary
two="$(awk "BEGIN{print $one + $med}")"
twoCpu="$(awk "BEGIN{print $oneCpu + $cpu}")"
printf "%-12s %-26s %8.3f %8.3f %9s %9s %8s   LoadTableSX / two reads: %s cpu, %s wall\n" merge "dulo single-table x 2" "$twoCpu" "$two" - - - \
    "$(ratio "$sxCpu" "$twoCpu")x" "$(ratio "$sx" "$two")x"
row merge "xlrd" "$python" "$here/tables_xlrd.py" "$b5" "$b5b"
row merge "FreeXL" "$freexl" "$b5" "$b5b"
row merge "SheetJS" node "$here/tables_sheetjs.js" "$b5" "$b5b"

header "start-up: dulo calc 1 (target 0.020 s)"
row start "dulo calc 1" "$dulo" calc 1 --format summary

for kind in xlsb ods; do
    header ".$kind, 20,000 rows"
    row "$kind" "dulo single-table" "$dulo" single-table "$work/single/Big.$kind" BIG BIG --format summary
    row "$kind" "SheetJS" node "$here/tables_sheetjs.js" "$work/single/Big.$kind"
done
