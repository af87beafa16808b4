#include "platform/gdi/RecordingDC.h"

#include "platform/gdi/TDib.h"

#include <charconv>
#include <cstdio>

namespace kvn {

namespace {

std::string Int(std::int64_t v) { return std::to_string(v); }

std::string Num(double v) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string Hex(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

std::string Pt(const TPoint& p) { return "(" + Int(p.x) + "," + Int(p.y) + ")"; }

std::string Points(const TPoint* points, int count) {
  std::string s;
  for (int i = 0; points != nullptr && i < count; ++i) {
    if (i) s += ' ';
    s += Pt(points[i]);
  }
  return s;
}

std::string Rect(const TRect& r) {
  return "(" + Int(r.left) + "," + Int(r.top) + "," + Int(r.right) + "," + Int(r.bottom) + ")";
}

std::string Name(int value, std::initializer_list<std::pair<int, const char*>> names) {
  for (const auto& [v, n] : names)
    if (v == value) return n;
  return Int(value);
}

std::string MapModeName(int m) {
  return Name(m, {{kMmText, "MM_TEXT"},
                  {kMmLoMetric, "MM_LOMETRIC"},
                  {kMmHiMetric, "MM_HIMETRIC"},
                  {kMmLoEnglish, "MM_LOENGLISH"},
                  {kMmHiEnglish, "MM_HIENGLISH"},
                  {kMmTwips, "MM_TWIPS"},
                  {kMmIsotropic, "MM_ISOTROPIC"},
                  {kMmAnisotropic, "MM_ANISOTROPIC"}});
}

std::string Rop2Name(int r) {
  return Name(r, {{kR2Black, "R2_BLACK"},
                  {kR2NotMergePen, "R2_NOTMERGEPEN"},
                  {kR2MaskNotPen, "R2_MASKNOTPEN"},
                  {kR2NotCopyPen, "R2_NOTCOPYPEN"},
                  {kR2MaskPenNot, "R2_MASKPENNOT"},
                  {kR2Not, "R2_NOT"},
                  {kR2XorPen, "R2_XORPEN"},
                  {kR2NotMaskPen, "R2_NOTMASKPEN"},
                  {kR2MaskPen, "R2_MASKPEN"},
                  {kR2NotXorPen, "R2_NOTXORPEN"},
                  {kR2Nop, "R2_NOP"},
                  {kR2MergeNotPen, "R2_MERGENOTPEN"},
                  {kR2CopyPen, "R2_COPYPEN"},
                  {kR2MergePenNot, "R2_MERGEPENNOT"},
                  {kR2MergePen, "R2_MERGEPEN"},
                  {kR2White, "R2_WHITE"}});
}

std::string RgnModeName(int m) {
  return Name(m, {{kRgnAnd, "RGN_AND"}, {kRgnOr, "RGN_OR"}, {kRgnXor, "RGN_XOR"}, {kRgnDiff, "RGN_DIFF"},
                  {kRgnCopy, "RGN_COPY"}});
}

std::string TextAlignName(std::uint32_t a) {
  std::string s;
  std::uint32_t h = a & kTaHorizontalMask, v = a & kTaVerticalMask;
  s = h == kTaCenter ? "TA_CENTER" : h == kTaRight ? "TA_RIGHT" : h == kTaLeft ? "TA_LEFT" : Int(h);
  s += v == kTaBaseline ? "|TA_BASELINE" : v == kTaBottom ? "|TA_BOTTOM" : v == kTaTop ? "|TA_TOP" : "|" + Int(v);
  if (a & kTaUpdateCp) s += "|TA_UPDATECP";
  std::uint32_t rest = a & ~(kTaHorizontalMask | kTaVerticalMask | kTaUpdateCp);
  if (rest) s += "|" + Hex(rest);
  return s;
}

std::string XFormText(const XForm& x) {
  return "[" + Num(x.eM11) + " " + Num(x.eM12) + " " + Num(x.eM21) + " " + Num(x.eM22) + " " + Num(x.eDx) + " " +
         Num(x.eDy) + "]";
}

std::string Text16(const char16_t* text, int count) {
  std::string s = "\"";
  for (int i = 0; text != nullptr && i < count; ++i) {
    char16_t c = text[i];
    if (c == u'"' || c == u'\\') {
      s += '\\';
      s += char(c);
    } else if (c >= 0x20 && c < 0x7F) {
      s += char(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(c));
      s += buf;
    }
  }
  return s + "\"";
}

std::string Source(const PixelView& v) { return "src(" + Int(v.width) + "x" + Int(v.height) + ")"; }

}  // namespace

std::string DescribeColor(COLORREF c) {
  return "RGB(" + Int(ColorR(c)) + "," + Int(ColorG(c)) + "," + Int(ColorB(c)) + ")";
}

std::string DescribePen(const TPen& pen) {
  if (!pen.IsValid()) return "pen(none)";
  const PenData& d = pen.Data();
  static const char* const kStyles[] = {"PS_SOLID", "PS_DASH", "PS_DOT", "PS_DASHDOT",
                                        "PS_DASHDOTDOT", "PS_NULL", "6", "PS_USERSTYLE"};
  std::string s = "pen(";
  s += d.LineStyle() < 8 ? kStyles[d.LineStyle()] : Int(d.LineStyle());
  s += d.geometric ? " geometric " + Int(d.width) : std::string(" cosmetic");
  s += " " + DescribeColor(d.color);
  if (d.geometric) {
    s += d.EndCap() == kPsEndCapFlat ? " ENDCAP_FLAT" : d.EndCap() == kPsEndCapSquare ? " ENDCAP_SQUARE" : "";
    s += d.Join() == kPsJoinBevel ? " JOIN_BEVEL" : d.Join() == kPsJoinMiter ? " JOIN_MITER" : "";
  }
  if (d.userStyleCount) {
    s += " style{";
    for (std::uint32_t i = 0; i < d.userStyleCount; ++i) {
      if (i) s += ',';
      s += Int(d.userStyle[i]);
    }
    s += "}";
  }
  return s + ")";
}

std::string DescribeBrush(const TBrush& brush) {
  if (!brush.IsValid()) return "brush(none)";
  const BrushData& d = brush.Data();
  switch (d.style) {
    case kBsSolid:
      return "brush(BS_SOLID " + DescribeColor(d.color) + ")";
    case kBsNull:
      return "brush(BS_NULL)";
    case kBsHatched: {
      static const char* const kHatches[] = {"HS_HORIZONTAL", "HS_VERTICAL", "HS_FDIAGONAL",
                                             "HS_BDIAGONAL", "HS_CROSS", "HS_DIAGCROSS"};
      return std::string("brush(BS_HATCHED ") + kHatches[d.hatch] + " " + DescribeColor(d.color) + ")";
    }
    default:
      return "brush(BS_PATTERN " + Int(d.patternWidth) + "x" + Int(d.patternHeight) + ")";
  }
}

std::string DescribeFont(const TFont& font) {
  if (!font.IsValid()) return "font(none)";
  const LogFont& f = font.Data();
  int n = 0;
  while (n < kLfFaceSize && f.faceName[n]) ++n;
  return "font(" + Text16(f.faceName, n) + " h=" + Int(f.height) + " w=" + Int(f.width) +
         " esc=" + Int(f.escapement) + " or=" + Int(f.orientation) + " wt=" + Int(f.weight) +
         " it=" + Int(f.italic) + " ul=" + Int(f.underline) + " so=" + Int(f.strikeOut) + " cs=" + Int(f.charSet) +
         " q=" + Int(f.quality) + ")";
}

std::string DescribeRegion(const TRegion& region) {
  std::string s = "rgn[";
  for (std::uint32_t i = 0; i < region.RectCount(); ++i) {
    if (i) s += ' ';
    s += Rect(region.Rects()[i]);
  }
  return s + "]";
}

std::string DescribeRop3(std::uint32_t rop) {
  switch (rop) {
    case kSrcCopy:
      return "SRCCOPY";
    case kSrcPaint:
      return "SRCPAINT";
    case kSrcAnd:
      return "SRCAND";
    case kSrcInvert:
      return "SRCINVERT";
    case kSrcErase:
      return "SRCERASE";
    case kNotSrcCopy:
      return "NOTSRCCOPY";
    case kDstInvert:
      return "DSTINVERT";
    case kPatCopy:
      return "PATCOPY";
    case kPatInvert:
      return "PATINVERT";
    case kBlackness:
      return "BLACKNESS";
    case kWhiteness:
      return "WHITENESS";
    default:
      return Hex(rop);
  }
}

RecordingDC::RecordingDC(const DeviceCaps& caps) : TDC(caps) {}

std::string RecordingDC::Text() const {
  std::string s;
  for (const std::string& line : calls) {
    if (!s.empty()) s += '\n';
    s += line;
  }
  return s;
}

// ---- State

int RecordingDC::SetMapMode(int mode) {
  Log("SetMapMode " + MapModeName(mode));
  return TDC::SetMapMode(mode);
}

bool RecordingDC::SetWindowOrg(int x, int y, TPoint* old) {
  Log("SetWindowOrg " + Int(x) + " " + Int(y));
  return TDC::SetWindowOrg(x, y, old);
}

bool RecordingDC::SetWindowExt(int cx, int cy, TSize* old) {
  Log("SetWindowExt " + Int(cx) + " " + Int(cy));
  return TDC::SetWindowExt(cx, cy, old);
}

bool RecordingDC::SetViewportOrg(int x, int y, TPoint* old) {
  Log("SetViewportOrg " + Int(x) + " " + Int(y));
  return TDC::SetViewportOrg(x, y, old);
}

bool RecordingDC::SetViewportExt(int cx, int cy, TSize* old) {
  Log("SetViewportExt " + Int(cx) + " " + Int(cy));
  return TDC::SetViewportExt(cx, cy, old);
}

int RecordingDC::SetGraphicsMode(int mode) {
  Log("SetGraphicsMode " + Name(mode, {{kGmCompatible, "GM_COMPATIBLE"}, {kGmAdvanced, "GM_ADVANCED"}}));
  return TDC::SetGraphicsMode(mode);
}

bool RecordingDC::SetWorldTransform(const XForm& xf) {
  Log("SetWorldTransform " + XFormText(xf));
  return TDC::SetWorldTransform(xf);
}

bool RecordingDC::ModifyWorldTransform(const XForm& xf, int mode) {
  Log("ModifyWorldTransform " + XFormText(xf) + " " +
      Name(mode, {{kMwtIdentity, "MWT_IDENTITY"},
                  {kMwtLeftMultiply, "MWT_LEFTMULTIPLY"},
                  {kMwtRightMultiply, "MWT_RIGHTMULTIPLY"}}));
  return TDC::ModifyWorldTransform(xf, mode);
}

int RecordingDC::SetROP2(int rop2) {
  Log("SetROP2 " + Rop2Name(rop2));
  return TDC::SetROP2(rop2);
}

int RecordingDC::SetBkMode(int mode) {
  Log("SetBkMode " + Name(mode, {{kTransparent, "TRANSPARENT"}, {kOpaque, "OPAQUE"}}));
  return TDC::SetBkMode(mode);
}

COLORREF RecordingDC::SetBkColor(COLORREF color) {
  Log("SetBkColor " + DescribeColor(color));
  return TDC::SetBkColor(color);
}

COLORREF RecordingDC::SetTextColor(COLORREF color) {
  Log("SetTextColor " + DescribeColor(color));
  return TDC::SetTextColor(color);
}

std::uint32_t RecordingDC::SetTextAlign(std::uint32_t align) {
  Log("SetTextAlign " + TextAlignName(align));
  return TDC::SetTextAlign(align);
}

int RecordingDC::SetPolyFillMode(int mode) {
  Log("SetPolyFillMode " + Name(mode, {{kAlternate, "ALTERNATE"}, {kWinding, "WINDING"}}));
  return TDC::SetPolyFillMode(mode);
}

int RecordingDC::SetStretchBltMode(int mode) {
  Log("SetStretchBltMode " + Name(mode, {{kBlackOnWhite, "BLACKONWHITE"},
                                         {kWhiteOnBlack, "WHITEONBLACK"},
                                         {kColorOnColor, "COLORONCOLOR"},
                                         {kHalftone, "HALFTONE"}}));
  return TDC::SetStretchBltMode(mode);
}

int RecordingDC::SaveDC() {
  Log("SaveDC");
  return TDC::SaveDC();
}

bool RecordingDC::RestoreDC(int saved) {
  Log("RestoreDC " + Int(saved));
  return TDC::RestoreDC(saved);
}

// ---- Objects

TPen RecordingDC::SelectObject(const TPen& pen) {
  Log("SelectObject " + DescribePen(pen));
  return TDC::SelectObject(pen);
}

TBrush RecordingDC::SelectObject(const TBrush& brush) {
  Log("SelectObject " + DescribeBrush(brush));
  return TDC::SelectObject(brush);
}

TFont RecordingDC::SelectObject(const TFont& font) {
  Log("SelectObject " + DescribeFont(font));
  return TDC::SelectObject(font);
}

bool RecordingDC::SelectStockObject(int id) {
  Log("SelectStockObject " + Name(id, {{kWhiteBrush, "WHITE_BRUSH"},
                                       {kLtGrayBrush, "LTGRAY_BRUSH"},
                                       {kGrayBrush, "GRAY_BRUSH"},
                                       {kDkGrayBrush, "DKGRAY_BRUSH"},
                                       {kBlackBrush, "BLACK_BRUSH"},
                                       {kNullBrush, "NULL_BRUSH"},
                                       {kWhitePen, "WHITE_PEN"},
                                       {kBlackPen, "BLACK_PEN"},
                                       {kNullPen, "NULL_PEN"},
                                       {kSystemFont, "SYSTEM_FONT"},
                                       {kDefaultGuiFont, "DEFAULT_GUI_FONT"}}));
  return TDC::SelectStockObject(id);
}

void RecordingDC::RestorePen() {
  Log("RestorePen");
  TDC::RestorePen();
}

void RecordingDC::RestoreBrush() {
  Log("RestoreBrush");
  TDC::RestoreBrush();
}

void RecordingDC::RestoreFont() {
  Log("RestoreFont");
  TDC::RestoreFont();
}

void RecordingDC::RestoreObjects() {
  Log("RestoreObjects");
  TDC::RestoreObjects();
}

// ---- Drawing

bool RecordingDC::MoveTo(int x, int y, TPoint* old) {
  Log("MoveTo " + Int(x) + " " + Int(y));
  return TDC::MoveTo(x, y, old);
}

bool RecordingDC::LineTo(int x, int y) {
  Log("LineTo " + Int(x) + " " + Int(y));
  return TDC::LineTo(x, y);
}

bool RecordingDC::Polyline(const TPoint* points, int count) {
  Log("Polyline " + Points(points, count));
  return TDC::Polyline(points, count);
}

bool RecordingDC::PolylineTo(const TPoint* points, int count) {
  Log("PolylineTo " + Points(points, count));
  return TDC::PolylineTo(points, count);
}

bool RecordingDC::PolyBezier(const TPoint* points, int count) {
  Log("PolyBezier " + Points(points, count));
  return TDC::PolyBezier(points, count);
}

bool RecordingDC::PolyBezierTo(const TPoint* points, int count) {
  Log("PolyBezierTo " + Points(points, count));
  return TDC::PolyBezierTo(points, count);
}

bool RecordingDC::PolyDraw(const TPoint* points, const std::uint8_t* types, int count) {
  std::string s = "PolyDraw";
  for (int i = 0; points != nullptr && types != nullptr && i < count; ++i) {
    std::uint8_t base = types[i] & ~kPtCloseFigure;
    s += base == kPtMoveTo ? " M" : base == kPtLineTo ? " L" : base == kPtBezierTo ? " B" : " ?" + Int(base);
    s += Pt(points[i]);
    if (types[i] & kPtCloseFigure) s += "+close";
  }
  Log(s);
  return TDC::PolyDraw(points, types, count);
}

bool RecordingDC::Polygon(const TPoint* points, int count) {
  Log("Polygon " + Points(points, count));
  return TDC::Polygon(points, count);
}

bool RecordingDC::PolyPolygon(const TPoint* points, const int* counts, int polygonCount) {
  std::string s = "PolyPolygon";
  const TPoint* p = points;
  for (int i = 0; points != nullptr && counts != nullptr && i < polygonCount; ++i) {
    if (counts[i] < 0) break;
    s += " [" + Points(p, counts[i]) + "]";
    p += counts[i];
  }
  Log(s);
  return TDC::PolyPolygon(points, counts, polygonCount);
}

bool RecordingDC::Rectangle(int left, int top, int right, int bottom) {
  Log("Rectangle " + Int(left) + " " + Int(top) + " " + Int(right) + " " + Int(bottom));
  return TDC::Rectangle(left, top, right, bottom);
}

bool RecordingDC::Ellipse(int left, int top, int right, int bottom) {
  Log("Ellipse " + Int(left) + " " + Int(top) + " " + Int(right) + " " + Int(bottom));
  return TDC::Ellipse(left, top, right, bottom);
}

bool RecordingDC::FillRect(const TRect& rect, const TBrush& brush) {
  Log("FillRect " + Rect(rect) + " " + DescribeBrush(brush));
  return TDC::FillRect(rect, brush);
}

bool RecordingDC::FillSolidRect(const TRect& rect, COLORREF color) {
  Log("FillSolidRect " + Rect(rect) + " " + DescribeColor(color));
  return TDC::FillSolidRect(rect, color);
}

bool RecordingDC::FillRgn(const TRegion& deviceRegion, const TBrush& brush) {
  Log("FillRgn " + DescribeRegion(deviceRegion) + " " + DescribeBrush(brush));
  return TDC::FillRgn(deviceRegion, brush);
}

bool RecordingDC::PatBlt(int x, int y, int width, int height, std::uint32_t rop) {
  Log("PatBlt " + Int(x) + " " + Int(y) + " " + Int(width) + " " + Int(height) + " " + DescribeRop3(rop));
  return TDC::PatBlt(x, y, width, height, rop);
}

// ---- Paths

bool RecordingDC::BeginPath() {
  Log("BeginPath");
  return TDC::BeginPath();
}

bool RecordingDC::EndPath() {
  Log("EndPath");
  return TDC::EndPath();
}

bool RecordingDC::AbortPath() {
  Log("AbortPath");
  return TDC::AbortPath();
}

bool RecordingDC::CloseFigure() {
  Log("CloseFigure");
  return TDC::CloseFigure();
}

bool RecordingDC::FillPath() {
  Log("FillPath");
  return TDC::FillPath();
}

bool RecordingDC::StrokePath() {
  Log("StrokePath");
  return TDC::StrokePath();
}

bool RecordingDC::StrokeAndFillPath() {
  Log("StrokeAndFillPath");
  return TDC::StrokeAndFillPath();
}

bool RecordingDC::WidenPath() {
  Log("WidenPath");
  return TDC::WidenPath();
}

bool RecordingDC::SelectClipPath(int mode) {
  Log("SelectClipPath " + RgnModeName(mode));
  return TDC::SelectClipPath(mode);
}

bool RecordingDC::PathToRegion(TRegion* out) {
  Log("PathToRegion");
  return TDC::PathToRegion(out);
}

// ---- Clipping

int RecordingDC::SelectClipRgn(const TRegion* deviceRegion) {
  Log("SelectClipRgn " + (deviceRegion ? DescribeRegion(*deviceRegion) : std::string("NULL")));
  return TDC::SelectClipRgn(deviceRegion);
}

int RecordingDC::ExtSelectClipRgn(const TRegion* deviceRegion, int mode) {
  Log("ExtSelectClipRgn " + (deviceRegion ? DescribeRegion(*deviceRegion) : std::string("NULL")) + " " +
      RgnModeName(mode));
  return TDC::ExtSelectClipRgn(deviceRegion, mode);
}

int RecordingDC::IntersectClipRect(int left, int top, int right, int bottom) {
  Log("IntersectClipRect " + Int(left) + " " + Int(top) + " " + Int(right) + " " + Int(bottom));
  return TDC::IntersectClipRect(left, top, right, bottom);
}

int RecordingDC::ExcludeClipRect(int left, int top, int right, int bottom) {
  Log("ExcludeClipRect " + Int(left) + " " + Int(top) + " " + Int(right) + " " + Int(bottom));
  return TDC::ExcludeClipRect(left, top, right, bottom);
}

// ---- Pixels, blits, text

COLORREF RecordingDC::SetPixel(int x, int y, COLORREF color) {
  Log("SetPixel " + Int(x) + " " + Int(y) + " " + DescribeColor(color));
  return TDC::SetPixel(x, y, color);
}

bool RecordingDC::ExtFloodFill(int x, int y, COLORREF color, unsigned mode) {
  const std::string name = mode == kFloodFillSurface  ? "FLOODFILLSURFACE"
                           : mode == kFloodFillBorder ? "FLOODFILLBORDER"
                                                      : Int(mode);
  Log("ExtFloodFill " + Int(x) + " " + Int(y) + " " + DescribeColor(color) + " " + name);
  return TDC::ExtFloodFill(x, y, color, mode);
}

bool RecordingDC::BitBlt(int x, int y, int width, int height, const PixelView& source, int sourceX, int sourceY,
                         std::uint32_t rop) {
  Log("BitBlt " + Int(x) + " " + Int(y) + " " + Int(width) + " " + Int(height) + " " + Source(source) + " " +
      Int(sourceX) + " " + Int(sourceY) + " " + DescribeRop3(rop));
  return TDC::BitBlt(x, y, width, height, source, sourceX, sourceY, rop);
}

bool RecordingDC::StretchBlt(int x, int y, int width, int height, const PixelView& source, int sourceX,
                             int sourceY, int sourceWidth, int sourceHeight, std::uint32_t rop) {
  Log("StretchBlt " + Int(x) + " " + Int(y) + " " + Int(width) + " " + Int(height) + " " + Source(source) + " " +
      Int(sourceX) + " " + Int(sourceY) + " " + Int(sourceWidth) + " " + Int(sourceHeight) + " " +
      DescribeRop3(rop));
  return TDC::StretchBlt(x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, rop);
}

bool RecordingDC::AlphaBlend(int x, int y, int width, int height, const PixelView& source, int sourceX,
                             int sourceY, int sourceWidth, int sourceHeight, const BlendFunction& blend) {
  Log("AlphaBlend " + Int(x) + " " + Int(y) + " " + Int(width) + " " + Int(height) + " " + Source(source) + " " +
      Int(sourceX) + " " + Int(sourceY) + " " + Int(sourceWidth) + " " + Int(sourceHeight) +
      " alpha=" + Int(blend.sourceConstantAlpha) + (blend.alphaFormat & kAcSrcAlpha ? " AC_SRC_ALPHA" : ""));
  return TDC::AlphaBlend(x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, blend);
}

int RecordingDC::StretchDIBits(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                               int sourceHeight, const TDib& dib, std::uint32_t rop) {
  Log("StretchDIBits " + Int(x) + " " + Int(y) + " " + Int(width) + " " + Int(height) + " " + Int(sourceX) + " " +
      Int(sourceY) + " " + Int(sourceWidth) + " " + Int(sourceHeight) + " dib(" + Int(dib.Width()) + "x" +
      Int(dib.Height()) + "x" + Int(dib.BitCount()) + ") " + DescribeRop3(rop));
  return TDC::StretchDIBits(x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight, dib, rop);
}

int RecordingDC::SetDIBitsToDevice(int x, int y, int width, int height, int sourceX, int sourceY, const TDib& dib) {
  Log("SetDIBitsToDevice " + Int(x) + " " + Int(y) + " " + Int(width) + " " + Int(height) + " " + Int(sourceX) +
      " " + Int(sourceY) + " dib(" + Int(dib.Width()) + "x" + Int(dib.Height()) + "x" + Int(dib.BitCount()) + ")");
  return TDC::SetDIBitsToDevice(x, y, width, height, sourceX, sourceY, dib);
}

bool RecordingDC::TextOut(int x, int y, const char16_t* text, int count) {
  Log("TextOut " + Int(x) + " " + Int(y) + " " + Text16(text, count));
  return TDC::TextOut(x, y, text, count);
}

bool RecordingDC::ExtTextOut(int x, int y, std::uint32_t options, const TRect* rect, const char16_t* text,
                             int count, const int* dx) {
  std::string s = "ExtTextOut " + Int(x) + " " + Int(y);
  if (options & kEtoOpaque) s += " ETO_OPAQUE";
  if (options & kEtoClipped) s += " ETO_CLIPPED";
  if (options & kEtoGlyphIndex) s += " ETO_GLYPH_INDEX";
  std::uint32_t rest = options & ~(kEtoOpaque | kEtoClipped | kEtoGlyphIndex);
  if (rest) s += " " + Hex(rest);
  if (rect) s += " " + Rect(*rect);
  s += " " + Text16(text, count);
  if (dx != nullptr && text != nullptr) {
    s += " dx[";
    for (int i = 0; i < count; ++i) {
      if (i) s += ',';
      s += Int(dx[i]);
    }
    s += "]";
  }
  Log(s);
  return TDC::ExtTextOut(x, y, options, rect, text, count, dx);
}

int RecordingDC::DrawText(const char16_t* text, int count, TRect* rect, std::uint32_t format) {
  Log("DrawText " + Text16(text, count) + " " + (rect ? Rect(*rect) : std::string("NULL")) + " " + Hex(format));
  return TDC::DrawText(text, count, rect, format);
}

}  // namespace kvn
