// Throughput of the archive codec and of the inflate sub-stream.
//   kvn-bench-archive [values] [inflate-megabytes]
// Prints MB/s of archive bytes written and read, and compares reading a raw
// deflate stream through InflateReader with zlib's own inflate loop on the
// same data (the sub-stream should stay within 1.5x of it).
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/DeflateWriter.h"
#include "foundation/InFileStream.h"
#include "foundation/InflateReader.h"
#include "foundation/OutFileStream.h"
#include "foundation/WString.h"

using namespace kvn;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

void BenchArchive(long values) {
  std::mt19937_64 rng(1);
  ByteArray sink(1 << 20);
  auto t0 = Clock::now();
  {
    ArchiveWriter w(&sink);
    for (long i = 0; i < values; ++i) {
      switch (i % 5) {
        case 0: w.WriteCompactU32(std::uint32_t(rng() % 100000)); break;
        case 1: w.WriteCompactDouble(double(rng() % 1000) * 0.5); break;
        case 2: w.WriteColor(std::uint32_t(rng()) & 0xFFFFFF); break;
        case 3: w.WriteBit(rng() & 1); break;
        default: w.WriteReal(double(rng() % 100000) / 7.0); break;
      }
    }
  }
  double write = Seconds(t0);
  double mb = sink.Count() / 1e6;

  InFileStream in(WString(), true, &sink);
  ArchiveReader r(&in);
  double sum = 0;
  t0 = Clock::now();
  for (long i = 0; i < values; ++i) {
    switch (i % 5) {
      case 0: sum += r.ReadCompactU32(); break;
      case 1: sum += r.ReadCompactDouble(); break;
      case 2: sum += r.ReadColor(); break;
      case 3: sum += r.ReadBit(); break;
      default: sum += r.ReadReal(); break;
    }
  }
  double read = Seconds(t0);
  std::printf("archive: %ld mixed values, %.1f MB: write %.0f MB/s, read %.0f MB/s%s (checksum %g)\n", values, mb,
              mb / write, mb / read, r.HasError() ? " ERROR" : "", sum);
}

void BenchInflate(long megabytes) {
  // Drawing-like data: repetitive records with varying numbers.
  std::vector<std::uint8_t> plain(std::size_t(megabytes) << 20);
  std::mt19937 rng(2);
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = std::uint8_t((i % 64 < 40) ? i % 7 : rng() % 16);
  ByteArray packed(1 << 20);
  {
    OutFileStream out(WString(), true, false, true, false, &packed);
    DeflateWriter d(&out, 1);
    d.Write(plain.data(), std::uint32_t(plain.size()));
    d.Finish();
  }
  std::vector<std::uint8_t> buffer(1 << 16);

  // zlib's own loop over the same raw deflate data.
  auto t0 = Clock::now();
  z_stream z{};
  inflateInit2(&z, -15);
  // Input in 8 KB pieces, as minigzip -d reads through gzread's buffer.
  std::size_t total = 0, offset = 0;
  int rc = Z_OK;
  while (rc == Z_OK) {
    if (z.avail_in == 0) {
      z.next_in = packed.Items() + offset;
      z.avail_in = std::uint32_t(std::min<std::size_t>(8192, packed.Count() - offset));
      offset += z.avail_in;
    }
    z.next_out = buffer.data();
    z.avail_out = std::uint32_t(buffer.size());
    rc = inflate(&z, Z_NO_FLUSH);
    total += buffer.size() - z.avail_out;
  }
  inflateEnd(&z);
  double zlibTime = Seconds(t0);

  InFileStream in(WString(), true, &packed);
  InflateReader reader(&in, 1);
  t0 = Clock::now();
  std::size_t got = 0;
  while (std::uint32_t n = reader.Read(buffer.data(), std::uint32_t(buffer.size()))) got += n;
  double oursTime = Seconds(t0);
  double mb = double(plain.size()) / 1e6;
  std::printf("inflate: %.0f MB (%.1f MB packed): zlib %.0f MB/s, InflateReader %.0f MB/s, ratio %.2f%s\n", mb,
              packed.Count() / 1e6, mb / zlibTime, mb / oursTime, oursTime / zlibTime,
              (got == plain.size() && total == plain.size() && reader.Ended()) ? "" : " MISMATCH");
}

}  // namespace

int main(int argc, char** argv) {
  long values = argc > 1 ? std::atol(argv[1]) : 10'000'000;
  long megabytes = argc > 2 ? std::atol(argv[2]) : 100;
  BenchArchive(values);
  BenchInflate(megabytes);
  return 0;
}
