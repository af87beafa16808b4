#include "tests/support/DwgBitWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kvn::test {

namespace {

constexpr int kR14 = 14, kR2000 = 15, kR2004 = 18, kR2007 = 21, kR2010 = 24, kR2013 = 27, kR2018 = 32;

std::uint16_t Crc(std::uint16_t crc, const std::vector<std::uint8_t>& bytes) {
  for (std::uint8_t b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? std::uint16_t((crc >> 1) ^ 0xA001) : std::uint16_t(crc >> 1);
  }
  return crc;
}

}  // namespace

// ---- bits ----

void DwgBitWriter::Bits(std::uint64_t value, int count) {
  for (int i = count - 1; i >= 0; --i) bits_.push_back(std::uint8_t(value >> i & 1));
}

void DwgBitWriter::RS(std::uint16_t v) {
  RC(std::uint8_t(v));
  RC(std::uint8_t(v >> 8));
}

void DwgBitWriter::RL(std::uint32_t v) {
  RS(std::uint16_t(v));
  RS(std::uint16_t(v >> 16));
}

void DwgBitWriter::RD(double v) {
  std::uint8_t b[8];
  std::memcpy(b, &v, 8);
  for (std::uint8_t x : b) RC(x);
}

void DwgBitWriter::BS(std::uint16_t v) {
  if (v == 0) {
    BB(2);
  } else if (v == 256) {
    BB(3);
  } else if (v < 256) {
    BB(1);
    RC(std::uint8_t(v));
  } else {
    BB(0);
    RS(v);
  }
}

void DwgBitWriter::BL(std::uint32_t v) {
  if (v == 0) {
    BB(2);
  } else if (v < 256) {
    BB(1);
    RC(std::uint8_t(v));
  } else {
    BB(0);
    RL(v);
  }
}

void DwgBitWriter::BLL(std::uint64_t v) {
  int n = 0;
  while (n < 7 && (v >> (8 * n)) != 0) ++n;
  Bits(std::uint64_t(n), 3);
  for (int i = 0; i < n; ++i) RC(std::uint8_t(v >> (8 * i)));
}

void DwgBitWriter::BD(double v) {
  if (v == 1.0) {
    BB(1);
  } else if (v == 0.0 && !std::signbit(v)) {
    BB(2);
  } else {
    BB(0);
    RD(v);
  }
}

void DwgBitWriter::DD(double v, double def) {
  if (std::memcmp(&v, &def, 8) == 0) {
    BB(0);
  } else {
    BB(3);
    RD(v);
  }
}

void DwgBitWriter::H(int code, std::uint64_t value) {
  int n = 0;
  while (n < 8 && (value >> (8 * n)) != 0) ++n;
  RC(std::uint8_t(code << 4 | n));
  for (int i = n - 1; i >= 0; --i) RC(std::uint8_t(value >> (8 * i)));
}

void DwgBitWriter::TV(std::string_view bytes) {
  BS(std::uint16_t(bytes.size()));
  for (char c : bytes) RC(std::uint8_t(c));
}

void DwgBitWriter::TU(std::u16string_view units) {
  BS(std::uint16_t(units.size()));
  for (char16_t u : units) RS(std::uint16_t(u));
}

void DwgBitWriter::SizeSlot() {
  slots_.push_back(bits_.size());
  Bits(0, 32);
}

void DwgBitWriter::Append(const DwgBitWriter& other) {
  const std::size_t base = bits_.size();
  bits_.insert(bits_.end(), other.bits_.begin(), other.bits_.end());
  for (std::size_t s : other.slots_) slots_.push_back(base + s);
}

void DwgBitWriter::PatchSlots(std::uint32_t value) {
  for (std::size_t s : slots_) {
    // RL: four RC, least significant first, each high bit first.
    for (int byte = 0; byte < 4; ++byte) {
      std::uint8_t v = std::uint8_t(value >> (8 * byte));
      for (int i = 0; i < 8; ++i) bits_[s + 8 * byte + i] = std::uint8_t(v >> (7 - i) & 1);
    }
  }
}

std::vector<std::uint8_t> DwgBitWriter::Bytes() const {
  std::vector<std::uint8_t> out((bits_.size() + 7) / 8, 0);
  for (std::size_t i = 0; i < bits_.size(); ++i) {
    if (bits_[i]) out[i / 8] |= std::uint8_t(0x80 >> (i % 8));
  }
  return out;
}

// ---- objects ----

DwgObjectWriter::DwgObjectWriter(int release, int type, std::uint64_t handle)
    : release_(release), type_(type), handle_(handle) {}

void DwgObjectWriter::Text(std::string_view ascii) {
  if (release_ >= kR2007) {
    std::u16string units(ascii.begin(), ascii.end());
    texts_.TU(units);
  } else {
    data.TV(ascii);
  }
}

void DwgObjectWriter::TextUnits(std::u16string_view units) { texts_.TU(units); }

void DwgObjectWriter::Handle(int code, std::uint64_t value) { handles_.push_back({code, value, subRecord_}); }

