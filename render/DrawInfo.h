// cDrawInfo: the drawing context handed to every Draw and to the sheet
// painter. It lives for one output (a paint, a printed page or band, an
// export run) on its creator's stack and carries:
//   - a copy of the world-to-device mapping and the drawing data whose styles
//     the objects use;
//   - the colour rules of the output: colour mode, override colour, dark
//     background (MapFillColor and MapLineColor apply them);
//   - the world clip rectangle, the device clip turned into world units, which
//     the painter's view test reads;
//   - the target: a device context, a raster surface, both, or neither (the
//     scroll test of the drawing window draws with neither);
//   - the device state it found on entry, restored when it ends.
//
// Device state protocol: the constructor records the device's map mode,
// poly-fill mode, ROP2, background mode and colour, text colour, text
// alignment and its selected pen, brush and font, and sets MM_ANISOTROPIC,
// ALTERNATE, R2_COPYPEN, TRANSPARENT, white background, black text and
// TA_LEFT | TA_TOP. The renderer selects objects only through SelectPen,
// SelectBrush and SelectFont, which remember what is selected (the handle
// caches) so that a like object is not selected twice. The destructor gives
// the device its font, pen and brush back, in that order, then the seven
// values. Objects are reference counted (platform/gdi/GdiObjects.h): a pen a
// cache drops while it is still selected here stays alive until this context
// selects another.
//
// The operations drawing objects call (AddEllipsePath ... RasterizeSegment)
// are virtual so that tests can record what an object asks of the renderer
// (tests/support/RecordingDrawInfo.h).
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/DRect.h"
#include "foundation/GrowArray.h"
#include "platform/fonts/GlyphOutlineBuffer.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/GdiTypes.h"
#include "model/WorldMapping.h"
#include "render/CharAdvanceCache.h"

namespace kvn {

class cDrawingData;
class cOutObj;
class cRasterSurface;
class TDC;
struct ShxOutlineCache;

// The mapping and the drawing data: what a Draw needs to place geometry.
class cOutInfo_ {
 public:
  cOutInfo_() = default;
  // The mapping is copied when given; the default mapping otherwise.
  cOutInfo_(const WorldMapping* mapping, cDrawingData* data);
  virtual ~cOutInfo_() = default;
  cOutInfo_(const cOutInfo_&) = default;
  cOutInfo_& operator=(const cOutInfo_&) = default;

  WorldMapping mapping;
  cDrawingData* data = nullptr;  // not owned
};

// Colour modes of an output.
enum DrawColorMode : std::int32_t {
  kColorModeBlackWhite = 0,
  kColorModeGrey = 1,
  kColorModeColor = 2,
  // Lightness limited against the background (kept readable on the paper).
  kColorModeLimited = 3,
};

// Per-output options copied from the print and export settings.
struct OutputOptions {
  // A TrueType text written through a device context is drawn as glyph
  // outlines instead.
  std::uint8_t outlineText = 0;
  // Strokes never make a dashed GDI pen.
  std::uint8_t solidPen = 0;
  // Bit depth of pictures sent to a printer: 0 their own, 1 black and white,
  // 24 colour.
  std::uint8_t printerBitDepth = 0;
  std::uint8_t keepUncompressed = 0;
  std::uint8_t trueColor = 0;
  // Set: the text output rebuilds and selects its cached font at the next
  // run, then clears it.
  std::uint8_t fontCache = 1;
  // Set: the next stroke makes a new pen, even for a key it has cached.
  std::uint8_t penRefresh = 1;
};

// Where the raster surface's glyph fill puts a glyph of a TrueType line: the
// glyph's baseline origin in 1/1024 device units; cosine and sine 1024 x
// device units per em unit x cos a and x -sin a; width 1024 x the width
// factor. Run points (16.16 em units, y up) map as x' = (width X) >> 10,
// y' = -Y (Y itself with mirrorY), X negated first with mirrorX:
// device = (cosine x' - sine y' + originX << 16, sine x' + cosine y' +
// originY << 16) >> 18, in 1/256 device units.
struct FixedGlyphPlacement {
  std::int32_t originX = 0, originY = 0;
  std::int32_t cosine = 1024, sine = 0;
  std::int32_t width = 1024;
  std::uint8_t mirrorX = 0;
  std::uint8_t mirrorY = 0;
};

class cDrawInfo : public cOutInfo_ {
 public:
  // The device context and the raster surface may each be null; neither is
  // owned, and both must outlive the context.
  explicit cDrawInfo(const WorldMapping& mapping = WorldMapping{}, cDrawingData* data = nullptr,
                     TDC* dc = nullptr, cRasterSurface* raster = nullptr);
  ~cDrawInfo() override;
  cDrawInfo(const cDrawInfo&) = delete;
  cDrawInfo& operator=(const cDrawInfo&) = delete;

  // Recomputes the world clip rectangle from the mapping's device clip
  // rectangle (after a caller narrowed it).
  void UpdateWorldClip();

  // The output colour of an area, or of a stroke: the override colour
  // replaces every colour but white; grey mode turns colours grey; the
  // limited mode clamps the lightness; on a dark background strokes exchange
  // black and white (model/ColorMapping.h).
  std::uint32_t MapFillColor(std::uint32_t color) const;
  std::uint32_t MapLineColor(std::uint32_t color) const;

