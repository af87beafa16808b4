// TDC: the one device-context interface that the renderer, the controls,
// printing and export draw through.
//
// TDC holds the whole GDI state (map mode, window and viewport, world
// transform, modes, colours, selected objects, clip region, current position,
// path) and implements its rules once, for every target: a drawing call maps
// its logical coordinates to device coordinates (world transform, then the
// window-to-viewport page mapping), builds a device-space GdiPath and either
// appends it to the open path or hands it to the target's Render* functions.
// The rules are written down in platform/gdi/README.md.
//
// Targets derive from TDC:
//   RecordingDC  logs every call with its arguments, draws nothing;
//   CairoDC      draws through cairo onto any cairo surface (print and
//                export targets are CairoDCs over PDF or PostScript surfaces);
//   RasterDC     a CairoDC over a caller-owned 32-bit pixel buffer, with the
//                bitwise raster operations done on the pixels.
// Every operation that draws or changes state is virtual, so that a target
// can see the calls as they were made (a metafile writer records them); an
// override calls the TDC version to keep the state. Queries are not virtual.
//
// Objects are selected by reference count (GdiObjects.h). Every context starts
// with the stock black pen, white brush and system font, and RestorePen,
// RestoreBrush, RestoreFont and RestoreObjects select those originals again.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "foundation/DPoint.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/GdiPath.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/TextFaces.h"
#include "platform/gdi/XForm.h"

namespace kvn {

class TDib;
struct DibHeader;

// What GetDeviceCaps answers. A size of 0 means "no fixed surface" (the
// recording target).
struct DeviceCaps {
  int technology = kDtRasDisplay;
  std::int32_t widthPx = 0;
  std::int32_t heightPx = 0;
  std::int32_t dpiX = 96;
  std::int32_t dpiY = 96;
  int bitsPixel = 32;
  int rasterCaps = kRcBitBlt | kRcDiBitmap | kRcStretchBlt | kRcStretchDib;
};

struct DcState {
  int mapMode = kMmText;
  TPoint windowOrg{0, 0};
  TSize windowExt{1, 1};
  TPoint viewportOrg{0, 0};
  TSize viewportExt{1, 1};
  int graphicsMode = kGmCompatible;
  XForm world;
  int rop2 = kR2CopyPen;
  int bkMode = kOpaque;
  COLORREF bkColor = Rgb(255, 255, 255);
  COLORREF textColor = Rgb(0, 0, 0);
  std::uint32_t textAlign = kTaLeft | kTaTop | kTaNoUpdateCp;
  int polyFillMode = kAlternate;
  int stretchBltMode = kBlackOnWhite;
  double miterLimit = kPenMiterLimit;
  TPoint brushOrg{0, 0};  // device pixels
  TPoint currentPosition{0, 0};  // logical
  TPen pen;
  TBrush brush;
  TFont font;
  bool hasClip = false;
  TRegion clip;  // device pixels
};

// A blit as the target receives it: source pixel (u, v) lands at device
// point sourceToDevice(u, v); only the source rectangle is drawn, inside the
// device-space destination shape.
struct BlitRequest {
  PixelView source;
  TRect sourceRect;  // normalised, within the source
  XForm sourceToDevice;
  std::uint32_t rop = kSrcCopy;
  bool alphaBlend = false;
  BlendFunction blend;
  int stretchMode = kBlackOnWhite;
};

class TDC {
 public:
  explicit TDC(const DeviceCaps& caps);
  virtual ~TDC();
  TDC(const TDC&) = delete;
  TDC& operator=(const TDC&) = delete;

  const DeviceCaps& Caps() const { return caps_; }
  virtual int GetDeviceCaps(int index) const;
  const DcState& State() const { return state_; }

  // ---- Page mapping. Window and viewport extents change only in the
  // isotropic and anisotropic modes (elsewhere the call succeeds and changes
  // nothing); a zero extent is refused.
  virtual int SetMapMode(int mode);  // previous mode, 0 when refused
  int GetMapMode() const { return state_.mapMode; }
  virtual bool SetWindowOrg(int x, int y, TPoint* old = nullptr);
  virtual bool SetWindowExt(int cx, int cy, TSize* old = nullptr);
  virtual bool SetViewportOrg(int x, int y, TPoint* old = nullptr);
  virtual bool SetViewportExt(int cx, int cy, TSize* old = nullptr);
  TPoint GetWindowOrg() const { return state_.windowOrg; }
  TSize GetWindowExt() const { return state_.windowExt; }
  TPoint GetViewportOrg() const { return state_.viewportOrg; }
  TSize GetViewportExt() const { return state_.viewportExt; }

