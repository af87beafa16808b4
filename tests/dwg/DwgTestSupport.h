// Readers over hand-assembled bytes for the DWG tests.
#pragma once

#include <cstring>
#include <memory>
#include <vector>

#include "dwg/objects/DwgByteSource.h"
#include "dwg/objects/DwgReader.h"
#include "import/records/YxxfGroupRecord.h"
#include "tests/support/DwgBitWriter.h"

namespace kvn::test {

// A reader of one release over bytes it owns.
struct BitReader {
  BitReader(std::vector<std::uint8_t> data, int release = 15)
      : bytes(std::move(data)), source(bytes), reader(WString(), release) {
    reader.SetSource(&source);
  }
  explicit BitReader(const DwgBitWriter& w, int release = 15) : BitReader(w.Bytes(), release) {}
  std::vector<std::uint8_t> bytes;
  DwgMemorySource source;
  DwgReader reader;
};

// The group-code record of the last object read.
inline std::unique_ptr<YxxfGroupRecord> RecordOf(DwgReader& reader, std::uint16_t* entityCode = nullptr) {
  auto record = std::make_unique<YxxfGroupRecord>();
  std::uint16_t code = RecordBufferToGroupRecord(*record, reader.TakeRecord(), 0);
  if (entityCode) *entityCode = code;
  return record;
}

// The codes of the record's items in order, sub-record switches as 1111 + id.
inline std::vector<int> CodesOf(const std::vector<std::uint8_t>& record) {
  std::vector<int> codes;
  std::size_t at = 2;
  while (at + 3 <= record.size()) {
    int code = record[at] | record[at + 1] << 8;
    int tag = record[at + 2];
    at += 3;
    std::uint32_t n = 0;
    switch (tag) {
      case 0: case 5: at += 8; break;
      case 2: at += 2; break;
      case 3: at += 1; break;
      case 7: code += record[at]; at += 1; break;
      case 4: case 6:
        std::memcpy(&n, &record[at], 4);
        at += 4 + std::size_t(n) * (tag == 4 ? 2 : 1);
        break;
      default: at += 4; break;
    }
    codes.push_back(code);
  }
  return codes;
}

inline int IndexOf(const std::vector<int>& codes, int code) {
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (codes[i] == code) return int(i);
  }
  return -1;
}

}  // namespace kvn::test
