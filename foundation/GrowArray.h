// GrowArray: the one container shape of the program, a block of plain elements
// with a grow step, a capacity and a count, kept in the counting heap.
//
// Two growth rules, each operation keeping its own:
//  - doubling (Add): a full array grows by its step, and the step then becomes
//    the capacity, so an empty array grows to its step and a full one doubles;
//  - grow-to-fit (Append, AppendBytes, SetCount): when n more elements do not
//    fit, the capacity becomes step + capacity + n (the step again taking the
//    old capacity first), so an empty array grows to step + n and a full one to
//    twice its capacity plus n.
// Capacity never shrinks; lowering the count keeps the block.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "foundation/CountingAlloc.h"

namespace kvn {

template <class E>
class GrowArray {
  static_assert(std::is_trivially_copyable_v<E>, "GrowArray holds plain data copied by bytes");

 public:
  explicit GrowArray(std::uint32_t step = 8) : step_(step) {}
  ~GrowArray() { CountingFree(items_); }

  GrowArray(const GrowArray&) = delete;
  GrowArray& operator=(const GrowArray&) = delete;
  GrowArray(GrowArray&& other) noexcept { Take(other); }
  GrowArray& operator=(GrowArray&& other) noexcept {
    if (this != &other) {
      CountingFree(items_);
      Take(other);
    }
    return *this;
  }

  std::uint32_t Step() const { return step_; }
  std::uint32_t Capacity() const { return capacity_; }
  std::uint32_t Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  E* Items() { return items_; }
  const E* Items() const { return items_; }
  E* begin() { return items_; }
  E* end() { return items_ + count_; }
  const E* begin() const { return items_; }
  const E* end() const { return items_ + count_; }

  // Unchecked access for loops bounded by Count(); use Get() for untrusted indexes.
  E& operator[](std::uint32_t i) { return items_[i]; }
  const E& operator[](std::uint32_t i) const { return items_[i]; }
  // Null for an index not below the count.
  E* Get(std::uint32_t i) { return i < count_ ? items_ + i : nullptr; }
  const E* Get(std::uint32_t i) const { return i < count_ ? items_ + i : nullptr; }

  // Doubling append; returns the value.
  E Add(E value) {
    if (count_ == capacity_) {
      if (capacity_ != 0) step_ = capacity_;
      Resize(std::uint64_t(capacity_) + step_);
    }
    items_[count_++] = value;
    return value;
  }

  // Grow-to-fit append of n elements copied from `src` (the 16- and 12-byte
  // record appends and the byte appends of the original are this one rule).
  void Append(const E* src, std::uint32_t n) {
    if (n == 0) return;
    Reserve(n);
    E* out = items_ + count_;
    if (n <= 4) {
      // The appends of one or two elements (a segment, a point's pair) that
      // flattening and path building make by the million: copied in place,
      // without a library call.
      for (std::uint32_t i = 0; i < n; ++i) out[i] = src[i];
    } else {
      std::memcpy(static_cast<void*>(out), src, std::size_t(n) * sizeof(E));
    }
    count_ += n;
  }
  E Append(const E& value) {
    Append(&value, 1);
    return value;
  }
  // The page-list copy of the blank-out rectangle appends by this name; it is
  // the same grow-to-fit rule.
  void AppendN(const E* src, std::uint32_t n) { Append(src, n); }
  // Byte arrays: n of 0 or less does nothing.
  void AppendBytes(const void* bytes, std::int64_t n) {
    static_assert(sizeof(E) == 1, "AppendBytes is for byte arrays");
    if (n <= 0) return;
    if (n > 0xFFFFFFFFll) FatalOutOfMemory();
    Append(static_cast<const E*>(bytes), std::uint32_t(n));
  }

  // A larger n grows to fit (the new elements are not initialised); a smaller
  // one only lowers the count.
  void SetCount(std::uint32_t n) {
    if (n > count_) Reserve(n - count_);
    count_ = n;
  }

  // Makes room for n more elements by the grow-to-fit rule.
  void Reserve(std::uint32_t n) {
    if (std::uint64_t(count_) + n <= capacity_) return;
    if (capacity_ != 0) step_ = capacity_;
    Resize(std::uint64_t(step_) + capacity_ + n);
  }

