#!/usr/bin/python3
"""Writes tests/import/data/dxf_source_counts.txt: what a peer library
(ezdxf, Debian's python3-ezdxf) finds in every DXF file of
shared/testdata/dxf, for the "source" counts of the DXF reader. Run once;
the output is committed and compared by tests/import/DxfSourceCountsTest.cpp.

One line per count: file kind name count, where kind is
  model  NAME   model-space entities of a type
  paper  NAME   entities of every paper-space layout of a type
Files the peer refuses to read directly (too old) are read through its
recover module.
"""
import collections
import os
import sys

import ezdxf
from ezdxf import recover


def counts(doc):
    lines = []
    model = collections.Counter(e.dxftype() for e in doc.modelspace())
    paper = collections.Counter()
    for layout in doc.layouts:
        if layout.is_any_paperspace:
            paper.update(e.dxftype() for e in layout)
    for name, n in sorted(model.items()):
        lines.append(("model", name, n))
    for name, n in sorted(paper.items()):
        lines.append(("paper", name, n))
    return lines


def main(testdata, path):
    out = []
    folder = os.path.join(testdata, "dxf")
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".dxf") or name.startswith("bad_"):
            continue
        try:
            doc = ezdxf.readfile(os.path.join(folder, name))
        except ezdxf.DXFError:
            doc, _ = recover.readfile(os.path.join(folder, name))
        for kind, key, n in counts(doc):
            out.append("%s %s %s %d" % (name, kind, key, n))
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    testdata = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "shared", "testdata")
    main(testdata, os.path.join(here, "..", "tests", "import", "data", "dxf_source_counts.txt"))
