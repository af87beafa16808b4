// The program's system-colour override table (UiColors.h) as text: 32 values
// of 8 upper-case hexadecimal digits each, 256 characters in all, an unset
// entry written as FFFFFFFF.
#pragma once

#include <string>
#include <string_view>

namespace kvn {

std::string ColorOverridesToText();
// Groups of 8 characters, as many as the text holds (at most 32): blanks at
// the front of a group are skipped, then hexadecimal digits are read up to
// the first other character; the value goes to the group's entry.
void ColorOverridesFromText(std::string_view text);

}  // namespace kvn
