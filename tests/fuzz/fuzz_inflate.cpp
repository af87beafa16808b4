// The inflate sub-stream over arbitrary bytes, read in uneven pieces.
#include "foundation/DeflateWriter.h"
#include "foundation/InFileStream.h"
#include "foundation/InflateReader.h"
#include "foundation/OutFileStream.h"
#include "foundation/WString.h"
#include "tests/fuzz/FuzzTarget.h"

using namespace kvn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteArray bytes;
  bytes.AppendBytes(data, std::int64_t(size));
  InFileStream in(WString(), true, &bytes);
  InflateReader reader(&in, 1);
  std::uint8_t buffer[9000];
  std::uint32_t sizes[] = {1, 7, 8192, 9000, 3};
  for (int i = 0; i < 100000 && reader.IsGood(); ++i) {
    if (reader.Read(buffer, sizes[i % 5]) == 0) break;
  }
  return 0;
}

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  std::vector<std::vector<std::uint8_t>> seeds;
  for (std::size_t n : {0u, 1u, 100u, 20000u}) {
    std::vector<std::uint8_t> plain(n);
    for (std::size_t i = 0; i < n; ++i) plain[i] = std::uint8_t(i % 13 + (i / 97));
    ByteArray packed;
    {
      auto out = OutFileStream::ToMemory(packed);
      DeflateWriter d(&out, 1);
      d.Write(plain.data(), std::uint32_t(plain.size()));
      d.Finish();
    }
    seeds.emplace_back(packed.begin(), packed.end());
  }
  return seeds;
}
