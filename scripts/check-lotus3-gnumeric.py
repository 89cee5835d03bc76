#!/usr/bin/env python3
"""Reads small release 3-4 Lotus files through gnumeric's importer to check
what the record layouts mean to a real reader.

Writes a .wk3 and a .wk4 file holding: numbers with a date, a time, a
currency, a fixed and a default format (row format records, type 0x13
subtype 0), a format run over several columns (a format word with bit 31 set
and a repeat count byte), a row that copies another row's formats (subtype 2),
small numbers (type 0x18) of both forms, and sheet names (type 0x1B, subtype
14000). Each is converted with ssconvert to gnumeric's own file and every
cell's value and number format printed, then checked against what the layout
says; the script exits non-zero on a mismatch.

Run: scripts/check-lotus3-gnumeric.py [workdir]
"""
import gzip
import os
import re
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET


def rec(kind, data=b""):
    return struct.pack("<HH", kind, len(data)) + data


def bof(version):
    # version, sub-version 4, the active range, counts; byte 16 the LMBCS group.
    body = struct.pack("<HH", version, 4) + bytes(12) + bytes([1, 0]) + bytes(8)
    return rec(0x00, body[:26])


def ext10(v):
    if v == 0:
        return bytes(10)
    import math
    m, e = math.frexp(abs(v))
    mant = int(math.ldexp(m, 64))
    return struct.pack("<QH", mant, (e - 1 + 16383) | (0x8000 if v < 0 else 0))


def cell3(kind, sheet, col, row, value):
    return rec(kind, struct.pack("<HBB", row, sheet, col) + value)


def number(sheet, col, row, v):
    return cell3(0x17, sheet, col, row, ext10(v))


def small(sheet, col, row, raw):
    return cell3(0x18, sheet, col, row, struct.pack("<H", raw & 0xFFFF))


def label(sheet, col, row, text):
    return cell3(0x16, sheet, col, row, b"'" + text.encode() + b"\0")


def row_formats(sheet, row, words):
    """words: (format word, repeat or None): a repeat n covers 1 + n columns."""
    body = struct.pack("<BBH", sheet, 0, row)
    for word, repeat in words:
        if repeat is None:
            body += struct.pack("<I", word & 0x7FFFFFFF)
        else:
            body += struct.pack("<IB", word | 0x80000000, repeat)
    return rec(0x13, body)


def dup_formats(sheet, row, src_sheet, src_row):
    return rec(0x13, struct.pack("<BBHHH", sheet, 2, row, src_sheet, src_row))


def sheet_name(index, name):
    return rec(0x1B, struct.pack("<HH", 14000, index) + name.encode() + b"\0")


# Each case: (column, row, record bytes, format word or None, expected value, expected format).
DATE_D1, TIME_D6, CURRENCY2, FIXED2, DEFAULT = 0x72, 0x77, 0x22, 0x02, 0xFF
CASES = [
    # column 0: one format per row, one value per row
    (0, 0, number(0, 0, 0, 36526), DATE_D1, 36526, "d-mmm-yy"),
    (0, 1, number(0, 0, 1, 0.75), TIME_D6, 0.75, "h:mm:ss AM/PM"),
    (0, 2, number(0, 0, 2, 1234.5), CURRENCY2, 1234.5, "$#,##0.00_);[Red]($#,##0.00)"),
    (0, 3, number(0, 0, 3, 2.5), FIXED2, 2.5, "0.00"),
    (0, 4, number(0, 0, 4, 7), DEFAULT, 7, "General"),
    # small numbers: even is the integer shifted once; odd holds a mantissa
    # (bits 4-15, signed) and a factor index (bits 1-3)
    (0, 5, small(0, 0, 5, 42 << 1), None, 42, "General"),
    (1, 5, small(0, 1, 5, (-42 << 1) & 0xFFFF), None, -42, "General"),
    (2, 5, small(0, 2, 5, (3 << 4) | (0 << 1) | 1), None, 15000, "General"),
    (3, 5, small(0, 3, 5, (3 << 4) | (1 << 1) | 1), None, 1500, "General"),
    (4, 5, small(0, 4, 5, (3 << 4) | (2 << 1) | 1), None, 0.15, "General"),
    (5, 5, small(0, 5, 5, (3 << 4) | (3 << 1) | 1), None, 0.015, "General"),
    (6, 5, small(0, 6, 5, (3 << 4) | (4 << 1) | 1), None, 0.0015, "General"),
    (7, 5, small(0, 7, 5, (3 << 4) | (5 << 1) | 1), None, 0.00015, "General"),
    (8, 5, small(0, 8, 5, (3 << 4) | (6 << 1) | 1), None, 0.1875, "General"),
    (9, 5, small(0, 9, 5, (3 << 4) | (7 << 1) | 1), None, 0.046875, "General"),
    (10, 5, small(0, 10, 5, ((-3 << 4) | (2 << 1) | 1) & 0xFFFF), None, -0.15, "General"),
]


