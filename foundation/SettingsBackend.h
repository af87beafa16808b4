// The store beneath the registry classes (Registry.h). The platform layer
// serves it (platform/settings/RegistryBackend.cpp, over SettingsStore), so
// that the ground floor reads and writes settings without including upward;
// the link binds the two, and tests that link the core get the real store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kvn {

// Numbered as the registry's REG_SZ, REG_BINARY and REG_DWORD.
enum class RegValueType : std::uint32_t { String = 1, Binary = 3, Dword = 4 };

class SettingsBackend {
 public:
  virtual ~SettingsBackend() = default;

  // A usable key path: not empty, no control characters, no empty component.
  virtual bool IsValidKey(std::u16string_view key) = 0;
  virtual bool KeyExists(std::u16string_view key) = 0;
  // The raw bytes of a value of that type (a string UTF-16LE with its 0, a
  // DWORD 4 bytes little-endian); null when missing or of another type.
  virtual const std::vector<std::uint8_t>* FindValue(std::u16string_view key, std::u16string_view name,
                                                     RegValueType type) = 0;
  virtual bool CreateKey(std::u16string_view key) = 0;
  // A string is given as UTF-16 code units without the terminating 0.
  virtual bool SetString(std::u16string_view key, std::u16string_view name, std::u16string_view text) = 0;
  virtual bool SetDword(std::u16string_view key, std::u16string_view name, std::uint32_t value) = 0;
  virtual bool SetBinary(std::u16string_view key, std::u16string_view name, const void* data,
                         std::size_t size) = 0;
  virtual bool DeleteValue(std::u16string_view key, std::u16string_view name) = 0;
};

// The process-wide backend, served by the platform layer.
SettingsBackend& GetSettingsBackend();

}  // namespace kvn
