#include "import/records/TextRecord.h"

#include <cmath>

#include "import/records/ImportMatrix.h"
#include "import/records/ImportObjects.h"
#include "import/records/SpoolStream.h"
#include "import/records/TextCodes.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "model/cPolygon.h"
#include "model/cText.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {


bool IsBlank(const WString& s) {
  for (char16_t c : s.View()) {
    if (c != u'\n' && c != u'\r' && c != u' ') return false;
  }
  return true;
}

}  // namespace

cOneText::cOneText(YxxfGroupRecord* record, std::uint16_t code) : SpooledRecord(record, code) {
  if (!record || code == 0) return;
  record->SetSubRecord(0);
  ConvertPercentCodes(tag, record->GetString(2), false);
  prompt = record->GetString(3);

  WString raw;
  if (code == entity::kMText) {
    raw = record->JoinStrings(3, 1);
    multiLine = 1;
  } else {
    record->SetSubRecord(1);
    raw = record->JoinStrings(3, 1);
    if (!raw.IsEmpty()) {
      multiLine = 1;
    } else {
      // A one-line text: its code 1 is read below, the pieces are not needed.
      record->SetSubRecord(0);
    }
  }
  for (int i = 0; i < 5; ++i) flags[i] = record->GetInt(std::uint16_t(70 + i));
  width = record->GetDouble(41);
  if (multiLine) {
    bool hasSpace = false;
    WString stripped;
    StripMtextCodes(stripped, raw, hasSpace);
    ConvertPercentCodes(text, stripped, true);
    if (!hasSpace) width = 0.0;
  } else {
    ConvertPercentCodes(text, record->GetString(1), false);
  }
  insertion = record->GetPoint3(10);
  if (record->FindIndex(11) >= 0) {
    second = record->GetPoint3(11);
  } else if (!multiLine) {
    // A justified text whose writer left out its alignment point (a DWG
    // text may store none) is placed at its insertion point, where its
    // writer shows it, not about the origin.
    second = insertion;
  }
  height = record->GetDouble(40);
  lineSpacing = record->GetDouble(44);
  rotation = record->GetDouble(50);
  if (record->HasHandle(7)) {
    styleHandle = record->GetHandle(7);
  } else if (!record->FindString(styleName, 7)) {
    // One shared representation for the many texts that name no style.
    static const WString kStandard(u"STANDARD");
    styleName = kStandard;
  }
  record->SetSubRecord(0);
}

int cOneText::Alignment() const {
  if (multiLine) {
    const std::int32_t a = flags[1];
    return a >= 1 && a <= 9 ? a - 1 : 0;
  }
  const std::int32_t h = flags[2];
  const std::int32_t v = (entityCode == entity::kAttDef || entityCode == entity::kAttrib) ? flags[4] : flags[3];
  if (h == 4) return 4;
  if ((h == 0 && v == 0) || h >= 3) return 9;
  const int column = h == 1 ? 1 : (h == 2 ? 2 : 0);
  switch (v) {
    case 3: return column;
    case 2: return 3 + column;
    case 1: return 6 + column;
    default: return 9 + column;
  }
}

