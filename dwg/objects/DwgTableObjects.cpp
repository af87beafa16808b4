// The objects that are not drawn: table control objects, table entries,
// dictionaries and the other non-graphical objects. Most fill the import
// table records and the reader's lists directly; UCS and VPORT leave records
// like entities. A table record is added only when its object was read to
// its end, so an object that fails adds nothing.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "dwg/objects/DwgReader.h"
#include "import/records/AciColors.h"
#include "import/records/TextCodePage.h"

namespace kvn {

namespace {

std::uint32_t Low(std::uint64_t h) { return std::uint32_t(h); }
std::uint32_t High(std::uint64_t h) { return std::uint32_t(h >> 32); }

// RRGGBB of an ACI colour.
std::int32_t RgbOfIndex(std::uint16_t index) {
  const std::uint32_t bgr = AciToRgb(index, -1);
  return std::int32_t((bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF));
}

}  // namespace

bool DwgReader::SkipToDataEnd() {
  if (bitsCounted_ > dataEndBits_) {
    dataEndMissed_ = true;
    return false;
  }
  DropBits(dataEndBits_);
  return !overrun_;
}

// ---- control objects ----

int DwgReader::ReadControl(std::uint32_t extraHandles, std::vector<std::uint64_t>* target) {
  const std::uint32_t count = ReadBitLong();
  if (!ReadObjectHandles()) return 0;
  // Each handle takes at least 8 bits.
  if (!CountFits(std::uint64_t(count) + extraHandles, 8)) return 0;
  std::vector<std::uint64_t> handles(std::size_t(count) + extraHandles, 0);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (overrun_) return 0;
    ReadHandleRef(2, &handles[i], 0);
  }
  for (std::uint32_t i = 0; i < extraHandles; ++i) ReadHandleRef(3, &handles[count + i], 0);
  if (!FinishObject()) return 0;
  if (target) *target = std::move(handles);
  return 1;
}

int DwgReader::HandleBlockControl() { return ReadControl(2, &blockHeaderHandles); }
int DwgReader::HandleLayerControl() { return ReadControl(0, &layerHandles); }
int DwgReader::HandleStyleControl() { return ReadControl(0, &styleHandles); }
int DwgReader::HandleLineTypeControl() { return ReadControl(2, &lineTypeHandles); }
int DwgReader::HandleOtherControl() { return ReadControl(0, nullptr); }

// ---- table entries ----

void DwgReader::ReadTableEntryStart(WString* name) {
  ReadText(name, 0);
  ReadBit();
  if (release_ < dwgrelease::kR2007) ReadBitShort();
  ReadBit();
}

int DwgReader::HandleLayer() {
  auto name = std::make_unique<WString>();
  ReadTableEntryStart(name.get());
  bool frozen, on, locked;
  // The second flag is set for a layer that is off: the layers of real
  // drawings that are on (their DXF twins give positive colours) store 0
  // there, in the single bits of R13/R14 as in the flag word of R2000 on.
  if (release_ <= dwgrelease::kR14) {
    frozen = ReadBit() != 0;
    on = ReadBit() == 0;
    ReadBit();
    locked = ReadBit() != 0;
  } else {
    const std::uint16_t flags = ReadBitShort();
    frozen = flags & 1;
    on = !(flags & 2);
    locked = flags & 8;
  }
  const std::uint32_t color = ReadObjectColor();
  const std::int32_t rgb = color & 0x01000000u ? RgbOfIndex(color & 0xFF) : std::int32_t(color & 0xFFFFFF);
  if (!ReadObjectHandles()) return 0;
  std::uint64_t lineType = 0;
  ReadHandleRef(5, nullptr, 0);
  if (release_ >= dwgrelease::kR2000) ReadHandleRef(5, nullptr, 0);
  if (release_ >= dwgrelease::kR2007) ReadHandleRef(5, nullptr, 0);
  ReadHandleRef(5, &lineType, 0);
  if (!FinishObject()) return 0;
  AddLayerRecord(std::make_unique<YxxfLayerRec>(*name, kLayerColorTrue, rgb, WString(), std::uint8_t(!on),
                                                std::uint8_t(frozen), std::uint8_t(locked), Low(objectHandle_),
                                                High(objectHandle_), Low(lineType), High(lineType)));
  return 1;
}

