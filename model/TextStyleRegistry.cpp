#include "model/TextStyleRegistry.h"

#include <memory>

#include "model/FontList.h"
#include "model/cStyleFont.h"

namespace kvn {

std::uint16_t cDrawingData::TextStyleIndex(std::uint16_t reference, const cDrawingData* data) {
  if (!data) return kNoStyle;
  const TextStyleTable& table = data->TextStyles();
  if (reference < kBuiltinTextStyleBit) return table.Contains(reference) ? reference : kNoStyle;
  const std::uint32_t n = reference - kBuiltinTextStyleBit;
  if (n >= kBuiltinTextStyleCount) return kNoStyle;
  for (std::uint32_t i = 0; i < table.Count(); ++i) {
    if (table.Get(i)->builtinMarks & (1u << n)) return std::uint16_t(i);
  }
  return kNoStyle;
}

std::uint16_t cDrawingData::AddTextStyle(const TextAttributes& record) {
  auto style = std::make_unique<cStyleText>();
  style->attributes = record;
  style->MakeName();
  style->Scale(scale_);
  for (std::uint32_t i = 0; i < textStyles_.Count(); ++i) {
    if (textStyles_.Get(i)->name == style->name) return std::uint16_t(i);
  }
  ResolveStyleFont(style->attributes);
  return textStyles_.Add(std::move(style));
}

void cDrawingData::ResolveStyleFont(TextAttributes& record) {
  if (record.fontIndex != kNoStyle && record.fontIndex >= fontStyles_.Count()) record.fontIndex = kNoStyle;
  if (record.fontIndex == kNoStyle) record.fontIndex = FindOrAddFont(WString(record.faceName, 0, kFaceNameUnits));
}

std::uint16_t cDrawingData::FindOrAddFont(const WString& faceName, bool bold, bool italic,
                                          const WString* alternativeName) {
  for (std::uint32_t i = 0; i < fontStyles_.Count(); ++i) {
    if (fontStyles_.Get(i)->name.CompareNoCaseN(faceName.CStr(), -1) == 0) return std::uint16_t(i);
  }
  auto font = std::make_unique<cStyleFont>();
  font->name = faceName;
  if (!FontList::FindByName(faceName)) {
    // A family the list does not hold travels with the drawing's outlines.
    auto set = std::make_unique<TrueTypeFaceSet>(faceName);
    set->outlinesStored = 1;
    set->CreateFace((bold ? 1 : 0) + (italic ? 2 : 0));
    font->BindFace(std::move(set), nullptr);
    if (alternativeName) font->alternativeName = *alternativeName;
  } else {
    font->BindFace(nullptr, nullptr);
  }
  return fontStyles_.Add(std::move(font));
}

}  // namespace kvn