  // ---- the handle caches. Each selects the object into the device unless it
  // is the one the renderer last selected there; nothing without a device.
  void SelectPen(const TPen& pen);
  void SelectBrush(const TBrush& brush);
  void SelectFont(const TFont& font);
  // Give the device back the object it had when this context began, and
  // forget the cached selection.
  void RestoreDevicePen();
  void RestoreDeviceBrush();
  void RestoreDeviceFont();

  TDC* Dc() const { return dc_; }
  const TPen& SelectedPen() const { return selectedPen_; }
  const TBrush& SelectedBrush() const { return selectedBrush_; }
  const TFont& SelectedFont() const { return selectedFont_; }

  // ---- what drawing objects call ----
  // Puts the ellipse inscribed in the box into the current path as one new
  // closed piece of four quadrant cubics (the path is not emptied).
  virtual void AddEllipsePath(const DRect& box);
  // The ellipse of the box of two corners, filled and stroked with the
  // object's attributes.
  virtual void DrawEllipseShape(const DPoint& a, const DPoint& b, cOutObj& object);
  // Empties the path, adds the segment and strokes it.
  virtual void DrawSegmentShape(const DPoint& a, const DPoint& b, cOutObj& object);
  // Fills the current path with the object's fill when its first piece is
  // closed.
  virtual void FillPath(cOutObj& object);
  // Strokes the current path with the object's line attributes unless its
  // line type is 0.
  virtual void StrokePath(cOutObj& object);
  // Strokes an SHX text's strokes (their runs made here) with the pen's line
  // attributes: the pixels of StrokePath over a path of one piece per stroke,
  // which is what it gets where the raster shortcut does not apply
  // (render/ShxOutlineStroke.cpp). The path is left empty.
  virtual void StrokeShxOutline(ShxOutlineCache& cache, cOutObj& pen);
  // Rasterises every piece of the current path with the value (outline pass).
  virtual void RasterizePath(std::uint32_t value);
  // Empties the path, adds the segment and rasterises it.
  virtual void RasterizeSegment(std::uint32_t value, const DPoint& a, const DPoint& b);
  // ---- glyphs of TrueType lines, straight into the raster surface
  // (render/GlyphRunFill.cpp) ----
  // True when there is a prepared raster surface that fills anti-aliased.
  bool GlyphRasterReady() const;
  // Fills one glyph's runs in the colour (mapped as any fill colour), cut at
  // the clip (1/256 device units) when one is given. False when the surface
  // declines (none, or anti-aliasing off): the glyph is then not drawn.
  virtual bool FillGlyphRuns(const GlyphRuns& runs, const FixedGlyphPlacement& at, const DeviceRect* clip,
                             std::uint32_t color);

  // ---- fields (defaults of a new context) ----
  // 1 while a sheet view draws the contents of a view, so views do not nest.
  std::uint8_t insideView = 0;
  // -1 none; else a 0x00BBGGRR colour that replaces every stroke and fill
  // colour except white. The sheet painter sets it per object.
  std::int32_t overrideColor = -1;
  OutputOptions options;
  // The device clip rectangle in world units: left, top, right, bottom.
  DRect worldClip;
  std::int32_t colorMode = kColorModeColor;
  // Flag A: the solid layer of every fill is painted opaque whatever its own
  // opacity (printing through raster bands).
  std::uint8_t opaqueFill = 0;
  // 1 when the background is dark: min + max of its R, G, B at most 255.
  std::uint8_t darkBackground = 0;
  // Flag B: text runs go through TextOut with extent scaling instead of
  // ExtTextOut.
  std::uint8_t textOutRuns = 0;
  // The page rectangle of a directly printed page in device units (owned by
  // the page renderer); area fills clip to it. Null elsewhere.
  const DeviceRect* printRecord = nullptr;
  // Size factor of the text run for which the program-wide text font was
  // last selected here; while it and the font are unchanged the font is not
  // selected again.
  double selectedFontFactor = 0.0;
  // Flag C: a dashed stroke was cut at the clip rectangle (the drawing
  // window's scroll test reads it).
  std::uint8_t cutFlag = 0;
  // The character advances (device units) of the text being drawn, one per
  // character, handed to the text output.
  GrowArray<std::int32_t> workArray{8};
  // The device's character advances in its selected font, asked once each.
  CharAdvanceCache charAdvances;
  // When set, a translucent area or a masked or transparent picture sent to a
  // device context writes 1 here (a flag of the printer record).
  std::uint8_t* outputMarker = nullptr;
  // Not owned; null when drawing through a device context only.
  cRasterSurface* raster = nullptr;
  // Glyphs go through the fixed-point path, unclipped.
  std::uint8_t directRaster = 0;

  // ---- the device state found on entry (0 without a device) ----
  std::int32_t savedMapMode = 0;
  std::int32_t savedPolyFillMode = 0;
  std::int32_t savedRop2 = 0;
  std::int32_t savedBkMode = 0;
  COLORREF savedBkColor = 0;
  COLORREF savedTextColor = 0;
  std::uint32_t savedTextAlign = 0;

 private:
  TDC* dc_ = nullptr;
  // The caches: what the renderer last selected into the device.
  TPen selectedPen_;
  TBrush selectedBrush_;
  TFont selectedFont_;
  // The device's own objects, given back when the context ends.
  TPen devicePen_;
  TBrush deviceBrush_;
  TFont deviceFont_;
};

}  // namespace kvn
