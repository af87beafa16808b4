#!/usr/bin/env python3
"""Writes picture-references.txt: for every raster file of the test data that
opens, the reference decode by ImageMagick (`convert FILE[0] -depth 8 txt:-`)
reduced to its size and two FNV-1a 64 checksums, one of the R, G, B bytes
and one of the alpha bytes of every pixel, rows from the top.

    python3 tests/import/data/make-picture-references.py ../shared/testdata
"""
import re
import subprocess
import sys
from pathlib import Path

FILES = [
    "imagers_Core_1_Bit.bmp", "imagers_alpha_gif_a.gif", "imagers_basi2c08.png", "imagers_basn6a16.png",
    "imagers_cat_progressive.jpg", "imagers_fax4.tiff", "imagers_hpredict_packbits.tiff",
    "imagers_interlaced.gif", "imagers_pal8rle.bmp", "imagers_rgb24.bmp", "imagers_tp0n3p08.png",
    "libredwg_2000_Arc.jpg",
]
PIXEL = re.compile(r"^(\d+),(\d+): \(([^)]*)\)")


def fnv(data):
    h = 0xCBF29CE484222325
    for b in data:
        h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


def main():
    root = Path(sys.argv[1]) / "raster"
    out = [
        "# file width height fnv64(RGB) fnv64(A): ImageMagick's decode (convert FILE[0] -depth 8 txt:-),",
        "# written by make-picture-references.py",
    ]
    for name in FILES:
        text = subprocess.run(["/usr/bin/convert", f"{root / name}[0]", "-depth", "8", "txt:-"], check=True,
                              capture_output=True, text=True).stdout.splitlines()
        header = text[0]
        size = re.search(r"# ImageMagick pixel enumeration: (\d+),(\d+),", header)
        w, h = int(size.group(1)), int(size.group(2))
        grey = "gray" in header.split(",")[-1]
        rgb = bytearray(3 * w * h)
        alpha = bytearray(b"\xff" * (w * h))
        for line in text[1:]:
            m = PIXEL.match(line)
            if not m:
                continue
            x, y = int(m.group(1)), int(m.group(2))
            values = [int(round(float(v.rstrip("%")))) for v in m.group(3).split(",")]
            if grey and len(values) <= 2:
                values = [values[0]] * 3 + values[1:]
            rgb[3 * (y * w + x):3 * (y * w + x) + 3] = bytes(values[:3])
            if len(values) > 3:
                alpha[y * w + x] = values[3]
        out.append(f"{name} {w} {h} {fnv(rgb):016x} {fnv(alpha):016x}")
    (Path(__file__).parent / "picture-references.txt").write_text("\n".join(out) + "\n")


main()
