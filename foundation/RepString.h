// RepString: the copy-on-write string that AString (8-bit code-page text,
// char) and WString (UTF-16, char16_t) are made of. The two differ only in
// their character type and case rule; everything else lives here once.
//
// A string is one pointer to a shared representation {characters, length,
// capacity, reference count}; the buffer holds capacity + 1 characters and is
// always terminated (and lies in the same heap block as the header until it
// grows). Copying costs one increment, and a shared representation
// is copied only when one of its owners is about to write (every writer
// calls Unshare first). All empty strings of one type share one static
// representation that is never written nor freed.
//
// Positions and counts are `int`: lengths are limited to kMaxLength so that
// every index fits, and a request beyond it is an allocation failure. A count
// of -1 (any negative count) means "to the end" unless a function says otherwise.
//
// Derived is the string class itself: editing members return it so that
// calls chain on the caller's type, and its static UpperUnit(Char) gives the
// case rule of MakeUpper and the case-blind searches. The member bodies are
// compiled once, in RepString.cpp, for AString and WString alone.
#pragma once

#include <cstdint>
#include <string_view>

namespace kvn {

template <class Derived, class Char>
class RepString {
 public:
  // Capacity of a representation never falls below this (16 units with the terminator).
  static constexpr std::uint32_t kMinCapacity = 15;
  // The longest string; (capacity + 1) units must also fit 32 bits and an int.
  static constexpr std::uint32_t kMaxLength = 0x7FFFFFFE;

  enum class TrimMode { Leading = 0, Trailing = 1, Both = 2 };

  // --- construct, release ---------------------------------------------------
  RepString() noexcept;
  RepString(const RepString& other) noexcept;
  RepString(RepString&& other) noexcept;
  // Substring: pos cut to the length, count to the rest; the whole string shares.
  RepString(const Derived& source, int pos, int count);
  // Null gives the empty string.
  RepString(const Char* cstr);  // NOLINT(google-explicit-constructor): used like a literal
  // The source is scanned for its terminator only up to pos + count.
  RepString(const Char* cstr, int pos, int count);
  ~RepString();

  // --- assign ---------------------------------------------------------------
  RepString& operator=(const RepString& other);
  RepString& operator=(RepString&& other) noexcept;
  Derived& operator=(const Char* cstr) { return AssignCStr(cstr); }
  // A null string clears.
  Derived& AssignCStr(const Char* cstr);
  Derived& AssignSub(const Derived& source, int pos, int count);
  // Exactly n units (zeros included); a private buffer with room is reused,
  // so a string refilled over and over allocates only when it must grow.
  Derived& AssignUnits(const Char* units, std::uint32_t n);

  // --- append, prepend, insert ------------------------------------------------
  Derived& Append(const Derived& other);
  Derived& AppendSub(const Derived& source, int pos, int count);
  Derived& AppendCStr(const Char* cstr);
  // Characters pos .. pos + count of a 0-terminated string (stopping at its terminator).
  Derived& AppendCStrSub(const Char* cstr, int pos, int count);
  Derived& AppendChar(Char c);
  // A count below 1 does nothing.
  Derived& AppendRepeat(Char c, int count);
  Derived& PrependCStrSub(const Char* cstr, int pos, int count);
  Derived& Insert(int at, const Char* cstr);
  Derived& InsertSub(int at, const Derived& source, int pos, int count);

  // --- erase, replace -----------------------------------------------------------
  Derived& Erase(int pos, int count);
  Derived& Replace(int pos, int count, const Char* cstr);

  // --- access -------------------------------------------------------------------
  const Char* CStr() const { return rep_->chars; }
  int Length() const { return int(rep_->length); }
  int Capacity() const { return int(rep_->capacity); }
  bool IsEmpty() const { return rep_->length == 0; }
  std::basic_string_view<Char> View() const { return {rep_->chars, rep_->length}; }
  // Reads the character at i; 0 for the terminator and any index outside the string.
  Char operator[](int i) const { return i >= 0 && std::uint32_t(i) < rep_->length ? rep_->chars[i] : Char(0); }
  // Writable pointer to the character at pos (null when pos is not below the length).
  Char* WritableAt(int pos);
  // Writable, terminated buffer of capacity + 1 characters (a private one even when empty).
  Char* Data();

