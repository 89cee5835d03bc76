#!/usr/bin/env python3
"""Writes the dBase benchmark table: 100,000 records x 20 fields (ROWNAMES,
TEXT, DATE, FLAG and 16 numbers), dBase III, code page 1252.

    dbf_make_data.py OUT.dbf [RECORDS]
"""
import random
import struct
import sys

out = sys.argv[1]
records = int(sys.argv[2]) if len(sys.argv) > 2 else 100_000
fields = [("ROWNAMES", "C", 10, 0), ("TEXT", "C", 30, 0), ("DATE", "D", 8, 0), ("FLAG", "L", 1, 0)]
fields += [("N%02d" % i, "N", 12, 3) for i in range(1, 17)]
record_length = 1 + sum(f[2] for f in fields)
header_length = 32 + 32 * len(fields) + 1

random.seed(7)
words = ["crude", "naphtha", "kerosene", "gas oil", "residue", "caf\xe9", "cr\xe8me", "\xfcber"]
with open(out, "wb") as f:
    f.write(struct.pack("<BBBBIHH17xB2x", 3, 124, 5, 17, records, header_length, record_length, 0x57))
    for name, kind, width, decimals in fields:
        f.write(struct.pack("<11sc4xBB14x", name.encode(), kind.encode(), width, decimals))
    f.write(b"\x0d")
    for r in range(records):
        parts = [b" ", ("R%07d" % r).ljust(10).encode()]
        parts.append(" ".join(random.choice(words) for _ in range(3))[:30].ljust(30).encode("cp1252"))
        parts.append(b"%04d%02d%02d" % (2020 + r % 5, 1 + r % 12, 1 + r % 28))
        parts.append(b"T" if r % 3 else b"F")
        for i in range(16):
            parts.append(("%12.3f" % (random.random() * 10 ** (i % 6) - 50)).encode())
        f.write(b"".join(parts))
    f.write(b"\x1a")
