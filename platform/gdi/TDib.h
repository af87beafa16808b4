// TDib: a device-independent bitmap held as one packed DIB, the layout
// Windows uses on the clipboard, in .bmp files after the 14-byte file header
// and inside metafile records:
//
//   BITMAPINFOHEADER   40 bytes (or a V2..V5 header of 52, 56, 108 or 124)
//   colour masks       12 bytes, only for BI_BITFIELDS after a 40-byte header
//   palette            RGBQUAD {blue, green, red, 0} x palette count
//   bits               rows padded to 32 bits, bottom-up unless height < 0;
//                      RLE4/RLE8 pictures keep their compressed stream
//
// All fields little-endian. Every packed DIB that enters a TDib passes
// ValidatePackedDib first: a header that lies about its sizes is refused
// before any pixel is looked at. A 12-byte OS/2 core header is widened to a
// 40-byte header (and its 3-byte palette entries to RGBQUAD) on load.
#pragma once

#include <cstdint>

#include "foundation/GrowArray.h"
#include "foundation/WString.h"

namespace kvn {

class InFileStream;

// Compression values of the header.
inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiRle8 = 1;
inline constexpr std::uint32_t kBiRle4 = 2;
inline constexpr std::uint32_t kBiBitFields = 3;

inline constexpr std::uint32_t kBitmapInfoHeaderSize = 40;
inline constexpr std::uint32_t kBitmapCoreHeaderSize = 12;
inline constexpr std::uint32_t kBmpFileHeaderSize = 14;
// Pixel bits beyond this (even when compressed, counted as unpacked rows)
// are refused: 2 GiB keeps every offset of a packed DIB in 32 bits.
inline constexpr std::uint64_t kMaxDibImageBytes = 0x7FFFFFFF;

// The fields of BITMAPINFOHEADER.
struct DibHeader {
  std::uint32_t size = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t sizeImage = 0;
  std::int32_t xPelsPerMeter = 0;
  std::int32_t yPelsPerMeter = 0;
  std::uint32_t clrUsed = 0;
  std::uint32_t clrImportant = 0;
};

// Where the parts of a packed DIB lie, as its header describes them.
struct PackedDibLayout {
  DibHeader header;
  std::uint32_t headerSize = 0;        // 12, 40, 52, 56, 108 or 124
  std::uint32_t maskBytes = 0;         // masks stored after a 40-byte header
  std::uint32_t paletteCount = 0;
  std::uint32_t paletteEntrySize = 4;  // 3 for a core header
  std::uint32_t bitsOffset = 0;        // from the start of the packed DIB
  std::uint32_t bitsSize = 0;          // bytes of bits the picture needs
  std::uint32_t stride = 0;            // bytes per unpacked row

  std::uint64_t TotalSize() const { return std::uint64_t(bitsOffset) + bitsSize; }
};

// Reads the header of a packed DIB and checks it (size, planes, bit count,
// compression, dimensions, palette count, image size computed in 64 bits)
// without requiring the bits to be present; `size` bounds the header reads.
bool ParsePackedDibHeader(const std::uint8_t* data, std::uint64_t size, PackedDibLayout* layout);
// ParsePackedDibHeader, and the header, masks, palette and bits all lie
// within `size` bytes.
bool ValidatePackedDib(const std::uint8_t* data, std::uint64_t size, PackedDibLayout* layout);

class TDib {
 public:
  TDib() = default;
  TDib(TDib&&) noexcept = default;
  TDib& operator=(TDib&&) noexcept = default;
  TDib(const TDib&) = delete;
  TDib& operator=(const TDib&) = delete;

