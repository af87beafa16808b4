#include "model/KeptRecords.h"

#include <memory>
#include <vector>

namespace kvn {

namespace {

std::size_t depth = 0;

std::vector<std::unique_ptr<CubicArray>>& Arrays() {
  // Never destroyed: the arrays live in the counting heap until the end.
  static auto& arrays = *new std::vector<std::unique_ptr<CubicArray>>;
  return arrays;
}

}  // namespace

KeptRecords::KeptRecords() {
  std::vector<std::unique_ptr<CubicArray>>& arrays = Arrays();
  if (arrays.size() <= depth) arrays.push_back(std::make_unique<CubicArray>());
  records_ = arrays[depth++].get();
  records_->Clear();
  records_->closed = 0;
}

KeptRecords::~KeptRecords() { --depth; }

}  // namespace kvn
