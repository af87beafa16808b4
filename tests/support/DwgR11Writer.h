// Test writer of AC1009 (R11/R12) DWG files: the fixed header with the
// table descriptors, the six tables and the two entity ranges, laid out as
// the reader expects them. Entity records end in their check word (the
// reader leaves out a record that does not match it); the table entries'
// check words are written as zeros (the reader does not compare them). Descriptor offsets are public so that tests can
// damage a written file at a known place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvn::test {

inline constexpr std::size_t kR11BlockDescriptor = 0x2C, kR11LayerDescriptor = 0x36, kR11StyleDescriptor = 0x40,
                             kR11LineTypeDescriptor = 0x4A, kR11ViewDescriptor = 0x54,
                             kR11ViewportDescriptor = 0x500;

// One entity record: the head fields the flags announce, then the body.
struct R11Entity {
  std::uint8_t type = 1;
  std::uint8_t flags = 0;
  std::uint16_t layer = 0;
  std::uint16_t options = 0;
  std::uint8_t extra = 0;       // written when flags bit 0x40
  std::vector<std::uint8_t> extendedData;  // with its u16 size when extra bit 2
  std::uint8_t color = 0;       // flags 0x01
  std::uint16_t lineType = 0;   // flags 0x02
  double elevation = 0.0;       // flags 0x04 (types 3 and above except 22)
  std::vector<std::uint8_t> handle;  // flags 0x20
  std::vector<std::uint8_t> body;
  // 0: the true length; else written as is.
  std::uint16_t lengthOverride = 0;
  // Bytes appended after the body and counted in the length.
  std::uint16_t padding = 0;

  R11Entity& Double(double v);
  R11Entity& U16(std::uint16_t v);
  R11Entity& U8(std::uint8_t v);
  R11Entity& Text(const std::string& text);
};

class DwgR11Writer {
 public:
  double ltScale = 1.0;
  std::uint16_t codePageRow = 30;  // ANSI 1252
  // A 0 at 0x24: the first range's end comes from the value before it.
  bool firstEndFromV = false;

  void AddLineType(const std::string& name, std::uint8_t dashCount, const std::vector<double>& lengths);
  void AddBlock(const std::string& name, std::uint8_t flags = 0);
  void AddLayer(const std::string& name, std::int16_t color, std::uint16_t lineType, std::uint8_t flags = 0);
  void AddStyle(const std::string& name, double height, double width, const std::string& font);
  void AddView(const std::string& name);
  void AddViewport(const std::string& name, double aspectX);
  // The first range holds the block definitions, the second model space.
  void AddBlockEntity(const R11Entity& e) { blockEntities_.push_back(e); }
  void AddEntity(const R11Entity& e) { entities_.push_back(e); }

  std::vector<std::uint8_t> Build() const;

 private:
  struct Table {
    std::uint16_t size = 0;
    std::vector<std::vector<std::uint8_t>> entries;
  };
  Table lineTypes_{191, {}}, blocks_{45, {}}, layers_{41, {}}, styles_{198, {}}, views_{153, {}},
      viewports_{253, {}};
  std::vector<R11Entity> blockEntities_, entities_;
};

// The bytes of a record as the reader walks them.
std::vector<std::uint8_t> EncodeR11Entity(const R11Entity& e);
void PutU16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v);
void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v);

}  // namespace kvn::test
