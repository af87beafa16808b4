// cStyleFont: an entry of a drawing's font table. Its name is the face name
// (a TrueType family, or an SHX file name with its extension).
//
// This is the name-only form: the face data (TrueType faces with their glyph
// outlines, SHX fonts) is not kept. Read still walks the whole font record so
// that the stream stays in step; Write writes the "no data" form.
#pragma once

#include <cstdint>

#include "model/cAnyStyle.h"

namespace kvn {

// The first byte of a font record.
enum class FontRecordKind : std::int8_t {
  kShx = -1,
  kNoData = -2,
  kByName = 0,
  kFileCarried = 1,
  kOutlinesCarried = 2,
};

class cStyleFont : public cAnyStyle {
 public:
  cStyleFont() = default;
  ~cStyleFont() override;

  bool Read(ArchiveReader& r, int version, cDrawingData* data) override;
  void Write(ArchiveWriter& w, cDrawingData* data) const override;

  // The kind of the record read (kNoData for a new font).
  FontRecordKind kind = FontRecordKind::kNoData;
};

}  // namespace kvn
