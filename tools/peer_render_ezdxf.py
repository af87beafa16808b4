#!/usr/bin/python3
"""Renders DXF drawings with ezdxf's drawing add-on (matplotlib backend, white
background) as the peer pictures of the render agreement test, and stores
their ink masks with kvn-inkmask.

    /usr/bin/python3 tools/peer_render_ezdxf.py [--inkmask KVN_INKMASK] OUT_DIR [DXF ...]

Without DXF arguments every DXF of ../shared/testdata/dxf is rendered. Each
drawing gives OUT_DIR/<name>.png (model space, or the first layout with
entities when model space is empty), at most 1600 pixels on its longer side,
and, with --inkmask, OUT_DIR/<name>.pbm, the mask the agreement test reads
(tests/import/data/peer_masks/ holds the committed ones; remake them with
OUT_DIR set to that folder and look at the pictures before committing).
Needs Debian's python3-ezdxf and python3-matplotlib (not used by CI).
"""
import os
import subprocess
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import ezdxf  # noqa: E402
from ezdxf import recover  # noqa: E402
from ezdxf.addons.drawing import Frontend, RenderContext  # noqa: E402
from ezdxf.addons.drawing.matplotlib import MatplotlibBackend  # noqa: E402
from ezdxf.addons.drawing.properties import LayoutProperties  # noqa: E402

SIZE_PX = 1600


def first_layout_with_content(doc):
    msp = doc.modelspace()
    if len(msp) > 0:
        return msp
    for name in doc.layout_names_in_taborder():
        layout = doc.layouts.get(name)
        if len(layout) > 0:
            return layout
    return msp


def render(path, out_png):
    try:
        # The recover loader reads damaged text files; binary DXF needs the plain one.
        with open(path, "rb") as f:
            binary = f.read(18) == b"AutoCAD Binary DXF"
        doc = ezdxf.readfile(path) if binary else recover.readfile(path)[0]
    except (IOError, ezdxf.DXFStructureError) as error:
        print(f"{path}: not read ({error})")
        return False
    layout = first_layout_with_content(doc)
    fig = plt.figure(dpi=100)
    ax = fig.add_axes([0, 0, 1, 1])
    ctx = RenderContext(doc)
    props = LayoutProperties.from_layout(layout)
    props.set_colors("#ffffff")
    Frontend(ctx, MatplotlibBackend(ax)).draw_layout(layout, finalize=True, layout_properties=props)
    x0, x1 = ax.get_xlim()
    y0, y1 = ax.get_ylim()
    w, h = abs(x1 - x0), abs(y1 - y0)
    if w <= 0 or h <= 0:
        w = h = 1.0
    scale = SIZE_PX / max(w, h)
    fig.set_size_inches(max(w * scale, 8) / 100, max(h * scale, 8) / 100)
    fig.savefig(out_png, dpi=100, facecolor="#ffffff")
    plt.close(fig)
    print(f"{path}: {layout.name} -> {out_png}")
    return True


def main():
    args = sys.argv[1:]
    inkmask = None
    if len(args) >= 2 and args[0] == "--inkmask":
        inkmask, args = args[1], args[2:]
    if not args:
        print(__doc__)
        return 2
    out_dir = args[0]
    os.makedirs(out_dir, exist_ok=True)
    files = args[1:]
    if not files:
        root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "shared", "testdata", "dxf")
        files = sorted(os.path.join(root, f) for f in os.listdir(root) if f.lower().endswith(".dxf"))
    failed = 0
    for path in files:
        name = os.path.splitext(os.path.basename(path))[0]
        png = os.path.join(out_dir, name + ".png")
        if not render(path, png):
            failed += 1
            continue
        if inkmask:
            done = subprocess.run([inkmask, png, os.path.join(out_dir, name + ".pbm")])
            if done.returncode != 0:
                failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
