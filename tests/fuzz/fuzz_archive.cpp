// The archive codec over arbitrary bytes: the stream itself chooses which
// reads happen (4 bits per step), with or without a deflate sub-stream.
#include <memory>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/InFileStream.h"
#include "foundation/OutFileStream.h"
#include "foundation/WString.h"
#include "tests/fuzz/FuzzTarget.h"

using namespace kvn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteArray bytes;
  bytes.AppendBytes(data, std::int64_t(size));
  InFileStream in(WString(), true, &bytes);
  ArchiveReader r(&in);
  r.checksumOn = true;
  std::uint8_t mode = r.ReadByte();
  r.realFormat = mode & 1;
  if (mode & 2) r.BeginInflate(1);
  for (int step = 0; step < 4096 && !r.AtEnd(); ++step) {
    WString s;
    switch (r.ReadBits(4)) {
      case 0: r.ReadCompactU32(); break;
      case 1: r.ReadCompactU16(); break;
      case 2: r.ReadCompactDouble(); break;
      case 3: r.ReadReal(); break;
      case 4: r.ReadColor(); break;
      case 5: r.ReadString(s, false); break;
      case 6: r.ReadString(s, true); break;
      case 7: r.ReadDeltaPoint({1, 2}); break;
      case 8: r.ReadSmallByte(); break;
      case 9: r.ReadOptionalByte(); break;
      case 10: {
        std::uint8_t buf[64];
        r.Read(buf, r.ReadBits(6));
        break;
      }
      case 11: r.ReadAlloc(r.ReadCompactU32()); break;
      case 12: r.SkipBytes(r.ReadBits(8)); break;
      case 13: r.CanRead(r.ReadCompactU32(), r.ReadBits(8)); break;
      case 14: r.ReadUnitPoint(); break;
      default: r.ReadFloatPoint(); break;
    }
  }
  if (r.HasSubStream()) r.EndSubStreamAndReadWord();
  r.TakeChecksum();
  return 0;
}

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  std::vector<std::vector<std::uint8_t>> seeds;
  for (int mode : {0, 1}) {
    ByteArray sink;
    {
      ArchiveWriter w(&sink);
      w.WriteByte(std::uint8_t(mode));
      for (unsigned op = 0; op < 16; ++op) {
        w.WriteBits(op, 4);
        switch (op) {
          case 0: w.WriteCompactU32(70000); break;
          case 1: w.WriteCompactU16(300); break;
          case 2: w.WriteCompactDouble(1.5); break;
          case 3: w.WriteReal(0.1); break;
          case 4: w.WriteColor(0x123456); break;
          case 5: w.WriteString(WString(u"Příliš")); break;
          case 6: w.WriteCompactU32(2); w.WriteByte('a'); w.WriteByte('b'); break;
          case 7: w.WriteDeltaPoint({3, 2}, {1, 2}); break;
          case 8: w.WriteSmallByte(200); break;
          case 9: w.WriteOptionalByte(7); break;
          case 10: w.WriteBits(3, 6); w.WriteByte(1); w.WriteByte(2); w.WriteByte(3); break;
          case 11: w.WriteCompactU32(4); w.WriteRaw32(0xDEADBEEF); break;
          case 12: w.WriteBits(2, 8); w.WriteUInt16(9); break;
          case 13: w.WriteCompactU32(10); w.WriteBits(4, 8); break;
          case 14: w.WriteUnitPoint({1, 0}); break;
          default: w.WriteRaw32(0); w.WriteRaw32(0); break;
        }
      }
    }
    seeds.emplace_back(sink.begin(), sink.end());
  }
  // The same script behind a deflate sub-stream.
  ByteArray packed;
  {
    auto out = OutFileStream::ToMemory(packed);
    ArchiveWriter w(&out);
    w.WriteByte(2);
    w.BeginDeflate();
    for (int i = 0; i < 200; ++i) {
      w.WriteBits(0, 4);
      w.WriteCompactU32(std::uint32_t(i * 977));
      w.WriteBits(5, 4);
      w.WriteString(WString(u"kůň"));
    }
    w.Finish();
    w.WriteRaw32(0);
  }
  seeds.emplace_back(packed.begin(), packed.end());
  return seeds;
}
