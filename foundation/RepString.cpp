// The shared copy-on-write string, compiled for AString and WString.
#include "foundation/RepString.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "foundation/AString.h"
#include "foundation/CountingAlloc.h"
#include "foundation/WString.h"

namespace kvn {

namespace {

// RepString::kMaxLength, for the helpers below that know no string type.
constexpr std::uint64_t kLengthLimit = 0x7FFFFFFE;

std::uint32_t CheckLength(std::uint64_t n) {
  if (n > kLengthLimit) FatalOutOfMemory();
  return std::uint32_t(n);
}

// Length of a 0-terminated string, null counting as empty.
template <class C>
std::uint32_t CStrLength(const C* s) {
  return s ? CheckLength(std::char_traits<C>::length(s)) : 0;
}

// --- argument rules ----------------------------------------------------------------

// Clamps (pos, count) to a string of `length`: pos into [0, length], a
// negative count or one past the end to the rest.
void ClampPart(std::uint32_t length, int& pos, int& count) {
  if (pos < 0) pos = 0;
  if (std::uint32_t(pos) > length) pos = int(length);
  std::uint32_t rest = length - std::uint32_t(pos);
  if (count < 0 || std::uint32_t(count) > rest) count = int(rest);
}

// Clamps an insertion point into [0, length].
std::uint32_t ClampAt(std::uint32_t length, int at) {
  int unused = 0;
  ClampPart(length, at, unused);
  return std::uint32_t(at);
}

// Length of the 0-terminated string, scanning at most `limit` characters.
template <class C>
std::uint64_t BoundedLength(const C* s, std::uint64_t limit) {
  std::uint64_t n = 0;
  while (n < limit && s[n]) ++n;
  return n;
}

// A part (pos, count) of a 0-terminated string whose terminator is looked for
// only up to pos + count (a negative count: to the terminator). Gives the
// first character and the count; null for a null string.
template <class C>
const C* CStrPart(const C* s, int pos, int count, std::uint32_t* n) {
  *n = 0;
  if (!s) return nullptr;
  if (pos < 0) pos = 0;
  std::uint64_t limit = count < 0 ? UINT64_MAX : std::uint64_t(pos) + std::uint64_t(count);
  std::uint64_t length = BoundedLength(s, limit);
  std::uint64_t start = std::min<std::uint64_t>(std::uint64_t(pos), length);
  *n = CheckLength(length - start);
  return s + start;
}

// --- search ----------------------------------------------------------------------------

// First index i >= start with hay[i .. i + nlen) equal to the needle under
// `fold`; -1 when none. The caller has handled empty needles.
template <class C, class Fold>
int FindForward(const C* hay, std::uint32_t hlen, const C* needle, std::uint32_t nlen, std::uint32_t start,
                Fold fold) {
  if (start >= hlen || nlen > hlen - start) return -1;
  for (std::uint32_t i = start; i <= hlen - nlen; ++i) {
    std::uint32_t k = 0;
    while (k < nlen && fold(hay[i + k]) == fold(needle[k])) ++k;
    if (k == nlen) return int(i);
  }
  return -1;
}

// Last index i <= start with a match; -1 when none.
template <class C, class Fold>
int FindBackward(const C* hay, std::uint32_t hlen, const C* needle, std::uint32_t nlen, std::uint32_t start,
                 Fold fold) {
  if (nlen > hlen) return -1;
  std::uint32_t i = std::min(start, hlen - nlen);
  for (;; --i) {
    std::uint32_t k = 0;
    while (k < nlen && fold(hay[i + k]) == fold(needle[k])) ++k;
    if (k == nlen) return int(i);
    if (i == 0) return -1;
  }
}

enum class Direction { Forward, Backward };

// The needle rules of FindEx and ReverseFindEx: a null needle gives -1, an
// empty one 0 whatever the start; a negative start is the beginning going
// forward and no match going backward. `upper` is the string type's case rule.
template <class C, class Upper>
int FindNeedle(const C* hay, std::uint32_t hlen, const C* needle, int start, Direction direction,
               bool caseSensitive, Upper upper) {
  if (!needle) return -1;
  if (!*needle) return 0;
  if (start < 0) {
    if (direction == Direction::Backward) return -1;
    start = 0;
  }
  std::uint32_t n = CStrLength(needle), from = std::uint32_t(start);
  auto same = [](C c) { return c; };
  if (direction == Direction::Forward) {
    return caseSensitive ? FindForward(hay, hlen, needle, n, from, same)
                         : FindForward(hay, hlen, needle, n, from, upper);
  }
  return caseSensitive ? FindBackward(hay, hlen, needle, n, from, same)
                       : FindBackward(hay, hlen, needle, n, from, upper);
}

// A 0 character belongs to no set: the set's own terminator is not a member.
template <class C>
bool InSet(const C* set, C c) {
  if (!c) return false;
  for (; *set; ++set) {
    if (*set == c) return true;
  }
  return false;
}

// First index at or after start whose membership in the set is `inSet`.
template <class C>
int ScanForward(const C* chars, std::uint32_t length, const C* set, int start, bool inSet) {
  if (!set) return -1;
  if (start < 0) start = 0;
  for (std::uint32_t i = std::uint32_t(start); i < length; ++i) {
    if (InSet(set, chars[i]) == inSet) return int(i);
  }
  return -1;
}

// Last index before `before` (a negative one: the end) whose membership is `inSet`.
template <class C>
int ScanBackward(const C* chars, std::uint32_t length, const C* set, int before, bool inSet) {
  if (!set) return -1;
  std::uint32_t end = before < 0 ? length : std::min(std::uint32_t(before), length);
  for (std::uint32_t i = end; i > 0; --i) {
    if (InSet(set, chars[i - 1]) == inSet) return int(i - 1);
  }
  return -1;
}

}  // namespace

static_assert(RepString<AString, char>::kMaxLength == kLengthLimit);
static_assert(RepString<WString, char16_t>::kMaxLength == kLengthLimit);

// --- representation ---------------------------------------------------------------------

template <class D, class C>
std::uint32_t RepString<D, C>::CheckedLength(std::uint64_t n) {
  return CheckLength(n);
}

template <class D, class C>
typename RepString<D, C>::Rep* RepString<D, C>::EmptyRep() {
  // Constant-initialised: no guard, never written (reference count included).
  static C chars[kMinCapacity + 1] = {};
  static Rep empty{chars, 0, kMinCapacity, 1};
  return &empty;
}

// A representation and its first buffer are one heap block: the characters
// follow the header, so a string costs one allocation, not two. A buffer that
// grows moves out to a block of its own (the header stays where the strings
// sharing it point).
template <class D, class C>
C* RepString<D, C>::InlineChars(Rep* rep) {
  static_assert(sizeof(Rep) % alignof(C) == 0);
  return reinterpret_cast<C*>(reinterpret_cast<char*>(rep) + sizeof(Rep));
}

template <class D, class C>
typename RepString<D, C>::Rep* RepString<D, C>::MakeRep(const C* a, std::uint32_t alen, const C* b,
                                                          std::uint32_t blen, std::uint64_t capacity) {
  std::uint32_t length = CheckLength(std::uint64_t(alen) + blen);
  std::uint32_t cap = CheckLength(std::max<std::uint64_t>({capacity, length, kMinCapacity}));
  void* block = CountingMalloc(sizeof(Rep) + (std::size_t(cap) + 1) * sizeof(C));
  Rep* rep = new (block) Rep{nullptr, length, cap, 1};
  C* chars = rep->chars = InlineChars(rep);
  if (alen) std::memcpy(chars, a, alen * sizeof(C));
  if (blen) std::memcpy(chars + alen, b, blen * sizeof(C));
  chars[length] = 0;
  return rep;
}

template <class D, class C>
void RepString<D, C>::Release(Rep* rep) {
  if (rep == EmptyRep() || --rep->refs != 0) return;
  if (rep->chars != InlineChars(rep)) CountingFree(rep->chars);
  rep->~Rep();
  CountingFree(rep);
}

template <class D, class C>
void RepString<D, C>::Unshare(std::uint64_t n) {
  if (rep_ == EmptyRep()) {
    rep_ = MakeRep(nullptr, 0, nullptr, 0, n);
  } else if (rep_->refs > 1) {
    --rep_->refs;
    rep_ = MakeRep(rep_->chars, rep_->length, nullptr, 0, n);
  }
}

template <class D, class C>
typename RepString<D, C>::Rep* RepString<D, C>::PrepareWrite(std::uint64_t n) {
  Unshare(n);
  return rep_;
}

template <class D, class C>
void RepString<D, C>::RepReserve(Rep* rep, std::uint64_t n) {
  if (n <= rep->capacity) return;
  CheckLength(n);
  std::uint64_t cap = std::min<std::uint64_t>(std::max<std::uint64_t>(2ull * rep->capacity, n), kMaxLength);
  if (rep->chars == InlineChars(rep)) {
    C* moved = static_cast<C*>(CountingMalloc((std::size_t(cap) + 1) * sizeof(C)));
    std::memcpy(moved, rep->chars, (std::size_t(rep->capacity) + 1) * sizeof(C));
    rep->chars = moved;
  } else {
    rep->chars = static_cast<C*>(CountingRealloc(rep->chars, (std::size_t(cap) + 1) * sizeof(C)));
  }
  rep->capacity = std::uint32_t(cap);
}

// Callers keep count within what lies after pos. The source may point into
// the string itself: it is copied aside first, because the split or the
// growth can move the buffer.
template <class D, class C>
void RepString<D, C>::Splice(std::uint32_t pos, std::uint32_t count, const C* src, std::uint32_t n) {
  if (count == 0 && n == 0) return;
  C* aside = nullptr;
  auto at = [](const C* p) { return reinterpret_cast<std::uintptr_t>(p); };
  if (src && n && at(src + n) > at(rep_->chars) && at(src) <= at(rep_->chars + rep_->capacity)) {
    aside = static_cast<C*>(CountingMalloc(std::size_t(n) * sizeof(C)));
    std::memcpy(aside, src, std::size_t(n) * sizeof(C));
    src = aside;
  }
  pos = std::min(pos, rep_->length);
  count = std::min(count, rep_->length - pos);
  std::uint64_t length = std::uint64_t(rep_->length) - count + n;
  std::uint64_t needed = std::max<std::uint64_t>(length, kMinCapacity);
  CheckLength(needed);
  Unshare(needed);
  RepReserve(rep_, needed);
  C* chars = rep_->chars;
  std::uint32_t tail = rep_->length - pos - count;
  if (tail && count != n) std::memmove(chars + pos + n, chars + pos + count, std::size_t(tail) * sizeof(C));
  if (src) {
    if (n) std::memcpy(chars + pos, src, std::size_t(n) * sizeof(C));
  } else {
    std::fill(chars + pos, chars + pos + n, C(' '));
  }
  SetLength(std::uint32_t(length));
  CountingFree(aside);
}

template <class D, class C>
void RepString<D, C>::SetLength(std::uint32_t n) {
  rep_->length = n;
  rep_->chars[n] = 0;
}

template <class D, class C>
void RepString<D, C>::MapUnits(C (*map)(C)) {
  std::uint32_t i = 0;
  while (i < rep_->length && map(rep_->chars[i]) == rep_->chars[i]) ++i;
  if (i == rep_->length) return;  // nothing to change: no split
  Unshare(rep_->length);
  for (; i < rep_->length; ++i) rep_->chars[i] = map(rep_->chars[i]);
}

// --- construct, assign ----------------------------------------------------------------

template <class D, class C>
RepString<D, C>::RepString() noexcept : rep_(EmptyRep()) {}

template <class D, class C>
RepString<D, C>::RepString(const RepString& other) noexcept : rep_(other.rep_) {
  if (rep_ != EmptyRep()) ++rep_->refs;
}

template <class D, class C>
RepString<D, C>::RepString(RepString&& other) noexcept : rep_(other.rep_) {
  other.rep_ = EmptyRep();
}

template <class D, class C>
RepString<D, C>::RepString(const D& source, int pos, int count) : rep_(EmptyRep()) {
  const Rep* from = source.rep_;
  ClampPart(from->length, pos, count);
  if (pos == 0 && std::uint32_t(count) == from->length) {
    rep_ = source.rep_;
    if (rep_ != EmptyRep()) ++rep_->refs;
  } else if (count > 0) {
    rep_ = MakeRep(from->chars + pos, std::uint32_t(count), nullptr, 0, std::uint32_t(count));
  }
}

template <class D, class C>
RepString<D, C>::RepString(const C* cstr) : RepString(cstr, 0, -1) {}

template <class D, class C>
RepString<D, C>::RepString(const C* cstr, int pos, int count) : rep_(EmptyRep()) {
  std::uint32_t n = 0;
  const C* part = CStrPart(cstr, pos, count, &n);
  if (n > 0) rep_ = MakeRep(part, n, nullptr, 0, n);
}

template <class D, class C>
RepString<D, C>::~RepString() {
  Release(rep_);
}

template <class D, class C>
RepString<D, C>& RepString<D, C>::operator=(const RepString& other) {
  if (rep_ != other.rep_) {
    if (other.rep_ != EmptyRep()) ++other.rep_->refs;
    Release(rep_);
    rep_ = other.rep_;
  }
  return *this;
}

template <class D, class C>
RepString<D, C>& RepString<D, C>::operator=(RepString&& other) noexcept {
  if (this != &other) {
    Release(rep_);
    rep_ = other.rep_;
    other.rep_ = EmptyRep();
  }
  return *this;
}

template <class D, class C>
D& RepString<D, C>::AssignCStr(const C* cstr) {
  if (!cstr) {
    Clear();
  } else {
    Splice(0, rep_->length, cstr, CStrLength(cstr));
  }
  return Self();
}

template <class D, class C>
D& RepString<D, C>::AssignUnits(const C* units, std::uint32_t n) {
  if (n == 0 || !units) {
    Clear();
  } else if (rep_ != EmptyRep() && rep_->refs == 1 && n <= rep_->capacity) {
    std::memmove(rep_->chars, units, std::size_t(n) * sizeof(C));
    SetLength(n);
  } else {
    Splice(0, rep_->length, units, n);
  }
  return Self();
}

template <class D, class C>
D& RepString<D, C>::AssignSub(const D& source, int pos, int count) {
  return Self() = D(source, pos, count);
}

// --- append, prepend, insert -------------------------------------------------------------

template <class D, class C>
D& RepString<D, C>::Append(const D& other) {
  Splice(rep_->length, 0, other.rep_->chars, other.rep_->length);
  return Self();
}

template <class D, class C>
D& RepString<D, C>::AppendSub(const D& source, int pos, int count) {
  ClampPart(source.rep_->length, pos, count);
  Splice(rep_->length, 0, source.rep_->chars + pos, std::uint32_t(count));
  return Self();
}

template <class D, class C>
D& RepString<D, C>::AppendCStr(const C* cstr) {
  return AppendCStrSub(cstr, 0, -1);
}

template <class D, class C>
D& RepString<D, C>::AppendCStrSub(const C* cstr, int pos, int count) {
  std::uint32_t n = 0;
  const C* part = CStrPart(cstr, pos, count, &n);
  if (n > 0) Splice(rep_->length, 0, part, n);
  return Self();
}

template <class D, class C>
D& RepString<D, C>::AppendChar(C c) {
  Rep* rep = rep_;
  if (rep->refs == 1 && rep != EmptyRep() && rep->length < rep->capacity) {
    rep->chars[rep->length++] = c;
    rep->chars[rep->length] = 0;
  } else {
    Splice(rep->length, 0, &c, 1);
  }
  return Self();
}

template <class D, class C>
D& RepString<D, C>::AppendRepeat(C c, int count) {
  if (count < 1) return Self();
  std::uint32_t at = rep_->length;
  Splice(at, 0, nullptr, std::uint32_t(count));
  std::fill(rep_->chars + at, rep_->chars + at + count, c);
  return Self();
}

template <class D, class C>
D& RepString<D, C>::PrependChar(C c) {
  Splice(0, 0, &c, 1);
  return Self();
}

template <class D, class C>
D& RepString<D, C>::PrependCStrSub(const C* cstr, int pos, int count) {
  std::uint32_t n = 0;
  const C* part = CStrPart(cstr, pos, count, &n);
  if (n > 0) Splice(0, 0, part, n);
  return Self();
}

template <class D, class C>
D& RepString<D, C>::Insert(int at, const C* cstr) {
  if (cstr) Splice(ClampAt(rep_->length, at), 0, cstr, CStrLength(cstr));
  return Self();
}

template <class D, class C>
D& RepString<D, C>::InsertSub(int at, const D& source, int pos, int count) {
  std::uint32_t where = ClampAt(rep_->length, at);
  ClampPart(source.rep_->length, pos, count);
  Splice(where, 0, source.rep_->chars + pos, std::uint32_t(count));
  return Self();
}

// --- erase, replace ------------------------------------------------------------------------

template <class D, class C>
D& RepString<D, C>::Erase(int pos, int count) {
  ClampPart(rep_->length, pos, count);
  if (count > 0) Splice(std::uint32_t(pos), std::uint32_t(count), nullptr, 0);
  return Self();
}

template <class D, class C>
D& RepString<D, C>::Replace(int pos, int count, const C* cstr) {
  ClampPart(rep_->length, pos, count);
  Splice(std::uint32_t(pos), std::uint32_t(count), cstr, CStrLength(cstr));
  return Self();
}

// --- access, size ----------------------------------------------------------------------------

template <class D, class C>
C* RepString<D, C>::WritableAt(int pos) {
  if (pos < 0 || std::uint32_t(pos) >= rep_->length) return nullptr;
  Unshare(rep_->length);
  return rep_->chars + pos;
}

template <class D, class C>
C* RepString<D, C>::Data() {
  Unshare(rep_->length);
  return rep_->chars;
}

template <class D, class C>
void RepString<D, C>::Reserve(std::int64_t n) {
  if (n < 0) n = 0;
  std::uint32_t wanted = CheckLength(std::uint64_t(n));
  Unshare(wanted);
  RepReserve(rep_, wanted);
}

template <class D, class C>
void RepString<D, C>::Clear() {
  if (rep_ != EmptyRep() && rep_->refs == 1) {
    SetLength(0);
  } else {
    Release(rep_);
    rep_ = EmptyRep();
  }
}

template <class D, class C>
void RepString<D, C>::Resize(std::int64_t n) {
  if (n < 0) n = 0;
  std::uint32_t wanted = CheckLength(std::uint64_t(n));
  if (wanted == 0) {
    Clear();
  } else if (wanted < rep_->length) {
    Unshare(rep_->length);
    SetLength(wanted);
  } else if (wanted > rep_->length) {
    Splice(rep_->length, 0, nullptr, wanted - rep_->length);
  }
}

template <class D, class C>
D& RepString<D, C>::Trim(TrimMode mode, C c) {
  std::uint32_t begin = 0, end = rep_->length;
  const C* chars = rep_->chars;
  if (mode != TrimMode::Trailing) {
    while (begin < end && chars[begin] == c) ++begin;
  }
  if (mode != TrimMode::Leading) {
    while (end > begin && chars[end - 1] == c) --end;
  }
  if (begin == end) {
    Clear();
  } else {
    if (end < rep_->length) Splice(end, rep_->length - end, nullptr, 0);
    if (begin > 0) Splice(0, begin, nullptr, 0);
  }
  return Self();
}

template <class D, class C>
D& RepString<D, C>::MakeUpper() {
  MapUnits(&D::UpperUnit);
  return Self();
}

// --- parts, compare ------------------------------------------------------------------------

template <class D, class C>
D RepString<D, C>::Mid(int pos, int count) const {
  return D(Self(), pos, count);
}

template <class D, class C>
D RepString<D, C>::TailFrom(int pos) const {
  int count = -1;
  ClampPart(rep_->length, pos, count);
  return D(rep_->chars + pos);
}

template <class D, class C>
bool RepString<D, C>::Equals(const D& other) const {
  return rep_ == other.rep_ || View() == other.View();
}

template <class D, class C>
D RepString<D, C>::Concat(const D& a, const C* b) {
  return D(Adopt(), MakeRep(a.rep_->chars, a.rep_->length, b, CStrLength(b), 0));
}

template <class D, class C>
D RepString<D, C>::Concat(const C* a, const D& b) {
  return D(Adopt(), MakeRep(a, CStrLength(a), b.rep_->chars, b.rep_->length, 0));
}

// --- search ------------------------------------------------------------------------------------

template <class D, class C>
int RepString<D, C>::Find(const C* needle, bool caseSensitive) const {
  return FindEx(needle, 0, caseSensitive);
}

template <class D, class C>
int RepString<D, C>::FindEx(const C* needle, int start, bool caseSensitive) const {
  return FindNeedle(rep_->chars, rep_->length, needle, start, Direction::Forward, caseSensitive,
                    [](C c) { return D::UpperUnit(c); });
}

template <class D, class C>
int RepString<D, C>::ReverseFind(const C* needle, bool caseSensitive) const {
  return ReverseFindEx(needle, int(kMaxLength), caseSensitive);
}

template <class D, class C>
int RepString<D, C>::ReverseFindEx(const C* needle, int start, bool caseSensitive) const {
  return FindNeedle(rep_->chars, rep_->length, needle, start, Direction::Backward, caseSensitive,
                    [](C c) { return D::UpperUnit(c); });
}

template <class D, class C>
bool RepString<D, C>::Contains(const C* needle, bool caseSensitive) const {
  return Find(needle, caseSensitive) >= 0;
}

template <class D, class C>
int RepString<D, C>::FindChar(C c) const {
  return FindCharFrom(c, 0);
}

template <class D, class C>
int RepString<D, C>::FindCharFrom(C c, int start) const {
  if (start < 0) start = 0;
  for (std::uint32_t i = std::uint32_t(start); i < rep_->length; ++i) {
    if (rep_->chars[i] == c) return int(i);
  }
  return -1;
}

template <class D, class C>
int RepString<D, C>::ReverseFindChar(C c) const {
  for (std::uint32_t i = rep_->length; i > 0; --i) {
    if (rep_->chars[i - 1] == c) return int(i - 1);
  }
  return -1;
}

template <class D, class C>
int RepString<D, C>::FindAnyOf(const C* set, int start) const {
  return ScanForward(rep_->chars, rep_->length, set, start, true);
}

template <class D, class C>
int RepString<D, C>::FindFirstNotOf(const C* set, int start) const {
  return ScanForward(rep_->chars, rep_->length, set, start, false);
}

template <class D, class C>
int RepString<D, C>::FindLastOf(const C* set, int before) const {
  return ScanBackward(rep_->chars, rep_->length, set, before, true);
}

template <class D, class C>
int RepString<D, C>::FindLastNotOf(const C* set, int before) const {
  return ScanBackward(rep_->chars, rep_->length, set, before, false);
}

// The only two strings of the program; nothing else instantiates the template.
template class RepString<AString, char>;
template class RepString<WString, char16_t>;

}  // namespace kvn