  // --- reserve, clear, resize, trim, case ---------------------------------------
  // Makes room for n characters (capacity never shrinks).
  void Reserve(std::int64_t n);
  void Clear();
  // A negative n counts as 0; a longer length is filled with spaces.
  void Resize(std::int64_t n);
  Derived& Trim(TrimMode mode, Char c = Char(' '));
  // By Derived::UpperUnit; a string with nothing to change is not split.
  Derived& MakeUpper();

  // --- parts ----------------------------------------------------------------------
  Derived Mid(int pos, int count = -1) const;
  Derived TailFrom(int pos) const;

  // --- search (index or -1) -------------------------------------------------------
  // The flag selects a case-sensitive search; otherwise both sides go through
  // Derived::UpperUnit. A null needle gives -1, an empty one 0 (whatever the
  // start); a start at or past the end gives -1.
  int Find(const Char* needle, bool caseSensitive = true) const;
  // First occurrence beginning at or after start.
  int FindEx(const Char* needle, int start, bool caseSensitive = true) const;
  int ReverseFind(const Char* needle, bool caseSensitive = true) const;
  // Last occurrence beginning at or before start (a negative start gives -1).
  int ReverseFindEx(const Char* needle, int start, bool caseSensitive = true) const;
  bool Contains(const Char* needle, bool caseSensitive = true) const;
  int FindChar(Char c) const;
  int FindCharFrom(Char c, int start) const;
  int ReverseFindChar(Char c) const;
  // First character at or after start that is in the set (a 0 character is in no set).
  int FindAnyOf(const Char* set, int start = 0) const;
  // Last character before `before` that is in the set; a negative `before`
  // means the end.
  int FindLastOf(const Char* set, int before) const;

  // A null C string equals the empty string.
  friend bool operator==(const Derived& a, const Derived& b) { return a.Equals(b); }
  friend bool operator==(const Derived& a, const Char* b) {
    return a.View() == (b ? std::basic_string_view<Char>(b) : std::basic_string_view<Char>());
  }

 protected:
  // Members only one of the two classes offers; it makes them public with a
  // using-declaration, so the other does not gain them.
  Derived& PrependChar(Char c);
  bool Equals(const Derived& other) const;
  // The negations of FindAnyOf and FindLastOf (a 0 character is in no set).
  int FindFirstNotOf(const Char* set, int start = 0) const;
  int FindLastNotOf(const Char* set, int before) const;

  struct Rep {
    Char* chars;
    std::uint32_t length;
    std::uint32_t capacity;
    std::uint32_t refs;
  };

  // A length past kMaxLength is an allocation failure (the process ends).
  static std::uint32_t CheckedLength(std::uint64_t n);
  static Rep* EmptyRep();
  // Where a representation's first buffer lies, right after its header.
  static Char* InlineChars(Rep* rep);
  static Rep* MakeRep(const Char* a, std::uint32_t alen, const Char* b, std::uint32_t blen,
                      std::uint64_t capacity);
  static void Release(Rep* rep);
  // Copy-on-write split: afterwards rep_ is private (reference count 1, not
  // the static empty one) with capacity >= max(n, 15); the content is kept.
  void Unshare(std::uint64_t n);
  Rep* PrepareWrite(std::uint64_t n);
  // Grows a private representation to hold n characters: max(2 x capacity, n).
  static void RepReserve(Rep* rep, std::uint64_t n);
  // Replaces count characters at pos by n characters from src (spaces when src is null).
  void Splice(std::uint32_t pos, std::uint32_t count, const Char* src, std::uint32_t n);
  // Sets the length of a private representation (n within the capacity).
  void SetLength(std::uint32_t n);
  // Maps every character through `map`; splits only when one changes.
  void MapUnits(Char (*map)(Char));
  // New strings sized to the sum; a null C string counts as empty.
  static Derived Concat(const Derived& a, const Char* b);
  static Derived Concat(const Char* a, const Derived& b);

  Rep* rep_;

 private:
  struct Adopt {};
  RepString(Adopt, Rep* rep) noexcept : rep_(rep) {}

  Derived& Self() { return static_cast<Derived&>(*this); }
  const Derived& Self() const { return static_cast<const Derived&>(*this); }
};

}  // namespace kvn
