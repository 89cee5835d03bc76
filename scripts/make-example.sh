#!/usr/bin/env bash
# Builds the workbooks of the example model from the csv sources in examples/src:
# each folder becomes one workbook, each csv file one sheet named after the file.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
src="$root/examples/src"
out="$root/examples/model"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# make_book FOLDER OUTPUT EXPORT-TYPE SHEET...
make_book() {
    local folder="$1" output="$2" type="$3"
    shift 3
    local sheets=()
    mkdir -p "$tmp/$folder"
    for sheet in "$@"; do
        # The csv importer names a sheet after its file, so drop the extension.
        cp "$src/$folder/$sheet.csv" "$tmp/$folder/$sheet"
        sheets+=("$tmp/$folder/$sheet")
    done
    rm -f "$out/$output"
    if [ "${#sheets[@]}" -eq 1 ]; then
        ssconvert --import-type=Gnumeric_stf:stf_csvtab -T "$type" "${sheets[0]}" "$out/$output"
    else
        ssconvert --import-type=Gnumeric_stf:stf_csvtab -T "$type" --merge-to="$out/$output" "${sheets[@]}" \
            2>&1 | grep -v '^Adding sheets' || true
    fi
    test -s "$out/$output"
}

make_book Refinery Refinery.xls Gnumeric_Excel:excel_biff7 BUY SELL CAPS PERIODS BOUNDS
make_book Blending Blending.xls Gnumeric_Excel:excel_biff7 BOUNDS MBO_Tanks CASE
make_book Utilities Utilities.xlsx Gnumeric_Excel:xlsx UTILITY
make_book Crudes Crudes.xls Gnumeric_Excel:excel_biff8 ASSAY
echo "example model written to $out"
