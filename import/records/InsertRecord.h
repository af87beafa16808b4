// YxxfEntInsert: the import record of an INSERT (and MINSERT arrays), of a
// DIMENSION and of an ACAD_TABLE, all of which place a block. The drawing
// assembly converts the block under the insert's transform (ConvertBlock).
//
// Spool form after the base: insertion point, scale x, y, z, rotation
// (degrees), block handle, column and row counts, column and row spacing
// (88 bytes), then the block name as counted UTF-16.
#pragma once

#include <cstdint>

#include "import/records/cOneObjRec.h"

namespace kvn {

class YxxfEntInsert : public SpooledRecord<YxxfEntInsert> {
 public:
  YxxfEntInsert() = default;
  // INSERT: block 2, point 10, scales 41-43 (1.0), rotation 50, columns 70
  // and rows 71 (at least 1), spacings 44 and 45. DIMENSION: the block
  // placed at code 12 (its z from 31) when the reader marked it with 32775
  // or 32776, else at `point`. Code 2 may be a handle (DWG) or a name.
  YxxfEntInsert(const YxxfGroupRecord* record, const Vec3& point, const Vec3& scale, double rotation,
                std::uint16_t code);
  YxxfEntInsert* AsInsert() override { return this; }
  RecordKind Kind() const override { return RecordKind::Insert; }
  template <class Self, class V>
  static void Fields(Self& r, V&& v) {
    v(r.insertion);
    v(r.scale);
    v(r.rotation);
    v(r.blockHandle);
    v(r.columns);
    v(r.rows);
    v(r.columnSpacing);
    v(r.rowSpacing);
  }

  Vec3 insertion;
  Vec3 scale{1, 1, 1};
  double rotation = 0.0;
  std::uint64_t blockHandle = 0;
  std::uint32_t columns = 1, rows = 1;
  double columnSpacing = 0.0, rowSpacing = 0.0;
  WString blockName;

 protected:
  void WriteExtra(OutFileStream& out) const override;
  bool ReadExtra(InFileStream& in) override;
};

}  // namespace kvn

namespace kvn {

struct YxxfBlockRec;

// One insert of the chain down which ConvertBlock recurses, innermost first.
struct InsertChainLink {
  const InsertChainLink* parent = nullptr;
  const YxxfEntInsert* insert = nullptr;
  const YxxfBlockRec* block = nullptr;
  std::uint32_t depth = 1;
};

}  // namespace kvn
