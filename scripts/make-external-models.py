#!/usr/bin/env python3
"""Writes examples/model/externalmodel18.dulb, the stored data of the example
model's two external models (extmodels/reactor.json and extmodels/splitter.json).

The file is a plain little-endian value sequence. Records follow the structure
the host gives each block: its ports in port order (each port's variables in
name order), then the variables on no port in name order, then the parameters.
The layout is that of version 20.1.0, the Version of the example's model file.
"""
import os
import struct

out = bytearray()


def boolean(v): out.extend(b"\x01" if v else b"\x00")
def int32(v): out.extend(struct.pack("<i", v))
def double(v): out.extend(struct.pack("<d", v))


def text(s):
    data = s.encode("ascii")
    n = len(data)
    if n < 0xFF:
        out.append(n)
    elif n < 0xFFFE:
        out.extend(b"\xff" + struct.pack("<H", n))
    else:
        out.extend(b"\xff\xff\xff" + struct.pack("<I", n))
    out.extend(data)


def doubles(values):
    out.extend(struct.pack("<H", len(values)))
    for v in values:
        double(v)


UNSET = 1e30


def variable(name, dulo_name="", vtype="", lo=0.0, hi=UNSET, obj=UNSET, initial=UNSET,
             independent=False, switch=""):
    boolean(False)                     # IsNew
    boolean(False)                     # IsPeriodic
    text(vtype)
    text(name)
    text(dulo_name)
    text("")                           # description: the host's is kept
    for v in (lo, hi, lo, hi, obj, initial):  # Min, Max, MinProcess, MaxProcess, ObjFn, Initial
        double(v)
    for _ in range(4):                 # the periodic lists
        doubles([])
    boolean(independent)
    boolean(False)                     # Expanded
    boolean(False)                     # BlockControlVar
    boolean(False)                     # DisplayFlag
    text(switch)                       # SwitchMode


def parameter(name, type_text, write_value):
    variable(name)
    text(type_text)
    write_value()


def block(name, path, type_text, suppressed, ports, internals, parameters):
    for _ in range(2):
        text(name)
        text(path)
        text(type_text)
    boolean(suppressed)
    boolean(True)                      # Expanded
    boolean(False)                     # InputPortsExpanded
    boolean(False)                     # OutputPortsExpanded
    boolean(False)                     # InternalVariablesExpanded
    boolean(True)                      # ParamsShown
    boolean(False)                     # BlockWideFlag
    for port_name, direction, variables in ports:
        text(port_name)
        text(direction)
        boolean(True)
        for v in variables:
            variable(**v)
    for v in internals:
        variable(**v)
    int32(len(parameters))
    for p in parameters:
        parameter(*p)


boolean(True)                          # Expanded
int32(1)                               # InputOutputMap
int32(2)                               # blocks
text("1e-6")                           # PerturbationSize

block("HDT", "extmodels\\reactor.json", "ZEFT_XLP", False,
      [("FEED", "PORT_INPUT", [
          dict(name="HDT.FEED.FLOW", dulo_name="HDTFEED", vtype="FLOW", lo=40, hi=300, initial=120),
          dict(name="HDT.FEED.SULFUR", dulo_name="HDTSULF", vtype="SULFUR", hi=3, initial=1.2)]),
       ("PROD", "PORT_OUTPUT", [
          dict(name="HDT.PROD.FLOW", dulo_name="HDTPROD", vtype="FLOW", hi=300, obj=-0.5, initial=118.5),
          dict(name="HDT.PROD.SULFUR", vtype="SULFUR", hi=0.05, initial=0.001)])],
      [dict(name="HDT.H2", dulo_name="H2USE", lo=0, hi=5, obj=2.5, initial=1.5, switch="On"),
       dict(name="HDT.TEMP", lo=310, hi=390, initial=345)],
      [("PERT", "Double", lambda: double(2e-6)),
       ("CATALYST", "String", lambda: text("NiMo"))])

block("NSPLIT", "extmodels\\splitter.json", "ZEFT_CLOSED_FORM", True,
      [("FEED", "PORT_INPUT", [dict(name="NSPLIT.FEED.FLOW", dulo_name="NAPHTHA", hi=150, initial=60,
                                        independent=True)]),
       ("LIGHT", "PORT_OUTPUT", [dict(name="NSPLIT.LIGHT.FLOW", dulo_name="LTNAP", hi=150, initial=25.2)]),
       ("HEAVY", "PORT_OUTPUT", [dict(name="NSPLIT.HEAVY.FLOW", dulo_name="HVNAP", hi=150, initial=34.8)])],
      [dict(name="NSPLIT.CUT", lo=0.3, hi=0.55, initial=0.42)],
      [("PERT", "Double", lambda: double(1e-5))])

path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples", "model", "externalmodel18.dulb")
with open(path, "wb") as f:
    f.write(out)
print("wrote", os.path.normpath(path), len(out), "bytes")
