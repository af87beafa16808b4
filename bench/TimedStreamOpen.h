// The open alone of a drawing held in memory, as the open benchmarks time
// it: each round reads from a fresh stream over the same bytes, and the
// clock stops before the document is let go.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "document/DwgLoadReport.h"
#include "foundation/GrowArray.h"
#include "foundation/InFileStream.h"
#include "foundation/WString.h"

namespace kvn::bench {

struct TimedOpen {
  double seconds = 0;         // per round
  std::uint64_t entities = 0;  // of the last round's report
  bool partial = false;        // the last round failed or read in part
};

// `load(in, name, report)` opens one drawing without a monitor and answers
// its DocumentResult.
template <typename Load>
TimedOpen TimeStreamOpens(const std::vector<std::uint8_t>& bytes, int rounds, const WString& name, Load load) {
  ByteArray memory(8);
  memory.Append(bytes.data(), std::uint32_t(bytes.size()));
  TimedOpen timed;
  double seconds = 0;
  for (int i = 0; i < rounds; ++i) {
    InFileStream in = InFileStream::FromMemory(memory);
    DwgLoadReport report;
    const auto start = std::chrono::steady_clock::now();
    const auto result = load(in, name, &report);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    timed.partial = !result.Ok() || result.Partial();
    timed.entities = 0;
    for (const auto& [type, count] : report.entities) timed.entities += count;
  }
  timed.seconds = seconds / rounds;
  return timed;
}

}  // namespace kvn::bench
