// cSeparator: a named marker without geometry of its own. Factory type code
// 23. It draws nothing, has an all-zero extent and writes nothing: only the
// reader knows its record.
//
// Record as read (after the common header): one byte (non-zero sets the
// separator flag 0x04); the name: from 3052 a zero-terminated 16-bit string,
// before 3052 a zero-terminated byte string in code page 1250.
#pragma once

#include <cstdint>

#include "foundation/WString.h"
#include "model/cOutObj.h"

namespace kvn {

class cSeparator : public cOutObj {
 public:
  static constexpr std::uint8_t kSeparatorFlag = 0x04;

  cSeparator();
  ~cSeparator() override;

  cSeparator* AsSeparator() override { return this; }
  const cSeparator* AsSeparator() const override { return this; }
  DRect& GetExtent(DRect& out) override;
  void Assign(const cOutObj& source) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  void Recalc(cDrawingData*) override {}

  std::uint8_t separatorFlags = 0;
  WString name;
};

}  // namespace kvn
