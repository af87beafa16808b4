#!/usr/bin/python3
"""Writes tests/import/data/dgn_ogr_oracle.txt: what a peer reader (the DGN
driver of Debian's gdal-bin, through `ogrinfo -al`) finds in every V7 DGN
file of shared/testdata/dgn, for the "source" counts and the element values
of the DGN reader. Run once; the output is committed and compared by
tests/import/DgnSamplesTest.cpp.

Lines (space-separated):
  count FILE TYPE N                  features of a V7 element type
  levels FILE L1,L2,...              levels that hold features
  feature FILE TYPE LEVEL COLOR RRGGBB X Y Z
                                     the first three features of each
                                     multi-point and text type: level,
                                     colour index, the colour the peer
                                     gives it, and the first point
Files the peer cannot open (DGN V8) are left out.
"""
import collections
import os
import re
import subprocess
import sys

TYPE_NAMES = {3: "LINE", 4: "LINE_STRING", 6: "SHAPE", 11: "CURVE", 12: "COMPLEX_CHAIN",
              14: "COMPLEX_SHAPE", 15: "ELLIPSE", 16: "ARC", 17: "TEXT", 18: "3DSURFACE",
              19: "3DSOLID", 21: "BSPLINE_POLE", 22: "POINT_STRING"}
SAMPLED = {3, 4, 6, 11, 17, 21}


def features(path):
    out = subprocess.run(["ogrinfo", "-ro", "-al", "-q", path], capture_output=True)
    if out.returncode != 0:
        return None
    return parse(out.stdout.decode("latin-1"))


def parse(text):
    feature = None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("OGRFeature("):
            if feature is not None:
                yield feature
            feature = {}
        elif feature is None:
            continue
        elif line.startswith("Type (Integer) = "):
            feature["type"] = int(line.split("=")[1])
        elif line.startswith("Level (Integer) = "):
            feature["level"] = int(line.split("=")[1])
        elif line.startswith("ColorIndex (Integer) = "):
            feature["color"] = int(line.split("=")[1])
        elif line.startswith("Style = "):
            m = re.search(r"c:#([0-9a-fA-F]{6})", line)
            if m:
                feature["rgb"] = m.group(1).lower()
        elif re.match(r"^(POINT|LINESTRING|POLYGON)", line):
            m = re.search(r"\(+([-0-9.e]+) ([-0-9.e]+)(?: ([-0-9.e]+))?", line)
            if m:
                feature["point"] = (float(m.group(1)), float(m.group(2)), float(m.group(3) or 0.0))
    if feature is not None:
        yield feature


def main(testdata, target):
    lines = []
    folder = os.path.join(testdata, "dgn")
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".dgn"):
            continue
        found = features(os.path.join(folder, name))
        if found is None:
            continue
        found = list(found)
        if not found and "V8" in name:
            continue
        counts = collections.Counter(TYPE_NAMES.get(f["type"], "TYPE_%d" % f["type"]) for f in found)
        for type_name, n in sorted(counts.items()):
            lines.append("count %s %s %d" % (name, type_name, n))
        levels = sorted({f["level"] for f in found})
        lines.append("levels %s %s" % (name, ",".join(str(l) for l in levels) or "-"))
        taken = collections.Counter()
        for f in found:
            if f["type"] not in SAMPLED or "point" not in f or taken[f["type"]] >= 3:
                continue
            taken[f["type"]] += 1
            x, y, z = f["point"]
            lines.append("feature %s %s %d %d %s %.6f %.6f %.6f" % (
                name, TYPE_NAMES[f["type"]], f["level"], f["color"], f.get("rgb", "-"), x, y, z))
    with open(target, "w") as out:
        out.write("# made by tools/gen_dgn_ogr_oracle.py from ogrinfo -al (gdal-bin %s)\n" % gdal_version())
        out.write("\n".join(lines) + "\n")


def gdal_version():
    out = subprocess.run(["ogrinfo", "--version"], capture_output=True, text=True)
    return out.stdout.split(",")[0].replace("GDAL ", "").strip()


if __name__ == "__main__":
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    testdata = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "..", "shared", "testdata")
    main(testdata, os.path.join(root, "tests", "import", "data", "dgn_ogr_oracle.txt"))
