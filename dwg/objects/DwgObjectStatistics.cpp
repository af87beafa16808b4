#include "dwg/objects/DwgObjectStatistics.h"

namespace kvn {

const char* DwgSkipReasonText(DwgSkipReason reason) {
  switch (reason) {
    case DwgSkipReason::NoHandler: return "no handler";
    case DwgSkipReason::UnknownClass: return "unknown class";
    case DwgSkipReason::CrcMismatch: return "CRC mismatch";
    case DwgSkipReason::Overrun: return "overrun";
    case DwgSkipReason::HandlerFailed: return "handler failed";
    case DwgSkipReason::DataEndMissed: return "data end missed";
  }
  return "";
}

bool IsDwgDamage(DwgSkipReason reason) {
  switch (reason) {
    case DwgSkipReason::CrcMismatch:
    case DwgSkipReason::Overrun:
    case DwgSkipReason::HandlerFailed:
    case DwgSkipReason::DataEndMissed: return true;
    case DwgSkipReason::NoHandler:
    case DwgSkipReason::UnknownClass: return false;
  }
  return false;
}

std::uint64_t DwgObjectStatistics::Read(const std::string& type) const {
  auto it = read_.find(type);
  return it == read_.end() ? 0 : it->second;
}

std::uint64_t DwgObjectStatistics::Skipped(const std::string& type, DwgSkipReason reason) const {
  auto it = skipped_.find({type, reason});
  return it == skipped_.end() ? 0 : it->second;
}

std::uint64_t DwgObjectStatistics::TotalRead() const {
  std::uint64_t n = 0;
  for (const auto& [name, count] : read_) n += count;
  return n;
}

std::uint64_t DwgObjectStatistics::TotalSkipped() const {
  std::uint64_t n = 0;
  for (const auto& [key, count] : skipped_) n += count;
  return n;
}

std::uint64_t DwgObjectStatistics::TotalDamaged() const {
  std::uint64_t n = 0;
  for (const auto& [key, count] : skipped_) {
    if (IsDwgDamage(key.second)) n += count;
  }
  return n;
}

}  // namespace kvn
