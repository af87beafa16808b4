#include "foundation/TickClock.h"

#include <chrono>

namespace kvn {

namespace {

TickSource g_source = nullptr;

}  // namespace

std::uint64_t GetTickCount64() {
  if (g_source) return g_source();
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return std::uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

TickSource SetTickSource(TickSource source) {
  const TickSource previous = g_source;
  g_source = source;
  return previous;
}

}  // namespace kvn
