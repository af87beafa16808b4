// Shared by the record players of EmfPlayer (not for other callers).
#pragma once

#include "platform/gdi/TDib.h"
#include "platform/metafile/EmfPlayer.h"

namespace kvn::emf_play {

inline constexpr std::uint32_t kLayoutRtl = 0x1;
inline constexpr std::uint32_t kLayoutBitmapOrientationPreserved = 0x8;

// The placement the metafile's layout asks for (after SETLAYOUT and
// RESTOREDC); the caller hands the mapping to the context again.
void SelectLayoutFit(HandleTable& table);
// A drawing record under the metafile's layout: PlayDrawRecord, but a
// bitmap under a right-to-left layout that keeps bitmaps' orientation goes
// to its mirrored place unturned (EmfRecordLayout.cpp).
bool PlayDrawRecordInLayout(TDC& dc, HandleTable& table, const EmfRecord& record, bool* played);

// The drawing records (lines, curves, shapes, text, bitmaps, regions).
// Answers whether the record type is one of them; *played tells whether it
// was drawn.
bool PlayDrawRecord(TDC& dc, HandleTable& table, const EmfRecord& record, bool* played);
// Whether a record of the type puts ink on the target (lines, curves,
// shapes, path and region fills, text, bitmaps), played here or not.
bool IsDrawingRecord(std::uint32_t type);

// A rectangle of metafile device units onto the context's device pixels
// (the bounding box when the playback turns).
TRect ToContextDevice(const HandleTable& table, const TRect& rect);

// RGNDATA at `offset` (header of 32 bytes, then rectangles) in the
// context's device pixels. False when it does not fit the record.
bool ReadRegion(const HandleTable& table, const EmfRecord& record, std::uint32_t offset, std::uint32_t bytes,
                TRegion* out);

// The metafile's page mapping (window and viewport), and its world
// transform followed by it: logical units to metafile device units.
XForm PageTransform(const EmfMappingState& m);
XForm LogicalToMetafileDevice(const EmfMappingState& m);

// Glyph space onto metafile device units for a run whose reference point
// lies at `at` (metafile device units): upright and left to right whatever
// the signs of the page mapping (EmfRecordText.cpp).
XForm UprightTextFrame(const EmfMappingState& m, const DPoint& at);

// The packed DIB of a record from its BITMAPINFO and bits (colour tables by
// RGB only); `scans` limits the rows present (SetDIBitsToDevice).
bool LoadDib(const EmfRecord& record, std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits,
             std::uint32_t cbBits, std::uint32_t usage, TDib* dib, std::uint32_t scans = 0);

// MASKBLT, PLGBLT and TRANSPARENTBLT (EmfRecordMaskedBlit.cpp).
bool PlayMaskedBlit(TDC& dc, const HandleTable& table, const EmfRecord& record);
// GRADIENTFILL (EmfRecordGradient.cpp).
bool PlayGradientFill(TDC& dc, const EmfRecord& record);

// EXTTEXTOUTA/W and POLYTEXTOUTA/W.
bool PlayTextRecord(TDC& dc, HandleTable& table, const EmfRecord& record);

}  // namespace kvn::emf_play
