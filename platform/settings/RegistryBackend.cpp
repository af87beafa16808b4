// Serves the registry classes of the foundation from the settings store.
#include "foundation/SettingsBackend.h"

#include "platform/settings/SettingsStore.h"

namespace kvn {

namespace {

class StoreBackend final : public SettingsBackend {
 public:
  bool IsValidKey(std::u16string_view key) override { return IsValidSettingsKey(key); }
  bool KeyExists(std::u16string_view key) override { return SettingsStore::Global().KeyExists(key); }
  const std::vector<std::uint8_t>* FindValue(std::u16string_view key, std::u16string_view name,
                                             RegValueType type) override {
    const SettingValue* value = SettingsStore::Global().FindValue(key, name);
    return value && std::uint32_t(value->type) == std::uint32_t(type) ? &value->data : nullptr;
  }
  bool CreateKey(std::u16string_view key) override { return SettingsStore::Global().CreateKey(key); }
  bool SetString(std::u16string_view key, std::u16string_view name, std::u16string_view text) override {
    return SettingsStore::Global().SetValue(key, name, SettingValue::FromString(text));
  }
  bool SetDword(std::u16string_view key, std::u16string_view name, std::uint32_t value) override {
    return SettingsStore::Global().SetValue(key, name, SettingValue::FromDword(value));
  }
  bool SetBinary(std::u16string_view key, std::u16string_view name, const void* data, std::size_t size) override {
    return SettingsStore::Global().SetValue(key, name, SettingValue::FromBinary(data, size));
  }
  bool DeleteValue(std::u16string_view key, std::u16string_view name) override {
    return SettingsStore::Global().DeleteValue(key, name);
  }
};

}  // namespace

SettingsBackend& GetSettingsBackend() {
  static StoreBackend backend;
  return backend;
}

}  // namespace kvn