int DwgReader::HandleBlockHeader() {
  WString name;
  ReadText(&name, 0);
  std::uint8_t flags = ReadBit() ? 64 : 0;
  if (release_ < dwgrelease::kR2007) ReadBitShort();
  if (ReadBit()) flags |= 16;
  if (ReadBit()) flags |= 1;
  if (ReadBit()) flags |= 2;
  const bool xref = ReadBit() != 0;
  const bool overlaid = ReadBit() != 0;
  if (xref) flags |= 4;
  if (overlaid) flags |= 8;
  if (release_ >= dwgrelease::kR2000) ReadBit();
  std::uint32_t owned = 0;
  if (release_ >= dwgrelease::kR2004 && !xref && !overlaid) {
    owned = ReadBitLong();
    if (!CountFits(owned, 8)) return 0;
  }
  Vec3 base;
  Read3BitDouble(base.x, base.y, base.z);
  WString path;
  ReadText(&path, 0);
  std::uint32_t inserts = 0;
  if (release_ >= dwgrelease::kR2000) {
    while (ReadRawChar() != 0) {
      if (overrun_) return 0;
      ++inserts;
    }
    ReadText(nullptr, 0);
    const std::uint32_t preview = ReadBitLong();
    if (!ReadByteRun(nullptr, preview)) return 0;
  }
  if (release_ >= dwgrelease::kR2007) {
    ReadBitShort();
    ReadBit();
    ReadRawChar();
  }
  if (!ReadObjectHandles()) return 0;
  ReadHandleRef(5, nullptr, 0);
  ReadHandleRef(3, nullptr, 0);
  std::uint64_t first = 0, last = 0;
  const bool firstLast = release_ < dwgrelease::kR2004;
  if (firstLast && !xref && !overlaid) {
    ReadHandleRef(4, &first, 0);
    ReadHandleRef(4, &last, 0);
  }
  if (!CountFits(std::uint64_t(owned) + inserts, 8)) return 0;
  std::vector<std::uint64_t> ownedHandles(owned, 0), insertHandles(inserts, 0);
  for (auto& h : ownedHandles) {
    if (overrun_) return 0;
    ReadHandleRef(3, &h, 0);
  }
  ReadHandleRef(3, nullptr, 0);
  for (auto& h : insertHandles) {
    if (overrun_) return 0;
    ReadHandleRef(4, &h, 0);
  }
  // The layout of the block.
  if (release_ >= dwgrelease::kR2000) ReadHandleRef(5, nullptr, 0);
  if (!FinishObject()) return 0;

  YxxfBlockRec* block = nullptr;
  if (auto found = blockByHeader_.find(objectHandle_); found != blockByHeader_.end()) block = found->second;
  if (block) {
    block->name = name;
    block->base = base;
  } else {
    block = blocks.Add(new YxxfBlockRec(name, base, Low(objectHandle_), High(objectHandle_), 0, 0, 0));
    blockByHeader_[objectHandle_] = block;
  }
  block->flags = flags;
  block->xrefPath = path;
  block->fromR13ToR2000 = firstLast;
  block->firstEntity = first;
  block->lastEntity = last;
  block->ownedHandles.Clear();
  block->ownedHandles.Append(ownedHandles.data(), ownedHandles.size());
  block->insertHandles.Clear();
  block->insertHandles.Append(insertHandles.data(), insertHandles.size());
  return 1;
}

int DwgReader::HandleStyle() {
  WString name;
  ReadTableEntryStart(&name);
  ReadBit();
  ReadBit();
  const double height = ReadBitDouble();
  const double width = ReadBitDouble();
  ReadBitDouble();
  const std::uint8_t generation = ReadRawChar();
  ReadBitDouble();
  WString font;
  ReadText(&font, 0);
  ReadText(nullptr, 0);
  if (!ReadObjectHandles()) return 0;
  ReadHandleRef(5, nullptr, 0);
  if (!FinishObject()) return 0;
  styles.Add(new YxxfStyleRec(name, Low(objectHandle_), High(objectHandle_), font, ExtendedDataText(),
                              std::uint32_t(LastExtendedDataLong()), height, width, generation));
  return 1;
}

