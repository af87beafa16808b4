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

// The heap beside what the list holds: expansions kept (or let go) while an
// insert is drawn, a view's placements among its children, are charged to
// themselves, not again to the insert. Taken modulo 2^64: the list may
// charge more than its children take, and only differences are read.
std::uint64_t KeptExpansions::HeapNow() { return GetAllocatedBytes() - g_kept.bytes_; }

KeptExpansions::Paint::Paint() {
  if (g_kept.paintDepth_++ == 0) ++g_kept.paint_;
}

KeptExpansions::Paint::~Paint() { --g_kept.paintDepth_; }

KeptExpansions::Hold::Hold(InsertChildList& insert) : insert_(insert) { ++insert.keptLink_.holds; }

KeptExpansions::Hold::~Hold() {
  if (--insert_.keptLink_.holds == 0) g_kept.Release(insert_);
}

void KeptExpansions::Release(InsertChildList& insert) {
  KeptExpansionLink& link = insert.keptLink_;
  if (link.dropWhenFree) {
    link.dropWhenFree = false;
    if (!link.kept) insert.DropChildren();
  }
  // A budget lowered while expansions were held is met once they are free.
  if (bytes_ > budget_) MakeRoom(0, false);
}

void KeptExpansions::Drawn(InsertChildList& insert, std::uint64_t heapBefore, std::size_t children) {
  if (paintDepth_ == 0) ++paint_;
  KeptExpansionLink& link = insert.keptLink_;
  link.dropWhenFree = false;
  std::uint64_t bytes = 0;
  if (link.kept) {
    if (newest_ == &insert) {
      link.paint = paint_;
      return;
    }
    bytes = link.bytes;
    Unlink(insert);
  } else {
    const auto taken = static_cast<std::int64_t>(HeapNow() - heapBefore);
    bytes = std::max<std::uint64_t>(taken > 0 ? std::uint64_t(taken) : 0, std::uint64_t(children) * kLeastBytesPerChild);
    if (bytes > budget_ || !MakeRoom(bytes, true)) {
      Drop(insert);
      return;
    }
  }
  link.kept = true;
  link.bytes = bytes;
  link.paint = paint_;
  link.older = newest_;
  link.newer = nullptr;
  if (newest_) newest_->keptLink_.newer = &insert;
  newest_ = &insert;
  if (!oldest_) oldest_ = &insert;
  bytes_ += bytes;
  ++count_;
}

bool KeptExpansions::MakeRoom(std::uint64_t more, bool sparePaint) {
  // Held expansions are passed by; there are no more of them than drawings
  // nested in one another. After a drop the walk starts again from the
  // oldest: letting children go may end other inserts.
  InsertChildList* next = oldest_;
  while (next && bytes_ + more > budget_) {
    InsertChildList& insert = *next;
    const KeptExpansionLink& link = insert.keptLink_;
    if (sparePaint && link.paint == paint_) break;
    if (link.holds) {
      next = link.newer;
      continue;
    }
    Unlink(insert);
    insert.DropChildren();
    next = oldest_;
  }
  return bytes_ + more <= budget_;
}

void KeptExpansions::Drop(InsertChildList& insert) {
  if (insert.keptLink_.kept) Unlink(insert);
  if (insert.keptLink_.holds) {
    insert.keptLink_.dropWhenFree = true;
  } else {
    insert.DropChildren();
  }
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
  link.newer = link.older = nullptr;
  link.bytes = 0;
  link.paint = 0;
  link.kept = false;
}

void KeptExpansions::DropAll() {
  while (oldest_) Drop(*oldest_);
}

void KeptExpansions::SetBudget(std::uint64_t bytes) {
  budget_ = bytes;
  MakeRoom(0, false);
}

}  // namespace kvn
