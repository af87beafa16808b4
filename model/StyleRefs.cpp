#include "model/StyleRefs.h"

#include "model/cDrawingData.h"
#include "model/cStyleFill.h"
#include "model/cStyleFont.h"
#include "model/cStyleLine.h"
#include "model/cStyleLink.h"
#include "model/cStyleText.h"
#include "model/cStyleWall.h"

namespace kvn {

template <>
StyleTable<cStyleLine>* TableOf<cStyleLine>(cDrawingData* data) {
  return data ? &data->LineStyles() : nullptr;
}
template <>
StyleTable<cStyleFill>* TableOf<cStyleFill>(cDrawingData* data) {
  return data ? &data->FillStyles() : nullptr;
}
template <>
StyleTable<cStyleText>* TableOf<cStyleText>(cDrawingData* data) {
  return data ? &data->TextStyles() : nullptr;
}
template <>
StyleTable<cStyleWall>* TableOf<cStyleWall>(cDrawingData* data) {
  return data ? &data->WallStyles() : nullptr;
}
template <>
StyleTable<cStyleLink>* TableOf<cStyleLink>(cDrawingData* data) {
  return data ? &data->LinkStyles() : nullptr;
}
template <>
StyleTable<cStyleFont>* TableOf<cStyleFont>(cDrawingData* data) {
  return data ? &data->FontStyles() : nullptr;
}

void ResetStyleWriteNumbers(cDrawingData& data) {
  data.LineStyles().ResetWriteNumbers();
  data.FillStyles().ResetWriteNumbers();
  data.WallStyles().ResetWriteNumbers();
  data.LinkStyles().ResetWriteNumbers();
  data.TextStyles().ResetWriteNumbers();
  data.FontStyles().ResetWriteNumbers();
}

namespace style_refs {
namespace {
// Inline records being read right now, across all tables (one GUI thread).
int inlineDepth = 0;
}  // namespace

InlineDepth::InlineDepth() : ok_(inlineDepth < kMaxInlineStyleDepth) { ++inlineDepth; }

InlineDepth::~InlineDepth() { --inlineDepth; }

void ReadStyleHeader(cAnyStyle& style, ArchiveReader& r, int version) {
  ReadVersionedString(style.name, r, version);
  if (!VersionBelow(version, 3098)) r.ReadString(style.description, false);
}

void WriteStyleHeader(const cAnyStyle& style, ArchiveWriter& w) {
  w.WriteString(style.name);
  w.WriteString(style.description);
}

}  // namespace style_refs

void WriteTextStyleRef(ArchiveWriter& w, std::uint16_t ref, cDrawingData* data, bool allowBuiltin) {
  if (allowBuiltin) {
    // Only 0x8000..0x8007 name built-ins. Taking the high bit alone would turn
    // "none" (65535) into built-in style 7.
    const bool builtin = (ref & 0xFFF8u) == kBuiltinTextStyleBit;
    w.WriteBit(builtin);
    if (builtin) {
      w.WriteBits(ref & 7u, 3);
      return;
    }
  }
  WriteStyleRef<cStyleText>(w, ref, data);
}

std::uint16_t ReadTextStyleRef(ArchiveReader& r, int version, cDrawingData* data, bool allowBuiltin) {
  if (allowBuiltin && (version < 0 || version > 3089) && r.ReadBit()) {
    return std::uint16_t(kBuiltinTextStyleBit | r.ReadBits(3));
  }
  return ReadStyleRef<cStyleText>(r, version, data);
}

}  // namespace kvn
