#include "platform/gdi/GdiObjects.h"

#include <algorithm>

namespace kvn {

TPen::TPen(COLORREF color, int width, std::uint32_t style) {
  if (style > kPsNull) return;
  auto d = std::make_shared<PenData>();
  d->style = style;
  d->color = StripColorFlags(color);
  d->geometric = width > 0;
  d->width = width > 0 ? std::uint32_t(width) : 0;
  data_ = std::move(d);
}

TPen TPen::ExtCreate(std::uint32_t style, std::uint32_t width, std::uint32_t brushStyle, COLORREF color,
                     std::uint32_t styleCount, const std::uint32_t* styleEntries) {
  TPen pen;
  std::uint32_t type = style & kPsTypeMask;
  std::uint32_t line = style & kPsStyleMask;
  if (type != kPsCosmetic && type != kPsGeometric) return pen;
  if (style & ~(kPsTypeMask | kPsStyleMask | kPsEndCapMask | kPsJoinMask)) return pen;
  if (line > kPsNull && line != kPsUserStyle) return pen;
  if ((style & kPsEndCapMask) > kPsEndCapFlat || (style & kPsJoinMask) > kPsJoinMiter) return pen;
  if (brushStyle != kBsSolid) return pen;
  bool geometric = type == kPsGeometric;
  // A cosmetic pen is one pixel; its end and join bits mean nothing.
  if (!geometric && (width != 1 || (style & (kPsEndCapMask | kPsJoinMask)))) return pen;
  if (geometric && (width == 0 || width > 0x7FFFFFFF)) return pen;
  if (line == kPsUserStyle) {
    if (styleCount == 0 || styleCount > kMaxUserStyleEntries || styleEntries == nullptr) return pen;
    if (std::all_of(styleEntries, styleEntries + styleCount, [](std::uint32_t e) { return e == 0; })) return pen;
    if (std::any_of(styleEntries, styleEntries + styleCount, [](std::uint32_t e) { return e > 0x7FFFFFFF; }))
      return pen;
  } else if (styleCount != 0) {
    return pen;
  }
  auto d = std::make_shared<PenData>();
  d->style = style & ~kPsTypeMask;
  d->width = geometric ? width : 0;
  d->color = StripColorFlags(color);
  d->geometric = geometric;
  d->extended = true;
  if (line == kPsUserStyle) {
    d->userStyleCount = styleCount;
    std::copy(styleEntries, styleEntries + styleCount, d->userStyle);
  }
  pen.data_ = std::move(d);
  return pen;
}

std::uint32_t PenDashes(const PenData& pen, double out[kMaxUserStyleEntries]) {
  // Cosmetic patterns in device pixels; geometric ones in multiples of the
  // pen width, so that a wide dashed line keeps its look.
  static constexpr double kCosmetic[4][6] = {{18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}};
  static constexpr double kGeometric[4][6] = {{3, 1}, {1, 1}, {3, 1, 1, 1}, {3, 1, 1, 1, 1, 1}};
  static constexpr std::uint32_t kCounts[4] = {2, 2, 4, 6};
  std::uint32_t line = pen.LineStyle();
  if (line == kPsUserStyle) {
    for (std::uint32_t i = 0; i < pen.userStyleCount; ++i) out[i] = pen.userStyle[i];
    return pen.userStyleCount;
  }
  if (line < kPsDash || line > kPsDashDotDot) return 0;
  std::uint32_t k = line - kPsDash;
  for (std::uint32_t i = 0; i < kCounts[k]; ++i)
    out[i] = pen.geometric ? kGeometric[k][i] * double(pen.width) : kCosmetic[k][i];
  return kCounts[k];
}

TBrush::TBrush(COLORREF color) {
  auto d = std::make_shared<BrushData>();
  d->style = kBsSolid;
  d->color = StripColorFlags(color);
  data_ = std::move(d);
}

TBrush::TBrush(int hatch, COLORREF color) {
  if (hatch < kHsHorizontal || hatch > kHsDiagCross) return;
  auto d = std::make_shared<BrushData>();
  d->style = kBsHatched;
  d->color = StripColorFlags(color);
  d->hatch = hatch;
  data_ = std::move(d);
}

TBrush TBrush::Null() {
  TBrush brush;
  auto d = std::make_shared<BrushData>();
  d->style = kBsNull;
  brush.data_ = std::move(d);
  return brush;
}

TBrush TBrush::Pattern(const PixelView& pixels) {
  TBrush brush;
  if (!pixels.IsValid() || pixels.width > 256 || pixels.height > 256) return brush;
  auto d = std::make_shared<BrushData>();
  d->style = kBsPattern;
  d->patternWidth = pixels.width;
  d->patternHeight = pixels.height;
  d->pattern.resize(std::size_t(pixels.width) * std::size_t(pixels.height));
  for (std::int32_t y = 0; y < pixels.height; ++y) {
    const std::uint8_t* row = pixels.bits + std::size_t(y) * std::size_t(pixels.stride);
    for (std::int32_t x = 0; x < pixels.width; ++x) {
      const std::uint8_t* p = row + 4 * std::size_t(x);
      d->pattern[std::size_t(y) * std::size_t(pixels.width) + std::size_t(x)] =
          std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
    }
  }
  brush.data_ = std::move(d);
  return brush;
}

bool HatchBit(int hatch, std::int64_t x, std::int64_t y) {
  std::int64_t cx = x & 7;
  std::int64_t cy = y & 7;
  bool horizontal = cy == 0;
  bool vertical = cx == 0;
  bool fdiagonal = ((cx - cy) & 7) == 0;  // "\": down to the right
  bool bdiagonal = ((cx + cy) & 7) == 7;  // "/": up to the right
  switch (hatch) {
    case kHsHorizontal:
      return horizontal;
    case kHsVertical:
      return vertical;
    case kHsFDiagonal:
      return fdiagonal;
    case kHsBDiagonal:
      return bdiagonal;
    case kHsCross:
      return horizontal || vertical;
    case kHsDiagCross:
      return fdiagonal || bdiagonal;
    default:
      return false;
  }
}

TFont::TFont(const LogFont& logFont) {
  auto d = std::make_shared<LogFont>(logFont);
  d->faceName[kLfFaceSize - 1] = 0;
  data_ = std::move(d);
}

TPen StockPen(int id) {
  static const TPen white(Rgb(255, 255, 255), 0);
  static const TPen black(Rgb(0, 0, 0), 0);
  static const TPen null(Rgb(0, 0, 0), 0, kPsNull);
  switch (id) {
    case kWhitePen:
      return white;
    case kBlackPen:
      return black;
    case kNullPen:
      return null;
    default:
      return {};
  }
}

TBrush StockBrush(int id) {
  static const TBrush white(Rgb(255, 255, 255));
  static const TBrush ltGray(Rgb(192, 192, 192));
  static const TBrush gray(Rgb(128, 128, 128));
  static const TBrush dkGray(Rgb(64, 64, 64));
  static const TBrush black(Rgb(0, 0, 0));
  static const TBrush null = TBrush::Null();
  switch (id) {
    case kWhiteBrush:
      return white;
    case kLtGrayBrush:
      return ltGray;
    case kGrayBrush:
      return gray;
    case kDkGrayBrush:
      return dkGray;
    case kBlackBrush:
      return black;
    case kNullBrush:
      return null;
    default:
      return {};
  }
}

TFont StockFont(int id) {
  // The system font and the GUI font as LOGFONTs; the fonts layer realises
  // the faces through fontconfig.
  static const TFont system = [] {
    LogFont lf;
    lf.height = 16;
    lf.weight = 700;
    const char16_t name[] = u"System";
    std::copy(std::begin(name), std::end(name), lf.faceName);
    return TFont(lf);
  }();
  static const TFont gui = [] {
    LogFont lf;
    lf.height = -11;
    const char16_t name[] = u"MS Shell Dlg";
    std::copy(std::begin(name), std::end(name), lf.faceName);
    return TFont(lf);
  }();
  switch (id) {
    case kSystemFont:
      return system;
    case kDefaultGuiFont:
      return gui;
    default:
      return {};
  }
}

}  // namespace kvn