ObjectChain cOneText::MakeObject(const ImportMatrix* transform, YxxfReader*, void*) const {
  const WString& shown = entityCode == entity::kAttDef ? tag : text;
  if (IsBlank(shown)) return ObjectChain();
  auto object = std::make_unique<cText>();
  object->attr.height = std::fabs(height);
  object->attr.color = color;
  object->attr.widthFactor = 1.0;
  object->SetText(shown);
  // Tabs and other control codes of the file (MTEXT's ^I in bullet lists)
  // would draw as the face's missing-glyph box.
  object->SanitizeText();
  const int alignment = Alignment();
  if (!multiLine) {
    object->attr.mirrorX = (flags[1] & 2) ? 1 : 0;
    object->attr.mirrorY = (flags[1] & 4) ? 1 : 0;
    const std::int32_t h = flags[2];
    const std::int32_t v = (entityCode == entity::kAttDef || entityCode == entity::kAttrib) ? flags[4] : flags[3];
    const bool atInsertion = h != 4 && ((h == 0 && v == 0) || h >= 3);
    const Vec3& reference = atInsertion ? insertion : second;
    const double r = rotation * kPi / 180.0;
    if (transform) {
      object->point = transform->TransformTo2D(OcsToWcs(reference, extrusion));
      const Vec3 direction = OcsToWcs(Vec3{std::cos(r), std::sin(r), 0}, extrusion);
      if (!FitTextToTransform(*object, *transform, direction, extrusion)) return ObjectChain();
    } else {
      object->point = DPoint{reference.x, reference.y};
      object->SetAngle(rotation);
    }
    if (width > 0.0) object->attr.widthFactor *= width;
  } else {
    if (lineSpacing > 0.0) object->lineSpacing = lineSpacing;
    object->wrapWidth = width;
    if (transform) {
      object->point = transform->TransformTo2D(insertion);
      if (!FitTextToTransform(*object, *transform, second, extrusion)) return ObjectChain();
    } else {
      object->point = DPoint{insertion.x, insertion.y};
      object->SetAngle(std::atan2(second.y, second.x) * 180.0 / kPi);
    }
  }
  object->alignment = std::uint8_t((object->alignment & ~kAlignCodeMask) | (alignment & kAlignCodeMask));
  object->MarkDirty();
  const DPoint at = object->point;
  ObjectChain out(object.release());
  if (framed) {
    // Its corners come with the text's style (FrameLaidOutText); until then
    // it is a point at the text.
    auto frame = std::make_unique<cPolygon>();
    SetImportPen(*frame);
    const DPoint corners[4] = {at, at, at, at};
    frame->FirstList().SetPoints(corners, 4);
    frame->FirstList().SetClosed(true);
    out.Append(frame.release());
  }
  return out;
}

void FrameLaidOutText(const cOneText& source, cText& text, cDrawingData& data) {
  if (!source.framed || !text.next) return;
  cAnyFill* fill = text.next->AsAnyFill();
  cPolygon* frame = fill ? fill->AsPolygon() : nullptr;
  if (!frame || frame->ListCount() == 0) return;
  DPoint c[4];
  text.GetFrameCorners(&data, c);
  // The box's own axes, from its sides; a side of no length takes the
  // other turned by a right angle.
  auto unit = [](DPoint a, DPoint b) {
    const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
    return length > 1e-12 && std::isfinite(length) ? DPoint{dx / length, dy / length} : DPoint{};
  };
  DPoint u = unit(c[0], c[1]), v = unit(c[0], c[3]);
  if (u.x == 0 && u.y == 0) u = DPoint{v.y, -v.x};
  if (v.x == 0 && v.y == 0) v = DPoint{-u.y, u.x};
  double g = source.frameGap;
  if (!std::isfinite(g) || g < 0) g = 0;
  const double su[4] = {-1, 1, 1, -1}, sv[4] = {-1, -1, 1, 1};
  for (int i = 0; i < 4; ++i) {
    c[i].x += (su[i] * u.x + sv[i] * v.x) * g;
    c[i].y += (su[i] * u.y + sv[i] * v.y) * g;
  }
  frame->FirstList().SetPoints(c, 4);
  frame->FirstList().SetClosed(true);
  frame->MarkDirty();
}

void cOneText::WriteExtra(OutFileStream& out) const {
  SpoolWriter w(out);
  w.Text(styleName);
  w.Text(text);
  w.Text(tag);
  w.Text(prompt);
}

bool cOneText::ReadExtra(InFileStream& in) {
  SpoolReader r(in);
  styleName = r.Text();
  text = r.Text();
  tag = r.Text();
  prompt = r.Text();
  return r.Ok();
}

}  // namespace kvn
