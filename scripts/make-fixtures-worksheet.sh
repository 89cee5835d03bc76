#!/usr/bin/env bash
# Regenerates the BIFF5 workbooks of tests/fixtures/worksheet from their gnumeric sources.
# Needs ssconvert (Debian package gnumeric; scripts/install-deps --tools).
set -euo pipefail
dir="$(cd "$(dirname "$0")/.." && pwd)/tests/fixtures/worksheet"
for src in "$dir"/*.gnumeric; do
  out="${src%.gnumeric}.xls"
  ssconvert --export-type=Gnumeric_Excel:excel_biff7 "$src" "$out" >/dev/null 2>&1
  echo "wrote ${out#"$dir"/}"
done