  // Removes and returns the element at i, moving the later ones down; an index
  // not below the count gives a zero value and changes nothing.
  E DetachAt(std::uint32_t i) {
    if (i >= count_) return E{};
    E value = items_[i];
    std::memmove(static_cast<void*>(items_ + i), items_ + i + 1, std::size_t(count_ - i - 1) * sizeof(E));
    --count_;
    return value;
  }

  void Clear() { count_ = 0; }
  // Gives back the capacity beyond the count (the one exception to a
  // capacity that never shrinks): for a large block whose content shrank in
  // place.
  void ShrinkToFit() {
    if (count_ < capacity_ && count_ != 0) Resize(count_);
  }

 private:
  // Capacities and counts are 32-bit; a growth past that is an allocation failure.
  void Resize(std::uint64_t capacity) {
    if (capacity > 0xFFFFFFFFull || capacity > SIZE_MAX / sizeof(E)) FatalOutOfMemory();
    std::size_t bytes = std::size_t(capacity) * sizeof(E);
    items_ = static_cast<E*>(items_ ? CountingRealloc(items_, bytes) : CountingMalloc(bytes));
    capacity_ = std::uint32_t(capacity);
  }
  void Take(GrowArray& other) {
    step_ = other.step_;
    capacity_ = std::exchange(other.capacity_, 0);
    count_ = std::exchange(other.count_, 0);
    items_ = std::exchange(other.items_, nullptr);
  }

  std::uint32_t step_;
  std::uint32_t capacity_ = 0;
  std::uint32_t count_ = 0;
  E* items_ = nullptr;
};

// The array of pointer-size values and pointers used everywhere.
using PtrArray = GrowArray<std::uintptr_t>;
using ByteArray = GrowArray<std::uint8_t>;

inline void* GetPointerArrayItem(const PtrArray& array, std::uint32_t i) {
  const std::uintptr_t* item = array.Get(i);
  return item ? reinterpret_cast<void*>(*item) : nullptr;
}

// An array of owned objects; destroys them from the last to the first.
template <class T>
class OwnedArray {
 public:
  explicit OwnedArray(std::uint32_t step = 8) : items_(step) {}
  ~OwnedArray() { Clear(); }
  OwnedArray(const OwnedArray&) = delete;
  OwnedArray& operator=(const OwnedArray&) = delete;
  OwnedArray(OwnedArray&&) noexcept = default;
  OwnedArray& operator=(OwnedArray&& other) noexcept {
    if (this != &other) {
      Clear();
      items_ = std::move(other.items_);
    }
    return *this;
  }

  std::uint32_t Count() const { return items_.Count(); }
  bool Empty() const { return items_.Empty(); }
  T* operator[](std::uint32_t i) const { return items_[i]; }
  T* Get(std::uint32_t i) const {
    T* const* item = items_.Get(i);
    return item ? *item : nullptr;
  }
  T* const* begin() const { return items_.begin(); }
  T* const* end() const { return items_.end(); }

  // Takes ownership.
  T* Add(T* item) { return items_.Add(item); }
  // Gives up ownership of the element at i (null when out of range).
  T* DetachAt(std::uint32_t i) { return items_.DetachAt(i); }
  // Deletes the item at i and leaves its slot empty, for a walk that lets
  // items go as it passes them; RemoveEmpty closes the gaps afterwards,
  // keeping the order of the others.
  void DeleteAt(std::uint32_t i) {
    if (i >= items_.Count()) return;
    delete items_[i];
    items_[i] = nullptr;
  }
  void RemoveEmpty() {
    std::uint32_t kept = 0;
    for (std::uint32_t i = 0; i < items_.Count(); ++i) {
      if (items_[i]) items_[kept++] = items_[i];
    }
    items_.SetCount(kept);
  }

  void Clear() {
    // The items lie all over the heap: those next in turn are fetched while
    // one is deleted.
    constexpr std::uint32_t kAhead = 8;
    while (items_.Count() > 0) {
      std::uint32_t last = items_.Count() - 1;
      if (last >= kAhead) __builtin_prefetch(items_[last - kAhead]);
      T* item = items_[last];
      items_.SetCount(last);
      delete item;
    }
  }

 private:
  GrowArray<T*> items_;
};

}  // namespace kvn
