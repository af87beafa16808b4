// The counts that hold one top-level insert expansion (InsertExpansion.h).
#include "model/InsertExpansion.h"

namespace kvn {

namespace {

// One thread expands: plain globals.
std::uint32_t gBudget = kExpansionBudget;
std::uint32_t gEntries = kExpansionEntries;

}  // namespace

std::uint32_t ExpansionBudget() { return gBudget; }
std::uint32_t ExpansionEntries() { return gEntries; }

namespace expansion_testing {

ScopedCuts::ScopedCuts(std::uint32_t children, std::uint32_t entries) : children_(gBudget), entries_(gEntries) {
  gBudget = children;
  gEntries = entries;
}

ScopedCuts::~ScopedCuts() {
  gBudget = children_;
  gEntries = entries_;
}

}  // namespace expansion_testing

}  // namespace kvn