int DwgReader::HandleLineType() {
  WString name;
  ReadTableEntryStart(&name);
  WString description;
  ReadText(&description, 0);
  ReadBitDouble();
  ReadRawChar();
  const std::uint8_t dashes = ReadRawChar();
  GrowArray<YxxfLineTypeElement> elements(8);
  bool textArea = false;
  for (int i = 0; i < dashes; ++i) {
    if (overrun_) return 0;
    YxxfLineTypeElement element;
    element.dashLength = ReadBitDouble();
    const std::uint16_t shape = ReadBitShort();
    element.xOffset = ReadRawDouble();
    element.yOffset = ReadRawDouble();
    element.scale = ReadBitDouble();
    element.rotation = ReadBitDouble() * 180.0 / std::numbers::pi;
    const std::uint16_t shapeFlags = ReadBitShort();
    element.typeFlags = std::uint8_t(shapeFlags);
    if (shapeFlags & 2) {
      textArea = true;
      // The shape code is the offset of the text in the text area.
      element.text[0] = 0;
      element.text[1] = char16_t(shape);
    } else if (shapeFlags & 4) {
      element.text[0] = char16_t(shape);
    }
    elements.Add(element);
  }
  std::vector<std::uint8_t> area;
  if (release_ < dwgrelease::kR2007) {
    if (!ReadByteRun(&area, 256)) return 0;
  } else if (textArea) {
    if (!ReadByteRun(&area, 512)) return 0;
  }
  if (!ReadObjectHandles()) return 0;
  ReadHandleRef(5, nullptr, 0);
  std::vector<std::uint64_t> shapeFiles(dashes, 0);
  for (int i = 0; i < dashes; ++i) ReadHandleRef(5, &shapeFiles[i], 0);
  if (!FinishObject()) return 0;
  for (std::uint32_t i = 0; i < elements.Count(); ++i) {
    YxxfLineTypeElement& element = elements[i];
    element.styleHandle = shapeFiles[i];
    if (!(element.typeFlags & 2)) continue;
    const std::size_t offset = element.text[1];
    element.text[1] = 0;
    std::u16string text;
    if (release_ < dwgrelease::kR2007) {
      std::string bytes;
      for (std::size_t at = offset; at < area.size() && area[at] != 0; ++at) bytes.push_back(char(area[at]));
      const WString decoded = DecodeNarrowText(TextCodePage(), bytes.data(), int(bytes.size()));
      text.assign(decoded.View());
    } else {
      for (std::size_t at = offset * 2; at + 1 < area.size(); at += 2) {
        const char16_t unit = char16_t(area[at] | area[at + 1] << 8);
        if (unit == 0) break;
        text.push_back(unit);
      }
    }
    const std::size_t n = std::min<std::size_t>(text.size(), 255);
    std::copy_n(text.begin(), n, element.text);
    element.text[n] = 0;
  }
  lineTypes.Add(new YxxfLineTypeRec(name, &elements, Low(objectHandle_), High(objectHandle_), description));
  return 1;
}

int DwgReader::HandleUcs() {
  ReadText(nullptr, 2);
  ReadBit();
  if (release_ < dwgrelease::kR2007) ReadBitShort();
  ReadBit();
  double x, y, z;
  Read3BitDouble(x, y, z);
  EmitPoint(10, x, y, z);
  Read3BitDouble(x, y, z);
  EmitPoint(11, x, y, z);
  Read3BitDouble(x, y, z);
  EmitPoint(12, x, y, z);
  if (release_ >= dwgrelease::kR2000) {
    EmitDouble(146, ReadBitDouble());
    record_.AddInt16(79, std::int16_t(ReadBitShort()));
    record_.AddInt16(71, std::int16_t(ReadBitShort()));
  }
  if (!ReadObjectHandles()) return 0;
  ReadHandleRef(5, nullptr, 0);
  if (release_ >= dwgrelease::kR2000) {
    ReadHandleRef(5, nullptr, 346);
    ReadHandleRef(5, nullptr, 0);
  }
  if (!FinishObject()) return 0;
  entityCode_ = entity::kUcs;
  return 1;
}

