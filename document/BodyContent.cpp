// The parts of a drawing body after its settings: the old style section
// (3050-3076), the page records (from 3059), and the content: block
// records, the top block and, from 3077, the six style lists and the five
// default style references.
#include <memory>

#include "document/BlockListReader.h"
#include "document/BodyReader.h"
#include "document/NativeFormat.h"
#include "document/HandOvers.h"
#include "document/cDrawing.h"
#include "document/cSheet.h"
#include "foundation/ArchiveReader.h"
#include "model/StyleRefs.h"
#include "model/VersionedString.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cStyleFill.h"
#include "model/cStyleFont.h"
#include "model/cStyleLine.h"
#include "model/cStyleLink.h"
#include "model/cStyleText.h"
#include "model/cStyleWall.h"

namespace kvn {

namespace {

// One style definition (name, description from 3098, record) appended to
// its table; a full table drops it after reading.
template <class T>
bool ReadDefinitionInto(ArchiveReader& r, int version, cDrawingData& data, StyleTable<T>& table) {
  table.Add(ReadStyleDefinition<T>(r, version, &data));
  return !r.HasError();
}

// A list of style definitions, each announced by a 1 bit, ended by a 0 bit.
template <class T>
bool ReadStyleList(ArchiveReader& r, int version, cDrawingData& data, StyleTable<T>& table) {
  // Past the end bits read as 0 and end the list; a record cut short has
  // set the archive's error flag by then.
  while (r.ReadBit()) {
    if (!ReadDefinitionInto(r, version, data, table)) return false;
  }
  return !r.HasError();
}

}  // namespace

bool ReadOldStyleSection(BodyState& state) {
  ArchiveReader& r = state.r;
  cDrawingData& data = state.data;
  const int v = state.version;
  data.LineStyles().Clear();
  data.FillStyles().Clear();
  data.TextStyles().Clear();
  data.WallStyles().Clear();
  data.LinkStyles().Clear();
  data.FontStyles().Clear();
  while (true) {
    if (r.AtEnd()) return false;
    std::uint8_t kind = 0;
    r.ReadByteTo(&kind);
    bool ok;
    switch (kind) {
      case 0:
        if (v < 3058) ConvertOldSymbolTexts(data);
        return true;
      case 1: ok = ReadDefinitionInto(r, v, data, data.LineStyles()); break;
      case 2: ok = ReadDefinitionInto(r, v, data, data.FillStyles()); break;
      case 3: ok = ReadDefinitionInto(r, v, data, data.TextStyles()); break;
      case 4: ok = ReadDefinitionInto(r, v, data, data.WallStyles()); break;
      case 5: ok = ReadDefinitionInto(r, v, data, data.LinkStyles()); break;
      case 6: ok = ReadDefinitionInto(r, v, data, data.FontStyles()); break;
      default: ok = false; break;
    }
    if (!ok) return false;
  }
}

bool ReadPageRecords(BodyState& state) {
  ArchiveReader& r = state.r;
  const int v = state.version;
  if (r.AtEnd()) return false;
  const std::uint32_t count = v < 3102 ? r.ReadByte() : r.ReadUInt16();
  for (std::uint32_t i = 0; i < count; ++i) {
    if (r.AtEnd()) return false;
    PageRecord page;
    page.kind = r.ReadByte();
    page.color = PageColorFromStored(std::uint32_t(r.ReadInt32()));
    if (v < 3073) {
      page.name = ReadArchiveWString(r);
    } else {
      r.ReadString(page.name, false);
    }
    if (r.HasError()) return false;
    state.drawing.AppendPage(std::move(page));
  }
  return !r.HasError();
}

bool ReadBodyContent(BodyState& state) {
  ArchiveReader& r = state.r;
  cDrawingData& data = state.data;
  const int v = state.version;
  cBlock& top = state.sheet.TopBlock();
  top.DetachObjects();

  BlockListContext list;
  list.drawing = &state.drawing;
  list.data = &data;
  list.archive = &r;
  list.input = state.args.input;
  list.monitor = state.args.options ? state.args.options->monitor : nullptr;
  list.readContext = state.readContext;
  list.version = v;
  list.blockIndexBase = 1;
  bool ok = false;
  while (true) {
    if (r.AtEnd()) break;
    std::uint8_t kind = 0;
    r.ReadByteTo(&kind);
    if (kind == 255) {
      ok = true;
      break;
    }
    if (kind == 1) {
      // The block enters the table after its own list: an insert of itself
      // (or of a later block) names no block yet and gets an empty
      // placeholder, so no block of a stored file can place itself.
      auto block = std::make_unique<cBlock>();
      const bool read = ReadBlockObjects(true, *block, list);
      data.AddBlock(block.release());
      if (!read) break;
    } else if (kind == 2) {
      if (!ReadBlockObjects(false, top, list)) break;
    } else {
      break;
    }
  }
  state.placeholderBlocks = state.placeholderBlocks || list.placeholder;
  state.objectCount += list.objectCount;
  if (!ok) return false;
  if (v < 3077) return true;

  if (!ReadStyleList(r, v, data, data.LineStyles())) return false;
  if (!ReadStyleList(r, v, data, data.FillStyles())) return false;
  if (!ReadStyleList(r, v, data, data.TextStyles())) return false;
  if (!ReadStyleList(r, v, data, data.WallStyles())) return false;
  if (!ReadStyleList(r, v, data, data.LinkStyles())) return false;
  if (!ReadStyleList(r, v, data, data.FontStyles())) return false;
  // The default styles; text references here name no built-in style.
  TypedAttributeList& attributes = state.drawing.attributes;
  attributes.SetU16(kAttrDefaultLineStyle, ReadStyleRef<cStyleLine>(r, v, &data));
  attributes.SetU16(kAttrDefaultFillStyle, ReadStyleRef<cStyleFill>(r, v, &data));
  attributes.SetU16(kAttrDefaultWallStyle, ReadStyleRef<cStyleWall>(r, v, &data));
  attributes.SetU16(kAttrDefaultLinkStyle, ReadStyleRef<cStyleLink>(r, v, &data));
  attributes.SetU16(kAttrDefaultTextStyle, ReadTextStyleRef(r, v, &data, false));
  return !r.HasError();
}

}  // namespace kvn
