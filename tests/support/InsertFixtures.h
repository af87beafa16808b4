// The record of a block insert as a file of any version stored it, written
// field by field from the record tables (never through the class's own
// writer), so that every row of the reader is tested from bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/ArchiveWriter.h"
#include "foundation/DPoint.h"

namespace kvn::test {

struct InsertLabelFixture {
  bool present = false;
  DPoint position;
  double angle = 0.0;
  bool keepAngle = false;
  std::uint8_t alignment = 0;
  // A text-style index, or 0x8000 + n for built-in style n (from 3090), or
  // 65535 for none.
  std::uint16_t style = 65535;
  std::u16string text;
};

struct InsertAttributeFixture {
  std::uint8_t kind = 2;
  std::u16string name;
  std::u16string value;
  std::uint8_t flag = 1;
};

struct InsertFixture {
  // The object header's level and page id (written by the file writers,
  // not by WriteInsertAt).
  std::uint16_t level = 0;
  std::uint16_t page = 0;
  DPoint point;
  double angle = 0.0;
  DPoint scale{1.0, 1.0};
  double width = 1.0;
  std::vector<InsertAttributeFixture> attributes;
  std::uint8_t flags = 0x03;
  std::uint8_t option = 0;
  std::uint32_t reserved = 0;
  std::uint8_t widthMode = 0;
  std::uint32_t linkId = 0;
  std::uint16_t linkNumber = 0;  // stored from 3082
  std::uint32_t color = 0x80000000u;
  std::u16string name;
  // Slots 0..7 from 3090; before, slots 0 and 1 with the present and
  // keep-angle bits taken from `flags`.
  std::array<InsertLabelFixture, 8> labels{};
  std::uint32_t blockIndex = 0;
};

// The record after the object header.
void WriteInsertAt(ArchiveWriter& w, int version, const InsertFixture& f);

}  // namespace kvn::test
