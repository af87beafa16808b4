#include "foundation/AString.h"

#include <cstring>

#include "foundation/StringRepOps.h"

namespace kvn {

namespace sr = string_rep;

namespace {
char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }
struct SameByte {
  char operator()(char c) const { return c; }
};
struct UpperByte {
  char operator()(char c) const { return AsciiUpper(c); }
};
}  // namespace

// --- representation -------------------------------------------------------------

AString::Rep* AString::EmptyRep() {
  // Constant-initialised: no guard, never written (reference count included).
  static char chars[kMinCapacity + 1] = {};
  static Rep empty{chars, 0, kMinCapacity, 1};
  return &empty;
}

AString::Rep* AString::MakeRep(const char* a, std::uint32_t alen, const char* b, std::uint32_t blen,
                               std::uint64_t capacity) {
  return sr::Make<Rep>(a, alen, b, blen, capacity);
}

void AString::Release(Rep* rep) { sr::Release(rep, EmptyRep()); }

void AString::Unshare(std::uint64_t n) { sr::Unshare(rep_, EmptyRep(), n); }

AString::Rep* AString::PrepareWrite(std::uint64_t n) {
  Unshare(n);
  return rep_;
}

void AString::RepReserve(Rep* rep, std::uint64_t n) { sr::Reserve(rep, n); }

void AString::Splice(std::uint32_t pos, std::uint32_t count, const char* src, std::uint32_t n) {
  sr::Splice(rep_, EmptyRep(), pos, count, src, n);
}

// --- construct, assign ------------------------------------------------------------

AString::AString() noexcept : rep_(EmptyRep()) {}

AString::AString(const AString& other) noexcept : rep_(other.rep_) {
  if (rep_ != EmptyRep()) ++rep_->refs;
}

AString::AString(AString&& other) noexcept : rep_(other.rep_) { other.rep_ = EmptyRep(); }

AString::AString(const AString& source, int pos, int count) : rep_(EmptyRep()) {
  sr::ClampPart(source.rep_->length, pos, count);
  if (pos == 0 && std::uint32_t(count) == source.rep_->length) {
    rep_ = source.rep_;
    if (rep_ != EmptyRep()) ++rep_->refs;
  } else if (count > 0) {
    rep_ = MakeRep(source.rep_->chars + pos, std::uint32_t(count), nullptr, 0, std::uint32_t(count));
  }
}

AString::AString(const char* cstr) : AString(cstr, 0, -1) {}

AString::AString(const char* cstr, int pos, int count) : rep_(EmptyRep()) {
  std::uint32_t n = 0;
  const char* part = sr::CStrPart(cstr, pos, count, &n);
  if (n > 0) rep_ = MakeRep(part, n, nullptr, 0, n);
}

AString::~AString() { Release(rep_); }

AString& AString::operator=(const AString& other) {
  if (rep_ != other.rep_) {
    if (other.rep_ != EmptyRep()) ++other.rep_->refs;
    Release(rep_);
    rep_ = other.rep_;
  }
  return *this;
}

AString& AString::operator=(AString&& other) noexcept {
  if (this != &other) {
    Release(rep_);
    rep_ = other.rep_;
    other.rep_ = EmptyRep();
  }
  return *this;
}

AString& AString::AssignCStr(const char* cstr) {
  if (!cstr) {
    Clear();
    return *this;
  }
  std::uint32_t n = sr::CheckedLength(std::strlen(cstr));
  Splice(0, rep_->length, cstr, n);
  return *this;
}

AString& AString::AssignSub(const AString& source, int pos, int count) {
  return *this = AString(source, pos, count);
}

// --- append, prepend, insert --------------------------------------------------------

AString& AString::Append(const AString& other) {
  Splice(rep_->length, 0, other.rep_->chars, other.rep_->length);
  return *this;
}

AString& AString::AppendSub(const AString& source, int pos, int count) {
  sr::ClampPart(source.rep_->length, pos, count);
  Splice(rep_->length, 0, source.rep_->chars + pos, std::uint32_t(count));
  return *this;
}

AString& AString::AppendCStr(const char* cstr) { return AppendCStrSub(cstr, 0, -1); }

AString& AString::AppendCStrSub(const char* cstr, int pos, int count) {
  std::uint32_t n = 0;
  const char* part = sr::CStrPart(cstr, pos, count, &n);
  if (n > 0) Splice(rep_->length, 0, part, n);
  return *this;
}

