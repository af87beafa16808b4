// YxxfGroupRecord: the exchange record between the CAD readers and the import
// core. A reader describes one entity, table entry, header or class at a time
// as a flat list of DXF-style group-code items; the dispatcher and the import
// records read the values back by code.
//
// Protocol: one record per file, cleared before each entity and refilled.
// Clear frees nothing: the item array keeps its capacity and the two string
// pools keep their string objects, so after the first entities a refill
// allocates only when an entity carries more strings (or longer ones) than
// any before it.
//
// Items carry a sub-record id copied from the record's current id when they
// are added; finders see only the items of the current id. The record keeps
// the index of the first item of each code (DXF codes and the pseudo-codes
// below) among the items of id 0, so that a look-up from the start answers
// at once: building one import record asks for a dozen codes, and each
// asked the whole list before. A reader that must
// deliver two sets of values under the same codes (an attribute and the
// multi-line text inside it) switches to id 1 for the second set.
//
// Values are typed: an integer read as a double gives 0.0 and a double read as
// an integer gives 0, so readers add each value with the type of its group-code
// range. Texts read as numbers saturate at the limits of the target type.
//
// Pseudo-codes above 32767 carry links DXF does not have: 32769 owner block
// record, 32770 owned-list entry, 32771/32772 first and last, 32773 closing
// SEQEND or ENDBLK, 32774 next entity, 32775/32776 dimension insertion rules.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/AString.h"
#include "foundation/GrowArray.h"
#include "foundation/Vec3.h"
#include "foundation/WString.h"

namespace kvn {

inline constexpr std::uint32_t kNoLimit = 0xFFFFFFFFu;

inline constexpr std::uint16_t kCodeOwnerHandle = 32769;
inline constexpr std::uint16_t kCodeOwnedEntry = 32770;
inline constexpr std::uint16_t kCodeFirstEntity = 32771;
inline constexpr std::uint16_t kCodeLastEntity = 32772;
inline constexpr std::uint16_t kCodeClosingEntity = 32773;
inline constexpr std::uint16_t kCodeNextEntity = 32774;
inline constexpr std::uint16_t kCodeDimensionDxf = 32775;
inline constexpr std::uint16_t kCodeDimensionR12 = 32776;

enum class ItemType : std::uint32_t { Int = 0, Double = 1, Handle = 2, Wide = 3, Narrow = 4 };

// One 16-byte item: code, sub-record id, a zero byte, type, 8-byte value.
struct YxxfItem {
  std::uint16_t code = 0;
  std::uint8_t subRecord = 0;
  std::uint8_t zero = 0;
  ItemType type = ItemType::Int;
  union {
    std::int32_t i;
    double d;
    std::uint64_t h;
    const WString* w;
    const AString* a;
  } value{.h = 0};
};
static_assert(sizeof(YxxfItem) == 16, "a group-code item is 16 bytes");

// Conversions of one item, shared by every finder and getter.
// Integer: type 0 itself; texts by their leading decimal number (a wide text
// reduced to ASCII first), saturated to 32 bits; doubles and handles give 0.
std::int32_t ItemToInt(const YxxfItem& item);
// Double: type 1 itself; texts read leniently (empty or unreadable gives 0.0);
// integers and handles give 0.0.
double ItemToDouble(const YxxfItem& item);

class YxxfGroupRecord {
 public:
  YxxfGroupRecord();
  YxxfGroupRecord(const YxxfGroupRecord&) = delete;
  YxxfGroupRecord& operator=(const YxxfGroupRecord&) = delete;

  // Sub-record id 0, no items, pools rewound; keeps every allocation.
  void Clear();

  std::uint16_t CodePage() const { return codePage_; }
  void SetCodePage(std::uint16_t codePage) { codePage_ = codePage; }
  std::uint8_t SubRecord() const { return subRecord_; }
  void SetSubRecord(std::uint8_t id) { subRecord_ = id; }

  std::uint32_t Count() const { return items_.Count(); }
  // Takes the last item off (its string slot goes back to the pool); nothing
  // when empty.
  void RemoveLast();
  // Gives the last item a sub-record id.
  void SetLastSubRecord(std::uint8_t id);
  const YxxfItem* Item(std::uint32_t i) const { return items_.Get(i); }
  // String objects held by the pools (for tests of the recycling).
  std::uint32_t WidePoolSize() const { return widePool_.Count(); }
  std::uint32_t NarrowPoolSize() const { return narrowPool_.Count(); }