void DwgObjectWriter::SetExtendedData(std::uint64_t application, std::vector<std::uint8_t> items) {
  eedApplication_ = application;
  eed_ = std::move(items);
}

void DwgObjectWriter::CommonEntity(const DwgEntityCommon& c) {
  data.B(0);
  if (release_ <= kR14) data.SizeSlot();
  EntityBody(c);
}

void DwgObjectWriter::EntityBody(const DwgEntityCommon& c) {
  data.BB(c.mode);
  data.BL(c.reactors);
  if (release_ >= kR2004) data.B(c.xdict ? 0 : 1);
  if (release_ >= kR2013) data.B(0);
  if (release_ <= kR14) data.B(c.lineTypeByLayer);
  if (release_ <= kR2000) data.B(c.noLinks);
  if (release_ >= kR2004 && c.colorValue != 0) {
    data.BS(std::uint16_t(0x8000 | (c.color & 0xFF)));
    data.BL(c.colorValue);
  } else {
    data.BS(c.color);
  }
  data.BD(c.lineTypeScale);
  if (release_ >= kR2000) {
    data.BB(c.lineTypeFlags);
    data.BB(0);
  }
  if (release_ >= kR2007) {
    data.BB(0);
    data.RC(0);
  }
  if (release_ >= kR2010) {
    data.B(0);
    data.B(0);
    data.B(0);
  }
  data.BS(c.invisible);
  if (release_ >= kR2000) data.RC(0x1D);
}

void DwgObjectWriter::EntityHandles(const DwgEntityCommon& c) {
  if (c.mode == 0) Handle(4, c.owner);
  for (std::uint32_t i = 0; i < c.reactors; ++i) Handle(4, 0x100 + i);
  if (c.xdict || release_ < kR2004) Handle(3, 0x200);
  if (release_ <= kR14) {
    Handle(5, c.layer);
    if (!c.lineTypeByLayer) Handle(5, c.lineType);
  }
  if (release_ <= kR2000 && !c.noLinks) {
    Handle(4, c.previous);
    Handle(4, c.next);
  }
  if (release_ >= kR2000) {
    Handle(5, c.layer);
    if (c.lineTypeFlags == 3) Handle(5, c.lineType);
  }
}

void DwgObjectWriter::CommonObject(std::uint32_t reactors, bool xdict) {
  if (release_ <= kR14) data.SizeSlot();
  data.BL(reactors);
  if (release_ >= kR2004) data.B(xdict ? 0 : 1);
  if (release_ >= kR2013) data.B(0);
}

void DwgObjectWriter::ObjectHandles(std::uint64_t owner, std::uint32_t reactors, bool xdict) {
  Handle(4, owner);
  for (std::uint32_t i = 0; i < reactors; ++i) Handle(4, 0x100 + i);
  if (xdict || release_ < kR2004) Handle(3, 0x200);
}

std::vector<std::uint8_t> DwgObjectWriter::Finish() const {
  DwgBitWriter main;
  if (release_ < kR2010) {
    main.BS(std::uint16_t(type_));
  } else if (type_ < 256) {
    main.BB(0);
    main.RC(std::uint8_t(type_));
  } else if (type_ >= 0x1F0 && type_ < 0x1F0 + 256) {
    main.BB(1);
    main.RC(std::uint8_t(type_ - 0x1F0));
  } else {
    main.BB(2);
    main.RS(std::uint16_t(type_));
  }
  if (release_ >= kR2000 && release_ <= kR2007) main.SizeSlot();
  main.H(0, handle_);
  if (!eed_.empty()) {
    main.BS(std::uint16_t(eed_.size()));
    main.H(5, eedApplication_);
    for (std::uint8_t b : eed_) main.RC(b);
  }
  main.BS(0);
  main.Append(data);
  if (release_ >= kR2007) main.Append(texts_);
  const std::size_t dataEnd = main.BitCount();
  main.PatchSlots(std::uint32_t(dataEnd));

  std::vector<PendingHandle> ordered = handles_;
  if (release_ >= kR2007) {
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const PendingHandle& a, const PendingHandle& b) { return a.subRecord < b.subRecord; });
  }
  for (const PendingHandle& h : ordered) main.H(h.code, h.value);
  const std::vector<std::uint8_t> body = main.Bytes();

  std::vector<std::uint8_t> out;
  std::uint32_t size = std::uint32_t(body.size());
  do {
    std::uint16_t word = size & 0x7FFF;
    size >>= 15;
    if (size) word |= 0x8000;
    out.push_back(std::uint8_t(word));
    out.push_back(std::uint8_t(word >> 8));
  } while (size);
  if (release_ >= kR2010) {
    std::uint64_t handleBits = body.size() * 8 - dataEnd;
    do {
      std::uint8_t byte = handleBits & 0x7F;
      handleBits >>= 7;
      if (handleBits) byte |= 0x80;
      out.push_back(byte);
    } while (handleBits);
  }
  out.insert(out.end(), body.begin(), body.end());
  const std::uint16_t crc = Crc(0xC0C1, out);
  out.push_back(std::uint8_t(crc));
  out.push_back(std::uint8_t(crc >> 8));
  return out;
}