AString& AString::AppendChar(char c) {
  Rep* rep = rep_;
  if (rep->refs == 1 && rep != EmptyRep() && rep->length < rep->capacity) {
    rep->chars[rep->length++] = c;
    rep->chars[rep->length] = 0;
  } else {
    Splice(rep->length, 0, &c, 1);
  }
  return *this;
}

AString& AString::AppendRepeat(char c, int count) {
  if (count < 1) return *this;
  std::uint32_t at = rep_->length;
  Splice(at, 0, nullptr, std::uint32_t(count));
  std::memset(rep_->chars + at, c, std::size_t(count));
  return *this;
}

AString& AString::PrependCStrSub(const char* cstr, int pos, int count) {
  std::uint32_t n = 0;
  const char* part = sr::CStrPart(cstr, pos, count, &n);
  if (n > 0) Splice(0, 0, part, n);
  return *this;
}

AString& AString::Insert(int at, const char* cstr) {
  if (!cstr) return *this;
  int unused = 0;
  sr::ClampPart(rep_->length, at, unused);
  Splice(std::uint32_t(at), 0, cstr, sr::CheckedLength(std::strlen(cstr)));
  return *this;
}

AString& AString::InsertSub(int at, const AString& source, int pos, int count) {
  int unused = 0;
  sr::ClampPart(rep_->length, at, unused);
  sr::ClampPart(source.rep_->length, pos, count);
  Splice(std::uint32_t(at), 0, source.rep_->chars + pos, std::uint32_t(count));
  return *this;
}

// --- erase, replace -------------------------------------------------------------------

AString& AString::Erase(int pos, int count) {
  sr::ClampPart(rep_->length, pos, count);
  if (count > 0) Splice(std::uint32_t(pos), std::uint32_t(count), nullptr, 0);
  return *this;
}

AString& AString::Replace(int pos, int count, const char* cstr) {
  sr::ClampPart(rep_->length, pos, count);
  std::uint32_t n = cstr ? sr::CheckedLength(std::strlen(cstr)) : 0;
  Splice(std::uint32_t(pos), std::uint32_t(count), cstr, n);
  return *this;
}

// --- access, size -------------------------------------------------------------------------

char* AString::WritableAt(int pos) {
  if (pos < 0 || std::uint32_t(pos) >= rep_->length) return nullptr;
  Unshare(rep_->length);
  return rep_->chars + pos;
}

char* AString::Data() {
  Unshare(rep_->length);
  return rep_->chars;
}

void AString::Reserve(std::int64_t n) {
  if (n < 0) n = 0;
  std::uint32_t wanted = sr::CheckedLength(std::uint64_t(n));
  Unshare(wanted);
  RepReserve(rep_, wanted);
}

void AString::Clear() {
  if (rep_ != EmptyRep() && rep_->refs == 1) {
    rep_->length = 0;
    rep_->chars[0] = 0;
  } else {
    Release(rep_);
    rep_ = EmptyRep();
  }
}

void AString::Resize(std::int64_t n) {
  if (n < 0) n = 0;
  std::uint32_t wanted = sr::CheckedLength(std::uint64_t(n));
  if (wanted == 0) {
    Clear();
  } else if (wanted < rep_->length) {
    Unshare(rep_->length);
    rep_->length = wanted;
    rep_->chars[wanted] = 0;
  } else if (wanted > rep_->length) {
    Splice(rep_->length, 0, nullptr, wanted - rep_->length);
  }
}

AString& AString::Trim(TrimMode mode, char c) {
  std::uint32_t begin = 0, end = rep_->length;
  const char* chars = rep_->chars;
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
  return *this;
}

AString& AString::MakeUpper() {
  std::uint32_t i = 0;
  while (i < rep_->length && AsciiUpper(rep_->chars[i]) == rep_->chars[i]) ++i;
  if (i == rep_->length) return *this;  // nothing to change: no split
  Unshare(rep_->length);
  for (; i < rep_->length; ++i) rep_->chars[i] = AsciiUpper(rep_->chars[i]);
  return *this;
}

int AString::MakeLower() {
  std::uint32_t i = 0;
  while (i < rep_->length && AsciiLower(rep_->chars[i]) == rep_->chars[i]) ++i;
  if (i < rep_->length) {
    Unshare(rep_->length);
    for (; i < rep_->length; ++i) rep_->chars[i] = AsciiLower(rep_->chars[i]);
  }
  return int(rep_->length);
}

AString AString::UpperCopy() const {
  AString copy(*this);
  copy.MakeUpper();
  return copy;
}

// --- parts ------------------------------------------------------------------------------------