int DwgReader::HandleVport() {
  ReadText(nullptr, 2);
  ReadBit();
  if (release_ < dwgrelease::kR2007) ReadBitShort();
  ReadBit();
  // The file holds the view's height and width; DXF's 41 is their ratio.
  const double viewHeight = ReadBitDouble();
  const double viewWidth = ReadBitDouble();
  EmitDouble(40, viewHeight);
  EmitDouble(41, viewHeight != 0.0 && std::isfinite(viewWidth / viewHeight) ? viewWidth / viewHeight : 0.0);
  double x, y, z;
  Read2RawDouble(x, y);
  record_.AddDouble(12, x);
  record_.AddDouble(22, y);
  Read3BitDouble(x, y, z);
  EmitPoint(17, x, y, z);
  Read3BitDouble(x, y, z);
  EmitPoint(16, x, y, z);
  EmitDouble(51, ReadBitDouble() * 180.0 / std::numbers::pi);
  EmitDouble(42, ReadBitDouble());
  ReadBitDouble();  // front clip
  ReadBitDouble();  // back clip
  for (int i = 0; i < 4; ++i) ReadBit();  // view mode
  if (release_ >= dwgrelease::kR2000) ReadRawChar();  // render mode
  if (release_ >= dwgrelease::kR2007) {
    ReadBit();
    ReadRawChar();
    ReadBitDouble();
    ReadBitDouble();
    ReadObjectColor();
  }
  Read2RawDouble(x, y);
  record_.AddDouble(10, x);
  record_.AddDouble(20, y);
  Read2RawDouble(x, y);
  record_.AddDouble(11, x);
  record_.AddDouble(21, y);
  ReadBit();        // UCSFOLLOW
  ReadBitShort();   // circle zoom
  ReadBit();        // fast zoom
  ReadBit();        // UCS icon
  ReadBit();
  ReadBit();        // grid
  Read2RawDouble(x, y);
  ReadBit();        // snap
  ReadBit();        // snap style
  ReadBitShort();   // isopair
  ReadBitDouble();  // snap rotation
  Read2RawDouble(x, y);
  Read2RawDouble(x, y);
  if (release_ >= dwgrelease::kR2000) {
    ReadBit();
    ReadBit();  // UCS per viewport
    Read3BitDouble(x, y, z);
    Read3BitDouble(x, y, z);
    Read3BitDouble(x, y, z);
    ReadBitDouble();
    ReadBitShort();
  }
  if (release_ >= dwgrelease::kR2007) {
    ReadBitShort();
    ReadBitShort();
  }
  if (!ReadObjectHandles()) return 0;
  ReadHandleRef(5, nullptr, 0);
  if (release_ >= dwgrelease::kR2007) {
    ReadHandleRef(4, nullptr, 0);
    ReadHandleRef(5, nullptr, 0);
    ReadHandleRef(3, nullptr, 0);
  }
  if (release_ >= dwgrelease::kR2000) {
    ReadHandleRef(5, nullptr, 0);
    ReadHandleRef(5, nullptr, 0);
  }
  if (!FinishObject()) return 0;
  entityCode_ = entity::kVport;
  return 1;
}

int DwgReader::HandleAppId() {
  ReadTableEntryStart(nullptr);
  ReadRawChar();
  if (!ReadObjectHandles()) return 0;
  ReadHandleRef(5, nullptr, 0);
  return FinishObject() ? 1 : 0;
}

// ---- other objects ----

int DwgReader::HandleDictionary() {
  const std::uint32_t count = ReadBitLong();
  if (release_ == dwgrelease::kR14 && !ac1012_) ReadRawChar();
  if (release_ >= dwgrelease::kR2000) {
    ReadBitShort();
    ReadRawChar();
  }
  if (!CountFits(count, 16)) return 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (overrun_) return 0;
    ReadText(nullptr, 0);
  }
  if (!ReadObjectHandles()) return 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (overrun_) return 0;
    ReadHandleRef(2, nullptr, 0);
  }
  return FinishObject() ? 1 : 0;
}

int DwgReader::HandleGroup() {
  ReadText(nullptr, 0);
  ReadBitShort();
  ReadBitShort();
  const std::uint32_t count = ReadBitLong();
  if (!ReadObjectHandles() || !CountFits(count, 8)) return 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (overrun_) return 0;
    ReadHandleRef(5, nullptr, 0);
  }
  return FinishObject() ? 1 : 0;
}

// Nothing of a multiline style is kept: its data is stepped over.
int DwgReader::HandleMLineStyle() {
  if (!SkipToDataEnd() || !ReadObjectHandles()) return 0;
  return FinishObject() ? 1 : 0;
}

int DwgReader::HandleDictionaryVar() {
  ReadRawChar();
  ReadText(nullptr, 0);
  if (!ReadObjectHandles()) return 0;
  return FinishObject() ? 1 : 0;
}

int DwgReader::HandleSortEntsTable() {
  const std::uint32_t count = ReadBitLong();
  if (!CountFits(count, 8)) return 0;
  std::vector<std::uint64_t> sortHandles(count), entities(count, 0);
  for (auto& h : sortHandles) {
    if (overrun_) return 0;
    h = ReadHandle(0);
  }
  if (!ReadObjectHandles()) return 0;
  std::uint64_t owner = 0;
  ReadHandleRef(4, &owner, 0);
  for (auto& h : entities) {
    if (overrun_) return 0;
    ReadHandleRef(4, &h, 0);
  }
  if (!FinishObject()) return 0;
  auto table = std::make_unique<YxxfSortTableRec>();
  table->owner = owner;
  for (std::uint32_t i = 0; i < count; ++i) {
    table->handles.Add(entities[i]);
    table->handles.Add(sortHandles[i]);
  }
  sortTables.Add(table.release());
  return 1;
}

