// The group items one DWG object yields, packed as bytes while the object is
// read: per item a 16-bit group code, an 8-bit tag and the value.
//   tag 0 double (8 bytes)     1 32-bit integer     2 16-bit integer
//       3 8-bit integer        4 u32 count n + n UTF-16 units
//       5 64-bit handle        6 u32 count n + n bytes (narrow text)
//       7 one byte, group code 1111: the sub-record id of the items after it
// A finished record is the 16-bit entity code followed by the item bytes
// (all little-endian), which RecordBufferToGroupRecord turns into a
// YxxfGroupRecord. Kept records of a whole drawing are this form.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace kvn {

class YxxfGroupRecord;

enum class DwgItemTag : std::uint8_t {
  Double = 0, Int32 = 1, Int16 = 2, Int8 = 3, Wide = 4, Handle = 5, Bytes = 6, SubRecord = 7
};

inline constexpr std::uint16_t kCodeSubRecordSwitch = 1111;

class DwgRecordBuffer {
 public:
  // No items, sub-record id 0; keeps the capacity.
  void Clear();

  // Inline: a drawing's objects add millions of items.
  void AddDouble(std::uint16_t code, double value) { Fixed<8>(code, DwgItemTag::Double, &value); }
  void AddInt32(std::uint16_t code, std::int32_t value) { Fixed<4>(code, DwgItemTag::Int32, &value); }
  void AddInt16(std::uint16_t code, std::int16_t value) { Fixed<2>(code, DwgItemTag::Int16, &value); }
  void AddInt8(std::uint16_t code, std::uint8_t value) { Fixed<1>(code, DwgItemTag::Int8, &value); }
  void AddWide(std::uint16_t code, std::u16string_view text);
  void AddHandle(std::uint16_t code, std::uint64_t handle) { Fixed<8>(code, DwgItemTag::Handle, &handle); }
  void AddBytes(std::uint16_t code, std::string_view bytes);
  // A switch item; the items after it belong to sub-record `id`.
  void SwitchSubRecord(std::uint8_t id);

  // The byte offset the next item will start at.
  std::size_t End() const { return size_; }
  // Sets the value of the handle item that starts at `itemOffset`.
  void SetHandleAt(std::size_t itemOffset, std::uint64_t handle);
  // Inserts a wide-text item at `itemOffset`, an item boundary.
  void InsertWideAt(std::size_t itemOffset, std::uint16_t code, std::u16string_view text);

  // Drops the items from byte `end` on; `items` is the count that remains.
  void Truncate(std::size_t end, std::uint32_t items);

  // Moves the item bytes [begin, end) behind all others (whole items only).
  void MoveToEnd(std::size_t begin, std::size_t end);

  std::uint8_t SubRecord() const { return subRecord_; }
  std::uint32_t ItemCount() const { return items_; }
  std::span<const std::uint8_t> ItemBytes() const { return {bytes_.data(), size_}; }
  // The finished record: entity code, then the items.
  std::vector<std::uint8_t> Record(std::uint16_t entityCode) const;

 private:
  void Head(std::uint16_t code, DwgItemTag tag);
  void Put(const void* data, std::size_t n);
  // n more bytes at the end (their values unset), for the caller to fill.
  std::uint8_t* Grow(std::size_t n) {
    if (bytes_.size() - size_ < n) GrowStorage(n);
    std::uint8_t* at = bytes_.data() + size_;
    size_ += n;
    return at;
  }
  void GrowStorage(std::size_t n);
  // A whole item of a fixed-size value in one step, written in place: the
  // buffer is kept across objects, so it seldom grows.
  template <std::size_t N>
  void Fixed(std::uint16_t code, DwgItemTag tag, const void* value) {
    std::uint8_t* item = Grow(3 + N);
    item[0] = std::uint8_t(code);
    item[1] = std::uint8_t(code >> 8);
    item[2] = std::uint8_t(tag);
    std::memcpy(item + 3, value, N);
    ++items_;
  }

  // The items are bytes_[0, size_); the vector is kept at least that large
  // (grown, never shrunk), so appending an item writes into room already
  // there instead of growing the vector by each item.
  std::vector<std::uint8_t> bytes_;
  std::size_t size_ = 0;
  std::uint32_t items_ = 0;
  std::uint8_t subRecord_ = 0;
};

// The finished records of a drawing, kept side by side in large chunks
// rather than one allocation each. A record never moves once added, so its
// bytes stay valid for the store's life.
class DwgRecordStore {
 public:
  // Copies the finished record (entity code, then the items) into the store.
  std::span<const std::uint8_t> Add(std::uint16_t entityCode, const DwgRecordBuffer& items);

 private:
  std::vector<std::unique_ptr<std::uint8_t[]>> chunks_;
  std::size_t used_ = 0;
  std::size_t capacity_ = 0;
};

// Fills the group-code record (cleared, code page set) from a finished
// record and returns its entity code (0 for fewer than 2 bytes). Tags above
// 7 read like tag 1; an item cut short by the end of the bytes ends the
// conversion.
std::uint16_t RecordBufferToGroupRecord(YxxfGroupRecord& record, std::span<const std::uint8_t> buffer,
                                        std::uint16_t codePage);

// The same, with the first handle item of `handleCode` given the value
// `handle`, or such an item added (under sub-record 0) after all others:
// what SetRecordHandle on a copy of a whole record and then the conversion
// give, without the copy.
std::uint16_t RecordBufferToGroupRecord(YxxfGroupRecord& record, std::span<const std::uint8_t> buffer,
                                        std::uint16_t codePage, std::uint16_t handleCode, std::uint64_t handle);

// What a conversion does besides converting: with `setHandle`, the first
// handle item of `handleCode` is given `handle` (or, with `keepFoundHandle`,
// keeps its own value) and without one such an item is added as above;
// `handleFound` tells which. `handleItems` (when set) receives the record's
// handle items as RecordHandleItems lists them, in the same pass.
struct DwgRecordConversion {
  bool setHandle = false;
  bool keepFoundHandle = false;
  std::uint16_t handleCode = 0;
  std::uint64_t handle = 0;
  std::vector<std::pair<std::uint16_t, std::uint64_t>>* handleItems = nullptr;
  bool handleFound = false;
};
std::uint16_t RecordBufferToGroupRecord(YxxfGroupRecord& record, std::span<const std::uint8_t> buffer,
                                        std::uint16_t codePage, DwgRecordConversion& conversion);

// The handle items of a finished record, in order: {group code, handle}.
std::vector<std::pair<std::uint16_t, std::uint64_t>> RecordHandleItems(std::span<const std::uint8_t> record);
// The same into `out`, whose storage is reused.
void RecordHandleItems(std::span<const std::uint8_t> record, std::vector<std::pair<std::uint16_t, std::uint64_t>>& out);

// Sets the first handle item of the code to the value, or appends one (under
// sub-record 0) when the record has none.
void SetRecordHandle(std::vector<std::uint8_t>& record, std::uint16_t code, std::uint64_t value);

}  // namespace kvn
