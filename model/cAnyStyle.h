// cAnyStyle: the base of every style (line, fill, text, wall, link, font).
//
// A style is a named set of attribute values that objects share. It lives in
// one of the six tables of the drawing data (model/StyleTable.h) and travels
// in the archive inside the first object record that refers to it (see
// model/StyleRefs.h): name and description are written by the reference, the
// class's own fields by its Write.
//
// Copies and comparisons go through records: Assign writes the source into a
// memory archive and reads it back; IsSameRecord compares two records byte for
// byte. Both write without drawing data, so style references inside a record
// (a wall style's line style, a text style's font) travel as plain numbers.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

class ArchiveReader;
class ArchiveWriter;
class cDrawingData;

class cAnyStyle {
 public:
  cAnyStyle() = default;
  virtual ~cAnyStyle();
  cAnyStyle(const cAnyStyle&) = delete;
  cAnyStyle& operator=(const cAnyStyle&) = delete;

  // ---- virtual operations, in their fixed order ----
  // Multiplies the lengths of the style by the factor; a factor of 0.0
  // changes nothing.
  virtual void Scale(double factor);
  // Line styles that defer to their objects scale their pattern only.
  virtual void ScalePattern(double factor);
  // Reads the class's record (name and description are read by the caller).
  // False when the archive ran out or was damaged inside the record; the
  // fields read so far stay.
  virtual bool Read(ArchiveReader& r, int version, cDrawingData* data) = 0;
  virtual void Write(ArchiveWriter& w, cDrawingData* data) const = 0;

  // Copies a style of the same class through a memory archive read back at
  // the current version; name and description are copied directly.
  void Assign(const cAnyStyle& other);
  // Both records written without drawing data and compared byte for byte.
  static bool IsSameRecord(const cAnyStyle& a, const cAnyStyle& b);

  WString name;
  WString description;
  // The number under which the style was written inline into the archive
  // being written; -1 until then (see StyleTable::ResetWriteNumbers).
  std::int32_t writtenNumber = -1;
};

}  // namespace kvn
