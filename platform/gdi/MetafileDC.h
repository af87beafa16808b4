// MetafileDC: the enhanced-metafile recording target. Every call that draws
// or changes state is kept as the TDC state says (so queries and paths answer
// as on any target) and written as an EMF record with the caller's logical
// arguments, the way a GDI metafile context records them; nothing is drawn.
//
// Records:
//   state      SETMAPMODE, SET{WINDOW,VIEWPORT}{ORG,EXT}EX, SETWORLDTRANSFORM,
//              MODIFYWORLDTRANSFORM, SETROP2, SETBKMODE, SETBKCOLOR,
//              SETTEXTCOLOR, SETTEXTALIGN, SETPOLYFILLMODE,
//              SETSTRETCHBLTMODE, SETMITERLIMIT, SETBRUSHORGEX, SAVEDC,
//              RESTOREDC
//   objects    CREATEPEN (plain pens), EXTCREATEPEN (end caps, joins, user
//              styles), CREATEBRUSHINDIRECT, CREATEDIBPATTERNBRUSHPT,
//              EXTCREATEFONTINDIRECTW, SELECTOBJECT, DELETEOBJECT
//   drawing    MOVETOEX, LINETO, POLY{LINE,LINETO,BEZIER,BEZIERTO,GON}16
//              (32-bit forms when a point leaves the 16-bit range),
//              POLYPOLYGON16, POLYDRAW16, RECTANGLE, ELLIPSE, SETPIXELV,
//              BITBLT without a source (PatBlt, FillRect), FILLRGN,
//              STRETCHDIBITS (pictures and every pixel blit), ALPHABLEND,
//              EXTTEXTOUTW (always with its advances)
//   paths      BEGINPATH, ENDPATH, ABORTPATH, CLOSEFIGURE, FILLPATH,
//              STROKEPATH, STROKEANDFILLPATH, SELECTCLIPPATH
//   clipping   EXTSELECTCLIPRGN (device regions), INTERSECTCLIPRECT,
//              EXCLUDECLIPRECT
// DrawText, driver escapes and pass-through picture data are not recorded.
//
// Objects: a pen, brush or font becomes a metafile object the first time it
// is selected and is shared by every later selection of a like object (same
// record bytes). Past kMaxLiveObjects the objects that are neither selected
// now nor in a saved state are deleted (DELETEOBJECT) and their handles used
// again, so a painter that makes a pen per colour cannot grow the handle table
// without end. RestorePen, RestoreBrush and RestoreFont select the stock
// black pen, white brush and system font.
//
// The header's bounds are the device box of everything drawn (inclusive;
// (0, 0, -1, -1) when nothing was); its frame is the caller's, in 0.01 mm;
// the reference device is the caller's size in pixels and millimetres.
// Close writes EMR_EOF and the header's counts and hands the bytes over.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/GrowArray.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/metafile/EmfBuilder.h"

namespace kvn {

struct MetafileFrame {
  // The picture frame in 0.01 mm (inclusive, as the header stores it).
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

class MetafileDC : public TDC {
 public:
  static constexpr std::uint32_t kMaxLiveObjects = 1024;
  // A metafile past this many bytes fails rather than exhausting memory.
  static constexpr std::uint64_t kDefaultBudget = std::uint64_t(1) << 31;

  // The reference device: its size in pixels and millimetres (a 96-dpi
  // screen when not given); the frame in 0.01 mm.
  explicit MetafileDC(const MetafileFrame& frame, TSize referencePixels = TSize{1920, 1080},
                      TSize referenceMm = TSize{508, 286}, std::uint64_t budget = kDefaultBudget);
  ~MetafileDC() override;

  // False once a record could not be made (budget spent).
  bool Ok() const { return out_.Ok() && !closed_; }
  // Ends the metafile: EMR_EOF, the header's sizes, counts, bounds and
  // handle count; the bytes move to `bytes`. False (bytes untouched) when
  // the recording failed or was closed before.
  bool Close(ByteArray& bytes);
  // Bytes recorded so far (for budgets and tests).
  std::uint32_t Size() { return out_.Bytes().Count(); }

  int SetMapMode(int mode) override;
  bool SetWindowOrg(int x, int y, TPoint* old = nullptr) override;
  bool SetWindowExt(int cx, int cy, TSize* old = nullptr) override;
  bool SetViewportOrg(int x, int y, TPoint* old = nullptr) override;
  bool SetViewportExt(int cx, int cy, TSize* old = nullptr) override;
  bool SetWorldTransform(const XForm& xf) override;
  bool ModifyWorldTransform(const XForm& xf, int mode) override;
  int SetROP2(int rop2) override;
  int SetBkMode(int mode) override;
  COLORREF SetBkColor(COLORREF color) override;
  COLORREF SetTextColor(COLORREF color) override;
  std::uint32_t SetTextAlign(std::uint32_t align) override;
  int SetPolyFillMode(int mode) override;
  int SetStretchBltMode(int mode) override;
  // The record holds a whole number, as the format defines it: a limit
  // with a fraction is written cut to the number below.
  bool SetMiterLimit(double limit, double* old = nullptr) override;
  bool SetBrushOrg(int x, int y, TPoint* old = nullptr) override;
  int SaveDC() override;
  bool RestoreDC(int saved) override;

  TPen SelectObject(const TPen& pen) override;
  TBrush SelectObject(const TBrush& brush) override;
  TFont SelectObject(const TFont& font) override;
  bool SelectStockObject(int id) override;
  void RestorePen() override;
  void RestoreBrush() override;
  void RestoreFont() override;
  void RestoreObjects() override;

