#!/usr/bin/env bash
# Writes the worksheet-read benchmark's workbooks into bench/work/worksheet
# (git-ignored), through ssconvert from generated CSV:
#   Big.xls     BIFF5, sheet BIG: a heading row and 16,383 rows x 43 columns
#               (ROWNAMES, TEXT, DATE and 40 numbers: integers, two-decimal
#               and six-digit values);
#   Big2.xls    BIFF5, sheet BIG: the same table for another 16,383 row names,
#               90% of them shared with Big.xls, with the same values (the
#               keyed-merge timing).
# Needs ssconvert (gnumeric) and awk. Deterministic.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
work="$here/work/worksheet"
rows="${ROWS:-16383}"
mkdir -p "$work"

make_csv() {  # make_csv OUT FIRST-ROW-NUMBER: a row's values follow from its name alone
    awk -v rows="$rows" -v first="$2" 'BEGIN {
        printf "ROWNAMES,TEXT,DATE";
        for (c = 1; c <= 40; c++) printf ",V%02d", c;
        printf "\n";
        for (r = 0; r < rows; r++) {
            n = first + r;
            srand(n + 1);
            day = 1 + (n % 28); month = 1 + int(n / 28) % 12; year = 2020 + int(n / 336) % 5;
            printf "R%06d,unit %d stream %d,%04d-%02d-%02d", n, n % 97, n % 13, year, month, day;
            for (c = 1; c <= 40; c++) {
                x = rand();
                if (c <= 10) printf ",%d", int(x * 100000);
                else if (c <= 20) printf ",%.2f", x * 1000;
                else printf ",%.6g", (x - 0.5) * 10 ^ (c % 7);
            }
            printf "\n";
        }
    }' > "$1"
}

convert() {  # convert CSV XLS: the CSV importer names the sheet after the file
    local tmp
    tmp="$(mktemp -d)"
    cp "$1" "$tmp/BIG"
    ssconvert --import-type=Gnumeric_stf:stf_csvtab -T Gnumeric_Excel:excel_biff7 "$tmp/BIG" "$2" >/dev/null 2>&1
    rm -rf "$tmp"
}

make_csv "$work/Big.csv" 0
make_csv "$work/Big2.csv" $((rows / 10))
convert "$work/Big.csv" "$work/Big.xls"
convert "$work/Big2.csv" "$work/Big2.xls"
ls -l "$work"/*.xls
