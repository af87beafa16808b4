// WString: the program's text type, UTF-16 in char16_t, passed by value.
//
// Same representation and rules as AString: one pointer to a shared
// {characters, length, capacity >= 15, reference count}; copying costs one
// increment; a shared representation is copied (Unshare) only before a write;
// all empty strings share one static representation never written nor freed.
//
// Positions and counts are `int` (lengths are limited to kMaxLength so every
// index fits); a negative count means "to the end" unless a function says otherwise.
//
// Code pages: -1 means "bytes are code units", 0 the ANSI code page (1252 on
// this port), 65001 UTF-8; 850, 1250..1258, 28591 and 28592 use our own tables,
// the rest go through iconv (see CodePages.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/AString.h"
#include "foundation/GrowArray.h"

namespace kvn {

class InFileStream;

class WString {
 public:
  static constexpr std::uint32_t kMinCapacity = 15;
  // The longest string; (capacity + 1) x 2 bytes and every index must fit.
  static constexpr std::uint32_t kMaxLength = 0x7FFFFFFE;

  enum class TrimMode { Leading = 0, Trailing = 1, Both = 2 };

  // --- construct, release ---------------------------------------------------
  WString() noexcept;
  WString(const WString& other) noexcept;
  WString(WString&& other) noexcept;
  // Substring: pos cut to the length, count to the rest; the whole string shares.
  WString(const WString& source, int pos, int count);
  // Null gives the empty string.
  WString(const char16_t* cstr);  // NOLINT(google-explicit-constructor): used like a literal
  // The source is scanned for its terminator only up to pos + count.
  WString(const char16_t* cstr, int pos, int count);
  // Buffer substring: exactly the code units of the view (zeros included).
  explicit WString(std::u16string_view buffer);
  // Text in a code page, through AssignBytes (null gives the empty string).
  WString(int codePage, const char* cstr);
  WString(int codePage, const AString& text);
  ~WString();

  // UTF-8 from the outside world (file names, environment, toolkit), by the
  // same decoder as AssignUtf8.
  static WString FromUtf8(std::string_view utf8);
  // Surrogate pairs are combined; a lone surrogate becomes U+FFFD.
  std::string ToUtf8() const;

  // --- assign ---------------------------------------------------------------
  WString& operator=(const WString& other);
  WString& operator=(WString&& other) noexcept;
  WString& operator=(const char16_t* cstr) { return AssignCStr(cstr); }
  // A null string clears.
  WString& AssignCStr(const char16_t* cstr);
  WString& AssignSub(const WString& source, int pos, int count);

  // --- append, prepend, insert ------------------------------------------------
  WString& Append(const WString& other);
  WString& AppendSub(const WString& source, int pos, int count);
  WString& AppendCStr(const char16_t* cstr);
  // Characters pos .. pos + count of a 0-terminated string (stopping at its terminator).
  WString& AppendCStrSub(const char16_t* cstr, int pos, int count);
  WString& AppendChar(char16_t c);
  // A count below 1 does nothing.
  WString& AppendRepeat(char16_t c, int count);
  WString& PrependChar(char16_t c);
  WString& PrependCStrSub(const char16_t* cstr, int pos, int count);
  WString& Insert(int at, const char16_t* cstr);
  WString& InsertSub(int at, const WString& source, int pos, int count);

  // --- erase, replace -----------------------------------------------------------
  WString& Erase(int pos, int count);
  WString& Replace(int pos, int count, const char16_t* cstr);

  // --- access -------------------------------------------------------------------
  const char16_t* CStr() const { return rep_->chars; }
  int Length() const { return int(rep_->length); }
  int Capacity() const { return int(rep_->capacity); }
  bool IsEmpty() const { return rep_->length == 0; }
  std::u16string_view View() const { return {rep_->chars, rep_->length}; }
  // Reads the code unit at i; 0 for the terminator and any index outside the string.
  char16_t operator[](int i) const { return i >= 0 && std::uint32_t(i) < rep_->length ? rep_->chars[i] : u'\0'; }
  // Writable pointer to the code unit at pos (null when pos is not below the length).
  char16_t* WritableAt(int pos);
  // Writable, terminated buffer of capacity + 1 code units (private even when empty).
  char16_t* Data();

  // --- reserve, clear, resize, trim, case ---------------------------------------
  void Reserve(std::int64_t n);
  void Clear();
  // A negative n counts as 0; a longer length is filled with spaces.
  void Resize(std::int64_t n);
  WString& Trim(TrimMode mode, char16_t c = u' ');
  // a..z directly, other letters through UpperCaseW.
  WString& MakeUpper();

