// The shell's own interface colours: a light orange menu (132), a light
// yellow window (133) and a light blue button face (143), for the controls
// that ask for the "themed" variants of those indices (foundation/UiColors.h).
//
// A configured colour is used only where it fits the user's scheme, judged
// by the lightness (0..240, model/ColorHls.h) L of the system colour of
// index AND 127:
//   L < 30         dark scheme: the colour with its lightness lowered to at most 30;
//   30 <= L <= 210 mid scheme: -1, the system colour is used;
//   L > 210        light scheme: the colour with its lightness raised to at least 210.
#pragma once

#include <cstdint>

namespace kvn {

// The configured colour of an index before fitting (0x00BBGGRR), -1 for
// indices other than 132, 133 and 143.
std::int32_t ConfiguredUiColorBase(int index);

// The fitting rule above for a configured colour and the system colour.
std::int32_t FitConfiguredUiColor(std::uint32_t configured, std::uint32_t systemColor);

// The hook GetConfiguredUiColor calls: the fitted colour of the index, or -1.
std::int32_t ShellConfiguredUiColor(int index);

// Installs ShellConfiguredUiColor as the configured-colour hook (start-up).
void InstallConfiguredUiColors();

}  // namespace kvn
