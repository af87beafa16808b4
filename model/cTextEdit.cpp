// Edits of a text: scaling with its alignment mirrored, moving the anchor to
// the top-left corner, freezing and expanding fields in the source, and the
// line test.
#include <cmath>

#include "model/Geometry.h"
#include "model/cDrawingData.h"
#include "model/cText.h"
#include "model/cTextFields.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {


int MirrorColumn(int code) { return code / 3 * 3 + (2 - code % 3); }

double IntoHalfOpenCircle(double degrees) {
  double a = std::fmod(degrees, 360.0);
  if (a > 180) a -= 360;
  if (a <= -180) a += 360;
  return a;
}

}  // namespace

bool cText::Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) {
  cDrawingData* data = context.data;
  const double fx = factors.x, fy = factors.y;
  const double m = std::min(std::fabs(fx), std::fabs(fy));
  if (m != 0 && !std::isnan(m)) {
    attr.height *= m;
    wrapWidth *= m;
  }
  if (alignment & kAlignKeepAngle) {
    point.x = (point.x - centre.x) * fx + centre.x;
    point.y = (point.y - centre.y) * fy + centre.y;
    MarkDirty();
    return true;
  }
  double a = angle;
  const bool alongX = std::fabs(a) <= 45 || std::fabs(a) >= 135;
  int code = alignment & kAlignCodeMask;
  bool mirrorRow = false;
  auto mirror = [&](bool column) {
    if (column) {
      code = MirrorColumn(code);
    } else {
      mirrorRow = !mirrorRow;
    }
  };
  if (fx != 1 && !std::isnan(fx)) {
    point.x = (point.x - centre.x) * fx + centre.x;
    a = std::atan2(std::sin(a * kRadPerDeg), fx * std::cos(a * kRadPerDeg)) / kRadPerDeg;
    if (fx < 0) {
      if (alongX) {
        a -= 180;
        mirror(true);
      } else {
        mirror(false);
      }
    }
  }
  if (fy != 1 && !std::isnan(fy)) {
    point.y = (point.y - centre.y) * fy + centre.y;
    a = std::atan2(fy * std::sin(a * kRadPerDeg), std::cos(a * kRadPerDeg)) / kRadPerDeg;
    if (fy < 0) {
      if (!alongX) {
        a -= 180;
        mirror(true);
      } else {
        mirror(false);
      }
    }
  }
  if (mirrorRow) {
    if (code < 9) {
      code = (2 - code / 3) * 3 + code % 3;
    } else if (data) {
      // The first baseline becomes the top row: the point moves back to the
      // top of the block along the text's y axis.
      MarkDirty();
      const int n = GetLineCount(data);
      const double d = GetDescent(data) + (n - 1) * (GetLineGap(data) + GetLineHeight(data)) * GetLineSpacing();
      point.x -= std::sin(a * kRadPerDeg) * d;
      point.y -= std::cos(a * kRadPerDeg) * d;
      code -= 9;
    }
  }
  angle = IntoHalfOpenCircle(a);
  alignment = std::uint8_t((alignment & ~kAlignCodeMask) | code);
  MarkDirty();
  return true;
}

void cText::MoveAnchorToTopLeft(cDrawingData* data) {
  UpdateIfDirty(data);
  const double pitch = GetLineHeight(data) + GetLineGap(data);
  const int n = int(lineStarts.Count());
  const int c = alignment & kAlignCodeMask;
  DPoint offset{(c % 3) * 0.5 * blockWidth, (c / 3) * 0.5 * n * pitch};
  RotatePoint(offset, DPoint{}, -angle);
  point.x -= offset.x;
  point.y -= offset.y;
  alignment = std::uint8_t(alignment & ~kAlignCodeMask);
  MarkDirty();
}

void cText::FreezeFields() {
  // Copied while scanned: a text of many fields is not moved once per field.
  const std::u16string_view v = text_.View();
  std::u16string s;
  bool changed = false;
  std::size_t from = 0;
  for (;;) {
    const std::size_t open = v.find(u"[/<", from);
    if (open == std::u16string_view::npos) break;
    const std::size_t close = v.find(u">\\]", open + 3);
    if (close == std::u16string_view::npos) break;
    if (!changed) s.reserve(v.size() + 16);
    s.append(v.substr(from, open + 3 - from));
    s += u'?';
    s.append(v.substr(open + 3, close + 3 - (open + 3)));
    changed = true;
    from = close + 3;
  }
  if (!changed) return;
  s.append(v.substr(from));
  SetText(WString(std::u16string_view(s)));
  MarkDirty();
}

void cText::ExpandFieldsInSource(cDrawingData* data, cOutObj* context, cOutObj* insert) {
  WString source = text_;
  if (ExpandFields(source, data, this, context, insert, nullptr)) {
    SetText(source);
    MarkDirty();
  }
}

bool cText::HasLineEqualTo(const WString& line) {
  const std::u16string_view want(line.CStr(), std::size_t(line.Length()));
  const std::u16string_view all(text_.CStr(), std::size_t(text_.Length()));
  std::size_t start = 0;
  for (;;) {
    std::size_t end = all.find(u'\n', start);
    std::u16string_view one = all.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start);
    if (!one.empty() && one.back() == u'\r') one.remove_suffix(1);
    if (one == want) return true;
    if (end == std::u16string_view::npos) return false;
    start = end + 1;
  }
}

}  // namespace kvn
