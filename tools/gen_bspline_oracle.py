#!/usr/bin/python3
"""Writes tests/import/data/bspline_oracle.txt: points of a few B-splines as a
peer library (ezdxf, Debian's python3-ezdxf) evaluates them with
ezdxf.math.BSpline. Run once; the output is committed and compared by
tests/import/SplineBeziersTest.cpp (clamped polynomial cubics exactly,
rational and higher-degree curves within 1e-6 of their size).

Per case:
  case NAME DEGREE
  knots k0 k1 ...
  weights w0 w1 ...        (empty for a polynomial curve)
  poles x y z x y z ...
  point t x y z            (41 evenly spaced parameters of the domain)
"""
import math
import sys

from ezdxf.math import BSpline

def cases():
    s = math.sqrt(0.5)
    yield ("clamped_uniform_cubic", 3,
           [0, 0, 0, 0, 1, 2, 3, 4, 4, 4, 4], None,
           [(0, 0, 0), (1, 2, 0.5), (3, 3, 1), (5, 1, 0), (6, -1, -1), (8, 0, 0), (9, 2, 1)])
    yield ("circle_rational_quadratic", 2,
           [0, 0, 0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75, 1, 1, 1], [1, s, 1, s, 1, s, 1, s, 1],
           [(10, 0, 0), (10, 10, 0), (0, 10, 0), (-10, 10, 0), (-10, 0, 0), (-10, -10, 0), (0, -10, 0),
            (10, -10, 0), (10, 0, 0)])
    yield ("nonuniform_cubic", 3,
           [0, 0, 0, 0, 0.1, 0.5, 0.55, 2, 2, 2, 2], None,
           [(0, 0, 0), (2, 5, 0), (4, -3, 1), (7, 4, 2), (9, 0, 0), (12, 3, -1), (15, 0, 0)])
    yield ("rational_nonuniform_cubic", 3,
           [0, 0, 0, 0, 0.3, 0.3, 1.7, 3, 3, 3, 3], [1, 3, 0.5, 2, 1, 0.25, 1],
           [(0, 0, 0), (1, 4, 0), (3, 5, 2), (6, 2, 0), (7, -2, 1), (10, 0, 0), (11, 3, 0)])
    # A closed periodic cubic as CAD files store it: uniform unclamped knots,
    # the first three poles repeated at the end.
    ring = [(0, 0, 0), (4, -1, 0), (8, 1, 0), (9, 5, 0), (5, 8, 0), (1, 6, 0)]
    yield ("periodic_cubic", 3, list(range(len(ring) + 3 + 4)), None, ring + ring[:3])
    yield ("quintic", 5,
           [0, 0, 0, 0, 0, 0, 1, 2.5, 3, 3, 3, 3, 3, 3], None,
           [(0, 0, 0), (1, 3, 0), (2, -1, 0), (4, 4, 0), (6, 0, 0), (7, 5, 0), (9, 1, 0), (10, 3, 0)])

def main(path):
    lines = []
    for name, degree, knots, weights, poles in cases():
        spline = BSpline(poles, order=degree + 1, knots=knots, weights=weights)
        lines.append("case %s %d" % (name, degree))
        lines.append("knots " + " ".join(repr(float(k)) for k in knots))
        lines.append("weights " + " ".join(repr(float(w)) for w in (weights or [])))
        lines.append("poles " + " ".join(repr(float(v)) for p in poles for v in p))
        t0, t1 = knots[degree], knots[len(poles)]
        for i in range(41):
            t = t0 + (t1 - t0) * i / 40
            p = spline.point(t)
            lines.append("point %r %r %r %r" % (float(t), float(p.x), float(p.y), float(p.z)))
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")

if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "tests/import/data/bspline_oracle.txt")
