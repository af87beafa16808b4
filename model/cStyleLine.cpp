#include "model/cStyleLine.h"

#include <cmath>
#include <string>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/TextFormat.h"
#include "model/Geometry.h"
#include "model/ObjectList.h"
#include "model/StyleRefs.h"
#include "model/VersionedString.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "model/cStyleFont.h"

namespace kvn {

namespace {

GlyphOutlineSource* glyphSource = nullptr;

// Old files wrote the largest single for "no pattern length".
constexpr double kOldNoLength = 3.4028234663852886e38;

double PositiveScaleOf(const cDrawingData* data) {
  const double s = data ? data->GetScale() : 1.0;
  return s > 0.0 ? s : 1.0;
}

}  // namespace

void SetGlyphOutlineSource(GlyphOutlineSource* source) { glyphSource = source; }

cStyleLine::~cStyleLine() = default;

void cStyleLine::Scale(double factor) {
  if (factor == 0.0) return;
  width *= factor;
  patternScale *= factor;
  FreePatternCache();
}

void cStyleLine::NormalizeSymbolScale() {
  if (symbol.Empty() || !(patternScale > 0.0)) return;
  const double s = patternScale;
  repeatLength /= s;
  if (startOffset > 0.0) startOffset /= s;
  DoneBlockList done;
  TransformContext context{&done, nullptr, nullptr};
  for (cOutObj* o = symbol.Head(); o; o = o->next) {
    o->Scale(context, DPoint{0, 0}, DPoint{1.0 / s, 1.0 / s});
    o->ScaleLineWidths(context, 1.0 / s);
  }
  FreePatternCache();
}

void cStyleLine::ScalePattern(double factor) {
  if (factor == 0.0 || !byObject) return;
  patternScale *= factor;
  FreePatternCache();
}

// ---- record ----

void cStyleLine::Write(ArchiveWriter& w, cDrawingData* data) const {
  w.WriteBit(byObject != 0);
  w.WriteSmallByte(lineType);
  w.WriteRealOrUnit(patternScale);
  if (!byObject) {
    w.WriteColor(color);
    w.WriteColor(gapColor);
    w.WriteCompactDouble(width);
    w.WriteBit(penOption != 0);
  }

  if (hasSymbol) {
    w.WriteByte(1);
    w.WriteCompactDouble(repeatLength);
    w.WriteCompactDouble(startOffset);
    w.WriteByte(symbolByte);
    for (const cOutObj* o = symbol.Head(); o; o = o->next) {
      if (!o->AsInsert()) o->Write(data, w);
    }
    w.WriteByte(kEndOfObjectList);
  } else {
    w.WriteByte(0);
  }

  const std::size_t count = dashElements.size() > 65535 ? 65535 : dashElements.size();
  w.WriteCompactU16(std::uint16_t(count));
  for (std::size_t i = 0; i < count; ++i) {
    const LineDashElement& e = dashElements[i];
    w.WriteCompactDouble(e.position);
    w.WriteBit(e.hasText);
    if (!e.hasText) continue;
    w.WriteByte(e.flags);
    w.WriteString(e.text);
    WriteStyleRef<cStyleFont>(w, e.fontIndex, data);
    w.WriteCompactDouble(e.offsetX);
    w.WriteCompactDouble(e.offsetY);
    w.WriteCompactDouble(e.scale);
    w.WriteCompactDouble(e.rotation);
  }
}

bool cStyleLine::Read(ArchiveReader& r, int version, cDrawingData* data) {
  // Everything the record does not carry goes back to its default, so that
  // Assign onto a used style leaves nothing of the old one.
  color = 0;
  gapColor = 0x80FFFFFF;
  width = 0.25;
  lineType = 1;
  patternScale = 1.0;
  penOption = 0;
  repeatLength = startOffset = 0.0;
  symbolByte = hasSymbol = byObject = 0;
  symbol.Clear();
  dashElements.clear();
  FreePatternCache();

  if (!VersionBelow(version, 3098)) {
    byObject = r.ReadBit();
    lineType = r.ReadSmallByte();
    patternScale = r.ReadRealOrUnit();
    if (!byObject) {
      color = r.ReadColor();
      if (!VersionBelow(version, 3111)) gapColor = r.ReadColor();
      width = r.ReadCompactDouble();
      penOption = r.ReadBit();
    }
  } else if (!VersionBelow(version, 3061)) {
    color = r.ReadColor();
    width = r.ReadCompactDouble();
    lineType = r.ReadSmallByte();
    patternScale = r.ReadRealOrUnit();
    if (!VersionBelow(version, 3062)) penOption = r.ReadBit();
  } else {
    color = r.ReadRaw32() & 0xFFFFFF;
    width = r.ReadFloat();
    lineType = r.ReadByte();
    const double stored = r.ReadFloat();
    if (VersionBelow(version, 3058)) {
      // Old files stored an absolute pattern length; it becomes a scale
      // relative to the pen (four pattern units per width) or the drawing
      // scale, whichever is larger, as the old line records do.
      const double length = stored == kOldNoLength ? 0.0 : stored;
      const double pen = width * 4.0;
      const double s = PositiveScaleOf(data);
      patternScale = length / (pen > s ? pen : s);
      if (!(patternScale > 0.0)) patternScale = 1.0;
    } else {
      patternScale = stored;
    }
  }

  if (r.ReadByte() == 1) {
    hasSymbol = 1;
    if (!VersionBelow(version, 3061)) {
      repeatLength = r.ReadCompactDouble();
      startOffset = r.ReadCompactDouble();
    } else {
      repeatLength = r.ReadFloat();
      startOffset = r.ReadFloat();
      if (repeatLength < 0.0) repeatLength = 0.0;
      if (startOffset < 0.0) startOffset = 0.0;
    }
    symbolByte = r.ReadByte();
    if (VersionBelow(version, 3058)) symbolByte = 0;
    if (!ReadObjectList(r, data, version, symbol)) {
      r.SetError();
      return false;
    }
  }

  if (!VersionBelow(version, 3097)) {
    const std::uint16_t count = r.ReadCompactU16();
    for (std::uint32_t i = 0; i < count && !r.HasError(); ++i) {
      LineDashElement e;
      e.position = r.ReadCompactDouble();
      e.hasText = r.ReadBit();
      if (e.hasText) {
        e.flags = r.ReadByte();
        r.ReadString(e.text, false);
        e.fontIndex = ReadStyleRef<cStyleFont>(r, version, data);
        e.offsetX = r.ReadCompactDouble();
        e.offsetY = r.ReadCompactDouble();
        e.scale = r.ReadCompactDouble();
        e.rotation = r.ReadCompactDouble();
      }
      dashElements.push_back(std::move(e));
    }
  }
  return !r.HasError();
}

// ---- derived ----

void cStyleLine::MakeName() {
  WString text(u"L(");
  text.Append(WString::FromUtf8(std::to_string(lineType)));
  text.AppendChar(u',');
  text.Append(FormatDouble(width, 12));
  text.AppendChar(u',');
  text.Append(WString::FromUtf8(std::to_string(color)));
  text.AppendChar(u',');
  text.Append(FormatDouble(patternScale, 12));
  text.AppendChar(u',');
  text.AppendChar(penOption ? u'1' : u'0');
  text.AppendChar(u')');
  name = text;
}

void cStyleLine::SetFromObject(const cOutObj& object, const StrokeFields& stroke, const cDrawingData* data) {
  lineType = std::uint8_t(GetLineType(object, stroke, data) & 0x7F);
  if (byObject) {
    patternScale = PositiveScaleOf(data);
  } else {
    color = GetLineColor(object, stroke, data);
    gapColor = GetGapColor(object, stroke, data);
    width = GetLineWidth(object, stroke, data);
    patternScale = GetPatternScale(object, stroke, data);
    penOption = GetPenOption(object, stroke, data);
  }
  hasSymbol = 0;
  dashElements.clear();
  FreePatternCache();
}

void cStyleLine::BuildPatternCache(const cDrawingData* data) {
  if (patternCache_ || dashElements.empty() || !glyphSource) return;
  auto cache = std::make_unique<LinePatternCache>();
  std::vector<CubicArray> glyph;
  for (std::uint32_t i = 0; i < dashElements.size(); ++i) {
    const LineDashElement& e = dashElements[i];
    if (!e.hasText || e.text.IsEmpty()) continue;
    LinePatternCache::Piece piece;
    piece.element = i;
    double pen = 0.0;  // glyph advance so far, font units
    for (int c = 0; c < e.text.Length(); ++c) {
      glyph.clear();
      double advance = 0.0;
      double unitsPerEm = 0.0;
      if (!glyphSource->GetGlyph(data, e.fontIndex, e.text[c], glyph, advance, unitsPerEm) || !(unitsPerEm > 0.0)) {
        continue;
      }
      // Font units -> em units, y mirrored, then the element's height, turn
      // and offset.
      const double k = e.scale / unitsPerEm;
      for (CubicArray& contour : glyph) {
        for (Cubic& cubic : contour) {
          for (DPoint& p : cubic.p) {
            DPoint q{(p.x + pen) * k, -p.y * k};
            RotatePoint(q, DPoint{}, e.rotation);
            q.x += e.offsetX;
            q.y += e.offsetY;
            p = q;
            const double d = std::hypot(q.x, q.y);
            if (d > cache->reach) cache->reach = d;
          }
        }
        piece.contours.push_back(std::move(contour));
      }
      pen += advance;
    }
    cache->pieces.push_back(std::move(piece));
  }
  patternCache_ = std::move(cache);
}

}  // namespace kvn
