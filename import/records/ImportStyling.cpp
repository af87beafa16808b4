// Import styling: a made object gets its level, its colours with by layer
// and by block resolved through the insert chain, a line style made from
// its line type, and the font of its text style.
#include <algorithm>
#include <cmath>

#include "import/records/AciColors.h"
#include "import/records/ImportFonts.h"
#include "import/records/ImportMatrix.h"
#include "import/records/InsertRecord.h"
#include "import/records/TextRecord.h"
#include "import/records/YxxfReader.h"
#include "model/FontList.h"
#include "model/ObjectTypes.h"
#include "model/cAnyFill.h"
#include "model/cAnyLine.h"
#include "model/cDrawingData.h"
#include "model/cSection.h"
#include "model/cStyleFill.h"
#include "model/cStyleFont.h"
#include "model/cStyleLine.h"
#include "model/cStyleText.h"
#include "model/cText.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {

// How much the transform enlarges lengths in the entity's own plane: the
// larger of its mapped unit vectors.
double WidthScale(const ImportMatrix& transform, const Vec3& extrusion) {
  const Vec3 x = transform.TransformDirection(OcsToWcs(Vec3{1, 0, 0}, extrusion));
  const Vec3 y = transform.TransformDirection(OcsToWcs(Vec3{0, 1, 0}, extrusion));
  return std::sqrt(std::max(x.LengthSq(), y.LengthSq()));
}

std::uint16_t LineTypeOf(const cOneObjRec& record, const YxxfReader& reader) {
  return record.lineTypeByHandle ? GetImportLineTypeIndex(true, record.lineTypeHandle, WString(), reader)
                                 : GetImportLineTypeIndex(false, 0, record.lineTypeName, reader);
}

}  // namespace

std::uint32_t YxxfReader::ResolveImportColour(std::uint32_t color, const InsertChainLink* chain,
                                              const cOneObjRec& record) const {
  std::uint16_t layer = record.level;
  const std::uint16_t zero = DefaultLayerIndex();
  auto firstLayerNotZero = [&](const InsertChainLink* link, std::uint16_t otherwise) {
    for (; link; link = link->parent) {
      if (link->insert->level != zero) return link->insert->level;
    }
    return otherwise;
  };
  if (color == kColorByLayer && layer == zero && chain) layer = firstLayerNotZero(chain, layer);
  if (color == kColorByBlock) {
    color = 0;
    for (const InsertChainLink* link = chain; link; link = link->parent) {
      if (link->insert->color == kColorByBlock) continue;
      color = link->insert->color;
      layer = link->insert->level;
      if (color == kColorByLayer && layer == zero) layer = firstLayerNotZero(link->parent, layer);
      break;
    }
  }
  if (color == kColorByLayer) {
    color = 0;
    if (layer < layers.Count()) {
      const YxxfLayerRec& rec = *layers[layer];
      const std::uint32_t rgb = AciToRgb(std::uint16_t(std::abs(int(std::int16_t(rec.colorIndex)))), rec.trueColor);
      color = rgb == 0xFFFFFFu ? 0 : rgb;
    }
  }
  return color;
}

