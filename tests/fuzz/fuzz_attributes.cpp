// Attribute lists over arbitrary bytes: the archive form at a version chosen
// by the first two bytes, and the packed 8-bit and UTF-16 forms.
#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/InFileStream.h"
#include "foundation/WString.h"
#include "model/AttributeList.h"
#include "tests/fuzz/FuzzTarget.h"

using namespace kvn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  int version = 3040 + (data[0] | data[1] << 8) % 80;
  ByteArray bytes;
  bytes.AppendBytes(data + 2, std::int64_t(size - 2));
  InFileStream in(WString(), true, &bytes);
  ArchiveReader r(&in);
  AttributeList list;
  list.Read(r, version, false);
  AttributeList copy;
  copy.Assign(list);
  list.ReadPacked8(data, size);
  std::vector<char16_t> units(size / 2);
  for (std::size_t i = 0; i < units.size(); ++i) units[i] = char16_t(data[2 * i] | data[2 * i + 1] << 8);
  list.ReadPackedWide(units.data(), units.size());
  return 0;
}

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  ByteArray sink;
  {
    ArchiveWriter w(&sink);
    w.WriteByte(3111 - 3040);
    w.WriteByte(0);
    AttributeList l;
    AttributeItem a;
    a.name = WString(u"Typ");
    a.value = WString(u"Jistič 16 A");
    a.kind = 2;
    l.Add(std::move(a));
    l.Add(AttributeItem{});
    l.Write(w);
  }
  return {std::vector<std::uint8_t>(sink.begin(), sink.end())};
}
