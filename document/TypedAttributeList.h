// TypedAttributeList: the keyed settings of a drawing, each key holding a
// value of a few bytes (a flag, a style index, a real, a point, a text).
//
// Keys in use: 10 default line style, 19 default fill style, 31 default text
// style, 161 default link style, 203 default wall style (u16 each, 65535 =
// none), 204 a 32-bit setting. A value is typed only by its size: a getter
// answers its zero value when the key is missing or holds another size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/DPoint.h"
#include "foundation/WString.h"

namespace kvn {

enum DrawingAttributeKey : std::uint16_t {
  kAttrDefaultLineStyle = 10,
  kAttrDefaultFillStyle = 19,
  kAttrDefaultTextStyle = 31,
  kAttrDefaultLinkStyle = 161,
  kAttrDefaultWallStyle = 203,
  kAttrSetting204 = 204,
};

class TypedAttributeList {
 public:
  TypedAttributeList() = default;
  TypedAttributeList(const TypedAttributeList&) = delete;
  TypedAttributeList& operator=(const TypedAttributeList&) = delete;

  std::size_t Count() const { return items_.size(); }

  // Replaces the value of that key, or appends the key.
  void Set(std::uint16_t key, const void* bytes, std::size_t size);
  // The value and its size; null when the key is missing.
  const std::uint8_t* Get(std::uint16_t key, std::size_t* size) const;
  // Copies the value when it has exactly `size` bytes.
  bool GetInto(void* buffer, std::size_t size, std::uint16_t key) const;

  bool GetBool(std::uint16_t key) const { return GetByte(key) != 0; }
  std::uint8_t GetByte(std::uint16_t key) const;
  std::uint16_t GetU16(std::uint16_t key) const;
  std::int32_t GetI32(std::uint16_t key) const;
  double GetDouble(std::uint16_t key) const;
  // Empty when missing; the value holds 2 bytes per UTF-16 unit.
  WString GetWString(std::uint16_t key) const;

  void SetBool(std::uint16_t key, bool value) { SetByte(key, value ? 1 : 0); }
  void SetByte(std::uint16_t key, std::uint8_t value) { Set(key, &value, 1); }
  void SetU16(std::uint16_t key, std::uint16_t value);
  void SetI32(std::uint16_t key, std::int32_t value);
  void SetDouble(std::uint16_t key, double value);
  void SetPoint(std::uint16_t key, const DPoint& value);
  void SetWString(std::uint16_t key, const WString& value);

  // A deep copy of the other list.
  void CopyFrom(const TypedAttributeList& other);
  void Clear() { items_.clear(); }

 private:
  struct Item {
    std::uint16_t key;
    std::vector<std::uint8_t> value;
  };
  const Item* Find(std::uint16_t key) const;

  std::vector<Item> items_;
};

}  // namespace kvn