  // ---- adders (the item takes the current sub-record id) ----
  void AddInt(std::uint16_t code, std::int32_t value);
  void AddDouble(std::uint16_t code, double value);
  void AddPoint2(std::uint16_t code, double x, double y);
  void AddPoint3(std::uint16_t code, double x, double y, double z);
  void AddHandle(std::uint16_t code, std::uint32_t low, std::uint32_t high);
  void AddHandle64(std::uint16_t code, std::uint64_t handle) {
    AddHandle(code, std::uint32_t(handle), std::uint32_t(handle >> 32));
  }
  // The pool slot shares the source's representation.
  void AddWideString(std::uint16_t code, const WString& text);
  void AddString(std::uint16_t code, const AString& text);
  // The units or bytes are copied into the pool slot's own buffer (zeros
  // included), which is reused from entity to entity.
  void AddWideString(std::uint16_t code, std::u16string_view text);
  void AddString(std::uint16_t code, std::string_view bytes);
  // C strings (null adds an empty text), so that literals pick no overload by chance.
  void AddString(std::uint16_t code, const char* cstr) { AddString(code, std::string_view(cstr ? cstr : "")); }
  void AddWideString(std::uint16_t code, const char16_t* cstr) {
    AddWideString(code, std::u16string_view(cstr ? cstr : u""));
  }

  // ---- finders: from *index (null: 0) up to and including `limit`; on success
  // *index becomes the index after the match ----
  bool FindInt(std::int32_t& out, std::uint16_t code, std::uint32_t* index = nullptr,
               std::uint32_t limit = kNoLimit) const;
  bool FindInt16(std::int16_t& out, std::uint16_t code, std::uint32_t* index = nullptr,
                 std::uint32_t limit = kNoLimit) const;
  // Inline (below), as every coordinate of every entity is read through it.
  [[gnu::always_inline]] bool FindDouble(double& out, std::uint16_t code, std::uint32_t* index = nullptr,
                                         std::uint32_t limit = kNoLimit) const;
  // Integers sign-extended, handles, texts as hexadecimal; a double is a
  // mismatch (false, index unchanged).
  bool FindHandle(std::uint64_t& out, std::uint16_t code, std::uint32_t* index = nullptr,
                  std::uint32_t limit = kNoLimit) const;
  // Wide text, or narrow text decoded in the record's code page; any other
  // type is a mismatch (false, index unchanged).
  bool FindString(WString& out, std::uint16_t code, std::uint32_t* index = nullptr,
                  std::uint32_t limit = kNoLimit) const;
  // The narrow text; any other type gives an empty text (and true).
  bool FindNarrowString(AString& out, std::uint16_t code, std::uint32_t* index = nullptr,
                        std::uint32_t limit = kNoLimit) const;
  // The raw bytes of a narrow item appended to `out` (emptied first); any
  // other type is a mismatch (false, index unchanged).
  bool FindBytes(ByteArray& out, std::uint16_t code, std::uint32_t* index = nullptr,
                 std::uint32_t limit = kNoLimit) const;
  // The first item of the code (any sub-record rule applies) is a handle.
  bool HasHandle(std::uint16_t code) const;
  // Index of the first item of the code at or after start within the limit, or -1.
  std::int64_t FindIndex(std::uint16_t code, std::uint32_t start = 0, std::uint32_t limit = kNoLimit) const;

  // ---- getters with defaults (nothing written back) ----
  std::int32_t GetInt(std::uint16_t code, std::int32_t def = 0, std::uint32_t start = 0,
                      std::uint32_t limit = kNoLimit) const;
  std::int16_t GetInt16(std::uint16_t code, std::int16_t def = 0, std::uint32_t start = 0,
                        std::uint32_t limit = kNoLimit) const;
  double GetDouble(std::uint16_t code, double def = 0.0, std::uint32_t start = 0,
                   std::uint32_t limit = kNoLimit) const;
  std::uint64_t GetHandle(std::uint16_t code, std::uint32_t start = 0, std::uint32_t limit = kNoLimit) const;
  WString GetString(std::uint16_t code, const char16_t* def = nullptr, std::uint32_t start = 0,
                    std::uint32_t limit = kNoLimit) const;
  AString GetNarrowString(std::uint16_t code, const char* def = nullptr, std::uint32_t start = 0,
                          std::uint32_t limit = kNoLimit) const;
  // x from the first item of the code, y from the first code + 10 after it,
  // z from the first code + 20 after y; missing values stay 0.0 and without y
  // no z is searched.
  Vec3 GetPoint3(std::uint16_t code, std::uint32_t start = 0, std::uint32_t limit = kNoLimit) const;
  void GetPoint2(double& x, double& y, std::uint16_t code, std::uint32_t start = 0,
                 std::uint32_t limit = kNoLimit) const;
  // A long text in pieces: every item of firstCode in order, then the first
  // item of finalCode. Narrow pieces (when any) are joined as bytes and
  // decoded once; otherwise the wide pieces are joined.
  WString JoinStrings(std::uint16_t firstCode, std::uint16_t finalCode) const;

