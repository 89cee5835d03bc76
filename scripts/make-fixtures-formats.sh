#!/usr/bin/env bash
# Writes one table (tests/fixtures/formats/src/SAME.csv, sheet SAME) as a BIFF5 workbook,
# a BIFF8 workbook, an OOXML workbook, an OpenDocument spreadsheet and comma-separated
# text (SAME.csv: its sheet takes the file's name), each in a model directory of its own whose
# DuloModel.dulx lists it, so the tests can read the same table through every reader.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
fix="$root/tests/fixtures/formats"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
cp "$fix/src/SAME.csv" "$tmp/SAME"   # the csv importer names the sheet after the file

write() {  # DIR BOOK EXPORT-TYPE [EXPORT-OPTIONS]
    mkdir -p "$fix/$1"
    rm -f "$fix/$1/$2"
    ssconvert --import-type=Gnumeric_stf:stf_csvtab ${4:+-O "$4"} -T "$3" "$tmp/SAME" "$fix/$1/$2" 2>/dev/null
    cat > "$fix/$1/DuloModel.dulx" <<XML
<?xml version="1.0" encoding="utf-8"?>
<DuloConfiguration>
  <Tables>
    <Table>
      <Name>SAME</Name>
      <File>$2[SAME]</File>
      <Enabled>1</Enabled>
    </Table>
  </Tables>
</DuloConfiguration>
XML
}
write biff5 Plant.xls Gnumeric_Excel:excel_biff7
write biff8 Plant.xls Gnumeric_Excel:excel_biff8
write xlsx Plant.xlsx Gnumeric_Excel:xlsx
write ods Plant.ods Gnumeric_OpenCalc:odf
# Dates as written (yyyy-mm-dd); ASCII, so that minus signs stay hyphens.
write csv SAME.csv Gnumeric_stf:stf_assistant "format=preserve charset=ASCII transliterate-mode=transliterate"
