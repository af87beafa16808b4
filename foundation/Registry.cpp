#include "foundation/Registry.h"

#include <cstring>

#include "foundation/SettingsBackend.h"

namespace kvn {

namespace {

const std::vector<std::uint8_t>* FindTyped(const WString& path, const WString& name, RegValueType type) {
  return GetSettingsBackend().FindValue(path.View(), name.View(), type);
}

}  // namespace

// --- reading ------------------------------------------------------------------------

RegReadKey::RegReadKey(RegRoot /*parent*/, const WString& path) : path_(path) {
  failed_ = !GetSettingsBackend().IsValidKey(path.View()) || !GetSettingsBackend().KeyExists(path.View());
}

std::uint32_t RegReadKey::GetDword(const WString& name, std::uint32_t defaultValue) const {
  std::uint8_t defaultUsed;
  return GetDwordEx(name, defaultValue, defaultUsed);
}

std::uint32_t RegReadKey::GetDwordEx(const WString& name, std::uint32_t defaultValue,
                                     std::uint8_t& defaultUsed) const {
  defaultUsed = 1;
  if (failed_) return defaultValue;
  const std::vector<std::uint8_t>* value = FindTyped(path_, name, RegValueType::Dword);
  if (!value || value->size() != 4) return defaultValue;
  defaultUsed = 0;
  const std::uint8_t* d = value->data();
  return std::uint32_t(d[0]) | std::uint32_t(d[1]) << 8 | std::uint32_t(d[2]) << 16 | std::uint32_t(d[3]) << 24;
}

WString RegReadKey::GetString(const WString& name, const WString& defaultValue, bool* found) const {
  if (found) *found = false;
  if (failed_) return defaultValue;
  const std::vector<std::uint8_t>* value = FindTyped(path_, name, RegValueType::String);
  if (!value) return defaultValue;
  if (found) *found = true;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < value->size(); i += 2) {
    char16_t c = char16_t((*value)[i] | ((*value)[i + 1] << 8));
    if (c == 0) break;
    text += c;
  }
  return WString(std::u16string_view(text));
}

std::uint32_t RegReadKey::GetBinary(const WString& name, ByteArray& buffer) const {
  if (failed_) return 0;
  const std::vector<std::uint8_t>* value = FindTyped(path_, name, RegValueType::Binary);
  if (!value || value->empty()) return 0;
  buffer.Clear();
  buffer.AppendBytes(value->data(), std::int64_t(value->size()));
  return buffer.Count();
}

std::uint32_t RegReadKey::GetBinaryFixed(const WString& name, void* buffer, std::uint32_t size) const {
  if (failed_) return 0;
  const std::vector<std::uint8_t>* value = FindTyped(path_, name, RegValueType::Binary);
  if (!value) return 0;
  // The store keeps values below 1 MiB, so the size fits 32 bits.
  std::uint32_t stored = std::uint32_t(value->size());
  if (!buffer) return stored;
  if (stored != size || stored == 0) return 0;
  std::memcpy(buffer, value->data(), stored);
  return stored;
}

// --- writing ------------------------------------------------------------------------

RegWriteKey::RegWriteKey(RegRoot /*parent*/, const WString& path) : path_(path) {
  failed_ = !GetSettingsBackend().IsValidKey(path.View());
  // A key that cannot be written to disk still takes values for this session.
  if (!failed_) GetSettingsBackend().CreateKey(path.View());
}

bool RegWriteKey::SetString(const WString& name, const char16_t* text) {
  if (failed_) return false;
  if (!text) return GetSettingsBackend().DeleteValue(path_.View(), name.View());
  return GetSettingsBackend().SetString(path_.View(), name.View(), std::u16string_view(text));
}

bool RegWriteKey::SetDword(const WString& name, std::uint32_t value) {
  if (failed_) return false;
  return GetSettingsBackend().SetDword(path_.View(), name.View(), value);
}

bool RegWriteKey::SetBinary(const WString& name, const void* data, std::uint32_t size) {
  if (failed_) return false;
  if (!data) return GetSettingsBackend().DeleteValue(path_.View(), name.View());
  return GetSettingsBackend().SetBinary(path_.View(), name.View(), data, size);
}

}  // namespace kvn
