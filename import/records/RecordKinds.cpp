// The one place that knows every record class by its spool kind.
#include "import/records/DirectObject.h"
#include "import/records/HatchRecord.h"
#include "import/records/InsertRecord.h"
#include "import/records/PictureRecords.h"
#include "import/records/PolylineRecords.h"
#include "import/records/SimpleRecords.h"
#include "import/records/TextRecord.h"
#include "import/records/ViewportRecord.h"
#include "import/records/cOneObjRec.h"

namespace kvn {

std::unique_ptr<cOneObjRec> MakeEmptyRecord(RecordKind kind) {
  switch (kind) {
    case RecordKind::Placeholder: return std::make_unique<cOneObjRec>();
    case RecordKind::Line: return std::make_unique<YxxfEntLine>();
    case RecordKind::Arc: return std::make_unique<YxxfEntArc>();
    case RecordKind::Circle: return std::make_unique<YxxfEntCircle>();
    case RecordKind::Solid: return std::make_unique<YxxfEntSolid>();
    case RecordKind::Ellipse: return std::make_unique<cOneEllipse>();
    case RecordKind::Point: return std::make_unique<YxxfEntPoint>();
    case RecordKind::Polygon: return std::make_unique<cLoadingPolygon>();
    case RecordKind::Spline: return std::make_unique<cLoadingSpline>();
    case RecordKind::Text: return std::make_unique<cOneText>();
    case RecordKind::Hatch: return std::make_unique<cOneHatch>();
    case RecordKind::Segments: return std::make_unique<cDirectObject>();
    case RecordKind::Viewport: return std::make_unique<cOneViewPort>();
    case RecordKind::Insert: return std::make_unique<YxxfEntInsert>();
    case RecordKind::Bitmap: return std::make_unique<cOneBitmap>();
    case RecordKind::Ole: return std::make_unique<cOLE>();
    default: return nullptr;
  }
}

}  // namespace kvn
