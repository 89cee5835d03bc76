#!/bin/sh
# Regenerates the engine's workbook fixtures from their hand-written gnumeric
# sources: book and date1904 become a BIFF8 .xls, an OOXML .xlsx and an
# OpenDocument .ods; text becomes comma-separated text, once as gnumeric
# quotes by default (LF line ends) and once with every field quoted (CRLF).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
src="$here/tests/fixtures/engine/src"
out="$here/tests/fixtures/engine"
command -v ssconvert >/dev/null || { echo "ssconvert (gnumeric) is needed" >&2; exit 1; }
for name in book date1904; do
    ssconvert -T Gnumeric_Excel:excel_biff8 "$src/$name.gnumeric" "$out/$name.xls"
    ssconvert -T Gnumeric_Excel:xlsx "$src/$name.gnumeric" "$out/$name.xlsx"
    ssconvert -T Gnumeric_OpenCalc:odf "$src/$name.gnumeric" "$out/$name.ods"
done
ssconvert -O "format=preserve" -T Gnumeric_stf:stf_assistant "$src/text.gnumeric" "$out/text.csv"
ssconvert -O "format=preserve quoting-mode=always eol=windows" -T Gnumeric_stf:stf_assistant \
    "$src/text.gnumeric" "$out/text-quoted.csv"