  // ---- World transform, only in GM_ADVANCED: SetWorldTransform and
  // ModifyWorldTransform fail in GM_COMPATIBLE, and the mode cannot go back to
  // GM_COMPATIBLE before the transform is the identity again.
  virtual int SetGraphicsMode(int mode);  // previous mode, 0 when refused
  int GetGraphicsMode() const { return state_.graphicsMode; }
  virtual bool SetWorldTransform(const XForm& xf);
  virtual bool ModifyWorldTransform(const XForm& xf, int mode);
  XForm GetWorldTransform() const { return state_.world; }
  // The window-to-viewport mapping alone, and world then page.
  XForm GetPageTransform() const;
  XForm GetLogicalToDevice() const;

  // ---- Modes and colours. The setters answer the previous value, or 0
  // (kClrInvalid for colours, kGdiError for the alignment) when refused.
  virtual int SetROP2(int rop2);
  int GetROP2() const { return state_.rop2; }
  virtual int SetBkMode(int mode);
  int GetBkMode() const { return state_.bkMode; }
  virtual COLORREF SetBkColor(COLORREF color);
  COLORREF GetBkColor() const { return state_.bkColor; }
  virtual COLORREF SetTextColor(COLORREF color);
  COLORREF GetTextColor() const { return state_.textColor; }
  virtual std::uint32_t SetTextAlign(std::uint32_t align);
  std::uint32_t GetTextAlign() const { return state_.textAlign; }
  virtual int SetPolyFillMode(int mode);
  int GetPolyFillMode() const { return state_.polyFillMode; }
  virtual int SetStretchBltMode(int mode);
  int GetStretchBltMode() const { return state_.stretchBltMode; }
  // The longest mitre of a PS_JOIN_MITER geometric pen, over the pen's
  // width: a sharper corner is bevelled, by the stroke and the widening
  // alike. Below 1 (or not a number) the limit is refused.
  virtual bool SetMiterLimit(double limit, double* old = nullptr);
  double GetMiterLimit() const { return state_.miterLimit; }
  // The device pixel where hatch and pattern brushes start their tiles.
  virtual bool SetBrushOrg(int x, int y, TPoint* old = nullptr);
  TPoint GetBrushOrg() const { return state_.brushOrg; }

  // ---- Saved states. SaveDC answers the new depth (0 when refused); RestoreDC
  // takes a depth (> 0) or a count back from the top (< 0, -1 = the last).
  virtual int SaveDC();
  virtual bool RestoreDC(int saved);
  int SavedDepth() const { return int(saved_.size()); }

  // ---- Coordinates. Results round as floor(v + 0.5) and saturate to 32 bits.
  bool LPtoDP(TPoint* points, int count) const;
  bool DPtoLP(TPoint* points, int count) const;  // false when the mapping cannot be inverted
  DPoint LogicalToDevice(const DPoint& p) const { return l2d_.Apply(p); }

  // ---- Objects. Selecting an empty handle selects nothing and answers an
  // empty handle; otherwise the previous object is answered.
  virtual TPen SelectObject(const TPen& pen);
  virtual TBrush SelectObject(const TBrush& brush);
  virtual TFont SelectObject(const TFont& font);
  virtual bool SelectStockObject(int id);
  virtual void RestorePen();
  virtual void RestoreBrush();
  virtual void RestoreFont();
  virtual void RestoreObjects();
  const TPen& GetCurrentPen() const { return state_.pen; }
  const TBrush& GetCurrentBrush() const { return state_.brush; }
  const TFont& GetCurrentFont() const { return state_.font; }

  // ---- Lines and shapes. Coordinates are logical. Lines are stroked with
  // the pen; closed shapes are filled with the brush and outlined with the
  // pen. Between BeginPath and EndPath they add to the path instead.
  virtual bool MoveTo(int x, int y, TPoint* old = nullptr);
  TPoint GetCurrentPosition() const { return state_.currentPosition; }
  virtual bool LineTo(int x, int y);
  virtual bool Polyline(const TPoint* points, int count);
  virtual bool PolylineTo(const TPoint* points, int count);
  virtual bool PolyBezier(const TPoint* points, int count);    // 1 + 3n points
  virtual bool PolyBezierTo(const TPoint* points, int count);  // 3n points
  // Types kPtMoveTo, kPtLineTo, kPtBezierTo (three in a row), the close bit
  // on a line-to or the last of three Bezier points. A malformed list draws
  // nothing and answers false.
  virtual bool PolyDraw(const TPoint* points, const std::uint8_t* types, int count);
  virtual bool Polygon(const TPoint* points, int count);
  virtual bool PolyPolygon(const TPoint* points, const int* counts, int polygonCount);
  virtual bool Rectangle(int left, int top, int right, int bottom);
  virtual bool Ellipse(int left, int top, int right, int bottom);