  // Decodes narrow bytes as FindString does (code page, escapes).
  WString DecodeNarrow(const AString& text) const;

 private:
  // Index of the first matching item from start within the limit, or -1:
  // the first-item table answers a look-up from the start inline (below),
  // ScanItems walks the items for any other.
  [[gnu::always_inline]] std::int64_t Scan(std::uint16_t code, std::uint32_t start, std::uint32_t limit) const;
  std::int64_t ScanItems(std::uint16_t code, std::uint32_t start, std::uint32_t limit) const;
  YxxfItem& Push(std::uint16_t code, ItemType type);
  WString& NextWide();
  AString& NextNarrow();

  // The slot of a code in the first-item table, or kIndexedSlots for a
  // code it does not hold.
  static constexpr std::uint32_t kIndexedCodes = 1072;
  static constexpr std::uint32_t kIndexedSlots = kIndexedCodes + 8;
  static std::uint32_t SlotOf(std::uint16_t code) {
    if (code < kIndexedCodes) return code;
    if (code >= kCodeOwnerHandle && code <= kCodeDimensionR12) return kIndexedCodes + (code - kCodeOwnerHandle);
    return kIndexedSlots;
  }
  // A slot holds an index only while its generation is the record's: Clear
  // empties the table by moving to the next generation.
  struct FirstItem {
    std::uint32_t generation = 0;
    std::uint32_t index = 0;
  };
  void NoteFirst(std::uint32_t index);
  void ForgetFirst(std::uint32_t index);

  GrowArray<YxxfItem> items_{8};
  std::unique_ptr<FirstItem[]> firstItems_;
  std::uint32_t generation_ = 1;
  std::uint16_t codePage_ = 0;
  std::uint8_t subRecord_ = 0;
  OwnedArray<WString> widePool_{8};
  OwnedArray<AString> narrowPool_{8};
  std::uint32_t nextWide_ = 0;
  std::uint32_t nextNarrow_ = 0;
  // Short texts decoded lately (names of blocks, styles, patterns repeat
  // from entity to entity), by a quick hash of their bytes: answered again
  // with the same shared string. Kept across records.
  struct RecentText {
    std::string bytes;
    std::uint16_t codePage = 0;
    bool known = false;
    WString text;
  };
  static constexpr std::size_t kRecentTexts = 16;
  static constexpr std::size_t kRecentTextBytes = 32;
  mutable std::array<RecentText, kRecentTexts> recentTexts_;
};

// The look-up and the double finder are defined here and always inlined:
// the readers and the import records ask for coordinates millions of times
// per open, and whether the compiler inlined them otherwise depended on
// which files happened to share a unity group (scripts/unity-groups.py).
inline std::int64_t YxxfGroupRecord::Scan(std::uint16_t code, std::uint32_t start, std::uint32_t limit) const {
  if (start == 0 && subRecord_ == 0) {
    const std::uint32_t slot = SlotOf(code);
    if (slot != kIndexedSlots) {
      const FirstItem& first = firstItems_[slot];
      if (first.generation != generation_ || first.index > limit) return -1;
      return first.index;
    }
  }
  return ScanItems(code, start, limit);
}

inline bool YxxfGroupRecord::FindDouble(double& out, std::uint16_t code, std::uint32_t* index,
                                        std::uint32_t limit) const {
  const std::int64_t at = Scan(code, index ? *index : 0, limit);
  if (at < 0) {
    out = 0.0;
    return false;
  }
  const YxxfItem& item = items_[std::uint32_t(at)];
  out = item.type == ItemType::Double ? item.value.d : ItemToDouble(item);
  if (index) *index = std::uint32_t(at + 1);
  return true;
}

}  // namespace kvn
