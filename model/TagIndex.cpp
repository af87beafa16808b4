#include "model/TagIndex.h"

#include "foundation/WString.h"

namespace kvn {

namespace {

// The model is used by one thread.
std::uint64_t gNameComparisons = 0;

}  // namespace

namespace tag_index_testing {

std::uint64_t NameComparisons() { return gNameComparisons; }
void CountComparisons(std::uint64_t n) { gNameComparisons += n; }

}  // namespace tag_index_testing

bool TagIndex::Equal::operator()(std::u16string_view a, std::u16string_view b) const {
  ++gNameComparisons;
  return a == b;
}

std::u16string_view TagIndex::Key(std::u16string_view name) const {
  if (match_ == Match::Exact) return name;
  folded_.assign(name);
  if (match_ == Match::AsciiNoCase) {
    for (char16_t& c : folded_) c = AsciiUpper(c);
  } else {
    for (char16_t& c : folded_) c = AccentBlindUnit(c);
  }
  return folded_;
}

bool TagIndex::Add(std::u16string_view name, std::uint32_t position) {
  const std::u16string_view key = Key(name);
  if (positions_.find(key) != positions_.end()) return false;
  positions_.emplace(std::u16string(key), position);
  return true;
}

std::int64_t TagIndex::Find(std::u16string_view name) const {
  const auto found = positions_.find(Key(name));
  return found == positions_.end() ? -1 : std::int64_t(found->second);
}

}  // namespace kvn
