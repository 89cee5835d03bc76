#!/usr/bin/env bash
# Writes the dBase fixtures of tests/dbf with shapelib's dbfcreate and dbfadd
# (Debian shapelib). They hold character and numeric fields only, which is what
# these tools write; the other field types and damaged files are built by the
# tests themselves. dbfadd takes an empty argument as a null value, which it
# stores as a field of "*" for a number.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/tests/fixtures/dbf"
mkdir -p "$out"
command -v dbfcreate >/dev/null || { echo "dbfcreate (Debian shapelib) is needed" >&2; exit 1; }

# make NAME FIELD... -- RECORD...: FIELD is "-s NAME WIDTH" or "-n NAME WIDTH DECIMALS" as
# dbfcreate takes them; each RECORD is one line of values separated by "|".
make() {
    local file="$out/$1.dbf"
    shift
    local fields=() count=0
    while [ "$1" != "--" ]; do
        case "$1" in -s | -n) count=$((count + 1)) ;; esac
        fields+=("$1")
        shift
    done
    shift
    rm -f "$file"
    dbfcreate "$file" "${fields[@]}"
    local record
    for record in "$@"; do
        local values=()
        IFS='|' read -r -a values <<<"$record"
        # read drops a trailing empty field; give it back so every field has a value
        while [ "${#values[@]}" -lt "$count" ]; do values+=(""); done
        dbfadd "$file" "${values[@]}"
    done
}

# A keyed model table: texts (one in code page 1252, the page shapelib names in
# its header), numbers with and without decimals, an empty number, a record
# without a row name.
make keyed -s ROWNAMES 10 -s TEXT 20 -n X 10 3 -n COUNT 5 0 -- \
    $'A|alpha|1.5|2' \
    $'B|beta|-3.25|' \
    $'C|caf\xe9 cr\xe8me|5|7' \
    $'|orphan|9|9' \
    $'AB|last|0.125|-4'

# The PLAIN table of the export fixtures, in part: the same row A, a changed TEXT
# for B, a new row D and a new column Z, to merge beside Book1.xls.
make plain -s ROWNAMES 10 -s TEXT 20 -n X 10 2 -n Z 6 1 -- \
    $'A|alpha|1.5|10' \
    $'B|beta two|3|' \
    $'D|delta|7.25|40'

# A fixed-list table read by its key column (SHUTDOWN is keyed by Unit).
make shutdown -s Unit 8 -n Days 4 0 -s Reason 12 -- \
    $'CRU1|3|inspection' \
    $'FCC|14|turnaround'

# Repeated row names: A agrees with itself, B does not.
make dups -s ROWNAMES 10 -n X 8 2 -s TEXT 8 -- \
    $'A|1|one' \
    $'B|2|two' \
    $'A|1|again' \
    $'B|2.5|'
