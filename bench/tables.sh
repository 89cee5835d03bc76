#!/usr/bin/env bash
# Whole-process timings of the table exports through the dulo host against
# python3-xlrd, openpyxl (read-only) and SheetJS reading the same files.
#
#   bench/tables.sh [BUILD_DIR]     (a Release build; default build-bench)
#
# 1. LoadTableSX on BIG (20,000 rows x 43 columns: ROWNAMES, TEXT, DATE, 40
#    numbers) split over two BIFF5 workbooks, against xlrd and SheetJS reading
#    and merging the same two files.
# 2. LoadSingleExcelTable on the 20,000 rows as one BIFF8 .xls and one .xlsx,
#    against SheetJS, xlrd (.xls) and openpyxl read-only (.xlsx).
# 3. The same as .xlsb (written by SheetJS) and .ods (written by gnumeric),
#    against SheetJS reading every cell.
# Generated data lives in bench/work/tables (git-ignored). ONLY=packages runs
# just part 3; RUNS (default 3) sets the runs of each measurement.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build-bench}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
dulo="$build/cli/dulo"
work="$here/work/tables"
runs="${RUNS:-3}"
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

# ---- measuring ----
# measure LABEL COMMAND...: $runs runs; prints the run with the least CPU time
# (user + system) with its elapsed time and peak resident memory, and the
# medians of CPU and elapsed time; sets $best (least CPU seconds), $bestWall,
# $medianCpu and $medianWall. CPU time is the figure compared, as wall time on a
# shared machine mostly measures the other processes.
measure() {
    local label="$1"
    shift
    local out="$work/time.txt" e u s m cpu bestMem="" cpus="" walls=""
    best=""
    bestWall=""
    for _ in $(seq "$runs"); do
        /usr/bin/time -f "%e %U %S %M" -o "$out" "$@" >"$work/last.out" 2>"$work/last.err" || {
            echo "$label failed:" >&2
            cat "$work/last.out" "$work/last.err" >&2
            exit 1
        }
        read -r e u s m <"$out"
        cpu="$(awk "BEGIN{print $u + $s}")"
        cpus="$cpus $cpu"
        walls="$walls $e"
        if [ -z "$best" ] || awk "BEGIN{exit !($cpu < $best)}"; then
            best="$cpu"
            bestWall="$e"
            bestMem="$m"
        fi
    done
    medianCpu="$(median $cpus)"
    medianWall="$(median $walls)"
    printf "  %-28s cpu %6.2f s  wall %6.2f s  peak %7.1f MB  (median cpu %6.2f s wall %6.2f s)   %s\n" "$label" \
        "$best" "$bestWall" "$(awk "BEGIN{print $bestMem/1024}")" "$medianCpu" "$medianWall" \
        "$(head -c 90 "$work/last.out" | tr '\n' ' ')"
}
median() { printf "%s\n" "$@" | sort -g | awk '{v[NR] = $1} END {print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
ratio() { awk "BEGIN{printf \"%.1fx\", $1 / ($2 > 0.005 ? $2 : 0.005)}"; }

if [ "${ONLY:-}" != packages ]; then
echo "== BIG split over two BIFF5 workbooks ($(du -k "$work/model/Big1.xls" | cut -f1) KB + $(du -k "$work/model/Big2.xls" | cut -f1) KB)"
measure "dulo table (LoadTableSX)" "$dulo" table "$work/model" BIG --format summary
ours="$best"
measure "xlrd" "$python" "$here/tables_xlrd.py" "$work/model/Big1.xls" "$work/model/Big2.xls"
xlrd="$best"
measure "SheetJS" node "$here/tables_sheetjs.js" "$work/model/Big1.xls" "$work/model/Big2.xls"
sheetjs="$best"
echo "  cpu speed-up: $(ratio "$xlrd" "$ours") xlrd (target 20x), $(ratio "$sheetjs" "$ours") SheetJS (target 3x)"

sheetBytes="$("$python" -c 'import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
print(sum(i.file_size for i in z.infolist() if i.filename.startswith(("xl/worksheets/", "xl/sharedStrings"))))' \
    "$work/single/Big.xlsx")"
xlsBytes="$(stat -c %s "$work/single/Big.xls")"
echo "== one 20,000-row sheet"
for kind in xls xlsx; do
    file="$work/single/Big.$kind"
    # The sheet data as read: the .xls file (its Workbook stream), the .xlsx sheet and strings unzipped.
    bytes="$xlsBytes"
    [ "$kind" = xlsx ] && bytes="$sheetBytes"
    echo "  .$kind: sheet data $((bytes / 1024)) KB, memory target $(( (3 * bytes / 1024 + 65536) / 1024 )) MB"
    measure "dulo single-table .$kind" "$dulo" single-table "$file" BIG BIG --format summary
    ours="$best"
    measure "SheetJS .$kind" node "$here/tables_sheetjs.js" "$file"
    sheetjs="$best"
    if [ "$kind" = xls ]; then
        measure "xlrd .xls" "$python" "$here/tables_xlrd.py" "$file"
        peer="xlrd"
    else
        measure "openpyxl read-only .xlsx" "$python" "$here/tables_openpyxl.py" "$file"
        peer="openpyxl"
    fi
    echo "  cpu speed-up: $(ratio "$best" "$ours") $peer (target 20x), $(ratio "$sheetjs" "$ours") SheetJS (target 3x)"
done
fi
echo "== the same sheet as .xlsb and .ods"
for kind in xlsb ods; do
    file="$work/single/Big.$kind"
    measure "dulo single-table .$kind" "$dulo" single-table "$file" BIG BIG --format summary
    ours="$best"
    oursMedian="$medianCpu"
    oursWall="$medianWall"
    measure "SheetJS .$kind" node "$here/tables_sheetjs.js" "$file"
    echo "  cpu speed-up: $(ratio "$best" "$ours") SheetJS (target 5x); medians: cpu $(ratio "$medianCpu" "$oursMedian"), wall $(ratio "$medianWall" "$oursWall")"
done