  // ---- Fills that ignore the pen and the binary raster operation.
  virtual bool FillRect(const TRect& rect, const TBrush& brush);
  virtual bool FillSolidRect(const TRect& rect, COLORREF color);
  virtual bool FillRgn(const TRegion& deviceRegion, const TBrush& brush);
  // The rectangle with the brush as pattern under a ternary raster operation.
  virtual bool PatBlt(int x, int y, int width, int height, std::uint32_t rop);

  // ---- Paths.
  virtual bool BeginPath();
  virtual bool EndPath();
  virtual bool AbortPath();
  virtual bool CloseFigure();
  virtual bool FillPath();
  virtual bool StrokePath();
  virtual bool StrokeAndFillPath();
  // Replaces the closed path by the outline of what the selected pen would
  // paint stroking it (width, caps, joins, mitre limit, a geometric pen's
  // dashes), Beziers flattened. The outline's figures overlap where the
  // stroke does, so the widened path fills by the winding rule whatever the
  // polygon fill mode. Fails, changing nothing, without a closed path, for
  // a cosmetic or null pen, and for a CreatePen pen not wider than a device
  // pixel.
  virtual bool WidenPath();
  // Combines the path's region (polygon fill mode) with the clip; the path
  // is used up.
  virtual bool SelectClipPath(int mode);
  // The path's region in device pixels; the path is used up.
  virtual bool PathToRegion(TRegion* out);
  bool IsPathOpen() const { return pathState_ == PathState::Open; }
  bool HasClosedPath() const { return pathState_ == PathState::Closed; }
  const GdiPath& CurrentPath() const { return path_; }

  // ---- Clipping, in device pixels. Results are the region kind of the new
  // clip, or kRegionError.
  virtual int SelectClipRgn(const TRegion* deviceRegion);  // null removes the clip
  virtual int ExtSelectClipRgn(const TRegion* deviceRegion, int mode);
  virtual int IntersectClipRect(int left, int top, int right, int bottom);  // logical
  virtual int ExcludeClipRect(int left, int top, int right, int bottom);    // logical
  // 1 with the clip copied to `out`, 0 when there is none, -1 for a null `out`.
  int GetClipRgn(TRegion* out) const;
  // The logical box of what can be drawn; answers the region kind.
  int GetClipBox(TRect* out) const;

  // ---- Pixels, logical coordinates. GetPixel answers kClrInvalid outside
  // the clip or the surface, and on targets without pixels.
  virtual COLORREF GetPixel(int x, int y);
  virtual COLORREF SetPixel(int x, int y, COLORREF color);  // the colour set, or kClrInvalid
  // Fills the area around the point with the brush under the binary raster
  // operation: kFloodFillBorder, every pixel reached (4-connected) before
  // the border colour; kFloodFillSurface, every pixel of the colour reached.
  // Colours compare as RGB. Only a target with pixels finds the area; the
  // others (vector pages, as a printer) draw nothing and answer false, as
  // does a start pixel outside the clip or the surface or not of the kind
  // the mode asks for.
  virtual bool ExtFloodFill(int x, int y, COLORREF color, unsigned mode);

  // ---- Blits from 32-bit pixel blocks into a logical rectangle. The source
  // rectangle is cut to the block. StretchBlt mirrors for negative extents.
  virtual bool BitBlt(int x, int y, int width, int height, const PixelView& source, int sourceX, int sourceY,
                      std::uint32_t rop);
  virtual bool StretchBlt(int x, int y, int width, int height, const PixelView& source, int sourceX, int sourceY,
                          int sourceWidth, int sourceHeight, std::uint32_t rop);
  // Source over destination with a constant opacity; with kAcSrcAlpha in the
  // alpha format the source is premultiplied and its own alpha counts too.
  virtual bool AlphaBlend(int x, int y, int width, int height, const PixelView& source, int sourceX, int sourceY,
                          int sourceWidth, int sourceHeight, const BlendFunction& blend);
  // A device-independent bitmap into a logical rectangle, sampled at the
  // nearest pixel under the full transform. The source rectangle counts rows
  // from the bottom for a bottom-up picture and from the top for a top-down
  // one, as in GDI. Every uncompressed picture is drawn; the answer is the
  // number of rows of the source rectangle, 0 when nothing could be drawn.
  virtual int StretchDIBits(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                            int sourceHeight, const TDib& dib, std::uint32_t rop);
  // The same, unscaled.
  virtual int SetDIBitsToDevice(int x, int y, int width, int height, int sourceX, int sourceY, const TDib& dib);

