#include "tests/support/DgnWriter.h"

#include <cmath>

#include "import/dgn/DgnElements.h"
#include "import/dgn/DgnFormat.h"

namespace kvn::test {

namespace {

constexpr double kQuaternionScale = 2147483647.0;

std::int32_t Units(double v) { return std::int32_t(std::llround(v)); }

void PadEven(DgnElement& e) {
  if (e.size() % 2) e.push_back(0);
}

std::size_t Words(const DgnElement& e) { return e.size() / 2; }

}  // namespace

void DgnWriter::PutU16(DgnElement& e, std::size_t at, std::uint16_t v) {
  if (e.size() < at + 2) e.resize(at + 2);
  e[at] = std::uint8_t(v);
  e[at + 1] = std::uint8_t(v >> 8);
}

void DgnWriter::PutI32(DgnElement& e, std::size_t at, std::int32_t v) {
  if (e.size() < at + 4) e.resize(at + 4);
  const std::uint32_t u = std::uint32_t(v);
  e[at] = std::uint8_t(u >> 16);
  e[at + 1] = std::uint8_t(u >> 24);
  e[at + 2] = std::uint8_t(u);
  e[at + 3] = std::uint8_t(u >> 8);
}

void DgnWriter::PutDouble(DgnElement& e, std::size_t at, double v) {
  if (e.size() < at + 8) e.resize(at + 8);
  IeeeToVaxD(v, e.data() + at);
}

std::uint16_t DgnWriter::Radix50(const std::string& three) {
  std::uint32_t word = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    const char c = i < three.size() ? three[i] : ' ';
    std::uint32_t digit = 0;
    if (c >= 'A' && c <= 'Z') digit = std::uint32_t(c - 'A' + 1);
    if (c == '$') digit = 27;
    if (c == '.') digit = 28;
    if (c >= '0' && c <= '9') digit = std::uint32_t(c - '0' + 30);
    word = word * 40 + digit;
  }
  return std::uint16_t(word);
}

std::vector<std::uint8_t> DgnWriter::FillLinkage(int fill) {
  std::vector<std::uint8_t> l(16, 0);
  l[0] = 7;  // (16 - 2) / 2 words
  l[1] = 0x10;
  l[2] = 65;
  l[4] = 0x82;
  l[8] = std::uint8_t(fill);
  return l;
}

void DgnWriter::Finish(DgnElement& e, int type, int level, int color) {
  PadEven(e);
  if (e.size() < 36) e.resize(36);
  e[0] = std::uint8_t((e[0] & 0xC0) | (level & 0x3F));
  e[1] = std::uint8_t((e[1] & 0x80) | (type & 0x7F));
  PutU16(e, 2, std::uint16_t((e.size() - 4) / 2));
  // The attribute index: no linkages (AddAttributes points it at them).
  if (!(e[33] & 0x08)) PutU16(e, 30, std::uint16_t((e.size() - 32) / 2));
  e[35] = std::uint8_t(color);
}

void DgnWriter::AddAttributes(DgnElement& e, const std::vector<std::uint8_t>& attributes) {
  PadEven(e);
  PutU16(e, 30, std::uint16_t((e.size() - 32) / 2));
  PutU16(e, 32, std::uint16_t(e[32] | e[33] << 8 | 0x800));
  e.insert(e.end(), attributes.begin(), attributes.end());
  PadEven(e);
  PutU16(e, 2, std::uint16_t((e.size() - 4) / 2));
}

void DgnWriter::PutPoint(DgnElement& e, std::size_t at, const Vec3& p) const {
  PutI32(e, at, Units(p.x));
  PutI32(e, at + 4, Units(p.y));
  if (threeD_) PutI32(e, at + 8, Units(p.z));
}

void DgnWriter::PutQuaternionOrRotation(DgnElement& e, std::size_t at, double rotation,
                                        const std::array<double, 4>* quaternion) const {
  if (!threeD_) {
    PutI32(e, at, Units(rotation * 360000.0));
    return;
  }
  // In the plane: -2 atan2(z, w) is the rotation.
  const double half = -rotation * 3.14159265358979323846 / 360.0;
  const std::array<double, 4> planar{std::cos(half), 0.0, 0.0, std::sin(half)};
  const std::array<double, 4>& q = quaternion ? *quaternion : planar;
  for (std::size_t i = 0; i < 4; ++i) PutI32(e, at + 4 * i, Units(q[i] * kQuaternionScale));
}

