// File names between the kernel, which keeps them as bytes, and the
// program's UTF-16 text.
//
// Most names on Linux are UTF-8, but not all: a file copied from an old
// Latin-1 disk or unpacked from an old archive keeps its bytes, and a
// "café.dxf" of that kind ends in the single byte E9 before ".dxf". Such a
// file must still open, from the command line, the file chooser and the
// recent-file list, so a name is carried losslessly:
//
// - every well-formed UTF-8 sequence gives its character, exactly as
//   WString::FromUtf8 gives it (names in UTF-8 stay as they always were);
// - every byte of a malformed piece (Utf8.h: NextUtf8Piece) gives the lone
//   low surrogate U+DC00 + byte. Bytes below 0x80 are always well formed,
//   so these units are U+DC80 to U+DCFF.
//
// Well-formed UTF-8 never decodes to a lone surrogate, so PathBytes gives
// back the very bytes PathFromBytes was given. The settings file keeps such
// a unit as a \u escape, so a recent-file entry survives a restart.
//
// The units stand for bytes, not characters: shown to a user, each becomes
// U+FFFD, as GLib's g_filename_display_name shows the name (and with it the
// GTK file chooser the user picked the file in). WString::ToUtf8 already
// does so for every lone surrogate, which covers every text handed to the
// toolkit; DisplayPath is for text the program draws itself.
#pragma once

#include <string>
#include <string_view>

#include "foundation/WString.h"

namespace kvn {

// The first and last unit that stands for a byte of a malformed name.
inline constexpr char16_t kFirstByteUnit = 0xDC80;
inline constexpr char16_t kLastByteUnit = 0xDCFF;

// The bytes of a file name (or of any text the kernel hands over as bytes:
// the current folder, a program argument) as the program's text.
WString PathFromBytes(std::string_view bytes);

// The bytes the kernel knows the name by. A unit that PathFromBytes never
// makes (a lone surrogate outside U+DC80..U+DCFF) becomes U+FFFD in UTF-8,
// as WString::ToUtf8 makes it. No separator is changed (ToNativePath does).
std::string PathBytes(std::u16string_view path);

// The name as a user reads it: each byte unit replaced by U+FFFD.
WString DisplayPath(const WString& path);

}  // namespace kvn
