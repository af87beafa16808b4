#include "model/cStyleFill.h"

#include <string>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/ObjectList.h"
#include "model/VersionedString.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"

namespace kvn {

namespace {

// Hatch-line dashes one style may hold. A real symbol hatch has a few lines
// of a few dashes; a two-bit compact zero inflates to an 8-byte double, so
// without a budget a small file could ask for gigabytes.
constexpr std::uint64_t kMaxHatchDashes = 1u << 20;

double PositiveScaleOf(const cDrawingData* data) {
  const double s = data ? data->GetScale() : 1.0;
  return s > 0.0 ? s : 1.0;
}

bool IsNotSet(std::uint32_t color) { return (color & 0x80000000u) != 0; }

}  // namespace

cStyleFill::~cStyleFill() = default;

void cStyleFill::Scale(double factor) {
  if (factor == 0.0) return;
  hatchValue *= factor;
  hatchScale *= factor;
}

// ---- record ----

void cStyleFill::Write(ArchiveWriter& w, cDrawingData* data) const {
  w.WriteBit(byObject != 0);
  w.WriteByte(hatchKind);
  w.WriteRealOrUnit(hatchKind != 0 ? hatchScale : 0.0);
  if (!byObject) {
    w.WriteColor(fillColor);
    WriteOptionalU8(w, IsNotSet(fillColor) ? std::uint8_t(255) : opacity);
    w.WriteColor(hatchColor);
    w.WriteCompactDouble(hatchValue);
  }
  if (hatchKind != kSymbolHatch) return;

  bool anySymbol = false;
  for (const cOutObj* o = symbol.Head(); o; o = o->next) {
    if (o->AsInsert()) continue;
    o->Write(data, w);
    anySymbol = true;
  }
  w.WriteByte(kEndOfObjectList);
  w.WriteRealOrUnit(anySymbol ? symbolScale : 1.0);
  const std::size_t count = hatchLines.size() > 65535 ? 65535 : hatchLines.size();
  w.WriteCompactDouble(count ? hatchLinesValue : 0.0);
  w.WriteCompactU16(std::uint16_t(count));
  for (std::size_t i = 0; i < count; ++i) {
    const HatchLine& line = hatchLines[i];
    for (double v : line.values) w.WriteCompactDouble(hatchLineFlag ? 0.0 : v);
    for (double v : line.params) w.WriteCompactDouble(v);
    const std::size_t dashes = line.dashes.size() > 65535 ? 65535 : line.dashes.size();
    w.WriteCompactU16(std::uint16_t(dashes));
    for (std::size_t d = 0; d < dashes; ++d) w.WriteCompactDouble(line.dashes[d]);
  }
}

bool cStyleFill::Read(ArchiveReader& r, int version, cDrawingData* data) {
  hatchKind = 0;
  fillColor = 0x80000000;
  opacity = 255;
  byObject = 0;
  hatchColor = 0;
  hatchValue = 0.25;
  hatchScale = 1.0;
  symbolScale = 1.0;
  symbol.Clear();
  hatchLineFlag = 0;
  hatchLines.clear();
  hatchLinesValue = 0.0;

  if (!VersionBelow(version, 3098)) {
    byObject = r.ReadBit();
    hatchKind = r.ReadByte();
    hatchScale = r.ReadRealOrUnit();
    if (!byObject) {
      fillColor = r.ReadColor();
      opacity = std::uint8_t(ReadOptionalFlagByte(r));
      hatchColor = r.ReadColor();
      hatchValue = r.ReadCompactDouble();
    }
  } else {
    hatchKind = r.ReadByte();
    fillColor = r.ReadRaw32() & 0x80FFFFFF;
    opacity = VersionBelow(version, 3079) ? std::uint8_t(255) : std::uint8_t(ReadOptionalFlagByte(r));
    if (VersionBelow(version, 3053)) {
      // Old kinds: 0 nothing, 1 solid, k >= 2 hatch k - 1 in the colour
      // over white.
      if (hatchKind == 0) {
        fillColor = 0x80000000;
      } else if (hatchKind == 1) {
        hatchKind = 0;
      } else {
        hatchKind = std::uint8_t(hatchKind - 1);
        hatchColor = fillColor & 0xFFFFFF;
        fillColor = 0xFFFFFF;
      }
      return FinishOldRecord(version, data) && !r.HasError();
    }
    hatchColor = r.ReadRaw32() & 0xFFFFFF;
    if (VersionBelow(version, 3056)) {
      hatchValue = hatchScale = 1.0;
      return FinishOldRecord(version, data) && !r.HasError();
    }
    if (VersionBelow(version, 3061)) {
      hatchValue = r.ReadFloat();
      hatchScale = r.ReadFloat();
    } else {
      hatchValue = r.ReadRealOrUnit();
      hatchScale = r.ReadRealOrUnit();
    }
  }

  if (hatchKind == kSymbolHatch) {
    if (!ReadObjectList(r, data, version, symbol)) {
      r.SetError();
      return false;
    }
    if (!VersionBelow(version, 3098)) symbolScale = r.ReadRealOrUnit();
    if (!VersionBelow(version, 3074)) {
      hatchLinesValue = r.ReadCompactDouble();
      const std::uint16_t count = r.ReadCompactU16();
      std::uint64_t dashBudget = kMaxHatchDashes;
      for (std::uint32_t i = 0; i < count; ++i) {
        // A line takes at least 12 bits, more than the bits still pending
        // in the current byte: no byte left means no line left.
        if (r.AtEnd()) break;
        HatchLine line;
        for (double& v : line.values) v = r.ReadCompactDouble();
        for (double& v : line.params) v = r.ReadCompactDouble();
        const std::uint16_t dashes = r.ReadCompactU16();
        if (dashes > dashBudget) {
          r.SetError();
          return false;
        }
        dashBudget -= dashes;
        line.dashes.reserve(dashes);
        for (std::uint32_t d = 0; d < dashes && !r.HasError(); ++d) line.dashes.push_back(r.ReadCompactDouble());
        hatchLines.push_back(std::move(line));
        if (r.HasError()) break;
      }
    }
  }

  return FinishOldRecord(version, data) && !r.HasError();
}

bool cStyleFill::FinishOldRecord(int version, cDrawingData* data) {
  if (!VersionBelow(version, 3068)) return true;
  // Files before 3068 kept hatch sizes at drawing scale 1; the symbol is
  // brought back to symbol units.
  const double s = PositiveScaleOf(data);
  hatchValue *= s;
  hatchScale *= s;
  if (s != 1.0) {
    TransformContext context;
    context.data = data;
    context.chain = symbol.Head();
    for (cOutObj* o = symbol.Head(); o; o = o->next) (void)o->Scale(context, DPoint{}, DPoint{1.0 / s, 1.0 / s});
  }
  return true;
}

// ---- derived ----

void cStyleFill::MakeName() {
  unsigned k;
  std::uint32_t c;
  if (hatchKind != 0) {
    k = unsigned(hatchKind) + 1;
    c = hatchColor;
  } else if (IsNotSet(fillColor)) {
    k = 0;
    c = 0;
  } else {
    k = 1;
    c = fillColor;
  }
  name = WString::FromUtf8("A(" + std::to_string(k) + "," + std::to_string(c) + ")");
}

void cStyleFill::SetFromObject(const cOutObj& object, const FillFields& fill, const cDrawingData* data) {
  hatchKind = GetHatchKind(object, fill, data);
  if (byObject) {
    hatchScale = PositiveScaleOf(data);
    return;
  }
  fillColor = GetFillColor(object, fill, data);
  opacity = GetFillAlpha(object, fill, data);
  hatchColor = GetHatchColor(object, fill, data);
  hatchValue = GetHatchSize(object, fill, data);
  hatchScale = GetHatchScale(object, fill, data);
}

}  // namespace kvn
