// The renderer's own operations on device-independent bitmaps: pixel access
// by stored row, depth conversion with octree colour reduction, colour
// collection, RLE compression and decoding, quarter turns, alpha masks and
// the palette tinting of tool-bar and dialog images.
//
// Colours are COLORREF 0x00BBGGRR throughout. Rows are addressed as stored:
// row y lies stride x y bytes from the start of the bits (the bottom row of
// a bottom-up picture is row 0). Every picture made here is assembled as a
// packed DIB and passes ValidatePackedDib on its way into the TDib.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/TDib.h"

namespace kvn {

// 2, 16 or 256 for 1, 4 or 8 bits per pixel, else 0.
std::uint32_t PaletteSizeForBitCount(std::uint32_t bitCount);

// Pixel access for uncompressed pictures, rows as stored; reads outside the
// picture answer 0, writes outside it are ignored.
std::uint32_t DibGetPixelIndex(const TDib& dib, std::int32_t x, std::int32_t y);
std::uint32_t DibGetPixelColor(const TDib& dib, std::int32_t x, std::int32_t y);
void DibSetPixelIndex(TDib& dib, std::int32_t x, std::int32_t y, std::uint32_t index);
// The palette index (1/4/8 bits), the three colour bytes as 0x00RRGGBB
// (24 bits) or the stored word (16/32 bits).
std::uint32_t DibGetPixelRaw(const TDib& dib, std::int32_t x, std::int32_t y);
void DibSetPixelRaw(TDib& dib, std::int32_t x, std::int32_t y, std::uint32_t value);

// Grey of a colour on the 0..255 scale: (min + max) x 255 / 510, rounded.
std::uint32_t ColorLightness(std::uint32_t color);

// An RLE4 or RLE8 picture decoded into an uncompressed one of the same depth
// and palette. Runs that would leave the picture are cut; decoding stops at
// the end of the stored stream. Null for other pictures.
std::unique_ptr<TDib> DecodeRleDib(const TDib& source);

// A converted copy (see the .cpp for the rules); null for a picture without
// bits, JPEG or PNG data, an unsupported format or an octree that cannot be
// reduced. `grey` unset means "grey when the source's table is grey".
// `usedColors`, when given, receives the colours of the result padded to
// 2, 16 or 256 when fewer bits would hold them; `fixedPalette` of 2, 16 or
// 256 entries fixes the target's depth and table.
// A 32-bit picture (plain, or with colour masks) made 24 bits in its own
// block, which then shrinks: the pixels are never held twice. The result is
// the one ConvertDibBitCount gives at 24 bits. False, nothing changed, for
// any other picture.
bool NarrowDibTo24(TDib& dib);

std::unique_ptr<TDib> ConvertDibBitCount(const TDib& source, std::uint32_t targetBits, bool oneBitByLightness,
                                         std::vector<std::uint32_t>* usedColors, std::optional<bool> grey,
                                         const std::vector<std::uint32_t>* fixedPalette);

// Colour reduction by an octree of the colours' bits.
class OctreeQuantizer {
 public:
  OctreeQuantizer(std::uint32_t maxColors, bool grey);
  ~OctreeQuantizer();
  OctreeQuantizer(const OctreeQuantizer&) = delete;
  OctreeQuantizer& operator=(const OctreeQuantizer&) = delete;

  // False when the tree holds too many leaves and nothing is left to merge.
  bool AddColor(std::uint32_t color);
  // Black and white first while reserved, then the leaves in tree order,
  // then 0 up to the maximum count.
  std::vector<std::uint32_t> GetPalette() const;
  std::uint32_t LeafCount() const { return leafCount_; }
  void SetReserveBlackAndWhite(bool reserve) { reserveBlackAndWhite_ = reserve; }

 private:
  struct Node;
  bool Reduce();
  void Collect(const Node& node, std::vector<std::uint32_t>* out) const;

  std::uint32_t maxColors_;
  bool grey_;
  bool reserveBlackAndWhite_ = true;
  std::uint32_t leafCount_ = 0;
  std::unique_ptr<Node> root_;
  // Inner nodes that may be merged, per level (1..6).
  std::vector<Node*> reducible_[8];
};

// The distinct colours of an uncompressed 24-bit or 4/8-bit picture in
// order of first appearance, padded with 0 to 2, 16 or 256; false for other
// formats, no colour, or more than 256 colours in a 24-bit picture.
bool CollectDibColors(std::vector<std::uint32_t>* colors, const TDib& dib);
inline bool CountDibColors(std::vector<std::uint32_t>* colors, const TDib& dib) {
  return CollectDibColors(colors, dib);
}

// Replaces an uncompressed 8-bit (4-bit) picture by its RLE8 (RLE4)
// encoding when that is smaller; false otherwise.
bool CompressDibRle(TDib& dib);

// A copy turned by a quarter: direction 3 one way, any other the other.
std::unique_ptr<TDib> RotateDib90(const TDib& source, int direction);

// The alpha bytes of a 32-bit picture as an 8-bit mask, rows as stored; null
// for other pictures and when every pixel is opaque or every one clear.
std::unique_ptr<TDib> ExtractAlphaMask(const TDib& source);
// A 32-bit copy whose alpha bytes are the mask's; null when the sizes differ.
std::unique_ptr<TDib> CombineDibWithMask(const TDib& source, const TDib& mask);

// A colour of the given hue and saturation whose lightness follows the grey
// of `color` between a floor and `lightness`.
std::uint32_t ShadeColorByLightness(std::uint32_t color, int hue, int saturation, int lightness);
// Every palette entry other than `color` shaded to its hue and saturation;
// false without a palette.
bool TintDibPalette(TDib& dib, std::uint32_t color);
// The user-interface colour of a system-colour index (the program's own table
// first) with its lightness raised to at least 200 of 240, for pale
// backgrounds derived from the theme.
std::uint32_t GetLightenedSysColor(int index);

// Scope that swaps the key colours of a paletted picture for a background
// colour (and, with a disabled colour, every dark entry for that colour),
// putting the saved palette back once on Restore or destruction.
class DibPaletteSwap {
 public:
  DibPaletteSwap(TDib& dib, std::uint32_t background, std::optional<std::uint32_t> disabled = std::nullopt);
  ~DibPaletteSwap();
  DibPaletteSwap(const DibPaletteSwap&) = delete;
  DibPaletteSwap& operator=(const DibPaletteSwap&) = delete;
  void Restore();

 private:
  TDib* dib_;
  std::vector<std::uint32_t> saved_;  // COLORREF per entry
};

// Assembles a validated picture from its parts; null when refused.
struct DibBuildParts {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = kBiRgb;
  std::int32_t xPelsPerMeter = 0;
  std::int32_t yPelsPerMeter = 0;
  std::vector<std::uint32_t> palette;  // COLORREF entries
};
std::unique_ptr<TDib> BuildDib(const DibBuildParts& parts, const std::uint8_t* bits, std::uint32_t bitsSize);
// The parts of `dib` at another bit count: its size, its height's sign and
// its resolution; its palette only at 8 bits or fewer.
DibBuildParts PartsOf(const TDib& dib, std::uint16_t bitCount);
// Writes the 40-byte information header of `parts` at `h`, every field the
// parts do not give zero.
void PutInfoHeader(std::uint8_t* h, const DibBuildParts& parts, std::uint32_t bitsSize, std::uint32_t colorsUsed);

}  // namespace kvn
