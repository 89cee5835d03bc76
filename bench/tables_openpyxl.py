#!/usr/bin/env python3
"""Reads every cell of the first sheet of an .xlsx workbook with openpyxl in
read-only mode: tables_openpyxl.py FILE"""
import sys

import openpyxl


def main():
    book = openpyxl.load_workbook(sys.argv[1], read_only=True)
    sheet = book.worksheets[0]
    rows = cells = 0
    for values in sheet.iter_rows(values_only=True):
        rows += 1
        cells += len(values)
    print("rows", rows, "cells", cells)


if __name__ == "__main__":
    main()
