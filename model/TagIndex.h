// The first position of each name of a list, found in constant time: the
// attribute lists look names up for every text of every placement, and an
// import gathers an insert's attributes one tag at a time, so a scan per
// name would grow with the square of the list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kvn {

class TagIndex {
 public:
  // How names are compared: exactly, with the ASCII letters of either case
  // alike, or with every letter of either case and with or without its
  // accents alike (AccentBlindUnit: Č, č, C and c).
  enum class Match : std::uint8_t { Exact, AsciiNoCase, NoCaseAccent };

  explicit TagIndex(Match match = Match::Exact) : match_(match) {}

  // Records the position of a name met for the first time; false (nothing
  // changed) for a name recorded before: the first position stays.
  bool Add(std::u16string_view name, std::uint32_t position);
  // The first position of the name; -1 when none was recorded.
  std::int64_t Find(std::u16string_view name) const;
  std::size_t Count() const { return positions_.size(); }
  void Clear() { positions_.clear(); }

 private:
  // An exact name as it is; otherwise the name folded as its match says, so
  // that names the match takes as one hash and compare equal.
  std::u16string_view Key(std::u16string_view name) const;

  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view s) const { return std::hash<std::u16string_view>()(s); }
  };
  struct Equal {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const;
  };

  Match match_;
  mutable std::u16string folded_;
  std::unordered_map<std::u16string, std::uint32_t, Hash, Equal> positions_;
};

namespace tag_index_testing {
// The names compared by every look-up of a name in a list (an index's
// probes and the scans of short lists) since the process started: work
// that must grow with the list, not with its square.
std::uint64_t NameComparisons();
void CountComparisons(std::uint64_t n);
}  // namespace tag_index_testing

}  // namespace kvn
