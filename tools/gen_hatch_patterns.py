#!/usr/bin/python3
"""Writes resources/hatches/patterns.txt: the predefined hatch patterns that
imported hatches without lines of their own use, taken from the pattern
module of ezdxf (Debian's python3-ezdxf, MIT licence, Copyright (c) 2020
Manfred Moitzi), metric scaling. Run by hand; the output is committed.
"""
import sys

from ezdxf.tools._iso_pattern import ISO_PATTERN

NAMES = ["ANSI31", "ANSI32", "ANSI33", "ANSI34", "ANSI35", "ANSI36", "ANSI37", "ANSI38", "ANGLE", "BRICK",
         "CROSS", "DOTS", "EARTH", "GRASS", "HONEY", "LINE", "NET", "SQUARE", "STEEL", "ZIGZAG"]

HEADER = """\
# Predefined hatch patterns of the CAD import, for hatches that carry no
# pattern lines of their own.
# Source: the pattern module of ezdxf (ezdxf/tools/_iso_pattern.py, metric
# scaling), Copyright (c) 2020 Manfred Moitzi, MIT licence:
#   Permission is hereby granted, free of charge, to any person obtaining a
#   copy of this software and associated documentation files (the
#   "Software"), to deal in the Software without restriction, including
#   without limitation the rights to use, copy, modify, merge, publish,
#   distribute, sublicense, and/or sell copies of the Software, and to
#   permit persons to whom the Software is furnished to do so, subject to the
#   following conditions: The above copyright notice and this permission
#   notice shall be included in all copies or substantial portions of the
#   Software. THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND.
# Written by tools/gen_hatch_patterns.py.
# Format: "*NAME", then one line per pattern line as a HATCH entity stores
# it: angle (degrees), base x, base y, offset x, offset y (the offset between
# neighbouring lines, in drawing axes), then the dashes (positive a dash,
# negative a gap, 0 a dot; none for a continuous line).
"""

def main(path):
    out = [HEADER]
    for name in NAMES:
        out.append("*" + name + "\n")
        for angle, base, offset, dashes in ISO_PATTERN[name]:
            values = [angle, base[0], base[1], offset[0], offset[1]] + list(dashes)
            out.append(",".join(repr(float(v)) for v in values) + "\n")
    with open(path, "w") as f:
        f.write("".join(out))

if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/hatches/patterns.txt")