  // ---- Driver escapes. Only the questions a printer driver may answer
  // about pass-through pictures (QUERYESCSUPPORT, CHECKJPEGFORMAT,
  // CHECKPNGFORMAT) exist; every target here answers 0, "not supported",
  // unless it is a test target told otherwise.
  virtual int ExtEscape(int escape, int inputSize, const void* input, int outputSize, void* output);
  // Picture data handed to a printer driver as they are (JPEG or PNG bytes,
  // named by the header's compression) after the driver accepted them
  // through ExtEscape. No target here draws them: 0, nothing drawn.
  virtual int StretchDIBitsData(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                                int sourceHeight, const DibHeader& header, const std::uint8_t* data,
                                std::uint32_t size, std::uint32_t rop);

  // ---- Text. Glyphs come from the process-wide face source that the fonts
  // layer registers (TextFaces.h). Without one ExtTextOut paints only its
  // opaque rectangle and answers false for a non-empty string. With
  // OPAQUE background the run's cell (advance x ascent + descent) is painted
  // in the background colour first. Only a single line is laid out by
  // DrawText.
  virtual bool TextOut(int x, int y, const char16_t* text, int count);
  virtual bool ExtTextOut(int x, int y, std::uint32_t options, const TRect* rect, const char16_t* text, int count,
                          const int* dx);
  // Answers the text height, 0 on failure.
  virtual int DrawText(const char16_t* text, int count, TRect* rect, std::uint32_t format);
  // Where a run of glyphs goes: the transform from glyph space (x along the
  // baseline from the run's origin, y towards the descent, logical units of
  // the font) to device space, for the reference point (x, y), the run's
  // advance and the font's ascent and descent in logical units. Alignment,
  // escapement and the graphics mode's rules are applied (README.md).
  XForm GetTextRunTransform(int x, int y, double advance, double ascent, double descent) const;
  // Advances of the characters first..last in logical units of the selected
  // font, rounded; false without a face for it.
  bool GetCharWidth(unsigned first, unsigned last, int* widths) const;
  // The run's advance and cell height in logical units.
  bool GetTextExtent(const char16_t* text, int count, TSize* size) const;
  // Ascent, descent, leading and average character width of the selected
  // font in logical units.
  struct TextMetrics {
    int height = 0, ascent = 0, descent = 0, internalLeading = 0, externalLeading = 0, aveCharWidth = 0;
  };
  bool GetTextMetrics(TextMetrics* out) const;

  // ---- The abort procedure of a print job (SetAbortProc). While a page is
  // drawn, every kAbortCheckOperations-th drawing operation reaches it, so
  // that the job's progress window is answered and a cancel stops the page
  // part-way. Once it answers false the context is aborted for good: every
  // drawing call fails without drawing, and the sheet painter, seeing
  // Aborted(), ends its walk. `code` is 0 while drawing.
  using AbortProc = std::function<bool(TDC* dc, int code)>;
  void SetAbortProc(AbortProc proc);
  const AbortProc& GetAbortProc() const { return abortProc_; }
  // Calls the abort procedure now: false once the context is aborted, true
  // without a procedure.
  bool QueryAbort();
  bool Aborted() const { return aborted_; }
  // Drawing operations seen while a procedure was installed (those refused
  // after an abort too).
  std::uint64_t DrawingOperations() const { return operations_; }

 protected:
  // One drawing operation, counted for the abort procedure: false once the
  // context is aborted (the caller draws nothing). A raster target counts
  // its direct writes to the pixels here as well. Only a context with a
  // procedure counts: a window's context has none, and its repaints pay one
  // test per operation. (Counting every operation, with the sheet
  // painter's look at the context for every object, cost the repaint
  // benchmark 0.5 % to 1.1 % more instructions than no check at all; with
  // the flag, and the painter asking only a watched context, nothing that
  // shows: within 0.1 %, every case.)
  bool Going() { return !abortProc_ || CountOperation(); }

