#include "model/cStyleLink.h"

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/StyleRefs.h"
#include "model/VersionedString.h"
#include "model/cDrawingData.h"
#include "model/cStyleLine.h"

namespace kvn {

cStyleLink::~cStyleLink() = default;

void cStyleLink::Scale(double factor) {
  if (factor == 0.0) return;
  attributes.width *= factor;
  attributes.patternScale *= factor;
}

void cStyleLink::Write(ArchiveWriter& w, cDrawingData* data) const {
  const DrawAttributes& a = attributes;
  WriteStyleRef<cStyleLine>(w, a.lineStyle, data);
  // A named style that gives its own values leaves placeholders here.
  const cStyleLine* line = data ? data->LineStyles().Get(a.lineStyle) : nullptr;
  const bool fromStyle = line && !line->byObject;
  w.WriteByte(a.lineStyle != kNoStyle ? 0 : a.lineType);
  w.WriteCompactDouble(fromStyle ? 0.0 : a.width);
  w.WriteRealOrUnit(fromStyle ? 0.0 : a.patternScale);
  w.WriteColor(fromStyle ? 0 : a.color);
  w.WriteColor(fromStyle ? 0x80FFFFFF : a.gapColor);
  w.WriteBit(fromStyle ? false : a.penOption != 0);
}

bool cStyleLink::Read(ArchiveReader& r, int version, cDrawingData* data) {
  attributes = DrawAttributes{};
  DrawAttributes& a = attributes;
  a.lineStyle = VersionBelow(version, 3077) ? r.ReadUInt16() : ReadStyleRef<cStyleLine>(r, version, data);
  if (VersionBelow(version, 3098) && a.lineStyle != kNoStyle) return !r.HasError();

  if (VersionBelow(version, 3061)) {
    a.lineType = r.ReadByte();
    a.width = r.ReadFloat();
    a.patternScale = r.ReadFloat();
    a.color = r.ReadRaw32() & 0xFFFFFF;
  } else {
    a.lineType = r.ReadByte();
    a.width = r.ReadCompactDouble();
    a.patternScale = r.ReadRealOrUnit();
    a.color = r.ReadColor();
    if (!VersionBelow(version, 3111)) a.gapColor = r.ReadColor();
    if (!VersionBelow(version, 3062)) a.penOption = r.ReadBit();
  }
  if (VersionBelow(version, 3068)) {
    // Before 3068 patterns were sized by the pen or the drawing scale,
    // whichever is larger (four pattern units per width).
    const double pen = a.width * 4.0;
    double s = data ? data->GetScale() : 1.0;
    if (!(s > 0.0)) s = 1.0;
    a.patternScale *= pen > s ? pen : s;
  }
  return !r.HasError();
}

}  // namespace kvn