AString AString::Mid(int pos, int count) const { return AString(*this, pos, count); }

AString AString::TailFrom(int pos) const {
  int count = -1;
  sr::ClampPart(rep_->length, pos, count);
  return AString(rep_->chars + pos);
}

// --- search ----------------------------------------------------------------------------------

int AString::Find(const char* needle, bool caseSensitive) const { return FindEx(needle, 0, caseSensitive); }

int AString::FindEx(const char* needle, int start, bool caseSensitive) const {
  if (!needle) return -1;
  if (!*needle) return 0;
  if (start < 0) start = 0;
  std::uint32_t n = sr::CheckedLength(std::strlen(needle));
  return caseSensitive ? sr::FindForward(rep_->chars, rep_->length, needle, n, std::uint32_t(start), SameByte())
                       : sr::FindForward(rep_->chars, rep_->length, needle, n, std::uint32_t(start), UpperByte());
}

int AString::ReverseFind(const char* needle, bool caseSensitive) const {
  return ReverseFindEx(needle, int(kMaxLength), caseSensitive);
}

int AString::ReverseFindEx(const char* needle, int start, bool caseSensitive) const {
  if (!needle) return -1;
  if (!*needle) return 0;
  if (start < 0) return -1;
  std::uint32_t n = sr::CheckedLength(std::strlen(needle));
  return caseSensitive ? sr::FindBackward(rep_->chars, rep_->length, needle, n, std::uint32_t(start), SameByte())
                       : sr::FindBackward(rep_->chars, rep_->length, needle, n, std::uint32_t(start), UpperByte());
}

bool AString::Contains(const char* needle, bool caseSensitive) const { return Find(needle, caseSensitive) >= 0; }

int AString::FindCStrAt(const char* needle, int start, int* needleLength) const {
  if (needleLength) *needleLength = needle ? int(sr::CheckedLength(std::strlen(needle))) : 0;
  return FindEx(needle, start, true);
}

int AString::ReverseFindCStrAt(const char* needle, int start, int* needleLength) const {
  if (needleLength) *needleLength = needle ? int(sr::CheckedLength(std::strlen(needle))) : 0;
  return ReverseFindEx(needle, start, true);
}

int AString::FindChar(char c) const { return FindCharFrom(c, 0); }

int AString::FindCharFrom(char c, int start) const {
  if (start < 0) start = 0;
  for (std::uint32_t i = std::uint32_t(start); i < rep_->length; ++i) {
    if (rep_->chars[i] == c) return int(i);
  }
  return -1;
}

int AString::ReverseFindChar(char c) const {
  for (std::uint32_t i = rep_->length; i > 0; --i) {
    if (rep_->chars[i - 1] == c) return int(i - 1);
  }
  return -1;
}

int AString::FindAnyOf(const char* set, int start) const {
  if (!set) return -1;
  if (start < 0) start = 0;
  for (std::uint32_t i = std::uint32_t(start); i < rep_->length; ++i) {
    if (rep_->chars[i] && sr::InSet(set, rep_->chars[i])) return int(i);
  }
  return -1;
}

int AString::FindLastOf(const char* set, int before) const {
  if (!set) return -1;
  std::uint32_t end = before < 0 ? rep_->length : std::min(std::uint32_t(before), rep_->length);
  for (std::uint32_t i = end; i > 0; --i) {
    char c = rep_->chars[i - 1];
    if (c && sr::InSet(set, c)) return int(i - 1);
  }
  return -1;
}

int AString::FindLastNotOf(const char* set, int before) const {
  if (!set) return -1;
  std::uint32_t end = before < 0 ? rep_->length : std::min(std::uint32_t(before), rep_->length);
  for (std::uint32_t i = end; i > 0; --i) {
    char c = rep_->chars[i - 1];
    if (!c || !sr::InSet(set, c)) return int(i - 1);
  }
  return -1;
}

// --- concatenate ---------------------------------------------------------------------------

AString ConcatAStringCStr(const AString& a, const char* b) {
  std::uint32_t blen = b ? sr::CheckedLength(std::strlen(b)) : 0;
  return AString(AString::Adopt(), AString::MakeRep(a.rep_->chars, a.rep_->length, b, blen, 0));
}

AString ConcatCStrAString(const char* a, const AString& b) {
  std::uint32_t alen = a ? sr::CheckedLength(std::strlen(a)) : 0;
  return AString(AString::Adopt(), AString::MakeRep(a, alen, b.rep_->chars, b.rep_->length, 0));
}

}  // namespace kvn
