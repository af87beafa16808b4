#include "foundation/WString.h"

#include "foundation/StringRepOps.h"
#include "foundation/UnicodeCase.h"
#include "foundation/WideCStr.h"

namespace kvn {

namespace sr = string_rep;

namespace {
struct SameUnit {
  char16_t operator()(char16_t c) const { return c; }
};
struct UpperUnit {
  char16_t operator()(char16_t c) const {
    char16_t u = UpperCaseW(c);
    return u ? u : c;
  }
};
}  // namespace

// --- representation -------------------------------------------------------------

WString::Rep* WString::EmptyRep() {
  // Constant-initialised: no guard, never written (reference count included).
  static char16_t chars[kMinCapacity + 1] = {};
  static Rep empty{chars, 0, kMinCapacity, 1};
  return &empty;
}

WString::Rep* WString::MakeRep(const char16_t* a, std::uint32_t alen, const char16_t* b, std::uint32_t blen,
                               std::uint64_t capacity) {
  return sr::Make<Rep>(a, alen, b, blen, capacity);
}

void WString::Release(Rep* rep) { sr::Release(rep, EmptyRep()); }

void WString::Unshare(std::uint64_t n) { sr::Unshare(rep_, EmptyRep(), n); }

WString::Rep* WString::PrepareWrite(std::uint64_t n) {
  Unshare(n);
  return rep_;
}

void WString::RepReserve(Rep* rep, std::uint64_t n) { sr::Reserve(rep, n); }

void WString::Splice(std::uint32_t pos, std::uint32_t count, const char16_t* src, std::uint32_t n) {
  sr::Splice(rep_, EmptyRep(), pos, count, src, n);
}

// Sets the length of a private representation (n within the capacity).
void WString::SetLength(std::uint32_t n) {
  rep_->length = n;
  rep_->chars[n] = 0;
}

// --- construct, assign ------------------------------------------------------------

WString::WString() noexcept : rep_(EmptyRep()) {}

WString::WString(const WString& other) noexcept : rep_(other.rep_) {
  if (rep_ != EmptyRep()) ++rep_->refs;
}

WString::WString(WString&& other) noexcept : rep_(other.rep_) { other.rep_ = EmptyRep(); }

WString::WString(const WString& source, int pos, int count) : rep_(EmptyRep()) {
  sr::ClampPart(source.rep_->length, pos, count);
  if (pos == 0 && std::uint32_t(count) == source.rep_->length) {
    rep_ = source.rep_;
    if (rep_ != EmptyRep()) ++rep_->refs;
  } else if (count > 0) {
    rep_ = MakeRep(source.rep_->chars + pos, std::uint32_t(count), nullptr, 0, std::uint32_t(count));
  }
}

WString::WString(const char16_t* cstr) : WString(cstr, 0, -1) {}

WString::WString(const char16_t* cstr, int pos, int count) : rep_(EmptyRep()) {
  std::uint32_t n = 0;
  const char16_t* part = sr::CStrPart(cstr, pos, count, &n);
  if (n > 0) rep_ = MakeRep(part, n, nullptr, 0, n);
}

WString::WString(std::u16string_view buffer) : rep_(EmptyRep()) {
  if (!buffer.empty()) {
    std::uint32_t n = sr::CheckedLength(buffer.size());
    rep_ = MakeRep(buffer.data(), n, nullptr, 0, n);
  }
}

WString::WString(int codePage, const char* cstr) : rep_(EmptyRep()) { AssignCodePageCStr(codePage, cstr); }

WString::WString(int codePage, const AString& text) : rep_(EmptyRep()) {
  AssignCodePageAString(codePage, text);
}

WString::~WString() { Release(rep_); }

WString& WString::operator=(const WString& other) {
  if (rep_ != other.rep_) {
    if (other.rep_ != EmptyRep()) ++other.rep_->refs;
    Release(rep_);
    rep_ = other.rep_;
  }
  return *this;
}

WString& WString::operator=(WString&& other) noexcept {
  if (this != &other) {
    Release(rep_);
    rep_ = other.rep_;
    other.rep_ = EmptyRep();
  }
  return *this;
}

WString& WString::AssignCStr(const char16_t* cstr) {
  if (!cstr) {
    Clear();
    return *this;
  }
  Splice(0, rep_->length, cstr, sr::CheckedLength(kvn::wcslen(cstr)));
  return *this;
}

WString& WString::AssignSub(const WString& source, int pos, int count) {
  return *this = WString(source, pos, count);
}

// --- append, prepend, insert --------------------------------------------------------

WString& WString::Append(const WString& other) {
  Splice(rep_->length, 0, other.rep_->chars, other.rep_->length);
  return *this;
}

WString& WString::AppendSub(const WString& source, int pos, int count) {
  sr::ClampPart(source.rep_->length, pos, count);
  Splice(rep_->length, 0, source.rep_->chars + pos, std::uint32_t(count));
  return *this;
}

WString& WString::AppendCStr(const char16_t* cstr) { return AppendCStrSub(cstr, 0, -1); }

WString& WString::AppendCStrSub(const char16_t* cstr, int pos, int count) {
  std::uint32_t n = 0;
  const char16_t* part = sr::CStrPart(cstr, pos, count, &n);
  if (n > 0) Splice(rep_->length, 0, part, n);
  return *this;
}

WString& WString::AppendChar(char16_t c) {
  Rep* rep = rep_;
  if (rep->refs == 1 && rep != EmptyRep() && rep->length < rep->capacity) {
    rep->chars[rep->length++] = c;
    rep->chars[rep->length] = 0;
  } else {
    Splice(rep->length, 0, &c, 1);
  }
  return *this;
}

WString& WString::AppendRepeat(char16_t c, int count) {
  if (count < 1) return *this;
  std::uint32_t at = rep_->length;
  Splice(at, 0, nullptr, std::uint32_t(count));
  FillWChars(rep_->chars + at, c, std::size_t(count));
  return *this;
}

WString& WString::PrependChar(char16_t c) {
  Splice(0, 0, &c, 1);
  return *this;
}

WString& WString::PrependCStrSub(const char16_t* cstr, int pos, int count) {
  std::uint32_t n = 0;
  const char16_t* part = sr::CStrPart(cstr, pos, count, &n);
  if (n > 0) Splice(0, 0, part, n);
  return *this;
}

WString& WString::Insert(int at, const char16_t* cstr) {
  if (!cstr) return *this;
  int unused = 0;
  sr::ClampPart(rep_->length, at, unused);
  Splice(std::uint32_t(at), 0, cstr, sr::CheckedLength(kvn::wcslen(cstr)));
  return *this;
}

WString& WString::InsertSub(int at, const WString& source, int pos, int count) {
  int unused = 0;
  sr::ClampPart(rep_->length, at, unused);
  sr::ClampPart(source.rep_->length, pos, count);
  Splice(std::uint32_t(at), 0, source.rep_->chars + pos, std::uint32_t(count));
  return *this;
}

// --- erase, replace -------------------------------------------------------------------

WString& WString::Erase(int pos, int count) {
  sr::ClampPart(rep_->length, pos, count);
  if (count > 0) Splice(std::uint32_t(pos), std::uint32_t(count), nullptr, 0);
  return *this;
}

WString& WString::Replace(int pos, int count, const char16_t* cstr) {
  sr::ClampPart(rep_->length, pos, count);
  std::uint32_t n = cstr ? sr::CheckedLength(kvn::wcslen(cstr)) : 0;
  Splice(std::uint32_t(pos), std::uint32_t(count), cstr, n);
  return *this;
}

// --- access, size -------------------------------------------------------------------------

char16_t* WString::WritableAt(int pos) {
  if (pos < 0 || std::uint32_t(pos) >= rep_->length) return nullptr;
  Unshare(rep_->length);
  return rep_->chars + pos;
}

char16_t* WString::Data() {
  Unshare(rep_->length);
  return rep_->chars;
}

void WString::Reserve(std::int64_t n) {
  if (n < 0) n = 0;
  std::uint32_t wanted = sr::CheckedLength(std::uint64_t(n));
  Unshare(wanted);
  RepReserve(rep_, wanted);
}

void WString::Clear() {
  if (rep_ != EmptyRep() && rep_->refs == 1) {
    SetLength(0);
  } else {
    Release(rep_);
    rep_ = EmptyRep();
  }
}

void WString::Resize(std::int64_t n) {
  if (n < 0) n = 0;
  std::uint32_t wanted = sr::CheckedLength(std::uint64_t(n));
  if (wanted == 0) {
    Clear();
  } else if (wanted < rep_->length) {
    Unshare(rep_->length);
    SetLength(wanted);
  } else if (wanted > rep_->length) {
    Splice(rep_->length, 0, nullptr, wanted - rep_->length);
  }
}

WString& WString::Trim(TrimMode mode, char16_t c) {
  std::uint32_t begin = 0, end = rep_->length;
  const char16_t* chars = rep_->chars;
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

WString& WString::MakeUpper() {
  UpperUnit upper;
  std::uint32_t i = 0;
  while (i < rep_->length && upper(rep_->chars[i]) == rep_->chars[i]) ++i;
  if (i == rep_->length) return *this;  // nothing to change: no split
  Unshare(rep_->length);
  for (; i < rep_->length; ++i) rep_->chars[i] = upper(rep_->chars[i]);
  return *this;
}

// --- parts ------------------------------------------------------------------------------------

WString WString::Mid(int pos, int count) const { return WString(*this, pos, count); }

WString WString::TailFrom(int pos) const {
  int count = -1;
  sr::ClampPart(rep_->length, pos, count);
  return WString(rep_->chars + pos);
}

// --- compare ---------------------------------------------------------------------------------

bool WString::Equals(const WString& other) const {
  return rep_ == other.rep_ || View() == other.View();
}

namespace {
// Sort key of the accent-blind comparison: the ASCII look-alike of the upper
// case in the high half (so accented letters sort with their base letter),
// the upper case itself in the low half (so they sort after it).
std::uint32_t AccentKey(char16_t c) {
  char16_t u = UpperCaseW(c);
  if (!u) u = c;
  std::uint32_t f = u;
  if (u >= 128) {
    char folded = FoldToAsciiW(u);
    if (folded) f = std::uint8_t(folded);
  }
  return (f << 16) | u;
}

// At most n characters (no limit when n is negative), stopping at a 0 character.
int CompareAccentKeys(const char16_t* a, const char16_t* b, std::int64_t n) {
  static constexpr char16_t kEmpty[1] = {0};
  if (!a) a = kEmpty;
  if (!b) b = kEmpty;
  for (std::int64_t i = 0; n < 0 || i < n; ++i) {
    std::uint32_t ka = AccentKey(a[i]), kb = AccentKey(b[i]);
    if (ka != kb) return ka < kb ? -1 : 1;
    if (a[i] == 0) break;
  }
  return 0;
}
}  // namespace

int WString::CompareNoCaseN(const char16_t* other, int n) const {
  if (n == 0) return 0;
  return CompareAccentKeys(rep_->chars, other, n);
}

int CompareNoCaseAccentW(const char16_t* a, const char16_t* b) { return CompareAccentKeys(a, b, -1); }

// --- search ----------------------------------------------------------------------------------

int WString::Find(const char16_t* needle, bool caseSensitive) const { return FindEx(needle, 0, caseSensitive); }

int WString::FindEx(const char16_t* needle, int start, bool caseSensitive) const {
  if (!needle) return -1;
  if (!*needle) return 0;
  if (start < 0) start = 0;
  std::uint32_t n = sr::CheckedLength(kvn::wcslen(needle));
  return caseSensitive ? sr::FindForward(rep_->chars, rep_->length, needle, n, std::uint32_t(start), SameUnit())
                       : sr::FindForward(rep_->chars, rep_->length, needle, n, std::uint32_t(start), UpperUnit());
}

int WString::ReverseFind(const char16_t* needle, bool caseSensitive) const {
  return ReverseFindEx(needle, int(kMaxLength), caseSensitive);
}

int WString::ReverseFindEx(const char16_t* needle, int start, bool caseSensitive) const {
  if (!needle) return -1;
  if (!*needle) return 0;
  if (start < 0) return -1;
  std::uint32_t n = sr::CheckedLength(kvn::wcslen(needle));
  return caseSensitive ? sr::FindBackward(rep_->chars, rep_->length, needle, n, std::uint32_t(start), SameUnit())
                       : sr::FindBackward(rep_->chars, rep_->length, needle, n, std::uint32_t(start), UpperUnit());
}

bool WString::Contains(const char16_t* needle, bool caseSensitive) const { return Find(needle, caseSensitive) >= 0; }

int WString::FindChar(char16_t c) const { return FindCharFrom(c, 0); }

int WString::FindCharFrom(char16_t c, int start) const {
  if (start < 0) start = 0;
  for (std::uint32_t i = std::uint32_t(start); i < rep_->length; ++i) {
    if (rep_->chars[i] == c) return int(i);
  }
  return -1;
}

int WString::ReverseFindChar(char16_t c) const {
  for (std::uint32_t i = rep_->length; i > 0; --i) {
    if (rep_->chars[i - 1] == c) return int(i - 1);
  }
  return -1;
}

int WString::FindAnyOf(const char16_t* set, int start) const {
  if (!set) return -1;
  if (start < 0) start = 0;
  for (std::uint32_t i = std::uint32_t(start); i < rep_->length; ++i) {
    if (rep_->chars[i] && sr::InSet(set, rep_->chars[i])) return int(i);
  }
  return -1;
}

int WString::FindFirstNotOf(const char16_t* set, int start) const {
  if (!set) return -1;
  if (start < 0) start = 0;
  for (std::uint32_t i = std::uint32_t(start); i < rep_->length; ++i) {
    if (!rep_->chars[i] || !sr::InSet(set, rep_->chars[i])) return int(i);
  }
  return -1;
}

int WString::FindLastOf(const char16_t* set, int before) const {
  if (!set) return -1;
  std::uint32_t end = before < 0 ? rep_->length : std::min(std::uint32_t(before), rep_->length);
  for (std::uint32_t i = end; i > 0; --i) {
    char16_t c = rep_->chars[i - 1];
    if (c && sr::InSet(set, c)) return int(i - 1);
  }
  return -1;
}

// --- concatenate, arrays ---------------------------------------------------------------------

WString ConcatWStringCStr(const WString& a, const char16_t* b) {
  std::uint32_t blen = sr::CheckedLength(kvn::wcslen(b));
  return WString(WString::Adopt(), WString::MakeRep(a.rep_->chars, a.rep_->length, b, blen, 0));
}

WString ConcatCStrWString(const char16_t* a, const WString& b) {
  std::uint32_t alen = sr::CheckedLength(kvn::wcslen(a));
  return WString(WString::Adopt(), WString::MakeRep(a, alen, b.rep_->chars, b.rep_->length, 0));
}

WString GetStringArrayItem(const OwnedArray<WString>& array, int index) {
  if (index < 0) return WString();
  const WString* item = array.Get(std::uint32_t(index));
  return item ? *item : WString();
}

}  // namespace kvn