void YxxfReader::StyleImportedObject(const InsertChainLink* chain, const cOneObjRec& record, cOutObj& object,
                                     cDrawingData& data, const ImportMatrix* transform) {
  if (styledData != &data) {
    styledData = &data;
    lineStyleOfType.assign(lineTypes.Count(), -1);
    fontOfStyle.clear();
    fillStyleOfPattern.assign(hatchStyles.Count(), -1);
    textStyleOfStyle.clear();
  }
  object.SetLevel(record.level);
  // A viewport shows whatever its own layer says: the layer is made visible.
  if (object.AsSection() && record.level < layers.Count()) {
    layers[record.level]->off = 0;
    layers[record.level]->frozen = 0;
  }
  if (cText* text = object.AsText()) {
    text->attr.color = ResolveImportColour(text->attr.color, chain, record);
    if (const cOneText* source = const_cast<cOneObjRec&>(record).AsText()) {
      StyleText(*source, *text, data);
      FrameLaidOutText(*source, *text, data);
    }
    return;
  }
  if (cAnyFill* fill = object.AsAnyFill()) {
    if (object.TypeByte() & kTypeStyledFill) {
      StylePatternFill(chain, record, *fill, data);
    } else if (fill->fill.fillColor == kColorByLayer || fill->fill.fillColor == kColorByBlock) {
      fill->fill.fillColor = ResolveImportColour(fill->fill.fillColor, chain, record);
    }
  }
  cAnyLine* line = object.AsAnyLine();
  if (!line) return;
  // The one line a text makes is its frame.
  const cOneText* framedText = const_cast<cOneObjRec&>(record).AsText();
  const std::uint32_t colour = framedText && framedText->framed ? framedText->frameColor : record.color;
  line->stroke.color = ResolveImportColour(colour, chain, record);
  line->stroke.patternScale = record.lineTypeScale * (ltScale == 0.0 ? 1.0 : ltScale);
  if (transform) {
    // The geometry came through the transform, the widths did not: a wide
    // polyline in a block inserted at half size is drawn half as wide, as
    // its writer draws it (a dot arrowhead stays a disc).
    const double scale = WidthScale(*transform, record.extrusion);
    if (scale != 1.0 && scale > 1e-20 && std::isfinite(scale)) line->ScaleLineWidths(TransformContext{}, scale);
  }
  // The line type: by block from the first insert of the chain that names
  // one, by layer from the layer (on layer "0" the first insert's layer that
  // is not "0").
  std::uint16_t type = LineTypeOf(record, *this);
  std::uint16_t layer = record.level;
  const std::uint16_t zero = DefaultLayerIndex();
  const InsertChainLink* from = chain;
  if (type == kLineTypeByBlock) {
    for (; from && LineTypeOf(*from->insert, *this) == kLineTypeByBlock; from = from->parent) {
    }
    if (!from) return;
    type = LineTypeOf(*from->insert, *this);
    layer = from->insert->level;
    from = from->parent;
  }
  if (type == kLineTypeByLayer) {
    for (const InsertChainLink* link = from; link && layer == zero; link = link->parent) layer = link->insert->level;
    if (layer >= layers.Count()) return;
    const YxxfLayerRec& rec = *layers[layer];
    const std::uint64_t handle = std::uint64_t(rec.lineTypeHandleHigh) << 32 | rec.lineTypeHandleLow;
    type = handle != 0 ? GetImportLineTypeIndex(true, handle, WString(), *this)
                       : GetImportLineTypeIndex(false, 0, rec.lineTypeName, *this);
  }
  if (type >= lineTypes.Count() || lineTypes[type]->elements.Count() == 0) return;
  if (lineStyleOfType[type] < 0) lineStyleOfType[type] = MakeLineStyle(*lineTypes[type], data);
  if (lineStyleOfType[type] < 0 || lineStyleOfType[type] == kNoStyle) return;
  line->stroke.lineStyle = std::uint16_t(lineStyleOfType[type]);
  object.SetTypeByteSourceBits(std::uint8_t(kTypeStyledStroke | (object.TypeByte() & kTypeStyledFill)));
}

