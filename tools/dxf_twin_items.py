#!/usr/bin/python3
"""Writes the expected items of the complex entities of a DWG sample from its
DXF twin, for tests/dwg/DwgComplexSamplesTest.cpp:

    tools/dxf_twin_items.py ../shared/testdata/dxf/libredwg_example_2000.dxf \
        > tests/dwg/data/libredwg_example_2000.items

For every HATCH, SPLINE, MLINE, VIEWPORT and MULTILEADER of the twin (read
with python3-ezdxf's tag reader, in the ENTITIES and BLOCKS sections), the
items the DWG handler emits for the same entity, as our DXF reader will
collect them: the twin's tags walked with the entity's structure, keeping the
codes the handler emits and leaving out those it reads and drops (hatch
boundary objects, seed points, spline weights of hatch edges, the
multileader's normal, column sizes and colours, whose DWG form before R2004
is an index). A spline that has fit points in the twin gives its fit data,
one without gives its control data, as the DWG stores one or the other.

One line per item: handle type code kind value, kind d (double), i (integer),
h (handle, hexadecimal) or s (text, to the end of the line).
"""
import sys

from ezdxf.lldxf.tagger import ascii_tags_loader

TYPES = {"HATCH", "SPLINE", "MLINE", "VIEWPORT", "MULTILEADER"}
HANDLE_CODES = set(range(330, 370))
TEXT_CODES = {1, 2, 3, 300, 301, 302, 303, 304, 305}


def entities(path):
    """(type, [(code, text)]) of each entity of the sections that hold them."""
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        tags = [(t.code, t.value) for t in ascii_tags_loader(f)]
    section = None
    current = None
    for code, value in tags:
        if code == 0:
            if current:
                yield current
            current = None
            if value == "SECTION":
                section = "?"
            elif value in TYPES and section in ("ENTITIES", "BLOCKS"):
                current = (value, [])
            continue
        if code == 2 and section == "?":
            section = value
        if current is not None:
            current[1].append((code, value))
    if current:
        yield current


def item(code, value):
    if code in HANDLE_CODES:
        return (code, "h", "%X" % int(value, 16))
    if code in TEXT_CODES:
        return (code, "s", value)
    if 10 <= code <= 59 or 110 <= code <= 149 or 210 <= code <= 239 or 460 <= code <= 469:
        return (code, "d", repr(float(value)))
    return (code, "i", str(int(value)))


class Tags:
    def __init__(self, tags):
        self.tags = tags
        self.at = 0

    def peek(self):
        return self.tags[self.at][0] if self.at < len(self.tags) else None

    def take(self, code=None):
        c, v = self.tags[self.at]
        if code is not None and c != code:
            raise ValueError("expected %d, got %d" % (code, c))
        self.at += 1
        return c, v

    def skip_to(self, code):
        while self.peek() is not None and self.peek() != code:
            self.at += 1


def body(tags, subclass):
    """The tags after the entity's own subclass marker, up to its extended
    data."""
    for k, (c, v) in enumerate(tags):
        if c == 100 and v == subclass:
            rest = tags[k + 1:]
            # Extended data is not the entity's.
            end = next((i for i, (code, _) in enumerate(rest) if code >= 1000), len(rest))
            return rest[:end]
    return []


