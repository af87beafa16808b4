// Spool round trip of one import record: written, read back as its own
// class, written again byte for byte; every shorter form reads as nothing.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "foundation/InFileStream.h"
#include "foundation/OutFileStream.h"
#include "import/records/cOneObjRec.h"

namespace kvn {

inline ByteArray SpoolBytes(const cOneObjRec& record) {
  ByteArray bytes;
  OutFileStream out = OutFileStream::ToMemory(bytes);
  record.WriteSpool(out);
  out.Flush();
  return bytes;
}

inline std::unique_ptr<cOneObjRec> SpoolRoundTrip(const cOneObjRec& record) {
  ByteArray first = SpoolBytes(record);
  InFileStream in = InFileStream::FromMemory(first);
  std::unique_ptr<cOneObjRec> back = ReadSpooledRecord(in);
  EXPECT_NE(back, nullptr);
  if (!back) return nullptr;
  EXPECT_EQ(back->Kind(), record.Kind());
  EXPECT_EQ(in.Position(), first.Count());
  ByteArray second = SpoolBytes(*back);
  EXPECT_EQ(first.Count(), second.Count());
  if (first.Count() == second.Count()) {
    EXPECT_EQ(std::memcmp(first.Items(), second.Items(), first.Count()), 0);
  }
  for (std::uint32_t cut : {first.Count() - 1, first.Count() / 2 + 1, 81u}) {
    if (cut >= first.Count() || cut < 81) continue;
    ByteArray shorter;
    shorter.AppendBytes(first.Items(), cut);
    InFileStream shortIn = InFileStream::FromMemory(shorter);
    EXPECT_EQ(ReadSpooledRecord(shortIn), nullptr) << "cut at " << cut;
  }
  return back;
}

}  // namespace kvn