void YxxfReader::StylePatternFill(const InsertChainLink* chain, const cOneObjRec& record, cAnyFill& fill,
                                  cDrawingData& data) {
  // Until styled, the fill style index is the pattern's place in the
  // reader's list; the drawing data gets one copy of each pattern used.
  const std::uint16_t pattern = fill.fill.fillStyle;
  std::int32_t index = -1;
  if (pattern < hatchStyles.Count()) {
    if (fillStyleOfPattern.size() <= pattern) fillStyleOfPattern.resize(std::size_t(pattern) + 1, -1);
    if (fillStyleOfPattern[pattern] < 0) {
      auto style = std::make_unique<cStyleFill>();
      style->Assign(*hatchStyles[pattern]);
      fillStyleOfPattern[pattern] = data.FillStyles().Add(std::move(style));
    }
    index = fillStyleOfPattern[pattern];
  }
  if (index < 0 || index == kNoStyle) {
    // No style to draw: the pattern is left out rather than painted solid.
    fill.SetTypeByteSourceBits(std::uint8_t(fill.TypeByte() & kTypeStyledStroke));
    fill.fill.fillStyle = 0;
    fill.fill.hatchKind = 0;
  } else {
    fill.fill.fillStyle = std::uint16_t(index);
  }
  fill.fill.hatchColor = ResolveImportColour(fill.fill.hatchColor, chain, record);
  fill.fill.fillColor = 0x80000000u;
}

std::int32_t YxxfReader::MakeLineStyle(const YxxfLineTypeRec& type, cDrawingData& data) {
  auto style = std::make_unique<cStyleLine>();
  style->name = type.name;
  if (!(type.description.View() == type.name.View())) style->description = type.description;
  // The object keeps its colour and width; the style gives the dashes.
  style->byObject = 1;
  for (std::uint32_t i = 0; i < type.elements.Count(); ++i) {
    const YxxfLineTypeElement& e = type.elements[i];
    LineDashElement element;
    element.position = e.dashLength;
    element.flags = e.typeFlags;
    element.offsetX = e.xOffset;
    element.offsetY = e.yOffset;
    element.scale = e.scale;
    element.rotation = e.rotation;
    element.text = WString(std::u16string_view(e.text));
    element.hasText = !element.text.IsEmpty();
    if (element.hasText && e.styleHandle != 0) {
      for (const YxxfStyleRec* textStyle : styles) {
        if (textStyle->handle == e.styleHandle) {
          element.fontIndex = FontOfImportStyle(*textStyle, data);
          break;
        }
      }
    }
    style->dashElements.push_back(std::move(element));
  }
  return data.LineStyles().Add(std::move(style));
}

std::int32_t YxxfReader::MakeTextStyle(const YxxfStyleRec& style, const cText& text, std::int32_t font,
                                       cDrawingData& data) {
  auto made = std::make_unique<cStyleText>();
  made->name = style.name;
  TextAttributes& a = made->attributes;
  if (font >= 0 && font != 65535) a.fontIndex = std::uint16_t(font);
  a.mirrorX = (style.generationFlags & 2) ? 1 : 0;
  a.mirrorY = (style.generationFlags & 4) ? 1 : 0;
  a.height = style.height != 0.0 ? style.height : text.attr.height;
  a.pitchAndFamily = std::uint8_t(style.trueTypeFlags & 0xFF);
  a.bold = (style.trueTypeFlags & 0x2000000u) ? 1 : 0;
  a.italic = (style.trueTypeFlags & 0x1000000u) ? 1 : 0;
  if (a.fontIndex == 65535) {
    const std::u16string_view face = GetStyleFaceName(style).View();
    const std::size_t n = std::min<std::size_t>(face.size(), kFaceNameUnits - 1);
    std::copy_n(face.data(), n, a.faceName);
    a.faceName[n] = 0;
    data.ResolveStyleFont(a);
  }
  return data.TextStyles().Add(std::move(made));
}

std::uint16_t YxxfReader::FontOfImportStyle(const YxxfStyleRec& style, cDrawingData& data) {
  const WString face = GetStyleFaceName(style);
  int shx = FindOrAddShxFont(data, fileName, face);
  if (shx < 0 && NamesShxFile(style)) shx = AddShxStandIn(data, face);
  if (shx >= 0) return std::uint16_t(shx);
  const std::uint16_t index =
      data.FindOrAddFont(face, (style.trueTypeFlags & 0x2000000u) != 0, (style.trueTypeFlags & 0x1000000u) != 0);
  // The low byte of the flags is the family's pitch-and-family byte: a face
  // nobody has is replaced by one of the same kind (fixed pitch, serif...).
  cStyleFont* font = index < data.FontStyles().Count() ? data.FontStyles().Get(index) : nullptr;
  TrueTypeFaceSet* set = font && font->trueType && !font->trueType->shared ? font->FaceSet() : nullptr;
  if (set && set->pitchAndFamily == 0) set->pitchAndFamily = std::uint8_t(style.trueTypeFlags & 0xFFu);
  return index;
}

