#!/usr/bin/python3
"""Writes tests/import/data/dxf_extents.txt: the extents of the hatches,
splines and polylines of two public DXF files (shared/testdata/dxf) as a
peer library (ezdxf, Debian's python3-ezdxf) computes them with
ezdxf.bbox.extents (curves flattened to 0.0001). Run once; the output is
committed and compared by tests/import/DxfSamplesTest.cpp.

One line per entity: file type handle minx miny maxx maxy.
"""
import sys

import ezdxf
from ezdxf import bbox

FILES = ["ezdxf_hatches_1.dxf", "libredwg_example_2000.dxf"]
TYPES = ("HATCH", "SPLINE", "LWPOLYLINE", "POLYLINE")

def main(testdata, path):
    lines = []
    for name in FILES:
        doc = ezdxf.readfile(testdata + "/dxf/" + name)
        for e in doc.modelspace():
            if e.dxftype() not in TYPES:
                continue
            b = bbox.extents([e], flatten=0.0001)
            if not b.has_data:
                continue
            lines.append("%s %s %s %r %r %r %r" % (name, e.dxftype(), e.dxf.handle, b.extmin.x, b.extmin.y,
                                                 b.extmax.x, b.extmax.y))
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")

if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "../shared/testdata",
         sys.argv[2] if len(sys.argv) > 2 else "tests/import/data/dxf_extents.txt")
