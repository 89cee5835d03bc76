#!/usr/bin/env python3
"""Reads every cell of the first sheet of each workbook with xlrd and merges
the rows by their first cell, as the keyed reader does: tables_xlrd.py FILE..."""
import sys

import xlrd


def main():
    table = {}
    cells = 0
    for path in sys.argv[1:]:
        sheet = xlrd.open_workbook(path).sheet_by_index(0)
        heading = [sheet.cell_value(0, c) for c in range(sheet.ncols)]
        for r in range(1, sheet.nrows):
            values = sheet.row_values(r)
            cells += len(values)
            table.setdefault(values[0], {}).update(zip(heading, values))
    print("rows", len(table), "cells", cells)


if __name__ == "__main__":
    main()
