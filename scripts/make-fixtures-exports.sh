#!/usr/bin/env bash
# Builds the workbooks of the table-export tests from the csv sources in
# tests/fixtures/exports/src: each folder becomes one workbook (BIFF5, but for
# Book3.xlsx), each csv file one sheet named after the file. HugeDims.xls is the
# CASE sheet again, with its DIMENSIONS record widened to 65535 rows x 256 columns.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
fix="$root/tests/fixtures/exports"
src="$fix/src"
out="$fix/model"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# make_book FOLDER OUTPUT EXPORT-TYPE SHEET...
make_book() {
    local folder="$1" output="$2" type="$3"
    shift 3
    local sheets=()
    mkdir -p "$tmp/$folder" "$(dirname "$output")"
    for sheet in "$@"; do
        # The csv importer names a sheet after its file, so drop the extension.
        cp "$src/$folder/$sheet.csv" "$tmp/$folder/$sheet"
        sheets+=("$tmp/$folder/$sheet")
    done
    rm -f "$output"
    if [ "${#sheets[@]}" -eq 1 ]; then
        ssconvert --import-type=Gnumeric_stf:stf_csvtab -T "$type" "${sheets[0]}" "$output"
    else
        ssconvert --import-type=Gnumeric_stf:stf_csvtab -T "$type" --merge-to="$output" \
            "${sheets[@]}" 2>&1 | grep -v '^Adding sheets' || true
    fi
    test -s "$output"
}

biff5=Gnumeric_Excel:excel_biff7
make_book Book1 "$out/Book1.xls" $biff5 PLAIN MERGE CONFLICT DUPS DATES NOTES MBO_Tanks CASE
make_book Book2 "$out/Tables/Book2.xls" $biff5 PLAIN PLAINBAD CASE
make_book Book1 "$tmp/Huge.xls" $biff5 CASE
# Row names longer than a name buffer need a format without BIFF5's 255-byte labels.
make_book Book3 "$out/Book3.xlsx" Gnumeric_Excel:xlsx LONG

# The small workbook's DIMENSIONS record (id 0x0200, length 10: first row, last row + 1,
# first column, last column + 1, reserved) is patched in place; the workbook
# stream of so small a file lies in consecutive bytes of the file.
python3 - "$tmp/Huge.xls" "$out/HugeDims.xls" <<'PY'
import re, struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
# A non-empty DIMENSIONS record starting at row 0, column 0.
found = [m.start() for m in re.finditer(rb"\x00\x02\x0a\x00\x00\x00(?!\x00\x00)..\x00\x00(?!\x00\x00)..\x00\x00",
                                        bytes(data), re.S)]
if len(found) != 1:
    sys.exit("DIMENSIONS record of the CASE sheet not found exactly once")
at = found[0]
data[at:at + 14] = struct.pack("<HHHHHHH", 0x0200, 10, 0, 0xFFFF, 0, 256, 0)
open(sys.argv[2], "wb").write(data)
PY

# A case sheet whose styled empty cells reach past its values, written by gnumeric
# as BLANK/MULBLANK records and as <c> elements without a value.
ssconvert -T $biff5 "$src/Blanks.gnumeric" "$fix/blanks/Blanks5.xls" >/dev/null 2>&1
ssconvert -T Gnumeric_Excel:excel_biff8 "$src/Blanks.gnumeric" "$fix/blanks/Blanks8.xls" >/dev/null 2>&1
ssconvert -T Gnumeric_Excel:xlsx "$src/Blanks.gnumeric" "$fix/blanks/Blanks.xlsx" >/dev/null 2>&1
echo "fixtures written to $out"
