// GetWinMetafileBits: an enhanced metafile as a Windows metafile, as the
// system's GetWinMetaFileBits gives it with MM_ANISOTROPIC.
//
// The enhanced records are first read by the metafile interpreter, so the
// Windows metafile holds what the interpreter reads and nothing else: its
// lines, polygons (Bezier figures flattened), rectangles, ellipses, arcs,
// texts and pictures with their pens, brushes and fonts, each object
// created, selected, drawn and deleted in turn. Coordinates are 16-bit
// logical units of the finest whole number of units per inch that keeps
// the picture within +-30000; the window (SETWINDOWORG, SETWINDOWEXT) spans
// the frame, so a reader that maps the window onto the frame's size (as
// SetWinMetaFileBits with the frame's METAFILEPICT does) gets the same
// drawing back.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/GrowArray.h"

namespace kvn {

class EmfDocument;

// The Windows-metafile bytes (18-byte header, records, end record), or null
// (with `size` 0) without a metafile or when nothing can be written.
std::unique_ptr<ByteArray> GetWinMetafileBits(const EmfDocument* emf, std::uint32_t* size);

}  // namespace kvn