DgnElement DgnWriter::Tcb(std::uint32_t subPerMaster, std::uint32_t uorPerSub, const Vec3& origin,
                          std::uint64_t levelMask) const {
  DgnElement e(1536, 0);
  e[0] = threeD_ ? 0xC8 : 0x08;
  e[1] = 0x09;
  PutU16(e, 2, 0x02FE);
  for (std::size_t v = 0; v < 8; ++v) {
    for (std::size_t i = 0; i < 8; ++i) e[46 + 118 * v + 2 + i] = std::uint8_t(levelMask >> (8 * i));
  }
  PutI32(e, 1112, std::int32_t(subPerMaster));
  PutI32(e, 1116, std::int32_t(uorPerSub));
  e[1120] = 'm';
  e[1122] = 'c';
  if (threeD_) e[1214] = 0x40;
  PutDouble(e, 1240, origin.x);
  PutDouble(e, 1248, origin.y);
  PutDouble(e, 1256, origin.z);
  return e;
}

DgnElement DgnWriter::CellLibraryStart() const {
  DgnElement e(50, 0);
  e[0] = 0x08;
  e[1] = 0x05;
  e[2] = 0x17;
  return e;
}

DgnElement DgnWriter::ColorTable(const std::array<std::uint8_t, 768>& table) const {
  DgnElement e(806, 0);
  for (std::size_t i = 0; i < 3; ++i) e[38 + i] = table[255 * 3 + i];
  for (std::size_t i = 0; i < 255 * 3; ++i) e[41 + i] = table[i];
  Finish(e, 5, 1, 0);
  return e;
}

DgnElement DgnWriter::Line(int level, int color, const Vec3& a, const Vec3& b) const {
  DgnElement e(36, 0);
  PutPoint(e, 36, a);
  PutPoint(e, threeD_ ? 48 : 44, b);
  Finish(e, 3, level, color);
  return e;
}

DgnElement DgnWriter::MultiPoint(int type, int level, int color, const std::vector<Vec3>& points, int fill,
                                 int claimed) const {
  DgnElement e(38, 0);
  PutU16(e, 36, std::uint16_t(claimed >= 0 ? claimed : int(points.size())));
  const std::size_t step = threeD_ ? 12 : 8;
  for (std::size_t i = 0; i < points.size(); ++i) PutPoint(e, 38 + step * i, points[i]);
  Finish(e, type, level, color);
  if (fill >= 0) AddAttributes(e, FillLinkage(fill));
  return e;
}

DgnElement DgnWriter::Arc(int type, int level, int color, const Vec3& origin, double primary, double secondary,
                          double rotation, double start, double sweep, int fill,
                          const std::array<double, 4>* quaternion) const {
  DgnElement e(36, 0);
  std::size_t at = 36;
  if (type == 16) {
    PutI32(e, 36, Units(start * 360000.0));
    const std::uint32_t magnitude = std::uint32_t(std::llround(std::fabs(sweep) * 360000.0)) & 0x7FFFFFFFu;
    PutI32(e, 40, std::int32_t(magnitude | (sweep < 0 ? 0x80000000u : 0u)));
    at = 44;
  }
  PutDouble(e, at, primary);
  PutDouble(e, at + 8, secondary);
  PutQuaternionOrRotation(e, at + 16, rotation, quaternion);
  const std::size_t o = at + (threeD_ ? 32 : 20);
  PutDouble(e, o, origin.x);
  PutDouble(e, o + 8, origin.y);
  if (threeD_) PutDouble(e, o + 16, origin.z);
  Finish(e, type, level, color);
  if (fill >= 0) AddAttributes(e, FillLinkage(fill));
  return e;
}

