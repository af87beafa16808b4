// BlockPath: the blocks on the current path of a walk through nested
// inserts (an insert's block holding inserts of further blocks).
//
// Damaged or crafted files can make a block place itself, directly or
// through other blocks; a walk that followed such a cycle would recurse
// until the stack runs out. Every walk therefore enters a block through a
// BlockPath: a block already on the path, or a path already kMaxDepth blocks
// deep, is not entered and the walk skips that insert.
#pragma once

#include <vector>

namespace kvn {

class cBlock;

class BlockPath {
 public:
  // Far beyond the few levels real drawings nest (symbols in title blocks in
  // frames), far below what the stack holds.
  static constexpr int kMaxDepth = 64;

  bool Contains(const cBlock* block) const {
    for (int i = 0; i < depth_; ++i) {
      if (At(i) == block) return true;
    }
    return false;
  }
  int Depth() const { return depth_; }
  // False, changing nothing, when the block may not be entered.
  bool Enter(const cBlock* block) {
    if (!block || Depth() >= kMaxDepth || Contains(block)) return false;
    if (depth_ < kInline) {
      inline_[depth_] = block;
    } else {
      more_.push_back(block);
    }
    ++depth_;
    return true;
  }
  void Leave() {
    if (depth_ == 0) return;
    --depth_;
    if (depth_ >= kInline) more_.pop_back();
  }

 private:
  // The first levels in place: every insert's expansion walks a path, and
  // nearly all of them are one or two deep.
  static constexpr int kInline = 8;
  const cBlock* At(int i) const { return i < kInline ? inline_[i] : more_[std::size_t(i - kInline)]; }

  const cBlock* inline_[kInline] = {};
  std::vector<const cBlock*> more_;
  int depth_ = 0;
};

class BlockPathScope {
 public:
  BlockPathScope(BlockPath& path, const cBlock* block) : path_(path), entered_(path.Enter(block)) {}
  ~BlockPathScope() {
    if (entered_) path_.Leave();
  }
  BlockPathScope(const BlockPathScope&) = delete;
  BlockPathScope& operator=(const BlockPathScope&) = delete;
  bool Entered() const { return entered_; }

 private:
  BlockPath& path_;
  bool entered_;
};

}  // namespace kvn
