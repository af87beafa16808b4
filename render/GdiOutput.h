// Output helpers for a device context: finished geometry in device units
// (the renderer's 1/256 path pieces, pictures, text runs, metafiles) handed
// to platform/gdi when the output is a device context rather than the
// off-screen raster surface.
//
// Path pieces become whole device units as (v + 128) >> 8 (arithmetic
// shift), so 383 is pixel 1 and 384 pixel 2.
#pragma once

#include <cstdint>

#include "platform/gdi/GdiTypes.h"
#include "model/PathBuffer.h"
#include "model/WorldMapping.h"

namespace kvn {

class TDC;
class HandleTable;
struct EmfRecord;
class TDib;
struct DibHeader;
class TRegion;
class cDrawInfo;
class cDrawingData;
class cOutObj;
struct BlendFunction;
struct PixelView;

// ---- path fills ----

// The pieces (those with at least one segment) as one GDI path: each is cut
// to the clip rectangle widened by a pixel (a piece that lies wholly outside
// is left out), then becomes a figure of LineTo for straight segments and
// PolyBezierTo for curves. Without `region` the path is filled with the
// context's brush and fill mode; with it the path's region is stored there
// instead. False when the path could not be begun or ended.
bool FillPathPieces(TDC& dc, SegmentArray* const* pieces, std::uint32_t count, const DeviceRect& clip,
                    TRegion* region = nullptr);

// The loader of the constant-opacity blend. On this system the blend is the
// device context's own AlphaBlend, so the module is always usable.
class cMsimg32Module {
 public:
  using AlphaBlendProc = bool (*)(TDC& dc, int x, int y, int width, int height, const PixelView& source,
                                  int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                                  const BlendFunction& blend);
  cMsimg32Module();
  virtual ~cMsimg32Module() = default;

  AlphaBlendProc alphaBlend = nullptr;
  std::uint8_t usable = 0;

  // The process-wide instance, made on first use.
  static cMsimg32Module& Instance();
};

// The pieces filled in the colour at a constant opacity (255: FillPathPieces
// with the selected brush). The area's region, cut to the print rectangle
// when one is given, becomes the clip; the colour is blended over the
// region's box; afterwards the clip is the print rectangle, or none. Writes 1
// through the output marker when one is given and the opacity is below 255.
void FillPathTransparent(TDC& dc, SegmentArray* const* pieces, std::uint32_t count, const DeviceRect& clip,
                         COLORREF color, std::uint8_t opacity, const DeviceRect* printRecord,
                         std::uint8_t* outputMarker);

// ---- pictures ----

// The picture into the destination box at (x, y) with extents (width,
// height) turned by `angle` radians (counter-clockwise on the screen) about
// (x, y); a negative extent mirrors the picture on that axis about (x, y).
// Drawn with StretchDIBits at the nearest pixel under a world transform that
// is combined with the context's own, which is restored afterwards with the
// graphics mode. False when nothing was drawn.
bool DrawDibTransformed(TDC& dc, double x, double y, double width, double height, double angle, const TDib& dib);
// The same for an integer rectangle (left, top, right, bottom).
bool DrawDibTransformed(TDC& dc, const TRect& rect, double angle, const TDib& dib);
// The same for picture data a printer driver takes as they are (JPEG or
// PNG bytes, see TDC::StretchDIBitsData).
bool DrawDibDataTransformed(TDC& dc, double x, double y, double width, double height, double angle,
                            const DibHeader& header, const std::uint8_t* data, std::uint32_t size);

// ---- text runs ----

// One run of text at a device position, its baseline through the position.
struct TextRun {
  const char16_t* text = nullptr;
  int count = 0;
  TPoint position;
  std::uint32_t align = kTaLeft;  // TA_BASELINE is added
  // 0: unscaled; otherwise the factor on that axis.
  double xScale = 0.0;
  double yScale = 0.0;
  bool mirrorX = false;
  bool mirrorY = false;
  // The characters are sent as they are; otherwise they are moved into the
  // symbol-font range first.
  bool directOutput = false;
  // For the extent-stretching output: the font cell (w, h) in logical units,
  // the size factor and the advances (one per character).
  double cellWidth = 0.0;
  double cellHeight = 0.0;
  double factor = 1.0;
  const int* advances = nullptr;
};

// Characters below 256 become U+F000 plus the character, others U+F000 plus
// their code-page-1252 byte when they have one (else they stay).
void ToSymbolFontText(const char16_t* text, int count, char16_t* out);

// Metafile export and contexts with textOutRuns draw through TextOut with
// the window extent (10, 10) over a viewport of ten times the scales, a
// mirrored run under a world transform that reflects it about its point;
// everything else goes to DrawTextRunExt. The alignment, the extents and the
// world transform are restored.
void DrawTextRun(TDC& dc, const TextRun& run, const cDrawInfo& info);
// Draws the run with ExtTextOut at (0, 0) under a mapping that stretches the
// font cell to the wanted device size at the run's position; the mapping is
// restored.
void DrawTextRunExt(TDC& dc, const TextRun& run, const cDrawInfo& info);

// ---- metafiles ----

// The EnumEnhMetaFile callback of metafile drawing (platform/metafile): the
// LOGFONT of every font record is copied with its quality replaced by
// `quality` and the font stored at the record's handle index (a record whose
// index lies beyond the table is passed over); every other record is played
// as it is. Always 1 (go on).
int PlayMetafileRecord(TDC& dc, HandleTable& table, const EmfRecord& record, int handleCount, std::intptr_t quality);

// ---- small helpers ----

// A Bresenham line into a bottom-up 1-bit bitmap of rows (width + 31) / 32 *
// 4 bytes, clearing the bit of each pixel inside the bitmap; walked from the
// smaller coordinate of the major (longer) axis.
void MaskLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::uint8_t* bits,
              std::int32_t width, std::int32_t height);
// The region's box, zero for no region.
void GetRegionBox(const TRegion* region, TRect* out);
// All four values 0.
bool IsEmptyRect(const TRect& rect);

// Draws the object's replacement chain (a resolved copy) object by object in
// chain order with the drawing context; the chain is deleted afterwards.
void DrawExplodedChain(cOutObj& object, cDrawingData* data, cDrawInfo& info);

}  // namespace kvn
