// The background box of a styled text, the text's Resolve and the font
// registration of unstyled texts.
#include "model/cDrawingData.h"
#include "model/cPolygon.h"
#include "model/cStyleText.h"
#include "model/cText.h"

namespace kvn {

void MakeTextFramePolygon(cDrawingData* data, cText& text, cPolygon& target, std::uint32_t color, std::uint8_t opacity) {
  target.SetTypeByteSourceBits(std::uint8_t(target.TypeByte() & ~kTypeStyledStroke & 0xC0));
  target.fill.fillColor = color;
  target.fill.opacity = opacity;
  target.fill.hatchKind = 0;
  target.stroke.lineType = 0;
  if (target.ListCount() == 0) target.AddList();
  target.FirstList().SetClosed(true);
  target.SetLevel(text.Level());
  target.CopyVisibilityFlags(text);
  target.CopyPages(text);
  DPoint corners[4];
  text.GetFrameCorners(data, corners);
  target.FirstList().SetPoints(corners, 4);
  target.MarkDirty();
}

void RegisterTextFont(cDrawingData& data, cText& text) {
  if (text.HasTextStyle(&data)) return;
  std::uint16_t index = text.attr.fontIndex;
  if (index != kNoStyle && index >= data.FontStyles().Count()) index = kNoStyle;
  if (index == kNoStyle && !text.faceName.IsEmpty()) {
    index = data.FindOrAddFont(text.faceName, text.IsBold(&data), text.IsItalic(&data));
  }
  text.SetFontIndex(index);
}

ObjectChain cText::Resolve(cDrawingData* data, bool makeCopy) {
  const cStyleText* style = HasTextStyle(data) ? GetTextStyle(*this, attr, data) : nullptr;
  std::unique_ptr<cPolygon> frame;
  if (style && !(style->attributes.secondColor & 0x80000000u)) {
    frame = std::make_unique<cPolygon>();
    MakeTextFramePolygon(data, *this, *frame, style->attributes.secondColor & 0x00FFFFFFu,
                         style->attributes.optionalByte);
    frame->SetFlag(kFlagGenerated | kFlagRecoloured);
  }
  auto merge = [&](cText& target) {
    if (!style) return;
    const TextAttributes record = style->attributes;
    target.SetTypeByteSourceBits(std::uint8_t(target.TypeByte() & ~kTypeStyledStroke & 0xC0));
    target.ApplyTextAttributes(record, true);
  };
  if (!frame && !makeCopy) {
    merge(*this);
    SetFlag(kFlagResolved);
    if (style) MarkDirty();
    return {};
  }
  auto copy = std::make_unique<cText>();
  copy->Assign(*this);
  merge(*copy);
  copy->SetFlag(kFlagResolved);
  copy->MarkDirty();
  ObjectChain out;
  if (frame) out.Append(frame.release());
  out.Append(copy.release());
  return out;
}

}  // namespace kvn
