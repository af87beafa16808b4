#include "document/TypedAttributeList.h"

#include <cstring>

namespace kvn {

namespace {

// Values are stored as the little-endian bytes of the drawing's memory image.
template <class T>
T LoadValue(const std::uint8_t* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

}  // namespace

const TypedAttributeList::Item* TypedAttributeList::Find(std::uint16_t key) const {
  for (const Item& item : items_) {
    if (item.key == key) return &item;
  }
  return nullptr;
}

void TypedAttributeList::Set(std::uint16_t key, const void* bytes, std::size_t size) {
  const auto* first = static_cast<const std::uint8_t*>(bytes);
  std::vector<std::uint8_t> value(first, first + size);
  for (Item& item : items_) {
    if (item.key == key) {
      item.value = std::move(value);
      return;
    }
  }
  items_.push_back(Item{key, std::move(value)});
}

const std::uint8_t* TypedAttributeList::Get(std::uint16_t key, std::size_t* size) const {
  const Item* item = Find(key);
  if (size) *size = item ? item->value.size() : 0;
  if (!item) return nullptr;
  // A zero-size value still answers a valid pointer: the key is present.
  static const std::uint8_t kEmpty = 0;
  return item->value.empty() ? &kEmpty : item->value.data();
}

bool TypedAttributeList::GetInto(void* buffer, std::size_t size, std::uint16_t key) const {
  const Item* item = Find(key);
  if (!item || item->value.size() != size) return false;
  if (size) std::memcpy(buffer, item->value.data(), size);
  return true;
}

std::uint8_t TypedAttributeList::GetByte(std::uint16_t key) const {
  std::uint8_t v = 0;
  return GetInto(&v, 1, key) ? v : 0;
}

std::uint16_t TypedAttributeList::GetU16(std::uint16_t key) const {
  const Item* item = Find(key);
  return item && item->value.size() == 2 ? LoadValue<std::uint16_t>(item->value.data()) : 0;
}

std::int32_t TypedAttributeList::GetI32(std::uint16_t key) const {
  const Item* item = Find(key);
  return item && item->value.size() == 4 ? LoadValue<std::int32_t>(item->value.data()) : 0;
}

double TypedAttributeList::GetDouble(std::uint16_t key) const {
  const Item* item = Find(key);
  return item && item->value.size() == 8 ? LoadValue<double>(item->value.data()) : 0.0;
}

WString TypedAttributeList::GetWString(std::uint16_t key) const {
  const Item* item = Find(key);
  if (!item || item->value.size() < 2) return WString();
  std::u16string units(item->value.size() / 2, u'\0');
  std::memcpy(units.data(), item->value.data(), units.size() * 2);
  return WString(std::u16string_view(units));
}

void TypedAttributeList::SetU16(std::uint16_t key, std::uint16_t value) { Set(key, &value, 2); }
void TypedAttributeList::SetI32(std::uint16_t key, std::int32_t value) { Set(key, &value, 4); }
void TypedAttributeList::SetDouble(std::uint16_t key, double value) { Set(key, &value, 8); }

void TypedAttributeList::SetPoint(std::uint16_t key, const DPoint& value) {
  double xy[2] = {value.x, value.y};
  Set(key, xy, sizeof xy);
}

void TypedAttributeList::SetWString(std::uint16_t key, const WString& value) {
  std::u16string_view units = value.View();
  Set(key, units.data(), units.size() * 2);
}

void TypedAttributeList::CopyFrom(const TypedAttributeList& other) {
  if (this == &other) return;
  items_ = other.items_;
}

}  // namespace kvn
