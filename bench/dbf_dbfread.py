#!/usr/bin/env python3
"""The peer: python3-dbfread reading every record of a .dbf and touching each value."""
import sys

from dbfread import DBF

table = DBF(sys.argv[1], encoding="cp1252")
records = 0
total = 0.0
text = 0
for record in table:
    records += 1
    for value in record.values():
        if isinstance(value, str):
            text += len(value)
        elif isinstance(value, (int, float)) and not isinstance(value, bool):
            total += value
print("records", records, "fields", len(table.field_names), "text-bytes", text, "sum", "%.3f" % total)
