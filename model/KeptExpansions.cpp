#include "model/KeptExpansions.h"

#include <algorithm>

#include "foundation/CountingAlloc.h"
#include "model/InsertChildList.h"

namespace kvn {

namespace {

// Constant-initialised and trivially destroyed: an insert that outlives the
// static objects of the process can still leave the list.
constinit KeptExpansions g_kept;

// The least an expanded child holds: a small object with its entry in the
// child list. Charged when the heap's count says less (something else was
// freed while the insert was drawn).
constexpr std::uint64_t kLeastBytesPerChild = 64;

}  // namespace

KeptExpansions& KeptExpansions::Shared() { return g_kept; }

std::uint64_t KeptExpansions::HeapNow() { return GetAllocatedBytes(); }

void KeptExpansions::Drawn(InsertChildList& insert, std::uint64_t heapBefore, std::size_t children) {
  KeptExpansionLink& link = insert.keptLink_;
  if (link.kept) {
    if (newest_ == &insert) return;
    const std::uint64_t bytes = link.bytes;
    Unlink(insert);
    link.bytes = bytes;
  } else {
    const std::uint64_t now = GetAllocatedBytes();
    const std::uint64_t taken = now > heapBefore ? now - heapBefore : 0;
    link.bytes = std::max<std::uint64_t>(taken, std::uint64_t(children) * kLeastBytesPerChild);
    if (link.bytes > budget_) {
      insert.DropChildren();
      return;
    }
  }
  link.kept = true;
  link.older = newest_;
  link.newer = nullptr;
  if (newest_) newest_->keptLink_.newer = &insert;
  newest_ = &insert;
  if (!oldest_) oldest_ = &insert;
  bytes_ += link.bytes;
  ++count_;
  DropOldestBeyond(budget_, &insert);
}

void KeptExpansions::Forget(InsertChildList& insert) {
  if (insert.keptLink_.kept) Unlink(insert);
}

void KeptExpansions::Unlink(InsertChildList& insert) {
  KeptExpansionLink& link = insert.keptLink_;
  if (link.newer) {
    link.newer->keptLink_.older = link.older;
  } else {
    newest_ = link.older;
  }
  if (link.older) {
    link.older->keptLink_.newer = link.newer;
  } else {
    oldest_ = link.newer;
  }
  bytes_ -= link.bytes;
  --count_;
  link = KeptExpansionLink{};
}

void KeptExpansions::DropOldestBeyond(std::uint64_t budget, const InsertChildList* spare) {
  while (bytes_ > budget && oldest_ && oldest_ != spare) {
    InsertChildList& oldest = *oldest_;
    Unlink(oldest);
    oldest.DropChildren();
  }
}

void KeptExpansions::DropAll() {
  while (oldest_) {
    InsertChildList& oldest = *oldest_;
    Unlink(oldest);
    oldest.DropChildren();
  }
}

void KeptExpansions::SetBudget(std::uint64_t bytes) {
  budget_ = bytes;
  DropOldestBeyond(budget_, nullptr);
}

}  // namespace kvn