// ---- samples ----

namespace {

DwgEntityCommon Common() { return DwgEntityCommon{}; }

std::vector<std::uint8_t> Entity(int release, int type, std::uint64_t handle, void (*fields)(DwgObjectWriter&),
                                 void (*handles)(DwgObjectWriter&) = nullptr) {
  DwgObjectWriter w(release, type, handle);
  DwgEntityCommon c = Common();
  w.CommonEntity(c);
  fields(w);
  w.EntityHandles(c);
  if (handles) handles(w);
  return w.Finish();
}

void TextFields(DwgObjectWriter& w) {
  if (w.Release() <= kR14) {
    w.data.BD(0.5);
    w.data.Point2RD(1, 2);
    w.data.Point2RD(1, 2);
    w.data.Point3BD(0, 0, 1);
    w.data.BD(0);
    w.data.BD(0);
    w.data.BD(0);
    w.data.BD(2.5);
    w.data.BD(1);
    w.Text("Hi");
    w.data.BS(0);
    w.data.BS(0);
    w.data.BS(0);
    return;
  }
  w.data.RC(0xFF);
  w.data.Point2RD(1, 2);
  w.data.B(1);
  w.data.B(1);
  w.data.RD(2.5);
  w.Text("Hi");
}

}  // namespace

std::vector<DwgSampleObject> DwgSampleObjects(int release) {
  std::vector<DwgSampleObject> out;
  auto add = [&](const char* name, std::vector<std::uint8_t> bytes) { out.push_back({name, release, std::move(bytes)}); };
  add("LINE", Entity(release, 19, 0x30, [](DwgObjectWriter& w) {
        if (w.Release() <= kR14) {
          w.data.Point3BD(1, 2, 0);
          w.data.Point3BD(3, 4, 0);
          w.data.BD(0);
          w.data.Point3BD(0, 0, 1);
          return;
        }
        w.data.B(1);
        w.data.RD(1);
        w.data.DD(3, 1);
        w.data.RD(2);
        w.data.DD(4, 2);
        w.data.B(1);
        w.data.B(1);
      }));
  add("CIRCLE", Entity(release, 18, 0x31, [](DwgObjectWriter& w) {
        w.data.Point3BD(5, 6, 0);
        w.data.BD(2);
        if (w.Release() <= kR14) {
          w.data.BD(0);
          w.data.Point3BD(0, 0, 1);
        } else {
          w.data.B(1);
          w.data.B(1);
        }
      }));
  add("TEXT", Entity(release, 1, 0x32, TextFields, [](DwgObjectWriter& w) { w.Handle(5, 0x11); }));
  add("INSERT", Entity(release, 7, 0x33, [](DwgObjectWriter& w) {
        w.data.Point3BD(1, 1, 0);
        if (w.Release() <= kR14) {
          w.data.Point3BD(1, 1, 1);
        } else {
          w.data.BB(3);
        }
        w.data.BD(0);
        w.data.Point3BD(0, 0, 1);
        w.data.B(0);
      }, [](DwgObjectWriter& w) { w.Handle(5, 0x40); }));
  add("VERTEX_2D", Entity(release, 10, 0x34, [](DwgObjectWriter& w) {
        w.data.RC(0);
        w.data.Point3BD(1, 2, 0);
        w.data.BD(-2.5);
        w.data.BD(0);
        if (w.Release() >= kR2010) w.data.BL(0);
        w.data.BD(0);
      }));
  add("LWPOLYLINE", Entity(release, 77, 0x35, [](DwgObjectWriter& w) {
        w.data.BS(0x200);
        w.data.BL(2);
        w.data.Point2RD(0, 0);
        if (w.Release() <= kR14) {
          w.data.Point2RD(1, 0);
        } else {
          w.data.DD(1, 0);
          w.data.DD(0, 0);
        }
      }));
  add("MTEXT", Entity(release, 44, 0x36, [](DwgObjectWriter& w) {
        w.data.Point3BD(1, 2, 0);
        w.data.Point3BD(0, 0, 1);
        w.data.Point3BD(1, 0, 0);
        w.data.BD(10);
        if (w.Release() >= kR2007) w.data.BD(0);
        w.data.BD(2.5);
        w.data.BS(1);
        w.data.BS(1);
        w.data.BD(0);
        w.data.BD(0);
        w.Text("M");
        if (w.Release() >= kR2000) {
          w.data.BL(1);
          w.data.BD(1);
          w.data.B(0);
        }
        if (w.Release() >= kR2004) w.data.BL(0);
        if (w.Release() >= kR2018) w.data.B(0);
      }, [](DwgObjectWriter& w) { w.Handle(5, 0x11); }));
  add("SEQEND", Entity(release, 6, 0x37, [](DwgObjectWriter&) {}));
  return out;
}

}  // namespace kvn::test