  // ---- The target interface. Paths are in device coordinates and finite.
  // Strokes use the selected pen and the binary raster operation; the pen
  // is never the null pen. The default does nothing.
  virtual void RenderStroke(const GdiPath& devicePath);
  // The brush is never the null brush; rop2 is kR2CopyPen for the fills that
  // ignore it.
  virtual void RenderFill(const GdiPath& devicePath, const TBrush& brush, int fillMode, int rop2);
  // The rectangle (device path of its corners) under a ternary operation
  // with the selected brush. False when the target cannot do it.
  virtual bool RenderPatBlt(const GdiPath& devicePath, std::uint32_t rop);
  virtual bool RenderBlit(const BlitRequest& request, const GdiPath& deviceShape);
  // Glyphs of `face` at their glyph-space origins, drawn in `color` under
  // the glyph-to-device transform (GetTextRunTransform).
  virtual void RenderGlyphs(const XForm& glyphToDevice, const TextFace& face, const std::vector<PlacedGlyph>& glyphs,
                            COLORREF color);
  virtual COLORREF RenderGetPixel(std::int32_t x, std::int32_t y);
  virtual bool RenderSetPixel(std::int32_t x, std::int32_t y, COLORREF color);
  // The device pixels ExtFloodFill fills from the visible pixel (x, y),
  // clip included. False, and nothing found, by default.
  virtual bool RenderFloodArea(std::int32_t x, std::int32_t y, COLORREF color, unsigned mode, TRegion* area);
  // The clip region changed (selected, combined or restored).
  virtual void ClipChanged() {}

  // Whether the device pixel may be drawn: inside the surface (when it has a
  // size) and the clip.
  bool PixelVisible(std::int64_t x, std::int64_t y) const;
  // The surface rectangle, or the whole region range when there is no surface.
  TRect DeviceBounds() const;

 private:
  enum class PathState { None, Open, Closed };

  void UpdateMapping();
  void AdjustIsotropic();
  DPoint Map(int x, int y) const { return l2d_.Apply(DPoint{double(x), double(y)}); }
  // The path to add to: the open path, or the scratch path emptied.
  GdiPath* BeginOutput();
  // Starts a figure at the current position when a new one is due.
  void StartAtCurrent(GdiPath* out);
  // Renders the scratch path (nothing for the open path).
  bool EndOutput(GdiPath* out, bool fill, bool stroke, int fillMode);
  // Corners of Rectangle and Ellipse boxes in device space (README: GM_COMPATIBLE
  // excludes the right and bottom edge).
  void BoxCorners(int left, int top, int right, int bottom, DPoint corners[4]) const;
  bool TakeClosedPath();
  // The fill mode of the closed path: winding once widened.
  int PathFillMode() const { return pathWidened_ ? kWinding : state_.polyFillMode; }
  bool PathRegion(TRegion* out) const;
  int CombineClip(const TRegion& region, int mode);
  bool LogicalRectRegion(int left, int top, int right, int bottom, TRegion* out) const;
  bool Blit(int x, int y, int width, int height, const PixelView& source, int sourceX, int sourceY, int sourceWidth,
            int sourceHeight, std::uint32_t rop, const BlendFunction* blend);

  DeviceCaps caps_;
  DcState state_;
  std::vector<DcState> saved_;
  XForm l2d_;
  TPen originalPen_;
  TBrush originalBrush_;
  TFont originalFont_;
  PathState pathState_ = PathState::None;
  bool newFigure_ = true;
  bool pathWidened_ = false;
  GdiPath path_;
  GdiPath scratch_;
  // ExtTextOut's laid-out glyphs, kept between runs.
  std::vector<PlacedGlyph> runGlyphs_;
  bool CountOperation();

  AbortProc abortProc_;
  bool aborted_ = false;
  std::uint64_t operations_ = 0;
  std::uint64_t nextAbortCheck_ = std::numeric_limits<std::uint64_t>::max();
};

// Drawing operations between two calls of the abort procedure. A short line
// is one operation of about 0.25 us on a fitted A4 page at 300 dpi by either
// road (kvn-bench-print-page, 1 M lines: the vector page's count and drawing,
// 2 M operations, in 0.45 s; the bitmap page in 0.27 s), so the procedure is
// reached about every 0.25 ms, far inside the progress window's 200 ms; its
// own cost while it does not pump is one clock read.
inline constexpr std::uint64_t kAbortCheckOperations = 1024;

// Saved states beyond this depth are refused, so that a crafted metafile
// cannot grow the stack without end.
inline constexpr int kMaxSavedStates = 4096;

}  // namespace kvn
