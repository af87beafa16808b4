// Plain values of the device-context layer: colours, integer points and
// rectangles, and the numeric constants of the modes and flags a device
// context takes. The numbers are the Windows GDI values, because metafile
// records and the renderer's tables carry them as numbers.
#pragma once

#include <cstdint>

namespace kvn {

// 0x00BBGGRR. The high byte (palette flags such as bit 25 of PALETTERGB) is
// dropped wherever a colour enters a device context.
using COLORREF = std::uint32_t;
inline constexpr COLORREF kClrInvalid = 0xFFFFFFFF;

// ExtFloodFill modes.
inline constexpr unsigned kFloodFillBorder = 0;
inline constexpr unsigned kFloodFillSurface = 1;

constexpr COLORREF Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr std::uint8_t ColorR(COLORREF c) { return std::uint8_t(c); }
constexpr std::uint8_t ColorG(COLORREF c) { return std::uint8_t(c >> 8); }
constexpr std::uint8_t ColorB(COLORREF c) { return std::uint8_t(c >> 16); }
constexpr COLORREF StripColorFlags(COLORREF c) { return c & 0x00FFFFFF; }

// Logical and device coordinates of the GDI calls are 32-bit integers.
struct TPoint {
  std::int32_t x = 0, y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  std::int32_t cx = 0, cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// Left and top inclusive, right and bottom exclusive.
struct TRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const TRect&, const TRect&) = default;
  std::int64_t Width() const { return std::int64_t(right) - left; }
  std::int64_t Height() const { return std::int64_t(bottom) - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  TRect Normalized() const {
    return {left < right ? left : right, top < bottom ? top : bottom, left < right ? right : left,
            top < bottom ? bottom : top};
  }
};

// A 32-bit pixel block handed to blits: B, G, R, A bytes per pixel, rows top
// down, `stride` bytes apart (a multiple of 4, at least width x 4). The bytes
// must stay valid for the call. Blocks above 32767 pixels a side are refused
// (the limit of a cairo image).
struct PixelView {
  const std::uint8_t* bits = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t stride = 0;
  bool IsValid() const {
    return bits != nullptr && width > 0 && height > 0 && width <= 32767 && height <= 32767 && stride % 4 == 0 &&
           std::int64_t(stride) >= std::int64_t(width) * 4;
  }
};

// Map modes.
inline constexpr int kMmText = 1;
inline constexpr int kMmLoMetric = 2;
inline constexpr int kMmHiMetric = 3;
inline constexpr int kMmLoEnglish = 4;
inline constexpr int kMmHiEnglish = 5;
inline constexpr int kMmTwips = 6;
inline constexpr int kMmIsotropic = 7;
inline constexpr int kMmAnisotropic = 8;

// Graphics modes.
inline constexpr int kGmCompatible = 1;
inline constexpr int kGmAdvanced = 2;

// ModifyWorldTransform modes.
inline constexpr int kMwtIdentity = 1;
inline constexpr int kMwtLeftMultiply = 2;
inline constexpr int kMwtRightMultiply = 3;

// Binary raster operations (SetROP2), 1 to 16. Code - 1 is the truth table of
// the result over (pen, destination): bit (pen << 1 | destination).
inline constexpr int kR2Black = 1;
inline constexpr int kR2NotMergePen = 2;
inline constexpr int kR2MaskNotPen = 3;
inline constexpr int kR2NotCopyPen = 4;
inline constexpr int kR2MaskPenNot = 5;
inline constexpr int kR2Not = 6;
inline constexpr int kR2XorPen = 7;
inline constexpr int kR2NotMaskPen = 8;
inline constexpr int kR2MaskPen = 9;
inline constexpr int kR2NotXorPen = 10;
inline constexpr int kR2Nop = 11;
inline constexpr int kR2MergeNotPen = 12;
inline constexpr int kR2CopyPen = 13;
inline constexpr int kR2MergePenNot = 14;
inline constexpr int kR2MergePen = 15;
inline constexpr int kR2White = 16;

// Driver escapes asked about pass-through pictures, and the compressions of
// the JPEG and PNG data they carry.
inline constexpr int kQueryEscSupport = 8;
inline constexpr int kCheckJpegFormat = 4119;
inline constexpr int kCheckPngFormat = 4120;
inline constexpr std::uint32_t kBiJpeg = 4;
inline constexpr std::uint32_t kBiPng = 5;

// Ternary raster operations of blits. Bits 16 to 23 are the truth table over
// (pattern, source, destination): bit (pattern << 2 | source << 1 | destination).
inline constexpr std::uint32_t kSrcCopy = 0x00CC0020;
inline constexpr std::uint32_t kSrcPaint = 0x00EE0086;
inline constexpr std::uint32_t kSrcAnd = 0x008800C6;
inline constexpr std::uint32_t kSrcInvert = 0x00660046;
inline constexpr std::uint32_t kSrcErase = 0x00440328;
inline constexpr std::uint32_t kNotSrcCopy = 0x00330008;
inline constexpr std::uint32_t kDstInvert = 0x00550009;
inline constexpr std::uint32_t kPatCopy = 0x00F00021;
inline constexpr std::uint32_t kPatInvert = 0x005A0049;
inline constexpr std::uint32_t kBlackness = 0x00000042;
inline constexpr std::uint32_t kWhiteness = 0x00FF0062;
constexpr std::uint8_t Rop3Table(std::uint32_t rop) { return std::uint8_t(rop >> 16); }

// Background modes.
inline constexpr int kTransparent = 1;
inline constexpr int kOpaque = 2;

// Polygon fill modes.
inline constexpr int kAlternate = 1;
inline constexpr int kWinding = 2;

// Stretch modes.
inline constexpr int kBlackOnWhite = 1;
inline constexpr int kWhiteOnBlack = 2;
inline constexpr int kColorOnColor = 3;
inline constexpr int kHalftone = 4;

// Text alignment flags.
inline constexpr std::uint32_t kTaNoUpdateCp = 0;
inline constexpr std::uint32_t kTaUpdateCp = 1;
inline constexpr std::uint32_t kTaLeft = 0;
inline constexpr std::uint32_t kTaRight = 2;
inline constexpr std::uint32_t kTaCenter = 6;
inline constexpr std::uint32_t kTaTop = 0;
inline constexpr std::uint32_t kTaBottom = 8;
inline constexpr std::uint32_t kTaBaseline = 24;
inline constexpr std::uint32_t kTaHorizontalMask = 6;
inline constexpr std::uint32_t kTaVerticalMask = 24;
inline constexpr std::uint32_t kGdiError = 0xFFFFFFFF;

// ExtTextOut options.
inline constexpr std::uint32_t kEtoOpaque = 0x0002;
inline constexpr std::uint32_t kEtoClipped = 0x0004;
inline constexpr std::uint32_t kEtoGlyphIndex = 0x0010;

// DrawText formats.
inline constexpr std::uint32_t kDtLeft = 0x0000;
inline constexpr std::uint32_t kDtCenter = 0x0001;
inline constexpr std::uint32_t kDtRight = 0x0002;
inline constexpr std::uint32_t kDtVCenter = 0x0004;
inline constexpr std::uint32_t kDtSingleLine = 0x0020;
inline constexpr std::uint32_t kDtCalcRect = 0x0400;
inline constexpr std::uint32_t kDtNoPrefix = 0x0800;

// PolyDraw point types; the close bit is or-ed into a line-to or the last
// point of a Bezier.
inline constexpr std::uint8_t kPtCloseFigure = 1;
inline constexpr std::uint8_t kPtLineTo = 2;
inline constexpr std::uint8_t kPtBezierTo = 4;
inline constexpr std::uint8_t kPtMoveTo = 6;

// Region combination modes and results.
inline constexpr int kRgnAnd = 1;
inline constexpr int kRgnOr = 2;
inline constexpr int kRgnXor = 3;
inline constexpr int kRgnDiff = 4;
inline constexpr int kRgnCopy = 5;
inline constexpr int kRegionError = 0;
inline constexpr int kNullRegion = 1;
inline constexpr int kSimpleRegion = 2;
inline constexpr int kComplexRegion = 3;

// Pen styles: style in bits 0-3, end cap in bits 8-11, join in bits 12-15,
// type in bits 16-19.
inline constexpr std::uint32_t kPsSolid = 0;
inline constexpr std::uint32_t kPsDash = 1;
inline constexpr std::uint32_t kPsDot = 2;
inline constexpr std::uint32_t kPsDashDot = 3;
inline constexpr std::uint32_t kPsDashDotDot = 4;
inline constexpr std::uint32_t kPsNull = 5;
inline constexpr std::uint32_t kPsUserStyle = 7;
inline constexpr std::uint32_t kPsStyleMask = 0x0000000F;
inline constexpr std::uint32_t kPsEndCapRound = 0x00000000;
inline constexpr std::uint32_t kPsEndCapSquare = 0x00000100;
inline constexpr std::uint32_t kPsEndCapFlat = 0x00000200;
inline constexpr std::uint32_t kPsEndCapMask = 0x00000F00;
inline constexpr std::uint32_t kPsJoinRound = 0x00000000;
inline constexpr std::uint32_t kPsJoinBevel = 0x00001000;
inline constexpr std::uint32_t kPsJoinMiter = 0x00002000;
inline constexpr std::uint32_t kPsJoinMask = 0x0000F000;
inline constexpr std::uint32_t kPsCosmetic = 0x00000000;
inline constexpr std::uint32_t kPsGeometric = 0x00010000;
inline constexpr std::uint32_t kPsTypeMask = 0x000F0000;

// Brush styles and hatches.
inline constexpr std::uint32_t kBsSolid = 0;
inline constexpr std::uint32_t kBsNull = 1;
inline constexpr std::uint32_t kBsHatched = 2;
inline constexpr std::uint32_t kBsPattern = 3;
inline constexpr int kHsHorizontal = 0;
inline constexpr int kHsVertical = 1;
inline constexpr int kHsFDiagonal = 2;
inline constexpr int kHsBDiagonal = 3;
inline constexpr int kHsCross = 4;
inline constexpr int kHsDiagCross = 5;

// Stock objects.
inline constexpr int kWhiteBrush = 0;
inline constexpr int kLtGrayBrush = 1;
inline constexpr int kGrayBrush = 2;
inline constexpr int kDkGrayBrush = 3;
inline constexpr int kBlackBrush = 4;
inline constexpr int kNullBrush = 5;
inline constexpr int kWhitePen = 6;
inline constexpr int kBlackPen = 7;
inline constexpr int kNullPen = 8;
inline constexpr int kSystemFont = 13;
inline constexpr int kDefaultGuiFont = 17;

// AlphaBlend.
inline constexpr std::uint8_t kAcSrcOver = 0;
inline constexpr std::uint8_t kAcSrcAlpha = 1;
struct BlendFunction {
  std::uint8_t blendOp = kAcSrcOver;
  std::uint8_t blendFlags = 0;
  std::uint8_t sourceConstantAlpha = 255;
  std::uint8_t alphaFormat = 0;  // kAcSrcAlpha: the source is premultiplied and its alpha counts
};

// GetDeviceCaps indexes and values.
inline constexpr int kCapTechnology = 2;
inline constexpr int kCapHorzSize = 4;
inline constexpr int kCapVertSize = 6;
inline constexpr int kCapHorzRes = 8;
inline constexpr int kCapVertRes = 10;
inline constexpr int kCapBitsPixel = 12;
inline constexpr int kCapPlanes = 14;
inline constexpr int kCapNumColors = 24;
inline constexpr int kCapRasterCaps = 38;
inline constexpr int kCapLogPixelsX = 88;
inline constexpr int kCapLogPixelsY = 90;
inline constexpr int kDtRasDisplay = 1;
inline constexpr int kDtRasPrinter = 2;
inline constexpr int kDtMetafile = 5;
inline constexpr int kRcBitBlt = 0x0001;
inline constexpr int kRcDiBitmap = 0x0080;
inline constexpr int kRcPalette = 0x0100;
inline constexpr int kRcStretchBlt = 0x0800;
inline constexpr int kRcStretchDib = 0x2000;

}  // namespace kvn
