// RecordingDC: a device context that draws nothing and logs every call that
// draws or changes state, one line per call, with its arguments as the
// caller gave them (logical coordinates). Queries (Get*, LPtoDP, GetPixel)
// are not logged. The state is kept as on any other target, so getters,
// paths and clipping answer as they would there.
//
// Line forms (stable; tests compare them):
//   MoveTo 10 20            LineTo 30 40
//   Polyline (0,0) (10,0)   PolyDraw M(0,0) L(5,5) B(1,1) B(2,2) B(3,3)+close
//   SelectObject pen(PS_DASH cosmetic RGB(255,0,0))
//   SelectObject brush(BS_HATCHED HS_CROSS RGB(0,0,255))
//   SetROP2 R2_XORPEN       SetWorldTransform [1 0 0 1 10 0]
//   SelectClipRgn rgn[(0,0,10,10)]    SelectClipRgn NULL
//   BitBlt 0 0 16 16 src(16x16) 0 0 SRCCOPY
//   StretchDIBits 0 0 32 32 0 0 16 16 dib(16x16x24) SRCCOPY
//   ExtTextOut 5 5 ETO_OPAQUE (0,0,20,10) "Ab\u00e9" dx[7,7,7]
// Colours are RGB(r,g,b); numbers of transforms are the shortest decimal
// form that reads back to the same double.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/gdi/DeviceContext.h"

namespace kvn {

class RecordingDC : public TDC {
 public:
  explicit RecordingDC(const DeviceCaps& caps = DeviceCaps{});

  std::vector<std::string> calls;
  // The calls joined with '\n'.
  std::string Text() const;
  void Clear() { calls.clear(); }

  int SetMapMode(int mode) override;
  bool SetWindowOrg(int x, int y, TPoint* old = nullptr) override;
  bool SetWindowExt(int cx, int cy, TSize* old = nullptr) override;
  bool SetViewportOrg(int x, int y, TPoint* old = nullptr) override;
  bool SetViewportExt(int cx, int cy, TSize* old = nullptr) override;
  int SetGraphicsMode(int mode) override;
  bool SetWorldTransform(const XForm& xf) override;
  bool ModifyWorldTransform(const XForm& xf, int mode) override;
  int SetROP2(int rop2) override;
  int SetBkMode(int mode) override;
  COLORREF SetBkColor(COLORREF color) override;
  COLORREF SetTextColor(COLORREF color) override;
  std::uint32_t SetTextAlign(std::uint32_t align) override;
  int SetPolyFillMode(int mode) override;
  int SetStretchBltMode(int mode) override;
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
  bool PathToRegion(TRegion* out) override;

  int SelectClipRgn(const TRegion* deviceRegion) override;
  int ExtSelectClipRgn(const TRegion* deviceRegion, int mode) override;
  int IntersectClipRect(int left, int top, int right, int bottom) override;
  int ExcludeClipRect(int left, int top, int right, int bottom) override;

  COLORREF SetPixel(int x, int y, COLORREF color) override;
  bool ExtFloodFill(int x, int y, COLORREF color, unsigned mode) override;
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
  int DrawText(const char16_t* text, int count, TRect* rect, std::uint32_t format) override;

  // Logged as "ExtEscape QUERYESCSUPPORT 4119 -> 1" or
  // "ExtEscape 4119 in(1234) -> 1". The answers are the test's: a query
  // answers supportedEscapes[escape asked about], any other escape
  // escapeResults[escape] (0 when absent) and, with room for 4 bytes,
  // writes escapeOutput.
  int ExtEscape(int escape, int inputSize, const void* input, int outputSize, void* output) override;
  std::map<int, int> supportedEscapes;
  std::map<int, int> escapeResults;
  std::uint32_t escapeOutput = 1;
  // Logged as "StretchDIBitsData 0 0 40 30 0 0 320 -240 data(JPEG 1234)
  // SRCCOPY" (the source height as the header gives it); answers the rows
  // drawn as a driver that took the data would.
  int StretchDIBitsData(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                        int sourceHeight, const DibHeader& header, const std::uint8_t* data, std::uint32_t size,
                        std::uint32_t rop) override;

 private:
  void Log(std::string line) { calls.push_back(std::move(line)); }
};

// The stable text forms used in the log, for tests that build expected lines.
std::string DescribeColor(COLORREF color);
std::string DescribePen(const TPen& pen);
std::string DescribeBrush(const TBrush& brush);
std::string DescribeFont(const TFont& font);
std::string DescribeRegion(const TRegion& region);
std::string DescribeRop3(std::uint32_t rop);

}  // namespace kvn
