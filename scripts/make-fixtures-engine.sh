#!/bin/sh
# Regenerates the engine's workbook fixtures from their hand-written gnumeric
# sources: each source becomes a BIFF8 .xls and an OOXML .xlsx.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
src="$here/tests/fixtures/engine/src"
out="$here/tests/fixtures/engine"
command -v ssconvert >/dev/null || { echo "ssconvert (gnumeric) is needed" >&2; exit 1; }
for f in "$src"/*.gnumeric; do
    name=$(basename "$f" .gnumeric)
    ssconvert -T Gnumeric_Excel:excel_biff8 "$f" "$out/$name.xls"
    ssconvert -T Gnumeric_Excel:xlsx "$f" "$out/$name.xlsx"
done