  // A TDib built from a .bmp file read from the stream; empty when the data
  // are not such a file or the packed DIB is refused.
  static TDib FromBmpStream(InFileStream& stream);
  // The same on this object; false (and empty) on failure.
  bool LoadBmpStream(InFileStream& stream);
  // Copies a validated packed DIB (bytes after its bits are left out);
  // false (and empty) when it is refused.
  bool LoadPackedDib(const std::uint8_t* data, std::uint64_t size);
  // The same, taking the bytes over instead of copying them (a core header
  // is widened into a copy); bytes after the bits are dropped.
  bool AdoptPackedDib(ByteArray&& bytes);
  // Gives the packed DIB's bytes away, leaving the picture empty: for a
  // conversion made in the same block.
  ByteArray ReleasePackedDib();
  // A new uncompressed picture with zero bits and a zero palette of 2^bits
  // entries for 1, 4 and 8 bits; a negative height makes it top-down.
  bool Create(std::int32_t width, std::int32_t height, std::uint16_t bitCount);
  void Clear();

  bool IsEmpty() const { return packed_.Empty(); }
  bool HasBits() const { return !packed_.Empty() && layout_.bitsSize > 0; }

  // The packed DIB as it would be stored.
  const std::uint8_t* PackedDib() const { return packed_.Items(); }
  std::uint32_t PackedDibSize() const { return packed_.Count(); }
  std::uint32_t BitsOffset() const { return layout_.bitsOffset; }
  const PackedDibLayout& Layout() const { return layout_; }

  std::int32_t Width() const { return layout_.header.width; }
  // Rows, whatever their order.
  std::int32_t Height() const;
  bool IsTopDown() const { return layout_.header.height < 0; }
  std::uint16_t BitCount() const { return layout_.header.bitCount; }
  std::uint32_t Compression() const { return layout_.header.compression; }
  std::uint32_t Stride() const { return layout_.stride; }

  // Pixels per metre of the header (biXPelsPerMeter, biYPelsPerMeter).
  void SetResolution(std::int32_t xPelsPerMeter, std::int32_t yPelsPerMeter);

  std::uint32_t PaletteCount() const { return layout_.paletteCount; }
  // RGBQUAD read as 0x00RRGGBB; 0 for an index out of range.
  std::uint32_t GetPaletteEntry(std::uint32_t i) const;
  bool SetPaletteEntry(std::uint32_t i, std::uint32_t rgb);

  std::uint8_t* Bits() { return packed_.Empty() ? nullptr : packed_.Items() + layout_.bitsOffset; }
  const std::uint8_t* Bits() const { return packed_.Empty() ? nullptr : packed_.Items() + layout_.bitsOffset; }
  std::uint32_t BitsSize() const { return layout_.bitsSize; }
  // Pixels per metre of a picture with an info header (40 bytes or more);
  // false for a core header or no picture.
  bool SetPelsPerMeter(std::int32_t x, std::int32_t y);

  // Pixel access for uncompressed pictures; (0, 0) is the top-left pixel
  // whatever the row order. The raw value is the palette index (1, 4, 8
  // bits), the 16-bit word, 0x00RRGGBB (24 bits) or the 32-bit word.
  bool GetPixel(std::int32_t x, std::int32_t y, std::uint32_t* value) const;
  bool SetPixel(std::int32_t x, std::int32_t y, std::uint32_t value);
  // COLORREF 0x00BBGGRR of a pixel; kInvalidColor outside the picture or
  // for compressed bits.
  static constexpr std::uint32_t kInvalidColor = 0xFFFFFFFF;
  std::uint32_t GetPixelColor(std::int32_t x, std::int32_t y) const;

 private:
  // The three colour masks of a 16- or 32-bit picture.
  void GetMasks(std::uint32_t masks[3]) const;
  std::uint8_t* PixelRow(std::int32_t y) const;

  ByteArray packed_;
  PackedDibLayout layout_;
};

// Reads a .bmp file from the stream's position: the 14-byte file header
// (signature "BM"), then the rest of the stream as a packed DIB into `out`.
// A gap that the header's bits offset leaves between palette and bits is
// closed so that the result is one packed DIB. False when the signature is
// wrong or the stream is short; the packed DIB itself is not judged here.
bool ReadBmpFromStream(ByteArray& out, InFileStream& stream);

// Writes the 14-byte file header ("BM", file size, 0, bits offset) and the
// packed DIB. False when the TDib has no bits, or the file could not be
// written and closed without error.
bool WriteDibAsBmpFile(const WString& fileName, const TDib& dib);

}  // namespace kvn
