// Pens, brushes and fonts: immutable GDI objects shared by reference count.
//
// A TPen, TBrush or TFont is a handle; copies share one object, and a device
// context that has an object selected holds a copy. An object lives until
// its last handle goes, so a cache that drops a pen still selected into some
// other context leaves that context a valid pen (it never dangles, as a
// deleted GDI handle would). Two handles are equal when they share one object.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace kvn {

template <class D>
class GdiObject {
 public:
  bool IsValid() const { return bool(data_); }
  // Only for a valid object.
  const D& Data() const { return *data_; }
  // Handles sharing the object (0 for an empty handle).
  long UseCount() const { return data_.use_count(); }
  friend bool operator==(const GdiObject& a, const GdiObject& b) { return a.data_ == b.data_; }

 protected:
  std::shared_ptr<const D> data_;
};

inline constexpr std::uint32_t kMaxUserStyleEntries = 16;

struct PenData {
  std::uint32_t style = kPsSolid;  // line style, end cap and join bits
  std::uint32_t width = 0;         // logical units; 0 for a cosmetic pen
  COLORREF color = 0;
  bool geometric = false;
  // Made by ExtCreatePen: WidenPath takes such a geometric pen at any width,
  // a CreatePen one only when it is wider than a device pixel.
  bool extended = false;
  std::uint32_t userStyleCount = 0;
  std::uint32_t userStyle[kMaxUserStyleEntries] = {};

  std::uint32_t LineStyle() const { return style & kPsStyleMask; }
  std::uint32_t EndCap() const { return style & kPsEndCapMask; }
  std::uint32_t Join() const { return style & kPsJoinMask; }
  bool IsNull() const { return LineStyle() == kPsNull; }
};

class TPen : public GdiObject<PenData> {
 public:
  TPen() = default;
  // CreatePen: solid, dash, dot, dash-dot, dash-dot-dot or null. Width 0 (or
  // less) is a cosmetic pen, one device pixel whatever the transform; width 1
  // or more is geometric, in logical units, with round ends and joins. Any
  // other style gives an empty handle.
  TPen(COLORREF color, int width, std::uint32_t style = kPsSolid);
  // ExtCreatePen with a solid logical brush of `color`. A cosmetic pen must
  // be 1 wide; a user style takes 1 to 16 entries, not all 0 (logical units
  // for a geometric pen, pixels for a cosmetic one). Refused arguments give
  // an empty handle.
  static TPen ExtCreate(std::uint32_t style, std::uint32_t width, std::uint32_t brushStyle, COLORREF color,
                        std::uint32_t styleCount = 0, const std::uint32_t* styleEntries = nullptr);
};

// The dash lengths of a pen, dash first, alternating with gaps: device pixels
// for a cosmetic pen, logical units for a geometric one. Returns the count;
// 0 means a solid line.
std::uint32_t PenDashes(const PenData& pen, double out[kMaxUserStyleEntries]);
// The entries of one round of a pattern of `count` entries: an odd pattern
// runs twice, dashes and gaps trading places, as GDI and cairo repeat it.
inline std::uint32_t DashRoundEntries(std::uint32_t count) { return count % 2 ? 2 * count : count; }

// What every target that strokes or widens a pen's line keeps to, so that a
// widened path covers what the stroke paints:
// wider pens are drawn this wide (device units);
inline constexpr double kMaxPenDeviceWidth = 1 << 16;
// a dashed pen draws solid beyond this many dashes along the path (a
// pattern far below a pixel over a long path would walk billions of them);
inline constexpr double kMaxDashesPerStroke = 1 << 20;
// past this mitre length over the width a mitred corner is bevelled: GDI's
// default, which a context's SetMiterLimit replaces for both.
inline constexpr double kPenMiterLimit = 10.0;

struct BrushData {
  std::uint32_t style = kBsSolid;
  COLORREF color = 0;
  int hatch = 0;
  std::int32_t patternWidth = 0;
  std::int32_t patternHeight = 0;
  std::vector<std::uint32_t> pattern;  // B, G, R, A bytes per pixel (little-endian words), rows top down
};

class TBrush : public GdiObject<BrushData> {
 public:
  TBrush() = default;
  explicit TBrush(COLORREF color);  // solid
  // Hatched: the hatch in `color`, the rest in the context's background
  // colour when its background mode is opaque, else left alone. Hatch
  // styles out of range give an empty handle.
  TBrush(int hatch, COLORREF color);
  // A copy of the pixels, tiled from the context's brush origin. An invalid view or
  // one above 256 x 256 pixels gives an empty handle.
  static TBrush Pattern(const PixelView& pixels);
  // Draws nothing.
  static TBrush Null();
};

// Whether pixel (x, y) of the hatch's tiling lies on the hatch (8 x 8 pixel
// cells from (0, 0): a device pixel less the context's brush origin).
bool HatchBit(int hatch, std::int64_t x, std::int64_t y);

inline constexpr int kLfFaceSize = 32;

// LOGFONT: height in logical units, negative for the character (em) height,
// positive for the cell height; escapement in tenths of a degree.
struct LogFont {
  std::int32_t height = 0;
  std::int32_t width = 0;
  std::int32_t escapement = 0;
  std::int32_t orientation = 0;
  std::int32_t weight = 400;
  std::uint8_t italic = 0;
  std::uint8_t underline = 0;
  std::uint8_t strikeOut = 0;
  std::uint8_t charSet = 1;  // DEFAULT_CHARSET
  std::uint8_t outPrecision = 0;
  std::uint8_t clipPrecision = 0;
  std::uint8_t quality = 0;
  std::uint8_t pitchAndFamily = 0;
  char16_t faceName[kLfFaceSize] = {};
};

class TFont : public GdiObject<LogFont> {
 public:
  TFont() = default;
  explicit TFont(const LogFont& logFont);
};

// Stock objects; an unknown id gives an empty handle.
TPen StockPen(int id);
TBrush StockBrush(int id);
TFont StockFont(int id);

}  // namespace kvn