  // --- parts ----------------------------------------------------------------------
  WString Mid(int pos, int count = -1) const;
  WString TailFrom(int pos) const;

  // --- compare --------------------------------------------------------------------
  bool Equals(const WString& other) const;
  // Accent-blind, case-blind comparison of at most n characters (-1, 0, 1),
  // stopping at a 0 character; n = 0 gives 0, a negative n sets no limit.
  // A null `other` counts as empty.
  int CompareNoCaseN(const char16_t* other, int n) const;

  // --- search (index or -1) -------------------------------------------------------
  // The flag selects a case-sensitive search; otherwise both sides go through
  // UpperCaseW. A null needle gives -1, an empty one 0 (whatever the start); a
  // start at or past the end gives -1.
  int Find(const char16_t* needle, bool caseSensitive = true) const;
  int FindEx(const char16_t* needle, int start, bool caseSensitive = true) const;
  int ReverseFind(const char16_t* needle, bool caseSensitive = true) const;
  // Last occurrence beginning at or before start (a negative start gives -1).
  int ReverseFindEx(const char16_t* needle, int start, bool caseSensitive = true) const;
  bool Contains(const char16_t* needle, bool caseSensitive = true) const;
  int FindChar(char16_t c) const;
  int FindCharFrom(char16_t c, int start) const;
  int ReverseFindChar(char16_t c) const;
  // First code unit at or after start that is (is not) in the set.
  int FindAnyOf(const char16_t* set, int start = 0) const;
  int FindFirstNotOf(const char16_t* set, int start = 0) const;
  // Last code unit before `before` that is in the set; a negative `before`
  // means the end.
  int FindLastOf(const char16_t* set, int before) const;

  // --- code pages -------------------------------------------------------------------
  WString& AssignBytes(int codePage, const char* bytes, int count);
  // Our own decoder alone; malformed sequences give U+FFFD.
  WString& AssignUtf8(const char* bytes, int count);
  WString& AssignCodePageCStr(int codePage, const char* cstr);
  WString& AssignCodePageAString(int codePage, const AString& text);
  // Code page -1: the low byte of each code unit (a 0 byte becomes '?').
  AString& ToAString(AString& out, int codePage) const;
  // Below 128 kept, the rest '?'.
  AString& ToAscii(AString& out) const;
  // Below 128 kept, the rest their ASCII look-alike or '?'.
  AString& FoldToAString(AString& out) const;

  // --- reading from a file stream (body lives with the streams) ----------------------
  WString& ReadTextFile(InFileStream& stream);

  friend bool operator==(const WString& a, const WString& b) { return a.Equals(b); }
  // A null C string equals the empty string.
  friend bool operator==(const WString& a, const char16_t* b) {
    return a.View() == (b ? std::u16string_view(b) : std::u16string_view());
  }

 private:
  struct Rep {
    char16_t* chars;
    std::uint32_t length;
    std::uint32_t capacity;
    std::uint32_t refs;
  };

  static Rep* EmptyRep();
  static Rep* MakeRep(const char16_t* a, std::uint32_t alen, const char16_t* b, std::uint32_t blen,
                      std::uint64_t capacity);
  static void Release(Rep* rep);
  void Unshare(std::uint64_t n);
  Rep* PrepareWrite(std::uint64_t n);
  static void RepReserve(Rep* rep, std::uint64_t n);
  void Splice(std::uint32_t pos, std::uint32_t count, const char16_t* src, std::uint32_t n);
  void SetLength(std::uint32_t n);

  friend WString ConcatWStringCStr(const WString& a, const char16_t* b);
  friend WString ConcatCStrWString(const char16_t* a, const WString& b);
  struct Adopt {};
  WString(Adopt, Rep* rep) noexcept : rep_(rep) {}

  Rep* rep_;
};

// New string sized to the sum; a null C string counts as empty.
WString ConcatWStringCStr(const WString& a, const char16_t* b);
WString ConcatCStrWString(const char16_t* a, const WString& b);

// Whole 0-terminated strings, accent-blind and case-blind (-1, 0, 1); null counts as empty.
int CompareNoCaseAccentW(const char16_t* a, const char16_t* b);

// The string at index, or the empty string when the index is out of range
// (or the slot is null).
WString GetStringArrayItem(const OwnedArray<WString>& array, int index);

}  // namespace kvn
