#!/usr/bin/python3
"""Writes tests/import/data/ocs_to_wcs.txt: 1,000 random extrusion normals and
points with their world coordinates as a peer library (ezdxf, Debian's
python3-ezdxf) computes them with OCS.to_wcs. Run once; the output is committed
and compared by tests/import/ImportMatrixTest.cpp within 1e-12.

One line per case: nx ny nz px py pz wx wy wz (shortest round-trip reprs).
A quarter of the normals lie close to the z axis (|nx|, |ny| near 1/64) so that
both branches of the arbitrary-axis rule are covered.
"""
import random
import sys

from ezdxf.math import OCS, Vec3

def main(path):
    rnd = random.Random(20261207)
    lines = []
    for i in range(1000):
        if i % 4 == 0:
            # Near the threshold of the arbitrary-axis rule, either side.
            n = Vec3(rnd.uniform(-0.03, 0.03), rnd.uniform(-0.03, 0.03), rnd.choice([-1.0, 1.0]))
        else:
            n = Vec3(rnd.uniform(-1, 1), rnd.uniform(-1, 1), rnd.uniform(-1, 1))
            if n.magnitude < 1e-3:
                n = Vec3(0.3, -0.2, 0.9)
        p = Vec3(rnd.uniform(-1000, 1000), rnd.uniform(-1000, 1000), rnd.uniform(-1000, 1000))
        w = OCS(n).to_wcs(p)
        lines.append(" ".join(repr(float(v)) for v in (n.x, n.y, n.z, p.x, p.y, p.z, w.x, w.y, w.z)))
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")

if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "tests/import/data/ocs_to_wcs.txt")