  bool MoveTo(int x, int y, TPoint* old = nullptr) override;
  bool LineTo(int x, int y) override;
  bool Polyline(const TPoint* points, int count) override;
  bool PolylineTo(const TPoint* points, int count) override;
  bool PolyBezier(const TPoint* points, int count) override;
  bool PolyBezierTo(const TPoint* points, int count) override;
  bool PolyDraw(const TPoint* points, const std::uint8_t* types, int count) override;
  bool Polygon(const TPoint* points, int count) override;
  bool PolyPolygon(const TPoint* points, const int* counts, int polygonCount) override;
  bool Rectangle(int left, int top, int right, int bottom) override;
  bool Ellipse(int left, int top, int right, int bottom) override;
  bool FillRect(const TRect& rect, const TBrush& brush) override;
  bool FillSolidRect(const TRect& rect, COLORREF color) override;
  bool FillRgn(const TRegion& deviceRegion, const TBrush& brush) override;
  bool PatBlt(int x, int y, int width, int height, std::uint32_t rop) override;

  bool BeginPath() override;
  bool EndPath() override;
  bool AbortPath() override;
  bool CloseFigure() override;
  bool FillPath() override;
  bool StrokePath() override;
  bool StrokeAndFillPath() override;
  bool WidenPath() override;
  bool SelectClipPath(int mode) override;

  int SelectClipRgn(const TRegion* deviceRegion) override;
  int ExtSelectClipRgn(const TRegion* deviceRegion, int mode) override;
  int IntersectClipRect(int left, int top, int right, int bottom) override;
  int ExcludeClipRect(int left, int top, int right, int bottom) override;

  COLORREF SetPixel(int x, int y, COLORREF color) override;
  bool BitBlt(int x, int y, int width, int height, const PixelView& source, int sourceX, int sourceY,
              std::uint32_t rop) override;
  bool StretchBlt(int x, int y, int width, int height, const PixelView& source, int sourceX, int sourceY,
                  int sourceWidth, int sourceHeight, std::uint32_t rop) override;
  bool AlphaBlend(int x, int y, int width, int height, const PixelView& source, int sourceX, int sourceY,
                  int sourceWidth, int sourceHeight, const BlendFunction& blend) override;
  int StretchDIBits(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                    const TDib& dib, std::uint32_t rop) override;
  int SetDIBitsToDevice(int x, int y, int width, int height, int sourceX, int sourceY, const TDib& dib) override;

  bool TextOut(int x, int y, const char16_t* text, int count) override;
  bool ExtTextOut(int x, int y, std::uint32_t options, const TRect* rect, const char16_t* text, int count,
                  const int* dx) override;

 protected:
  // The bounds grow by what the TDC hands its target.
  void RenderStroke(const GdiPath& devicePath) override;
  void RenderFill(const GdiPath& devicePath, const TBrush& brush, int fillMode, int rop2) override;
  bool RenderPatBlt(const GdiPath& devicePath, std::uint32_t rop) override;
  bool RenderBlit(const BlitRequest& request, const GdiPath& deviceShape) override;
  void RenderGlyphs(const XForm& glyphToDevice, const TextFace& face, const std::vector<PlacedGlyph>& glyphs,
                    COLORREF color) override;
  bool RenderSetPixel(std::int32_t x, std::int32_t y, COLORREF color) override;

 private:
  // Which object of each kind is selected: a table handle, or a stock
  // object (0x80000000 | id).
  struct Selection {
    std::uint32_t pen = 0, brush = 0, font = 0;
  };
  enum class Kind : std::uint8_t { Pen, Brush, Font };

  void Simple(std::uint32_t type);
  void Value(std::uint32_t type, std::uint32_t value);
  void Pair(std::uint32_t type, std::int32_t a, std::int32_t b);
  void Box(std::uint32_t type, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
  void BoundsRecord(std::uint32_t type);
  void Points(std::uint32_t type16, std::uint32_t type32, const TPoint* points, int count);
  void Region(std::uint32_t type, const TRegion* region, std::uint32_t modeOrBrush);
  void PatternBlit(int x, int y, int width, int height, std::uint32_t rop);
  void Dib(std::uint32_t type, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
           int sourceHeight, const std::uint8_t* bmi, std::uint32_t bmiSize, const std::uint8_t* bits,
           std::uint32_t bitsSize, std::uint32_t rop);
  void PixelsAsDib(std::uint32_t type, int x, int y, int width, int height, const PixelView& source, int sourceX,
                   int sourceY, int sourceWidth, int sourceHeight, std::uint32_t rop);
  void Text(int x, int y, std::uint32_t options, const TRect* rect, const char16_t* text, int count, const int* dx);

  // The handle of the object, made (CREATE record) when new.
  std::uint32_t ObjectHandle(Kind kind, const std::string& key);
  std::string PenKey(const TPen& pen) const;
  std::string BrushKey(const TBrush& brush) const;
  std::string FontKey(const TFont& font) const;
  void Select(Kind kind, std::uint32_t handle);
  void DropUnusedObjects();
  void Grow(double left, double top, double right, double bottom);
  void GrowPath(const GdiPath& path, double margin);

  EmfBuilder out_;
  bool closed_ = false;
  // Key -> handle, and per handle its kind and key (empty when free).
  std::unordered_map<std::string, std::uint32_t> objects_;
  std::vector<std::string> handleKeys_{1};
  std::vector<std::uint32_t> freeHandles_;
  Selection selected_;
  std::vector<Selection> savedSelections_;
  bool hasBounds_ = false;
  double boundsLeft_ = 0, boundsTop_ = 0, boundsRight_ = 0, boundsBottom_ = 0;
};

}  // namespace kvn
