// Reading one value of an INI-style 8-bit text file, and the code-page 852
// to 1250 byte mapping that went with such files. Nothing in the viewer calls
// them; they are kept with the file utilities.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

// The value of `key` in `[section]` of the file at `path`: read line by
// line; a line beginning with '[' becomes the current section line; in the
// section whose line is '[', the section name and ']' (case ignored), the
// first line that begins with the key and '=' (case ignored) gives the rest
// of the line, converted from the ANSI code page. Otherwise, or when the
// file cannot be opened, `defaultValue`.
WString ReadIniValue(const WString& section, const WString& key, const WString& defaultValue, const WString& path);

// A byte of code page 852 as the byte of code page 1250 with the same
// letter: bytes below 128 unchanged; letters the two code pages share map to
// each other; box-drawing characters become '+', '-' or '|'; anything else
// becomes the 1250 byte of the nearest character, or '?' when there is none.
std::uint8_t ConvertCp852ToCp1250(std::uint8_t& byte);

}  // namespace kvn
