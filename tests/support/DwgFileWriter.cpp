#include "tests/support/DwgFileWriter.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "dwg/container/DwgHeaderVariables.h"
#include "dwg/objects/DwgCrc.h"
#include "tests/support/DwgBitWriter.h"

namespace kvn::test {

namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

void PatchU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = std::uint8_t(v >> (8 * i));
}

void Append(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& more) {
  out.insert(out.end(), more.begin(), more.end());
}

constexpr std::uint8_t kClassesSentinel[16] = {0x8D, 0xA1, 0xC4, 0xB8, 0xC4, 0xA9, 0xF8, 0xC5,
                                               0xC0, 0xDC, 0xF4, 0x5F, 0xE7, 0xCF, 0xB6, 0x8A};

// Size, data and check word: the check word covers the size and the data.
std::vector<std::uint8_t> SizedSection(std::span<const std::uint8_t> sentinel, const std::vector<std::uint8_t>& data,
                                       bool highSize) {
  std::vector<std::uint8_t> out(sentinel.begin(), sentinel.end());
  const std::size_t from = out.size();
  PutU32(out, std::uint32_t(data.size()));
  if (highSize) PutU32(out, 0);
  Append(out, data);
  const std::uint16_t crc = Crc16(kDwgCrcSeed, out.data() + from, out.size() - from);
  out.push_back(std::uint8_t(crc));
  out.push_back(std::uint8_t(crc >> 8));
  return out;
}

void WriteVariables(const DwgFileSpec& spec, int release, DwgBitWriter& data, DwgBitWriter& texts,
                    std::vector<std::pair<int, std::uint64_t>>& handles) {
  const bool queued = release >= 21;
  for (const DwgHeaderRow& row : DwgHeaderVariableRows()) {
    if (!DwgHeaderRowApplies(row, release)) continue;
    for (int i = 0; i < row.count; ++i) {
      auto handle = [&](int code, std::uint64_t value) {
        if (queued) {
          handles.emplace_back(code, value);
        } else {
          data.H(code, value);
        }
      };
      switch (row.type) {
        case DwgHeaderVar::B: data.B(0); break;
        case DwgHeaderVar::BS:
          data.BS(row.keep == DwgHeaderKeep::Lunits ? spec.lunits : 0);
          break;
        case DwgHeaderVar::BL: data.BL(0); break;
        case DwgHeaderVar::BLL: data.BLL(0); break;
        case DwgHeaderVar::BD: data.BD(row.keep == DwgHeaderKeep::LtScale ? spec.ltScale : 0.0); break;
        case DwgHeaderVar::RC: data.RC(0); break;
        case DwgHeaderVar::RD: data.RD(0); break;
        case DwgHeaderVar::TV:
          if (queued) {
            texts.TU(u"");
          } else {
            data.TV("");
          }
          break;
        case DwgHeaderVar::H5: {
          std::uint64_t value = 0;
          switch (row.keep) {
            case DwgHeaderKeep::PaperSpace: value = spec.paperSpace; break;
            case DwgHeaderKeep::ModelSpace: value = spec.modelSpace; break;
            case DwgHeaderKeep::ByLayer: value = spec.byLayer; break;
            case DwgHeaderKeep::ByBlock: value = spec.byBlock; break;
            case DwgHeaderKeep::Continuous: value = spec.continuous; break;
            default: break;
          }
          handle(5, value);
          break;
        }
        case DwgHeaderVar::H3: handle(3, 0); break;
        case DwgHeaderVar::CMC:
          data.BS(256);
          if (release >= 18) {
            data.BL(0);
            data.RC(0);
          }
          break;
        case DwgHeaderVar::HANDSEED: data.H(0, 0x1000); break;
        case DwgHeaderVar::CEPSN: data.BS(0); break;
      }
    }
  }
}

}  // namespace

void AppendModularChar(std::vector<std::uint8_t>& out, std::int64_t value, bool isSigned) {
  const bool negative = isSigned && value < 0;
  std::uint64_t v = negative ? std::uint64_t(-value) : std::uint64_t(value);
  // The last byte holds six bits when signed, seven otherwise.
  const int lastBits = isSigned ? 6 : 7;
  while (v >= (1ull << lastBits)) {
    out.push_back(std::uint8_t(0x80 | (v & 0x7F)));
    v >>= 7;
  }
  out.push_back(std::uint8_t(v | (negative ? 0x40 : 0)));
}

std::vector<std::uint8_t> WriteDwgHeaderSection(const DwgFileSpec& spec, int release, int maintenance) {
  DwgBitWriter variables, texts;
  std::vector<std::pair<int, std::uint64_t>> handles;
  WriteVariables(spec, release, variables, texts, handles);
  DwgBitWriter all;
  if (release >= 21) {
    // The bit size counts from its own first bit to the end of the texts;
    // the handles follow.
    all.RL(std::uint32_t(32 + variables.BitCount() + texts.BitCount()));
  }
  all.Append(variables);
  all.Append(texts);
  for (const auto& [code, value] : handles) all.H(code, value);
  const bool high = release >= 32 || ((release == 24 || release == 27) && maintenance > 3);
  return SizedSection(DwgHeaderSentinel(), all.Bytes(), high);
}

