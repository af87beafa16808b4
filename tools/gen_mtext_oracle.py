#!/usr/bin/python3
"""Writes tests/import/data/mtext_plain.txt: the plain text of every MTEXT
of a public DXF file (shared/testdata/dxf) as a peer library (ezdxf,
Debian's python3-ezdxf) gives it with MText.plain_text(). Run once; the
output is committed and compared by tests/import/DxfSamplesTest.cpp.
Texts holding "^" (the DXF caret escape of control characters, which the
DXF reader decodes) are left out, and so is the file of complex inline
codes, whose texts all hold tabs written as "^I".

One line per text: file, handle, the text as UTF-8 with "\\" written "\\\\"
and line feeds "\\n", separated by tabs.
"""
import sys

import ezdxf

FILES = ["ezdxf_text.dxf"]

def main(testdata, path):
    lines = []
    for name in FILES:
        doc = ezdxf.readfile(testdata + "/dxf/" + name)
        for e in doc.modelspace().query("MTEXT"):
            if "^" in e.text:
                continue
            plain = e.plain_text().replace("\\", "\\\\").replace("\n", "\\n")
            lines.append("%s\t%s\t%s" % (name, e.dxf.handle, plain))
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")

if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "../shared/testdata",
         sys.argv[2] if len(sys.argv) > 2 else "tests/import/data/mtext_plain.txt")
