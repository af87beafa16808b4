// TickClock: milliseconds on a monotonic 64-bit clock, for everything that
// measures how long an operation has run (the progress monitor's delay and
// refresh rules).
//
// GetTickCount's 32-bit count wraps after 49.7 days of uptime, and a rule
// like "now <= start + 2000" then fires at once; 64 bits of milliseconds
// never wrap. The source is std::chrono::steady_clock, so changes of the
// wall clock do not move it. Tests replace the source with their own clock.
#pragma once

#include <cstdint>

namespace kvn {

// Milliseconds since an unspecified start (the steady clock's epoch).
std::uint64_t GetTickCount64();

using TickSource = std::uint64_t (*)();
// Not owned; null restores the steady clock. Returns the previous source
// (null when the steady clock was in use).
TickSource SetTickSource(TickSource source);

}  // namespace kvn
