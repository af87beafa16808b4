// The expansions of block inserts kept between repaints. An insert keeps its
// children while it is in use: once drawn, it stays expanded, so that a
// repaint that shows it again draws its children without expanding the block
// once more. What all kept expansions hold together is bounded by a budget of
// heap bytes.
//
// What is kept is what fits: within one paint, an expansion drawn in that
// paint is not let go for one drawn later in it. A new expansion takes the
// room of those drawn least recently in earlier paints; once the budget is
// full of this paint's, the rest of the paint is expanded and let go at
// once. A paint that shows more than the budget holds thus keeps its first
// part, and the next paint of the same view expands only what did not fit
// (letting go of the least recently drawn instead would keep, at the end of
// such a paint, just what the next one needs last, and it would expand
// everything again).
//
// An expansion that is being drawn from is held (Hold): its children, and
// whatever they draw (a view of another sheet among them, which reports the
// inserts it draws here), stay until the drawing ends. A held expansion is
// never let go; one the budget would have let go goes when its last hold
// ends.
//
// The list is intrusive: each insert carries its own link (InsertChildList),
// so keeping, touching and forgetting are a few pointer moves and the list
// allocates nothing. An insert that dies leaves the list on its way out.
//
// One list serves the whole process, every open drawing: the model and its
// caches are used by one thread. Its budget is the one figure a forecast of
// what a drawing holds adds for the kept expansions.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvn {

class InsertChildList;

// The heap bytes the kept expansions of all open drawings may hold together.
// A window of 1920 x 1080 pixels seldom shows more than some 200,000 placed
// objects (140 bytes each while expanded): 32 MiB keeps them all, and
// bounds the rest. A drawing that shows more is expanded at each repaint
// beyond the budget, as if nothing were kept.
inline constexpr std::uint64_t kKeptExpansionBytes = std::uint64_t(32) << 20;

// An insert's place in the list of kept expansions (a member of
// InsertChildList, touched only by KeptExpansions).
struct KeptExpansionLink {
  InsertChildList* newer = nullptr;
  InsertChildList* older = nullptr;
  std::uint64_t bytes = 0;
  // The paint the expansion was last drawn in.
  std::uint64_t paint = 0;
  bool kept = false;
  // Holds on the expansion now (not reset by leaving the list).
  std::uint32_t holds = 0;
  // Let go by the budget while held: the children go with the last hold.
  bool dropWhenFree = false;
};

class KeptExpansions {
 public:
  constexpr KeptExpansions() = default;

  // The list of the process.
  static KeptExpansions& Shared();

  // The heap held now beside the kept expansions: taken before an insert is
  // brought up to date and drawn, it tells Drawn what the expansion took.
  static std::uint64_t HeapNow();

  // One paint (of a window, a printed page, an export, a view): the
  // expansions drawn while it lives are one paint's. Paints opened inside
  // one are part of it. A drawing reported outside any paint is a paint of
  // its own.
  class Paint {
   public:
    Paint();
    ~Paint();
    Paint(const Paint&) = delete;
    Paint& operator=(const Paint&) = delete;
  };

  // The insert's children are being drawn from: nothing lets them go while
  // the hold lives. Taken before the insert is brought up to date.
  class Hold {
   public:
    explicit Hold(InsertChildList& insert);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    InsertChildList& insert_;
  };

  // The insert's `children` were just drawn. A kept insert becomes the most
  // recently drawn, of this paint. One not kept yet is charged with the
  // heap taken since `heapBefore` (at least a small object per child) and
  // kept if it fits, letting go of the least recently drawn of earlier
  // paints as needed; one that does not fit (the budget full of this
  // paint's, or the expansion alone past it) is let go at once.
  void Drawn(InsertChildList& insert, std::uint64_t heapBefore, std::size_t children);

  // The insert leaves the list; its children stay where they are. For the
  // insert itself, when its children go or are made again.
  void Forget(InsertChildList& insert);

  // Lets every kept expansion go (those held when their holds end).
  void DropAll();

  std::uint64_t Bytes() const { return bytes_; }
  std::size_t Count() const { return count_; }
  std::uint64_t Budget() const { return budget_; }
  // Lets the least recently drawn go until the new budget holds.
  void SetBudget(std::uint64_t bytes);

 private:
  void Unlink(InsertChildList& insert);
  // Lets the insert's children go, or, while it is held, when its last
  // hold ends.
  void Drop(InsertChildList& insert);
  // Lets the least recently drawn go, oldest first, until `more` bytes fit
  // in the budget; with `sparePaint`, those drawn in the current paint
  // stay. Whether they fit.
  bool MakeRoom(std::uint64_t more, bool sparePaint);
  void Release(InsertChildList& insert);

  InsertChildList* newest_ = nullptr;
  InsertChildList* oldest_ = nullptr;
  std::uint64_t bytes_ = 0;
  std::size_t count_ = 0;
  std::uint64_t budget_ = kKeptExpansionBytes;
  std::uint64_t paint_ = 0;
  std::uint32_t paintDepth_ = 0;
};

}  // namespace kvn
