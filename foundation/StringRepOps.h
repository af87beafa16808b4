// The representation algorithms shared by AString and WString (internal to
// AString.cpp and WString.cpp). A Rep is {chars, length, capacity, refs}; the
// buffer holds capacity + 1 characters and is always terminated.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "foundation/CountingAlloc.h"

namespace kvn::string_rep {

inline constexpr std::uint32_t kMinCapacity = 15;
// Every index fits an int, and (capacity + 1) characters fit 32 bits.
inline constexpr std::uint64_t kMaxLength = 0x7FFFFFFE;

template <class Rep>
using CharOf = std::remove_pointer_t<decltype(Rep::chars)>;

// A request past the 32-bit limit is an allocation failure.
inline std::uint32_t CheckedLength(std::uint64_t n) {
  if (n > kMaxLength) FatalOutOfMemory();
  return std::uint32_t(n);
}

template <class Rep>
Rep* Make(const CharOf<Rep>* a, std::uint32_t alen, const CharOf<Rep>* b, std::uint32_t blen,
          std::uint64_t capacity) {
  using C = CharOf<Rep>;
  std::uint32_t length = CheckedLength(std::uint64_t(alen) + blen);
  std::uint32_t cap = CheckedLength(std::max<std::uint64_t>({capacity, length, kMinCapacity}));
  C* chars = static_cast<C*>(CountingMalloc((std::size_t(cap) + 1) * sizeof(C)));
  if (alen) std::memcpy(chars, a, alen * sizeof(C));
  if (blen) std::memcpy(chars + alen, b, blen * sizeof(C));
  chars[length] = 0;
  return new Rep{chars, length, cap, 1};
}

template <class Rep>
void Release(Rep* rep, const Rep* empty) {
  if (rep == empty || --rep->refs != 0) return;
  CountingFree(rep->chars);
  delete rep;
}

// Afterwards `rep` is private (reference count 1, not the static empty one)
// with capacity at least max(n, 15); the content is kept.
template <class Rep>
void Unshare(Rep*& rep, const Rep* empty, std::uint64_t n) {
  if (rep == empty) {
    rep = Make<Rep>(nullptr, 0, nullptr, 0, n);
  } else if (rep->refs > 1) {
    --rep->refs;
    rep = Make<Rep>(rep->chars, rep->length, nullptr, 0, n);
  }
}

// Growth of a private representation: max(2 x capacity, n), kept within the limit.
template <class Rep>
void Reserve(Rep* rep, std::uint64_t n) {
  if (n <= rep->capacity) return;
  CheckedLength(n);
  std::uint64_t cap = std::min(std::max<std::uint64_t>(2ull * rep->capacity, n), kMaxLength);
  using C = CharOf<Rep>;
  rep->chars = static_cast<C*>(CountingRealloc(rep->chars, (std::size_t(cap) + 1) * sizeof(C)));
  rep->capacity = std::uint32_t(cap);
}

// Replaces `count` characters at `pos` by `n` characters from `src`, or by n
// spaces when src is null. Callers keep count within what lies after pos. The
// source may point into the string itself: it is copied aside first, because
// the split or the growth can move the buffer.
template <class Rep>
void Splice(Rep*& rep, const Rep* empty, std::uint32_t pos, std::uint32_t count, const CharOf<Rep>* src,
            std::uint32_t n) {
  using C = CharOf<Rep>;
  if (count == 0 && n == 0) return;
  C* aside = nullptr;
  auto at = [](const C* p) { return reinterpret_cast<std::uintptr_t>(p); };
  if (src && n && at(src + n) > at(rep->chars) && at(src) <= at(rep->chars + rep->capacity)) {
    aside = static_cast<C*>(CountingMalloc(std::size_t(n) * sizeof(C)));
    std::memcpy(aside, src, std::size_t(n) * sizeof(C));
    src = aside;
  }
  pos = std::min(pos, rep->length);
  count = std::min(count, rep->length - pos);
  std::uint64_t length = std::uint64_t(rep->length) - count + n;
  std::uint64_t needed = std::max<std::uint64_t>(length, kMinCapacity);
  CheckedLength(needed);
  Unshare(rep, empty, needed);
  Reserve(rep, needed);
  C* chars = rep->chars;
  std::uint32_t tail = rep->length - pos - count;
  if (tail && count != n) std::memmove(chars + pos + n, chars + pos + count, std::size_t(tail) * sizeof(C));
  if (src) {
    if (n) std::memcpy(chars + pos, src, std::size_t(n) * sizeof(C));
  } else {
    std::fill(chars + pos, chars + pos + n, C(' '));
  }
  rep->length = std::uint32_t(length);
  chars[length] = 0;
  CountingFree(aside);
}

// --- shared argument rules ---------------------------------------------------

// Clamps (pos, count) to a string of `length`: pos into [0, length], a
// negative count or one past the end to the rest.
inline void ClampPart(std::uint32_t length, int& pos, int& count) {
  if (pos < 0) pos = 0;
  if (std::uint32_t(pos) > length) pos = int(length);
  std::uint32_t rest = length - std::uint32_t(pos);
  if (count < 0 || std::uint32_t(count) > rest) count = int(rest);
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
  *n = CheckedLength(length - start);
  return s + start;
}

// --- search --------------------------------------------------------------------

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

template <class C>
bool InSet(const C* set, C c) {
  for (; *set; ++set) {
    if (*set == c) return true;
  }
  return false;
}

}  // namespace kvn::string_rep
