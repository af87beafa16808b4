// Test-only writer of whole DWG files of the plain R13-R2000 layout: file
// header with section locators, the header variables (walking the reader's
// own variable table), classes, the objects one after another and the
// object map in parts, each with its check word. Knobs damage one thing at
// a time. Also writes a header-variables section alone for any release.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kvn::test {

struct DwgFileClass {
  std::uint16_t number;
  std::string dxfName;
  bool entity;
};

struct DwgFileSpec {
  int release = 15;
  std::string version = "AC1015";
  std::vector<DwgFileClass> classes;
  // Whole objects (DwgObjectWriter::Finish) and their handles.
  std::vector<std::vector<std::uint8_t>> objects;
  std::vector<std::uint64_t> handles;
  // Kept header values.
  std::uint64_t modelSpace = 0x1F, paperSpace = 0x1E, byLayer = 0x14, byBlock = 0x15, continuous = 0x16;
  std::uint16_t lunits = 2;
  double ltScale = 1.0;
  // Damage and layout knobs.
  std::uint32_t locatorCount = 0;        // 0: the records written
  bool extraRecord12 = false;            // a record numbered 12 before record 2
  std::uint32_t mapEntriesPerPart = 2000;
  bool emptyFirstMapPart = false;        // the map's first part has size 2
  bool badMapCrc = false;                // the first part's check word is wrong
  int overlapObject = -1;                // this object's map location points one byte back
};

std::vector<std::uint8_t> WriteDwgFile(const DwgFileSpec& spec);

// A header-variables section (sentinel, size, high size where the release
// has one, data, check word) with the kept values of `spec`.
std::vector<std::uint8_t> WriteDwgHeaderSection(const DwgFileSpec& spec, int release, int maintenance);

// A classes section (sentinel, size, high size where the release has one,
// from R2004 the largest class number and each class's counts, from R2007
// the bit size and the texts after the classes, check word).
std::vector<std::uint8_t> WriteDwgClassesSection(const DwgFileSpec& spec, int release, int maintenance);

// The objects one after another (after `prefix`) and the object map whose
// locations count from `objectsStart`, the position of the objects' first
// byte (the prefix's first byte) in the file or section.
struct DwgObjectSections {
  std::vector<std::uint8_t> objects;
  std::vector<std::uint8_t> map;
};
DwgObjectSections WriteDwgObjectSections(const DwgFileSpec& spec, std::size_t objectsStart,
                                         std::span<const std::uint8_t> prefix = {});

// Unsigned and signed modular chars of the object map.
void AppendModularChar(std::vector<std::uint8_t>& out, std::int64_t value, bool isSigned);

}  // namespace kvn::test