DgnElement DgnWriter::Text(int level, int color, const Vec3& origin, double height, const std::string& bytes,
                           double rotation, const std::array<double, 4>* quaternion) const {
  DgnElement e(36, 0);
  const std::int32_t multiplier = Units(height * 1000.0 / 6.0);
  PutI32(e, 38, multiplier);
  PutI32(e, 42, multiplier);
  PutQuaternionOrRotation(e, 46, rotation, quaternion);
  const std::size_t o = threeD_ ? 62 : 50;
  PutPoint(e, o, origin);
  const std::size_t countAt = threeD_ ? 74 : 58;
  e.resize(countAt + 2, 0);
  e[countAt] = std::uint8_t(bytes.size());
  e.insert(e.end(), bytes.begin(), bytes.end());
  Finish(e, 17, level, color);
  return e;
}

DgnElement DgnWriter::Complex(int type, int level, int color, const std::vector<DgnElement>& components,
                              int fill) const {
  DgnElement e(44, 0);
  Finish(e, type, level, color);
  if (fill >= 0) AddAttributes(e, FillLinkage(fill));
  std::size_t words = Words(e) - 19;
  for (const DgnElement& c : components) words += Words(c);
  PutU16(e, 36, std::uint16_t(words));
  PutU16(e, 38, std::uint16_t(components.size()));
  for (const DgnElement& c : components) {
    const DgnElement component = AsComponent(c);
    e.insert(e.end(), component.begin(), component.end());
  }
  return e;
}

DgnElement DgnWriter::Cell(const std::string& name, int level, const Vec3& origin,
                           const std::vector<DgnElement>& components) const {
  DgnElement e(threeD_ ? 124 : 92, 0);
  const std::string padded = (name + "      ").substr(0, 6);
  PutU16(e, 38, Radix50(padded.substr(0, 3)));
  PutU16(e, 40, Radix50(padded.substr(3, 3)));
  if (threeD_) {
    PutPoint(e, 112, origin);
  } else {
    PutI32(e, 68, std::int32_t(kQuaternionScale));
    PutI32(e, 80, std::int32_t(kQuaternionScale));
    PutPoint(e, 84, origin);
  }
  Finish(e, 2, level, 0);
  std::size_t words = Words(e) - 19;
  for (const DgnElement& c : components) words += Words(c);
  PutU16(e, 36, std::uint16_t(words));
  for (const DgnElement& c : components) {
    const DgnElement component = AsComponent(c);
    e.insert(e.end(), component.begin(), component.end());
  }
  return e;
}

DgnElement DgnWriter::SharedCellDefinition(int level, const std::vector<DgnElement>& components) const {
  DgnElement e(40, 0);
  Finish(e, 34, level, 0);
  std::size_t words = Words(e) - 19;
  for (const DgnElement& c : components) words += Words(c);
  PutU16(e, 36, std::uint16_t(words));
  for (const DgnElement& c : components) {
    const DgnElement component = AsComponent(c);
    e.insert(e.end(), component.begin(), component.end());
  }
  return e;
}

DgnElement DgnWriter::Deleted(DgnElement element) {
  element[1] |= 0x80;
  return element;
}

DgnElement DgnWriter::AsComponent(DgnElement element) {
  // Only the first element of a nested run is its own header; every element
  // of a component run carries the complex bit.
  std::size_t at = 0;
  while (at + 4 <= element.size()) {
    element[at] |= 0x80;
    at += 4 + 2 * std::size_t(element[at + 2] | element[at + 3] << 8);
  }
  return element;
}

DgnWriter& DgnWriter::Add(const DgnElement& element) {
  bytes_.insert(bytes_.end(), element.begin(), element.end());
  return *this;
}

std::vector<std::uint8_t> DgnWriter::Bytes() const {
  std::vector<std::uint8_t> out = bytes_;
  out.push_back(0xFF);
  out.push_back(0xFF);
  return out;
}

