#!/bin/sh
# Regenerates the BIFF5 (Excel 5.0/95) workbook fixtures from their hand-written
# gnumeric sources with ssconvert (gnumeric).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
dir="$here/tests/fixtures/workbook"
for src in "$dir"/src/*.gnumeric; do
    name=$(basename "$src" .gnumeric)
    ssconvert -T Gnumeric_Excel:excel_biff7 "$src" "$dir/$name.xls"
done
