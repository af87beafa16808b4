#include "tests/support/DwgR11Writer.h"

#include <cstring>

#include "dwg/objects/DwgCrc.h"

namespace kvn::test {

namespace {

void Raw(std::vector<std::uint8_t>& b, const void* p, std::size_t n) {
  const auto* bytes = static_cast<const std::uint8_t*>(p);
  b.insert(b.end(), bytes, bytes + n);
}
void W8(std::vector<std::uint8_t>& b, std::uint8_t v) { b.push_back(v); }
void W16(std::vector<std::uint8_t>& b, std::uint16_t v) { W8(b, std::uint8_t(v)), W8(b, std::uint8_t(v >> 8)); }
void WD(std::vector<std::uint8_t>& b, double v) { Raw(b, &v, 8); }
void WFixed(std::vector<std::uint8_t>& b, const std::string& text, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) W8(b, i < text.size() ? std::uint8_t(text[i]) : 0);
}

}  // namespace

void PutU16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = std::uint8_t(v), b[at + 1] = std::uint8_t(v >> 8);
}
void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  PutU16(b, at, std::uint16_t(v)), PutU16(b, at + 2, std::uint16_t(v >> 16));
}

R11Entity& R11Entity::Double(double v) { return WD(body, v), *this; }
R11Entity& R11Entity::U16(std::uint16_t v) { return W16(body, v), *this; }
R11Entity& R11Entity::U8(std::uint8_t v) { return W8(body, v), *this; }
R11Entity& R11Entity::Text(const std::string& text) {
  W16(body, std::uint16_t(text.size()));
  return Raw(body, text.data(), text.size()), *this;
}

std::vector<std::uint8_t> EncodeR11Entity(const R11Entity& e) {
  std::vector<std::uint8_t> b;
  W8(b, e.type), W8(b, e.flags), W16(b, 0), W16(b, e.layer), W16(b, e.options);
  if (e.flags & 0x40) W8(b, e.extra);
  if ((e.flags & 0x40) && (e.extra & 2)) {
    W16(b, std::uint16_t(e.extendedData.size()));
    Raw(b, e.extendedData.data(), e.extendedData.size());
  }
  if (e.flags & 0x01) W8(b, e.color);
  if (e.flags & 0x02) W16(b, e.lineType);
  if ((e.flags & 0x04) && e.type >= 3 && e.type != 22) WD(b, e.elevation);
  if (e.flags & 0x20) W8(b, std::uint8_t(e.handle.size())), Raw(b, e.handle.data(), e.handle.size());
  Raw(b, e.body.data(), e.body.size());
  b.insert(b.end(), e.padding, 0);
  W16(b, 0);  // check word
  PutU16(b, 2, e.lengthOverride != 0 ? e.lengthOverride : std::uint16_t(b.size()));
  // Over the record from its type byte, the length included; a record whose
  // length is overridden keeps it at its own end, where the reader does not
  // look for it.
  PutU16(b, b.size() - 2, Crc16(kDwgCrcSeed, b.data(), b.size() - 2));
  return b;
}

void DwgR11Writer::AddLineType(const std::string& name, std::uint8_t dashCount, const std::vector<double>& lengths) {
  std::vector<std::uint8_t> b;
  W8(b, 0), WFixed(b, name, 32), W16(b, 0), WFixed(b, "dashes of " + name, 48), W8(b, 'A'), W8(b, dashCount);
  WD(b, 0.0);
  for (std::size_t i = 0; i < 12; ++i) WD(b, i < lengths.size() ? lengths[i] : 0.0);
  lineTypes_.entries.push_back(b);
}

void DwgR11Writer::AddBlock(const std::string& name, std::uint8_t flags) {
  std::vector<std::uint8_t> b;
  W8(b, flags), WFixed(b, name, 32), b.insert(b.end(), 10, 0);
  blocks_.entries.push_back(b);
}

