// StyleTable: one of the six style tables of a drawing's data (line, fill,
// text, wall, link, font), an array of owned styles plus the write counter
// that numbers the styles in the order of their first reference while a
// drawing is written.
//
// A style reference is a u16: below Count() an index, 65535 none, and for
// text references 0x8000 + n (n 0..7) the built-in text style n. A table
// therefore never holds more than 65535 styles; Add refuses (and deletes) any
// style beyond that, so a damaged file cannot grow a table whose entries no
// reference could reach.
//
// The drawing data (model/cDrawingData.h) embeds one table per kind; the
// style code reaches them through these members of cDrawingData (const and
// non-const):
//   LineStyleTable& LineStyles();   FillStyleTable& FillStyles();
//   TextStyleTable& TextStyles();   WallStyleTable& WallStyles();
//   LinkStyleTable& LinkStyles();   FontStyleTable& FontStyles();
//   double GetScale() const;        // the drawing scale, 1.0 when new
// Destroying a table destroys each style once, from the last to the first;
// the drawing data destroys its tables in the order font, link, wall, text,
// fill, line.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/GrowArray.h"

namespace kvn {

class cAnyStyle;
class cStyleLine;
class cStyleFill;
class cStyleText;
class cStyleWall;
class cStyleLink;
class cStyleFont;

// Reference values shared by every table.
inline constexpr std::uint16_t kNoStyle = 65535;
inline constexpr std::uint16_t kBuiltinTextStyleBit = 0x8000;
inline constexpr std::uint16_t kBuiltinTextStyleCount = 8;
inline constexpr std::uint32_t kMaxStylesPerTable = 65535;

template <class T>
class StyleTable {
 public:
  StyleTable() = default;
  StyleTable(const StyleTable&) = delete;
  StyleTable& operator=(const StyleTable&) = delete;

  std::uint32_t Count() const { return styles_.Count(); }
  bool Empty() const { return styles_.Empty(); }
  // Null when the index is outside the table (65535 and built-in references
  // included).
  T* Get(std::uint32_t index) const { return styles_.Get(index); }
  bool Contains(std::uint32_t index) const { return index < styles_.Count(); }
  T* const* begin() const { return styles_.begin(); }
  T* const* end() const { return styles_.end(); }

  // Takes ownership. Answers the new index, or kNoStyle when the table is
  // full (the style is then deleted) or the style is null.
  std::uint16_t Add(std::unique_ptr<T> style) {
    if (!style || styles_.Count() >= kMaxStylesPerTable) return kNoStyle;
    std::uint16_t index = std::uint16_t(styles_.Count());
    styles_.Add(style.release());
    return index;
  }
  // Gives up ownership of the style at index (null when out of range); the
  // styles after it move down by one.
  std::unique_ptr<T> Detach(std::uint32_t index) { return std::unique_ptr<T>(styles_.DetachAt(index)); }
  void Clear() { styles_.Clear(); }

  // The number given to the last style written inline; 65535 before the
  // first, so that incrementing it as a u16 gives the first style 0.
  std::uint16_t writeCounter = kNoStyle;

  // Makes the table ready for writing a drawing: counter 65535 and every
  // style's written number -1. (Needs the full style class.)
  void ResetWriteNumbers();

 private:
  OwnedArray<T> styles_{8};
};

template <class T>
void StyleTable<T>::ResetWriteNumbers() {
  writeCounter = kNoStyle;
  for (T* style : styles_) style->writtenNumber = -1;
}

using LineStyleTable = StyleTable<cStyleLine>;
using FillStyleTable = StyleTable<cStyleFill>;
using TextStyleTable = StyleTable<cStyleText>;
using WallStyleTable = StyleTable<cStyleWall>;
using LinkStyleTable = StyleTable<cStyleLink>;
using FontStyleTable = StyleTable<cStyleFont>;

}  // namespace kvn