void YxxfReader::StyleText(const cOneText& source, cText& text, cDrawingData& data) {
  // The import style: by handle, else by name; a missing one is made. A
  // text naming its style as the text before did finds the same one (the
  // styles are only ever appended to).
  LastTextStyle& last = lastTextStyle;
  std::uint32_t index = last.index;
  if (index >= styles.Count() || source.styleHandle != last.handle ||
      (source.styleHandle == 0 && source.styleName.View() != last.name.View())) {
    index = styles.Count();
    for (std::uint32_t i = 0; i < styles.Count() && index == styles.Count(); ++i) {
      const YxxfStyleRec& style = *styles[i];
      if (source.styleHandle != 0 ? style.handle == source.styleHandle
                                  : EqualsAsciiNoCase(style.name.View(), source.styleName.View())) {
        index = i;
      }
    }
    if (index == styles.Count()) {
      styles.Add(new YxxfStyleRec(source.styleName, std::uint32_t(source.styleHandle),
                                  std::uint32_t(source.styleHandle >> 32), WString(), WString(), 0, 0.0, 1.0, 0));
    }
    last = LastTextStyle{source.styleHandle, source.styleName, index};
  }
  const YxxfStyleRec& style = *styles[index];
  if (fontOfStyle.size() <= index) fontOfStyle.resize(index + 1, -1);
  if (fontOfStyle[index] < 0) fontOfStyle[index] = FontOfImportStyle(style, data);
  if (fontOfStyle[index] != 65535) text.attr.fontIndex = std::uint16_t(fontOfStyle[index]);
  if (style.trueTypeFlags & 0x2000000u) text.attr.styleBits |= 0x07;
  if (style.trueTypeFlags & 0x1000000u) text.attr.styleBits |= 0x10;
  // The text style of the drawing made from the import style, once.
  if (textStyleOfStyle.size() <= index) textStyleOfStyle.resize(index + 1, -1);
  if (textStyleOfStyle[index] < 0) textStyleOfStyle[index] = MakeTextStyle(style, text, fontOfStyle[index], data);
  if (textStyleOfStyle[index] != kNoStyle) {
    text.attr.textStyle = std::uint16_t(textStyleOfStyle[index]);
    text.SetTypeByteSourceBits(std::uint8_t(text.TypeByte() | kTypeStyledStroke));
  }
  if (source.multiLine) {
    if (style.widthFactor > 0.0) {
      text.attr.widthFactor *= style.widthFactor;
      text.wrapWidth *= style.widthFactor;
    }
    // A box far wider than the text could ever need is no box at all.
    const double chars = double(text.GetText().Length());
    const double need = 3.0 * text.GetHeight(&data) * chars * text.GetWidthFactor(&data);
    if (text.wrapWidth > 0.0 && text.wrapWidth > need) {
      text.wrapWidth = 0.0;
    }
    text.MarkDirty();
    return;
  }
  // A top or middle row stands on the baseline instead, moved down by the
  // height (half of it for middle) across the text's own direction.
  const int code = text.alignment & kAlignCodeMask;
  const int row = code / 3;
  if (code > 11 || row > 1) return;
  double shift = row == 0 ? text.attr.height : text.attr.height / 2.0;
  if (text.attr.mirrorY) shift = -shift;
  const double a = text.angle * kPi / 180.0;
  text.point.x += shift * std::sin(a);
  text.point.y += shift * std::cos(a);
  text.alignment = std::uint8_t((text.alignment & ~kAlignCodeMask) | (9 + code % 3));
  text.MarkDirty();
}

}  // namespace kvn
