#!/usr/bin/env python3
"""Writes the csv sources of the table benchmarks.

tables_make_data.py OUT_DIR writes
  OUT_DIR/split/BIG1.csv, BIG2.csv  the table BIG split over two workbooks
  OUT_DIR/single/BIG.csv            the same 20,000 rows in one sheet
Every row's values follow from its number, so a row given by both workbooks
carries the same values in each (no conflict when they are merged).
"""
import os
import sys

ROWS = 20000
NUMBERS = 40
# A BIFF5 sheet holds 16,384 rows: heading + 16,383 data rows. The two workbooks
# overlap as far as that allows: rows 0..16382 and rows 3617..19999.
FIRST = range(0, 16383)
SECOND = range(ROWS - 16383, ROWS)


def row(i):
    day = 45658 + i % 365  # OLE dates from 2025-01-01
    y, m, d = civil(day)
    values = ["R%05d" % i, "Stream %d of unit %d" % (i, i % 97), "%04d-%02d-%02d" % (y, m, d)]
    values += ["%.4f" % (((i * 7919 + k * 104729) % 1000003) / 1000.0) for k in range(NUMBERS)]
    return ",".join(values)


def civil(ole_day):
    # Days since 1899-12-30 to a calendar date.
    import datetime
    date = datetime.date(1899, 12, 30) + datetime.timedelta(days=ole_day)
    return date.year, date.month, date.day


def write(path, indexes):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    heading = ",".join(["ROWNAMES", "TEXT", "DATE"] + ["N%d" % (k + 1) for k in range(NUMBERS)])
    with open(path, "w") as out:
        out.write(heading + "\n")
        for i in indexes:
            out.write(row(i) + "\n")


def main():
    out = sys.argv[1]
    write(os.path.join(out, "split", "BIG1.csv"), FIRST)
    write(os.path.join(out, "split", "BIG2.csv"), SECOND)
    write(os.path.join(out, "single", "BIG.csv"), range(ROWS))


if __name__ == "__main__":
    main()