def hatch(tags):
    out = []
    t = Tags(body(tags, "AcDbHatch"))
    keep = lambda: out.append(item(*t.take()))
    drop = lambda: t.take()
    gradient = []
    while t.peek() is not None:
        c = t.peek()
        if c == 91:
            keep()
            break
        if c in (10, 20, 30, 210, 220, 230, 2, 70):
            keep()
        else:
            drop()
    paths = int(out[-1][2])
    for _ in range(paths):
        flags = int(t.take(92)[1])
        out.append(item(92, str(flags)))
        if flags & 2:
            bulges = int(t.take(72)[1])
            out.append(item(*t.take(73)))
            n = int(t.take(93)[1])
            out.append(item(93, str(n)))
            for _ in range(n):
                out.append(item(*t.take(10)))
                out.append(item(*t.take(20)))
                if bulges:
                    out.append(item(*t.take(42)))
        else:
            n = int(t.take(93)[1])
            out.append(item(93, str(n)))
            for _ in range(n):
                kind = int(t.take(72)[1])
                out.append(item(72, str(kind)))
                if kind == 1:
                    for c in (10, 20, 11, 21):
                        out.append(item(*t.take(c)))
                elif kind in (2, 3):
                    for c in (10, 20) + ((11, 21) if kind == 3 else ()) + (40, 50, 51, 73):
                        out.append(item(*t.take(c)))
                elif kind == 4:
                    for c in (94, 73, 74):
                        out.append(item(*t.take(c)))
                    knots = int(t.take(95)[1])
                    points = int(t.take(96)[1])
                    out += [item(95, str(knots)), item(96, str(points))]
                    for _ in range(knots):
                        out.append(item(*t.take(40)))
                    for _ in range(points):
                        out.append(item(*t.take(10)))
                        out.append(item(*t.take(20)))
                        if t.peek() == 42:
                            drop()
                    if t.peek() == 97 and t.tags[t.at + 1][0] in (11, 97, 92, 75):
                        fit = int(t.take(97)[1])
                        out.append(item(97, str(fit)))
                        for _ in range(fit):
                            out.append(item(*t.take(11)))
                            out.append(item(*t.take(21)))
                        for c in (12, 22, 13, 23):
                            if t.peek() == c:
                                drop()
        boundary = int(t.take(97)[1])
        for _ in range(boundary):
            t.take(330)
    while t.peek() is not None:
        c = t.peek()
        if c in (52, 41, 77, 78, 53, 43, 44, 45, 46, 79, 49):
            keep()
        elif c == 98:
            seeds = int(t.take(98)[1])
            for _ in range(seeds):
                t.take(10)
                t.take(20)
        elif c in (450, 452, 453, 421):
            gradient.append(item(*t.take()))
        else:
            drop()
    return gradient + out


def spline(tags):
    t = dict()
    for c, v in body(tags, "AcDbSpline"):
        t.setdefault(c, []).append(v)
    first = lambda c, default="0": t.get(c, [default])[0]
    out = [item(71, first(71))]
    if int(first(74)) > 0:
        out.append(item(44, first(44)))
        for c in (12, 22, 32, 13, 23, 33):
            out.append(item(c, first(c, "0.0")))
        out.append(item(74, first(74)))
        for x, y, z in zip(t[11], t[21], t[31]):
            out += [item(11, x), item(21, y), item(31, z)]
    else:
        out.append(item(70, str(int(first(70)) & 7)))
        for c in (42, 43, 72, 73):
            out.append(item(c, first(c)))
        out += [item(40, k) for k in t.get(40, [])]
        weights = t.get(41, [])
        for k, (x, y, z) in enumerate(zip(t[10], t[20], t[30])):
            if weights:
                out.append(item(41, weights[k]))
            out += [item(10, x), item(20, y), item(30, z)]
    return out


def mline(tags):
    keep = {40, 70, 71, 72, 73, 10, 20, 30, 210, 220, 230, 11, 21, 31, 12, 22, 32, 13, 23, 33, 74, 41, 75, 42}
    return [item(c, v) for c, v in body(tags, "AcDbMline") if c in keep]


def viewport(tags):
    keep = {10, 20, 30, 40, 41, 12, 22, 13, 23, 14, 24, 15, 25, 16, 26, 36, 17, 27, 37, 42, 43, 44, 45, 50, 51,
            72, 331}
    return [item(c, v) for c, v in body(tags, "AcDbViewport") if c in keep]


def multileader(tags):
    """The items of each nesting block; colours, the text normal, the column
    data, the leader's flags and branch index and the R2013 bit are left
    out."""
    out = []
    block = ["entity"]
    leave = {
        # 295 of the entity: the R2013 bit the handler drops.
        "entity": {91, 92, 93, 295},
        "CONTEXT_DATA{": {11, 21, 31, 90, 91, 142, 143, 144, 294, 272, 273},
        "LEADER{": {290, 291, 90, 12, 22, 32, 13, 23, 33},
        "LEADER_LINE{": {92, 171, 90, 11, 21, 31, 12, 22, 32},
    }
    for c, v in body(tags, "AcDbMLeader"):
        if c in (300, 302, 304) and v.endswith("{"):
            block.append(v)
            out.append(item(c, v))
            continue
        if c in (301, 303, 305) and v == "}":
            block.pop()
            out.append(item(c, v))
            continue
        if c in leave.get(block[-1], set()):
            continue
        out.append(item(c, v))
    return out


def main(path):
    makers = {"HATCH": hatch, "SPLINE": spline, "MLINE": mline, "VIEWPORT": viewport, "MULTILEADER": multileader}
    for kind, tags in entities(path):
        handle = next(v for c, v in tags if c == 5)
        for code, k, value in makers[kind](tags):
            print(handle, kind, code, k, value)


if __name__ == "__main__":
    main(sys.argv[1])
