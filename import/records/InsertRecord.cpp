#include "import/records/InsertRecord.h"

#include "import/records/ImportMatrix.h"
#include "import/records/SpoolStream.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"

namespace kvn {

YxxfEntInsert::YxxfEntInsert(const YxxfGroupRecord* record, const Vec3& point, const Vec3& scaleIn,
                             double rotationIn, std::uint16_t code)
    : SpooledRecord(record, code), insertion(point), scale(scaleIn), rotation(rotationIn) {
  if (!record) return;
  if ((code == entity::kDimension || code == entity::kArcDimension) &&
      (record->GetInt(kCodeDimensionDxf) != 0 || record->GetInt(kCodeDimensionR12) != 0)) {
    insertion = OcsToWcs(record->GetPoint3(12), extrusion);
    insertion.z = record->GetDouble(31);
  }
  if (record->HasHandle(2)) {
    blockHandle = record->GetHandle(2);
  } else {
    blockName = record->GetString(2);
  }
  if (code == entity::kInsert) {
    const std::int32_t c = record->GetInt(70, 1), r = record->GetInt(71, 1);
    columns = c > 1 ? std::uint32_t(c) : 1;
    rows = r > 1 ? std::uint32_t(r) : 1;
    columnSpacing = record->GetDouble(44);
    rowSpacing = record->GetDouble(45);
  }
}

void YxxfEntInsert::WriteExtra(OutFileStream& out) const {
  SpoolWriter w(out);
  w.Text(blockName);
}

bool YxxfEntInsert::ReadExtra(InFileStream& in) {
  SpoolReader r(in);
  blockName = r.Text();
  return r.Ok();
}

}  // namespace kvn
