// AString: 8-bit text in a code page (1250 in the language tables and old
// native files, the ANSI code page elsewhere), passed by value everywhere.
//
// A string is one pointer to a shared representation {characters, length,
// capacity, reference count}; copying costs one increment, and a shared
// representation is copied only when one of its owners is about to write
// (every writer calls Unshare first). All empty strings share one static
// representation that is never written nor freed.
//
// Positions and counts are `int`: lengths are limited to kMaxLength so that
// every index fits, and a request beyond it is an allocation failure. A count
// of -1 (any negative count) means "to the end" unless a function says otherwise.
#pragma once

#include <cstdint>
#include <string_view>

namespace kvn {

class InFileStream;

class AString {
 public:
  // Capacity of a representation never falls below this (16 bytes with the terminator).
  static constexpr std::uint32_t kMinCapacity = 15;
  // The longest string; capacity + 1 bytes must also fit 32 bits and an int.
  static constexpr std::uint32_t kMaxLength = 0x7FFFFFFE;

  enum class TrimMode { Leading = 0, Trailing = 1, Both = 2 };

  // --- construct, release ---------------------------------------------------
  AString() noexcept;
  AString(const AString& other) noexcept;
  AString(AString&& other) noexcept;
  // Substring: pos cut to the length, count to the rest; the whole string shares.
  AString(const AString& source, int pos, int count);
  // Null gives the empty string.
  AString(const char* cstr);  // NOLINT(google-explicit-constructor): used like a literal
  // The source is scanned for its terminator only up to pos + count.
  AString(const char* cstr, int pos, int count);
  ~AString();

  // --- assign ---------------------------------------------------------------
  AString& operator=(const AString& other);
  AString& operator=(AString&& other) noexcept;
  AString& operator=(const char* cstr) { return AssignCStr(cstr); }
  // A null string clears.
  AString& AssignCStr(const char* cstr);
  AString& AssignSub(const AString& source, int pos, int count);

  // --- append, prepend, insert ------------------------------------------------
  AString& Append(const AString& other);
  AString& AppendSub(const AString& source, int pos, int count);
  AString& AppendCStr(const char* cstr);
  // Characters pos .. pos + count of a 0-terminated string (stopping at its terminator).
  AString& AppendCStrSub(const char* cstr, int pos, int count);
  AString& AppendChar(char c);
  // A count below 1 does nothing.
  AString& AppendRepeat(char c, int count);
  AString& PrependCStrSub(const char* cstr, int pos, int count);
  AString& Insert(int at, const char* cstr);
  AString& InsertSub(int at, const AString& source, int pos, int count);

  // --- erase, replace -----------------------------------------------------------
  AString& Erase(int pos, int count);
  AString& Replace(int pos, int count, const char* cstr);

  // --- access -------------------------------------------------------------------
  const char* CStr() const { return rep_->chars; }
  int Length() const { return int(rep_->length); }
  int Capacity() const { return int(rep_->capacity); }
  bool IsEmpty() const { return rep_->length == 0; }
  std::string_view View() const { return {rep_->chars, rep_->length}; }
  // Reads the character at i; 0 for the terminator and any index outside the string.
  char operator[](int i) const { return i >= 0 && std::uint32_t(i) < rep_->length ? rep_->chars[i] : '\0'; }
  // Writable pointer to the character at pos (null when pos is not below the length).
  char* WritableAt(int pos);
  // Writable, terminated buffer of capacity + 1 bytes (a private one even when empty).
  char* Data();

  // --- reserve, clear, resize, trim, case ---------------------------------------
  // Makes room for n characters (capacity never shrinks).
  void Reserve(std::int64_t n);
  void Clear();
  // A negative n counts as 0; a longer length is filled with spaces.
  void Resize(std::int64_t n);
  AString& Trim(TrimMode mode, char c = ' ');
  // ASCII letters only.
  AString& MakeUpper();
  int MakeLower();
  AString UpperCopy() const;

  // --- parts ----------------------------------------------------------------------
  AString Mid(int pos, int count = -1) const;
  AString TailFrom(int pos) const;

  // --- search (index or -1) -------------------------------------------------------
  // The flag selects a case-sensitive search; otherwise both sides are
  // upper-cased by ASCII rules. A null needle gives -1, an empty one 0.
  int Find(const char* needle, bool caseSensitive = true) const;
  // First occurrence beginning at or after start.
  int FindEx(const char* needle, int start, bool caseSensitive = true) const;
  int ReverseFind(const char* needle, bool caseSensitive = true) const;
  // Last occurrence beginning at or before start (a negative start gives -1).
  int ReverseFindEx(const char* needle, int start, bool caseSensitive = true) const;
  bool Contains(const char* needle, bool caseSensitive = true) const;
  // Case-sensitive; *needleLength receives the needle's length when not null.
  int FindCStrAt(const char* needle, int start, int* needleLength) const;
  int ReverseFindCStrAt(const char* needle, int start, int* needleLength) const;
  int FindChar(char c) const;
  int FindCharFrom(char c, int start) const;
  int ReverseFindChar(char c) const;
  // First character at or after start that is in the set.
  int FindAnyOf(const char* set, int start = 0) const;
  // Last character before `before` that is (is not) in the set; a negative
  // `before` means the end.
  int FindLastOf(const char* set, int before) const;
  int FindLastNotOf(const char* set, int before) const;

  // --- reading from a file stream (bodies live with the streams) --------------------
  // Reads up to the stop byte (taken, not stored), at most max bytes when max > 0.
  AString& ReadLineFrom(InFileStream& stream, int stopByte, std::int64_t max);
  AString& ReadUntil(InFileStream& stream, int stopByte, std::int64_t max);
  AString& ReadTextLine(InFileStream& stream, std::int64_t max);
  // Returns the count of bytes read, or -1 on failure.
  std::int64_t ReadWholeFile(InFileStream& stream);

  friend bool operator==(const AString& a, const AString& b) { return a.View() == b.View(); }
  // A null C string equals the empty string.
  friend bool operator==(const AString& a, const char* b) { return a.View() == (b ? std::string_view(b) : std::string_view()); }

 private:
  struct Rep {
    char* chars;
    std::uint32_t length;
    std::uint32_t capacity;
    std::uint32_t refs;
  };

  static Rep* EmptyRep();
  static Rep* MakeRep(const char* a, std::uint32_t alen, const char* b, std::uint32_t blen, std::uint64_t capacity);
  static void Release(Rep* rep);
  // Copy-on-write split: afterwards rep_ is private with capacity >= n.
  void Unshare(std::uint64_t n);
  Rep* PrepareWrite(std::uint64_t n);
  // Grows a private representation to hold n characters: max(2 x capacity, n).
  static void RepReserve(Rep* rep, std::uint64_t n);
  // Replaces count characters at pos by n characters from src (spaces when src is null).
  void Splice(std::uint32_t pos, std::uint32_t count, const char* src, std::uint32_t n);

  friend AString ConcatAStringCStr(const AString& a, const char* b);
  friend AString ConcatCStrAString(const char* a, const AString& b);
  struct Adopt {};
  AString(Adopt, Rep* rep) noexcept : rep_(rep) {}

  Rep* rep_;
};

// New string sized to the sum; a null C string counts as empty.
AString ConcatAStringCStr(const AString& a, const char* b);
AString ConcatCStrAString(const char* a, const AString& b);

}  // namespace kvn
