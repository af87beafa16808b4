// Writers of the records of the schematic objects (links, dimensions,
// connection points, separators and section views) as a file of a given
// version stored them, field by field from the record tables, without the
// classes' own writers. The type byte is not included; the vector forms
// end on a whole byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/DPoint.h"
#include "tests/support/RecordFixtures.h"

namespace kvn::test {

struct AttributeFixture {
  std::u16string name;
  std::u16string value;
  std::u16string third;
  std::uint8_t kind = 0;
  bool flag = true;
};

// An attribute list in the layout of its version: before 3073 the packed
// text (an i32 count, then {key, name, value} zero-terminated, bytes in code
// page 1250 before 3052, 16-bit units after, ending with key 0), from 3073
// the item list (kind as a byte before 3075).
void WriteAttributesAt(ArchiveWriter& w, int version, const std::vector<AttributeFixture>& items);

// A text-style reference that allows built-ins (built-in references only
// after 3089; a plain index otherwise).
void WriteTextStyleAt(ArchiveWriter& w, int version, std::uint16_t ref);

struct LinkFixture {
  HeaderFixture header;
  std::uint16_t linkStyle = 0;
  std::vector<DPoint> points{{0, 0}, {10, 0}, {10, 5}};
  std::uint32_t end1 = 0;
  std::uint16_t index1 = 0;
  std::uint32_t end2 = 0;
  std::uint16_t index2 = 0;
  std::vector<AttributeFixture> attributes;
  bool flagA = true;
  bool flagB = false;
  bool anchor = false;
  DPoint anchorPoint;
  bool labelShown = false;
  DPoint labelPosition;
  std::uint16_t labelStyle = 0x8002;
  std::uint8_t labelAlignment = 7;
  double labelAngle = 0.0;
  std::u16string labelText;
  double sizeValue = 0.0;
  // Before 3050 the record is a polygon's: its line part, and the symbol
  // flag of its header (which the list reader follows with a block index).
  LinePartFixture line;
};
void WriteLinkRecord(ArchiveWriter& w, int version, const LinkFixture& f);
std::vector<std::uint8_t> LinkRecordAt(int version, const LinkFixture& f);

struct DistanceFixture {
  HeaderFixture header;
  LinePartFixture line;  // from 3084
  double textAngle = 0.0;  // from 3084
  DPoint first{0, 0};
  DPoint second{40, 0};
  DPoint textPoint{20, 2};
  std::uint8_t flags = 0x41;
  std::uint16_t textStyle = 0x8003;
  std::u16string prefix;
  std::u16string suffix;
};
void WriteDistanceRecord(ArchiveWriter& w, int version, const DistanceFixture& f);
std::vector<std::uint8_t> DistanceRecordAt(int version, const DistanceFixture& f);

struct ConPointFixture {
  HeaderFixture header;
  DPoint position{5, 6};
  double angle = 90.0;
  // Old files stored FLT_MAX for "no angle".
  bool noAngle = false;
  std::u16string name;  // from 3081
  bool labelShown = false;
  DPoint labelPosition;
  std::uint16_t labelStyle = 0x8004;
  std::uint8_t labelAlignment = 1;
  double labelAngle = 0.0;
  bool fixedLabelAngle = false;
};
void WriteConPointRecord(ArchiveWriter& w, int version, const ConPointFixture& f);
std::vector<std::uint8_t> ConPointRecordAt(int version, const ConPointFixture& f);

struct SeparatorFixture {
  HeaderFixture header;
  std::uint8_t flag = 1;
  std::u16string name;
};
void WriteSeparatorRecord(ArchiveWriter& w, int version, const SeparatorFixture& f);
std::vector<std::uint8_t> SeparatorRecordAt(int version, const SeparatorFixture& f);

struct SectionFixture {
  HeaderFixture header;
  DPoint insertPoint{100, 50};
  bool automaticFrame = false;  // from 3082
  DPoint framePoint{160, 90};
  double scale = 0.5;
  DPoint sourcePoint{10, 20};
  double angle = 30.0;
  std::uint16_t sheetIndex = 1;
  std::uint16_t page = 2;
  bool recolour = true;  // stored from 3069
  std::uint32_t color = 0x0000FF;
  bool selection = false;  // from 3070
  std::vector<std::uint16_t> values;
  std::vector<std::u16string> names;  // from 3082
  // Damage: when not negative, stored instead of the value count.
  int storedValueCount = -1;
};
void WriteSectionRecord(ArchiveWriter& w, int version, const SectionFixture& f);
std::vector<std::uint8_t> SectionRecordAt(int version, const SectionFixture& f);

// The record followed by six marker bits: a reader that stops a bit early
// or late misreads them.
template <class Fixture>
std::vector<std::uint8_t> RecordWithMarker(void (*write)(ArchiveWriter&, int, const Fixture&), int version,
                                           const Fixture& f, std::uint32_t marker) {
  return Archive([&](ArchiveWriter& w) {
    write(w, version, f);
    w.WriteBits(marker, 6);
  });
}

}  // namespace kvn::test
