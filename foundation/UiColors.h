// User-interface colours: the toolkit's system colours, with the program's
// own overrides. One table per process, user-interface thread only.
//
// A colour index is 8 bits: the low seven bits are a Windows system colour
// index (COLOR_WINDOW = 5, ...); 128 and above name the program's "themed"
// variant of index - 128, which the application may configure (132, 133 and
// 143). Colours are COLORREF values 0x00BBGGRR; -1 means "none".
//
// The core library links without a display: the system colours come through
// a provider that the window layer installs (wxSystemSettings); without one
// the classic Windows defaults answer.
#pragma once

#include <cstdint>

namespace kvn {

inline constexpr std::int32_t kNoUiColor = -1;
inline constexpr int kUiColorCount = 32;

class SystemColorProvider {
 public:
  virtual ~SystemColorProvider() = default;
  // GetSysColor: the colour of a system colour index below 32.
  virtual std::uint32_t GetSysColor(int index) const = 0;
};

// Not owned; null restores the built-in defaults. Returns the previous one.
SystemColorProvider* SetSystemColorProvider(SystemColorProvider* provider);
// GetSysColor through the provider; 0 for an index of 32 or more.
std::uint32_t GetSystemColor(int index);

// The application shell's configured colours (132, 133, 143): a hook that
// answers -1 until the shell installs one.
using ConfiguredUiColorHook = std::int32_t (*)(int index);
ConfiguredUiColorHook SetConfiguredUiColorHook(ConfiguredUiColorHook hook);
std::int32_t GetConfiguredUiColor(int index);

// The colour to paint with: the configured colour; else, for index AND 127
// below 32, the table entry or the system colour when the entry is -1;
// else 0.
std::uint32_t GetUiSysColor(int index);
// A configured colour exists, or the table entry of index AND 127 (below 32)
// is set.
bool HasUiSysColor(int index);
// Stores the colour in the table entry of an index below 32 (-1 clears it);
// other indices are ignored.
void SetUiSysColor(int index, std::int32_t color);

}  // namespace kvn