namespace {

// Offsets of the elements before the end marker (or the file's end).
std::vector<std::size_t> ElementStarts(std::span<const std::uint8_t> file, std::size_t& end) {
  std::vector<std::size_t> out;
  std::size_t at = 0;
  while (at + 4 <= file.size() && !(file[at] == 0xFF && file[at + 1] == 0xFF)) {
    const std::size_t size = 4 + 2 * std::size_t(file[at + 2] | file[at + 3] << 8);
    if (size > file.size() - at) break;
    out.push_back(at);
    at += size;
  }
  end = at;
  return out;
}

// Adds `words` to the length field of the header element at `at`: B-spline
// headers count 32-bit description words, the others a 16-bit total length.
void GrowChainLength(std::vector<std::uint8_t>& out, std::size_t at, std::size_t words) {
  const int type = out[at + 1] & 0x7F;
  DgnElement field(out.begin() + std::ptrdiff_t(at), out.begin() + std::ptrdiff_t(at + 40));
  if (type == 24 || type == 27) {
    const std::uint32_t v = std::uint32_t(field[37] << 24 | field[36] << 16 | field[39] << 8 | field[38]);
    DgnWriter::PutI32(field, 36, std::int32_t(v + words));
  } else {
    DgnWriter::PutU16(field, 36, std::uint16_t((field[36] | field[37] << 8) + words));
  }
  std::copy(field.begin() + 36, field.begin() + 40, out.begin() + std::ptrdiff_t(at + 36));
}

}  // namespace

std::vector<std::uint8_t> EditDgnFile(std::span<const std::uint8_t> file, const DgnFileEdit& edit) {
  std::size_t end = 0;
  const std::vector<std::size_t> starts = ElementStarts(file, end);
  std::vector<std::uint8_t> out;
  out.reserve(file.size() + file.size() / 4);
  // Open chains: where each ends in the file, where its header is in `out`.
  struct Open {
    std::size_t end, header;
  };
  std::vector<Open> open;
  DgnElement pending;  // the element to put after the last top-level one
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const std::size_t at = starts[i];
    const std::size_t size = 4 + 2 * std::size_t(file[at + 2] | file[at + 3] << 8);
    const std::span<const std::uint8_t> element = file.subspan(at, size);
    while (!open.empty() && open.back().end <= at) open.pop_back();
    if (open.empty()) {
      out.insert(out.end(), pending.begin(), pending.end());
      pending.clear();
    }
    DgnElement e(element.begin(), element.end());
    const std::vector<std::uint8_t> extra = edit.attributes ? edit.attributes(i, element) : std::vector<std::uint8_t>{};
    if (!extra.empty() && e.size() >= 36) {
      if (!(e[33] & 0x08)) {
        DgnWriter::PutU16(e, 30, std::uint16_t((e.size() - 32) / 2));
        e[33] |= 0x08;
      }
      e.insert(e.end(), extra.begin(), extra.end());
      PadEven(e);
      DgnWriter::PutU16(e, 2, std::uint16_t((e.size() - 4) / 2));
    }
    const std::size_t grown = (e.size() - element.size()) / 2;
    for (const Open& o : open) GrowChainLength(out, o.header, grown);
    const std::size_t header = out.size();
    out.insert(out.end(), e.begin(), e.end());
    const std::size_t span = DgnChainBytes(element);
    if (span > element.size()) {
      GrowChainLength(out, header, grown);
      open.push_back(Open{open.empty() ? at + span : std::min(at + span, open.back().end), header});
    }
    if (open.empty() || open.front().header == header) {
      if (edit.after) pending = edit.after(i, element);
    }
  }
  out.insert(out.end(), pending.begin(), pending.end());
  out.insert(out.end(), file.begin() + std::ptrdiff_t(end), file.end());
  return out;
}

std::vector<std::uint8_t> RepeatDgnElements(std::span<const std::uint8_t> file, std::size_t first, int times) {
  std::size_t end = 0;
  const std::vector<std::size_t> starts = ElementStarts(file, end);
  const std::size_t from = first < starts.size() ? starts[first] : end;
  std::vector<std::uint8_t> out(file.begin(), file.begin() + std::ptrdiff_t(from));
  for (int k = 0; k < times; ++k) {
    out.insert(out.end(), file.begin() + std::ptrdiff_t(from), file.begin() + std::ptrdiff_t(end));
  }
  out.insert(out.end(), file.begin() + std::ptrdiff_t(end), file.end());
  return out;
}

}  // namespace kvn::test