int DwgReader::HandleLayout() {
  // Plot settings.
  ReadText(nullptr, 0);
  ReadText(nullptr, 0);
  ReadBitShort();
  for (int i = 0; i < 6; ++i) ReadBitDouble();
  ReadText(nullptr, 0);
  ReadBitDouble();
  ReadBitDouble();
  for (int i = 0; i < 3; ++i) ReadBitShort();
  for (int i = 0; i < 4; ++i) ReadBitDouble();
  if (release_ < dwgrelease::kR2004) ReadText(nullptr, 0);
  ReadBitDouble();
  ReadBitDouble();
  ReadText(nullptr, 0);
  ReadBitShort();
  for (int i = 0; i < 3; ++i) ReadBitDouble();
  if (release_ >= dwgrelease::kR2004) {
    for (int i = 0; i < 3; ++i) ReadBitShort();
  }
  // The layout.
  auto layout = std::make_unique<YxxfLayoutRec>();
  ReadText(&layout->name, 1);
  ReadBitLong();
  ReadBitShort();
  double x, y, z;
  Read3BitDouble(x, y, z);
  Read2RawDouble(x, y);
  Read2RawDouble(x, y);
  for (int i = 0; i < 10; ++i) ReadBitDouble();
  ReadBitShort();
  for (int i = 0; i < 6; ++i) ReadBitDouble();
  std::uint32_t viewports = 0;
  if (release_ >= dwgrelease::kR2004) viewports = ReadBitLong();
  if (!ReadObjectHandles() || !CountFits(viewports, 8)) return 0;
  if (release_ >= dwgrelease::kR2004) ReadHandleRef(5, nullptr, 0);
  if (release_ >= dwgrelease::kR2007) ReadHandleRef(4, nullptr, 0);
  ReadHandleRef(4, &layout->owner, 330);
  ReadHandleRef(4, &layout->lastActiveViewport, 331);
  ReadHandleRef(5, nullptr, 0);
  ReadHandleRef(5, nullptr, 0);
  for (std::uint32_t i = 0; i < viewports; ++i) {
    if (overrun_) return 0;
    ReadHandleRef(4, nullptr, 0);
  }
  if (!FinishObject()) return 0;
  layout->handle = objectHandle_;
  layouts.Add(layout.release());
  return 1;
}

// ---- proxies ----

int DwgReader::ReadProxy(bool isEntity) {
  record_.AddInt32(9999, 1);
  record_.AddInt32(90, 498);
  if (release_ >= dwgrelease::kR2000) {
    record_.AddInt32(91, std::int32_t(ReadBitLong()));
    if (release_ == dwgrelease::kR2004) {
      const std::uint16_t n = ReadBitShort();
      if (!ReadByteRun(nullptr, n)) return 0;
    }
    std::uint32_t version = ReadBitLong();
    if (release_ >= dwgrelease::kR2018) version |= ReadBitLong() << 16;
    record_.AddInt32(95, std::int32_t(version));
    record_.AddInt16(70, std::int16_t(ReadBit()));
  }
  if (bitsCounted_ > dataEndBits_) {
    dataEndMissed_ = true;
    return 0;
  }
  const std::uint64_t bits = dataEndBits_ - bitsCounted_;
  if (bits > BitsLeft()) {
    overrun_ = true;
    return 0;
  }
  record_.AddInt32(93, std::int32_t(bits));
  std::string bytes(std::size_t((bits + 7) / 8), '\0');
  for (std::uint64_t i = 0; i < bits / 8; ++i) bytes[i] = char(ReadRawChar());
  if (const int rest = int(bits % 8)) {
    std::uint8_t last = 0;
    for (int i = 0; i < rest; ++i) last = std::uint8_t(last | ReadBit() << (7 - i));
    bytes.back() = char(last);
  }
  record_.AddBytes(310, bytes);
  handleOwnStart_ = true;
  record_.AddInt32(9999, 1);
  if (isEntity ? !FinishEntityData() : !ReadObjectHandles()) return 0;
  if (!FinishObject()) return 0;
  while (budget_ > 2 && !overrun_) {
    const std::uint64_t h = ReadHandle(6);
    if (overrun_) break;
    record_.AddHandle(340, h);
  }
  entityCode_ = isEntity ? entity::kProxyEntity : entity::kProxyObject;
  return 1;
}

int DwgReader::HandleProxyObject() { return ReadProxy(false); }
int DwgReader::HandleProxyEntity() { return ReadProxy(true); }

}  // namespace kvn
