// Test-only writer of DWG objects: the bit primitives MSB first and an
// object assembler for every release (frame, common entity and object data,
// the R2007+ text part and handle passes, check word), so that tests and fuzz
// seeds can build the objects the reader must decode.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvn::test {

class DwgBitWriter {
 public:
  void Bits(std::uint64_t value, int count);  // high bit first
  void B(int bit) { Bits(bit ? 1 : 0, 1); }
  void BB(int code) { Bits(std::uint64_t(code & 3), 2); }
  void RC(std::uint8_t v) { Bits(v, 8); }
  void RS(std::uint16_t v);
  void RL(std::uint32_t v);
  void RD(double v);
  void BS(std::uint16_t v);
  void BL(std::uint32_t v);
  void BLL(std::uint64_t v);
  void BD(double v);
  // Code 00 when equal to the default, else 11 and the double.
  void DD(double v, double def);
  void Point3BD(double x, double y, double z) { BD(x), BD(y), BD(z); }
  void Point2RD(double x, double y) { RD(x), RD(y); }
  // Handle with the fewest bytes for the value.
  void H(int code, std::uint64_t value);
  // BS length and the bytes.
  void TV(std::string_view bytes);
  // BS length and the UTF-16 units.
  void TU(std::u16string_view units);
  // 32 bits filled at the end with the object data size in bits.
  void SizeSlot();
  void Append(const DwgBitWriter& other);

  std::size_t BitCount() const { return bits_.size(); }
  // Packed, the last byte padded with zeros.
  std::vector<std::uint8_t> Bytes() const;
  void PatchSlots(std::uint32_t value);

 private:
  std::vector<std::uint8_t> bits_;
  std::vector<std::size_t> slots_;
};

struct DwgEntityCommon {
  int mode = 0;  // 0: owner handle follows; 1: paper space; 2: model space
  std::uint64_t owner = 0x1F;
  std::uint32_t reactors = 0;
  bool xdict = false;
  std::uint16_t color = 256;
  std::uint32_t colorValue = 0;  // R2004+: BS flags 0x8000 with this BL when not 0
  double lineTypeScale = 1.0;
  int lineTypeFlags = 0;          // R2000+
  bool lineTypeByLayer = true;    // R13/R14
  std::uint64_t lineType = 0x15;  // read when not by layer / flags 3
  bool noLinks = true;            // R13-R2000
  std::uint64_t previous = 0, next = 0;
  std::uint64_t layer = 0x10;
  std::uint16_t invisible = 0;
};

class DwgObjectWriter {
 public:
  DwgObjectWriter(int release, int type, std::uint64_t handle);

  int Release() const { return release_; }
  DwgBitWriter data;
  // A text: TV in the data before R2007, queued as TU after it.
  void Text(std::string_view ascii);
  void TextUnits(std::u16string_view units);
  // A handle reference in the handle data (under the current sub-record).
  void Handle(int code, std::uint64_t value);
  void SetSubRecord(int id) { subRecord_ = id; }
  // Extended data written into the frame (raw item bytes of one block).
  void SetExtendedData(std::uint64_t application, std::vector<std::uint8_t> items);

  void CommonEntity(const DwgEntityCommon& common);
  void EntityBody(const DwgEntityCommon& common);
  void EntityHandles(const DwgEntityCommon& common);
  void CommonObject(std::uint32_t reactors = 0, bool xdict = false);
  void ObjectHandles(std::uint64_t owner, std::uint32_t reactors = 0, bool xdict = false);

  // The whole object: MS size, R2010+ MC handle bits, data, check word.
  std::vector<std::uint8_t> Finish() const;

 private:
  int release_;
  int type_;
  std::uint64_t handle_;
  int subRecord_ = 0;
  DwgBitWriter texts_;
  struct PendingHandle {
    int code;
    std::uint64_t value;
    int subRecord;
  };
  std::vector<PendingHandle> handles_;
  std::uint64_t eedApplication_ = 0;
  std::vector<std::uint8_t> eed_;
};

// A small object of each handled type, for fuzz seeds: the bytes and the
// type's name.
struct DwgSampleObject {
  std::string typeName;
  int release;
  std::vector<std::uint8_t> bytes;
};
std::vector<DwgSampleObject> DwgSampleObjects(int release);

}  // namespace kvn::test
