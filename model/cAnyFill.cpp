#include "model/cAnyFill.h"

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/StyleRefs.h"
#include "model/cDrawingData.h"
#include "model/cStyleFill.h"

namespace kvn {

namespace {

constexpr std::uint32_t kColorNotSet = 0x80000000u;

bool IsSet(std::uint32_t color) { return (color & kColorNotSet) == 0; }

// The drawing scale as old records use it: 1.0 without a positive scale.
double PositiveScale(const cDrawingData* data) {
  return data && data->Scale() > 0 ? data->Scale() : 1.0;
}

}  // namespace

cAnyFill::cAnyFill(std::uint8_t typeCode) : cAnyLine(typeCode) {}

cAnyFill::~cAnyFill() = default;

void cAnyFill::ScaleLineWidths(const TransformContext& context, double factor) {
  if (!(factor >= 0)) return;
  cAnyLine::ScaleLineWidths(context, factor);
  fill.hatchValue *= factor;
  fill.hatchScale *= factor;
}

void cAnyFill::AssignFillPart(const cAnyFill& source) {
  SetTypeByteSourceBits(std::uint8_t((TypeByte() & kTypeStyledStroke) | (source.TypeByte() & kTypeStyledFill)));
  const std::uint16_t former = fill.formerFillStyle;
  fill = source.fill;
  fill.formerFillStyle = former;
  MarkDirty();
}

void cAnyFill::Assign(const cOutObj& source) {
  cAnyLine::Assign(source);
  if (const cAnyFill* filled = source.AsAnyFill()) AssignFillPart(*filled);
}

void cAnyFill::DetachFillStyle(cDrawingData* data) {
  if (!(TypeByte() & kTypeStyledFill) || !data) return;
  const cStyleFill* style = data->FillStyles().Get(fill.fillStyle);
  if (!style) return;
  SetTypeByteSourceBits(std::uint8_t(TypeByte() & kTypeStyledStroke));
  fill.hatchKind = style->hatchKind < kSymbolHatch ? style->hatchKind : 0;
  if (!style->byObject) {
    fill.fillColor = style->fillColor;
    fill.opacity = style->opacity;
    fill.hatchColor = style->hatchColor;
    fill.hatchValue = style->hatchValue;
    fill.hatchScale = style->hatchScale;
  }
  MarkDirty();
  fill.formerFillStyle = kNoStyle;
}

void cAnyFill::MaterializeFillStyle(cDrawingData* data) {
  if (!(TypeByte() & kTypeStyledFill)) return;
  MarkDirty();
  const bool hatched = GetHatchKind(data) != 0;
  if (const cStyleFill* style = data ? data->FillStyles().Get(fill.fillStyle) : nullptr) {
    SetTypeByteSourceBits(std::uint8_t(TypeByte() & kTypeStyledStroke));
    fill.hatchKind = style->hatchKind < kSymbolHatch ? style->hatchKind : 0;
    if (!style->byObject) {
      fill.fillColor = style->fillColor;
      fill.opacity = style->opacity;
      fill.hatchColor = style->hatchColor;
      fill.hatchValue = style->hatchValue;
      fill.hatchScale = style->hatchScale;
    }
  }
  fill.formerFillStyle = fill.fillStyle;
  if (hatched) fill.hatchKind = 1;
}

// ---- the fill part of the record ----

void cAnyFill::WriteFillPart(cDrawingData* data, ArchiveWriter& w) const {
  if (TypeByte() & kTypeStyledFill) {
    WriteStyleRef<cStyleFill>(w, fill.fillStyle, data);
    const cStyleFill* style = data ? data->FillStyles().Get(fill.fillStyle) : nullptr;
    if (style && !style->byObject) {
      w.WriteColor(kColorNotSet);
      w.WriteColor(0);
      w.WriteCompactDouble(0.0);
      w.WriteRealOrUnit(0.0);
      return;
    }
  } else {
    w.WriteSmallByte(fill.hatchKind);
  }
  w.WriteColor(fill.fillColor);
  if (IsSet(fill.fillColor)) {
    if (fill.opacity < 255) {
      w.WriteBit(true);
      w.WriteByte(fill.opacity);
    } else {
      w.WriteBit(false);
    }
  }
  w.WriteColor(fill.hatchColor);
  w.WriteCompactDouble(fill.hatchValue);
  w.WriteRealOrUnit(fill.hatchScale);
}

void cAnyFill::ReadFillPart(cDrawingData* data, ArchiveReader& r, int version) {
  const bool styled = (TypeByte() & kTypeStyledFill) != 0;
  MarkDirty();
  auto readOpacity = [&r]() -> std::uint8_t { return r.ReadBit() ? r.ReadByte() : 255; };
  if (!styled && version < 3098) fill.hatchValue = data ? 0.25 * PositiveScale(data) : 0.0;

  if (version >= 3098) {
    if (styled) {
      fill.fillStyle = ReadStyleRef<cStyleFill>(r, version, data);
    } else {
      fill.hatchKind = r.ReadSmallByte();
    }
    fill.fillColor = r.ReadColor();
    if (IsSet(fill.fillColor)) fill.opacity = readOpacity();
    fill.hatchColor = r.ReadColor();
    fill.hatchValue = r.ReadCompactDouble();
    fill.hatchScale = r.ReadRealOrUnit();
  } else if (version >= 3061) {
    if (styled) {
      fill.fillStyle = version < 3077 ? r.ReadCompactU16() : ReadStyleRef<cStyleFill>(r, version, data);
    } else {
      fill.hatchKind = r.ReadSmallByte();
      fill.fillColor = r.ReadColor();
      if (version >= 3079) fill.opacity = readOpacity();  // read whether or not the colour is set
      if (fill.hatchKind != 0) {
        fill.hatchColor = r.ReadColor();
        fill.hatchValue = r.ReadCompactDouble();
        fill.hatchScale = r.ReadRealOrUnit();
      }
    }
  } else if (styled) {
    fill.fillStyle = r.ReadUInt16();
  } else if (version >= 3053) {
    fill.hatchKind = r.ReadByte();
    fill.fillColor = std::uint32_t(r.ReadInt32()) & 0x80FFFFFFu;
    if (fill.hatchKind != 0) {
      fill.hatchColor = std::uint32_t(r.ReadInt32()) & 0x00FFFFFFu;
      if (version >= 3056) fill.hatchValue = r.ReadFloat();
      if (version >= 3058) fill.hatchScale = r.ReadFloat();
    }
  } else {
    // One kind byte for both: 0 nothing, 1 solid, n a hatch n - 1 over white.
    const std::uint8_t oldKind = r.ReadByte();
    const std::uint32_t color = std::uint32_t(r.ReadInt32()) & 0x80FFFFFFu;
    if (oldKind == 0) {
      fill.fillColor = kColorNotSet;
      fill.hatchKind = 0;
    } else if (oldKind == 1) {
      fill.fillColor = color;
      fill.hatchKind = 0;
    } else {
      fill.hatchKind = std::uint8_t(oldKind - 1);
      fill.hatchColor = color;
      fill.fillColor = 0x00FFFFFF;
    }
  }

  if (version < 3068) {
    // Old hatch sizes were relative to four hatch line widths, or to the
    // drawing scale when that is larger.
    if (!(fill.hatchScale > 0)) fill.hatchScale = 1.0;
    const double scale = PositiveScale(data);
    fill.hatchScale *= fill.hatchValue * 4.0 > scale ? fill.hatchValue * 4.0 : scale;
  }
}

}  // namespace kvn