void DwgR11Writer::AddLayer(const std::string& name, std::int16_t color, std::uint16_t lineType,
                            std::uint8_t flags) {
  std::vector<std::uint8_t> b;
  W8(b, flags), WFixed(b, name, 32), W16(b, 0), W16(b, std::uint16_t(color)), W16(b, lineType);
  layers_.entries.push_back(b);
}

void DwgR11Writer::AddStyle(const std::string& name, double height, double width, const std::string& font) {
  std::vector<std::uint8_t> b;
  W8(b, 0), WFixed(b, name, 32), W16(b, 0), WD(b, height), WD(b, width), WD(b, 0.0), W8(b, 0), WD(b, 0.0);
  WFixed(b, font, 128);
  styles_.entries.push_back(b);
}

void DwgR11Writer::AddView(const std::string& name) {
  std::vector<std::uint8_t> b;
  W8(b, 0), WFixed(b, name, 32), b.insert(b.end(), 2 + 80 + 2 + 32 + 2, 0);
  views_.entries.push_back(b);
}

void DwgR11Writer::AddViewport(const std::string& name, double aspectX) {
  std::vector<std::uint8_t> b;
  W8(b, 0), WFixed(b, name, 32), W16(b, 0);
  for (int i = 0; i < 14; ++i) WD(b, i + 1.0);  // 10, 11, 17, 16, dropped, 40, 12 (offsets 35 to 146)
  WD(b, aspectX), WD(b, 3.5), WD(b, 0.0), WD(b, 0.0);
  b.insert(b.end(), 16, 0);
  WD(b, 0.25);
  b.insert(b.end(), 48, 0);
  viewports_.entries.push_back(b);
}

std::vector<std::uint8_t> DwgR11Writer::Build() const {
  std::vector<std::uint8_t> f(0x6BF, 0);
  std::memcpy(f.data(), "AC1009", 6);
  // The value block and code page.
  std::memcpy(f.data() + 0x132, &ltScale, 8);
  PutU16(f, 0x3F9, codePageRow);
  auto table = [&](const Table& t, std::size_t descriptor) {
    PutU16(f, descriptor, t.size);
    PutU32(f, descriptor + 2, std::uint32_t(t.entries.size()));
    PutU32(f, descriptor + 6, std::uint32_t(f.size()));
    for (const auto& entry : t.entries) {
      std::vector<std::uint8_t> e = entry;
      e.resize(t.size, 0);
      f.insert(f.end(), e.begin(), e.end());
    }
    f.insert(f.end(), 32, 0);
  };
  table(lineTypes_, kR11LineTypeDescriptor);
  table(blocks_, kR11BlockDescriptor);
  table(layers_, kR11LayerDescriptor);
  table(styles_, kR11StyleDescriptor);
  table(views_, kR11ViewDescriptor);
  table(viewports_, kR11ViewportDescriptor);
  const std::uint32_t firstStart = std::uint32_t(f.size());
  for (const R11Entity& e : blockEntities_) {
    const auto bytes = EncodeR11Entity(e);
    f.insert(f.end(), bytes.begin(), bytes.end());
  }
  f.insert(f.end(), 32, 0);
  const std::uint32_t firstEnd = std::uint32_t(f.size());
  const std::uint32_t secondStart = firstEnd;
  for (const R11Entity& e : entities_) {
    const auto bytes = EncodeR11Entity(e);
    f.insert(f.end(), bytes.begin(), bytes.end());
  }
  const std::uint32_t secondEnd = std::uint32_t(f.size());
  f.insert(f.end(), 64, 0);
  PutU32(f, 0x14, secondStart);
  PutU32(f, 0x18, secondEnd);
  PutU32(f, 0x1C, firstStart);
  if (firstEndFromV) {
    PutU32(f, 0x20, firstEnd - firstStart + 0x3FFFFFE0u);
    PutU32(f, 0x24, 0);
  } else {
    PutU32(f, 0x20, 0x40000000u | (firstEnd - firstStart));
    PutU32(f, 0x24, firstEnd);
  }
  return f;
}

}  // namespace kvn::test
