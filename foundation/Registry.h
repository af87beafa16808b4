// Registry access: the two small key classes through which every setting is
// read and written, over the settings store (platform/settings), which keeps
// the registry's keys, value names and types in one file.
//
// Only HKEY_CURRENT_USER exists; the parent parameter stays so that calls read
// as they did. A key that cannot be opened makes every read return its default;
// a key that cannot be created makes every write do nothing. Nothing is
// reported: settings are never worth a message.
#pragma once

#include <cstdint>

#include "foundation/GrowArray.h"
#include "foundation/WString.h"

namespace kvn {

enum class RegRoot { CurrentUser };
inline constexpr RegRoot kHkeyCurrentUser = RegRoot::CurrentUser;

// The program's key under HKEY_CURRENT_USER.
inline constexpr const char16_t* kProgramRegistryKey = u"Software\\QUARN_KVN_Viewer";

class RegReadKey {
 public:
  RegReadKey(RegRoot parent, const WString& path);
  ~RegReadKey() = default;
  RegReadKey(const RegReadKey&) = delete;
  RegReadKey& operator=(const RegReadKey&) = delete;

  bool Failed() const { return failed_; }

  // A DWORD value (type DWORD, 4 bytes), else the default.
  std::uint32_t GetDword(const WString& name, std::uint32_t defaultValue) const;
  // The same; `defaultUsed` becomes 0 when the value was read, 1 when the default was returned.
  std::uint32_t GetDwordEx(const WString& name, std::uint32_t defaultValue, std::uint8_t& defaultUsed) const;
  // A string value up to its first 0, else the default; `found` (when given)
  // tells which.
  WString GetString(const WString& name, const WString& defaultValue, bool* found = nullptr) const;
  // A binary value: `buffer` gets a copy of it (what it held before is
  // released) and its size is returned; 0 when missing, and the buffer is left alone.
  std::uint32_t GetBinary(const WString& name, ByteArray& buffer) const;
  // With a null buffer: the stored size. Otherwise the value is copied only
  // when its size equals `size`; returns the size read or 0.
  std::uint32_t GetBinaryFixed(const WString& name, void* buffer, std::uint32_t size) const;

 private:
  WString path_;
  bool failed_ = true;
};

class RegWriteKey {
 public:
  RegWriteKey(RegRoot parent, const WString& path);
  ~RegWriteKey() = default;
  RegWriteKey(const RegWriteKey&) = delete;
  RegWriteKey& operator=(const RegWriteKey&) = delete;

  bool Failed() const { return failed_; }

  // A string value with its terminating 0; a null text deletes the value.
  bool SetString(const WString& name, const char16_t* text);
  bool SetString(const WString& name, const WString& text) { return SetString(name, text.CStr()); }
  bool SetDword(const WString& name, std::uint32_t value);
  // A binary value of `size` bytes; null data deletes the value.
  bool SetBinary(const WString& name, const void* data, std::uint32_t size);

 private:
  WString path_;
  bool failed_ = true;
};

}  // namespace kvn