def build(version):
    out = bof(version)
    out += sheet_name(0, "Plan") + sheet_name(1, "Second")
    for col, row, cell, fmt, _, _ in CASES:
        if fmt is not None:
            out += row_formats(0, row, [(fmt, None)])
        out += cell
    # row 6: a date run over columns 0-2, then a currency in column 3
    out += row_formats(0, 6, [(DATE_D1, 2), (CURRENCY2, None)])
    for c in range(4):
        out += number(0, c, 6, 36527 + c)
    # row 7 copies row 0's formats
    out += dup_formats(0, 7, 0, 0)
    out += number(0, 0, 7, 36530)
    # the second sheet: a time format on its row 0
    out += row_formats(1, 0, [(TIME_D6, None)])
    out += number(1, 0, 0, 0.25)
    out += label(1, 1, 0, "text")
    out += rec(0x01)
    return out


def read_gnumeric(path):
    with gzip.open(path) as f:
        root = ET.parse(f).getroot()
    ns = {"gnm": "http://www.gnumeric.org/v10.dtd"}
    sheets = []
    for sheet in root.iter("{http://www.gnumeric.org/v10.dtd}Sheet"):
        name = sheet.find("gnm:Name", ns).text
        cells = {}
        for c in sheet.iter("{http://www.gnumeric.org/v10.dtd}Cell"):
            cells[(int(c.get("Col")), int(c.get("Row")))] = (c.get("ValueType"), c.text, c.get("ValueFormat"))
        regions = []
        for r in sheet.iter("{http://www.gnumeric.org/v10.dtd}StyleRegion"):
            st = r.find("gnm:Style", ns)
            regions.append((int(r.get("startCol")), int(r.get("startRow")), int(r.get("endCol")),
                            int(r.get("endRow")), st.get("Format")))
        sheets.append((name, cells, regions))
    return sheets


def format_at(regions, col, row):
    for c0, r0, c1, r1, fmt in regions:
        if c0 <= col <= c1 and r0 <= row <= r1:
            return fmt
    return None


def main():
    work = sys.argv[1] if len(sys.argv) > 1 else tempfile.mkdtemp()
    failures = 0
    for ext, version in (("wk3", 0x1000), ("wk4", 0x1002)):
        src = os.path.join(work, "formats." + ext)
        dst = os.path.join(work, "formats-" + ext + ".gnumeric")
        with open(src, "wb") as f:
            f.write(build(version))
        run = subprocess.run(["ssconvert", "--import-type=Gnumeric_lotus:lotus", src, dst],
                             capture_output=True, text=True)
        print(f"== {ext}: ssconvert exit {run.returncode}")
        for line in run.stderr.splitlines():
            print("   stderr:", line)
        sheets = read_gnumeric(dst)
        print("   sheets:", [s[0] for s in sheets])
        if [s[0] for s in sheets][:2] != ["Plan", "Second"]:
            print("   MISMATCH sheet names")
            failures += 1
        name, cells, regions = sheets[0]
        extra = [(c, 6, None, 36527 + c, f) for c, f in
                 ((0, "d-mmm-yy"), (1, "d-mmm-yy"), (2, "d-mmm-yy"), (3, "$#,##0.00_);[Red]($#,##0.00)"))]
        extra.append((0, 7, None, 36530, "d-mmm-yy"))
        checks = [(c, r, v, f) for c, r, _, _, v, f in CASES] + [(c, r, v, f) for c, r, _, v, f in extra]
        checks = [(0, c, r, v, f) for c, r, v, f in checks] + [(1, 0, 0, 0.25, "h:mm:ss AM/PM")]
        for sheet, c, r, want, want_fmt in checks:
            _, cells, regions = sheets[sheet]
            vtype, text, _ = cells.get((c, r), (None, None, None))
            got_fmt = format_at(regions, c, r)
            ok = text is not None and abs(float(text) - want) <= 1e-12 * max(1, abs(want)) and got_fmt == want_fmt
            print(f"   {'ok ' if ok else 'BAD'} sheet {sheet} ({c},{r}) value {text!r} (want {want}) "
                  f"format {got_fmt!r} (want {want_fmt!r})")
            failures += not ok
    print("failures:", failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