std::vector<std::uint8_t> WriteDwgClassesSection(const DwgFileSpec& spec, int release, int maintenance) {
  DwgBitWriter classes, texts;
  auto text = [&](std::string_view value) {
    if (release >= 21) {
      texts.TU(std::u16string(value.begin(), value.end()));
    } else {
      classes.TV(value);
    }
  };
  if (release >= 18) {
    std::uint16_t largest = 0;
    for (const DwgFileClass& cls : spec.classes) largest = std::max(largest, cls.number);
    classes.BS(largest);
    classes.RC(0);
    classes.RC(0);
    classes.B(1);
  }
  for (const DwgFileClass& cls : spec.classes) {
    classes.BS(cls.number);
    classes.BS(0);
    text("ObjectDBX Classes");
    text("AcDbTest");
    text(cls.dxfName);
    classes.B(0);
    classes.BS(cls.entity ? 0x1F2 : 0x1F3);
    if (release >= 18) {
      classes.BL(0);
      classes.BS(0);
      classes.BS(0);
      classes.BL(0);
      classes.BL(0);
    }
  }
  DwgBitWriter all;
  // From R2007 a bit size comes first and the texts follow the classes.
  if (release >= 21) all.RL(std::uint32_t(32 + classes.BitCount() + texts.BitCount()));
  all.Append(classes);
  all.Append(texts);
  const bool high = release >= 32 || ((release == 24 || release == 27) && maintenance > 3);
  return SizedSection(std::span<const std::uint8_t>(kClassesSentinel), all.Bytes(), high);
}

DwgObjectSections WriteDwgObjectSections(const DwgFileSpec& spec, std::size_t objectsStart,
                                         std::span<const std::uint8_t> prefix) {
  DwgObjectSections out;
  out.objects.assign(prefix.begin(), prefix.end());
  std::vector<std::pair<std::uint64_t, std::uint32_t>> entries;
  for (std::size_t i = 0; i < spec.objects.size(); ++i) {
    std::uint32_t location = std::uint32_t(objectsStart + out.objects.size());
    if (int(i) == spec.overlapObject) location -= 1;
    entries.emplace_back(spec.handles.at(i), location);
    Append(out.objects, spec.objects[i]);
  }
  // The map, in parts: big-endian size, the pairs, big-endian check word.
  auto part = [&](std::size_t from, std::size_t to, bool badCrc) {
    std::vector<std::uint8_t> pairs;
    std::uint64_t handle = 0;
    std::int64_t location = 0;
    for (std::size_t i = from; i < to; ++i) {
      AppendModularChar(pairs, std::int64_t(entries[i].first - handle), false);
      AppendModularChar(pairs, std::int64_t(entries[i].second) - location, true);
      handle = entries[i].first;
      location = entries[i].second;
    }
    const std::uint16_t size = std::uint16_t(pairs.size() + 2);
    std::vector<std::uint8_t> bytes = {std::uint8_t(size >> 8), std::uint8_t(size)};
    Append(bytes, pairs);
    std::uint16_t crc = Crc16(kDwgCrcSeed, bytes.data(), bytes.size());
    if (badCrc) crc ^= 1;
    bytes.push_back(std::uint8_t(crc >> 8));
    bytes.push_back(std::uint8_t(crc));
    Append(out.map, bytes);
  };
  if (!spec.emptyFirstMapPart) {
    for (std::size_t from = 0; from < entries.size(); from += spec.mapEntriesPerPart) {
      part(from, std::min(entries.size(), from + spec.mapEntriesPerPart), spec.badMapCrc && from == 0);
    }
  }
  part(0, 0, spec.badMapCrc && entries.empty());
  return out;
}

std::vector<std::uint8_t> WriteDwgFile(const DwgFileSpec& spec) {
  std::vector<std::uint8_t> out(spec.version.begin(), spec.version.end());
  out.resize(13, 0);
  PutU32(out, 0);  // image seeker
  out.push_back(0);
  out.push_back(0);
  out.push_back(30);  // code-page index
  out.push_back(0);
  const std::uint32_t records = spec.extraRecord12 ? 4 : 3;
  PutU32(out, spec.locatorCount ? spec.locatorCount : records);
  const std::size_t locators = out.size();
  std::vector<int> numbers = {0, 1};
  if (spec.extraRecord12) numbers.push_back(12);
  numbers.push_back(2);
  for (int number : numbers) {
    out.push_back(std::uint8_t(number));
    PutU32(out, 0);
    PutU32(out, 0);
  }
  out.resize(out.size() + 2 + 16, 0);  // check word and sentinel, not read
  auto locate = [&](int record, std::uint32_t address, std::uint32_t size) {
    const std::size_t at = locators + 9 * std::size_t(record);
    PatchU32(out, at + 1, address);
    PatchU32(out, at + 5, size);
  };

  // Header variables.
  std::vector<std::uint8_t> header = WriteDwgHeaderSection(spec, spec.release, 0);
  locate(0, std::uint32_t(out.size()), std::uint32_t(header.size()));
  Append(out, header);
  out.resize(out.size() + 16, 0);  // end sentinel

  // Classes.
  std::vector<std::uint8_t> classSection = WriteDwgClassesSection(spec, spec.release, 0);
  locate(1, std::uint32_t(out.size()), std::uint32_t(classSection.size() + 16));
  Append(out, classSection);
  out.resize(out.size() + 16, 0);

  // Objects, then the map.
  const DwgObjectSections objects = WriteDwgObjectSections(spec, out.size());
  Append(out, objects.objects);
  const std::uint32_t mapStart = std::uint32_t(out.size());
  Append(out, objects.map);
  locate(spec.extraRecord12 ? 3 : 2, mapStart, std::uint32_t(out.size() - mapStart));
  return out;
}

}  // namespace kvn::test
