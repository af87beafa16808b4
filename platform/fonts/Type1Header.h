// The few facts the installed-font list needs of a Type 1 font (PFB or PFA),
// read from its clear-text header alone. FreeType opens a Type 1 face only
// after decrypting and parsing its whole private part: about 0.7 ms a face,
// 50 ms at start-up for the 70 URW faces that Ghostscript installs, against
// 3 ms for all TrueType faces together. The header holds what FreeType
// derives the list's facts from, so the answers are the same as FreeType's:
//   italic  the integer part of /ItalicAngle is not 0 (FreeType reads it as
//           an integer),
//   bold    /Weight is exactly (Bold) or (Black),
//   fixed   /isFixedPitch true.
// A Type 1 face has no OS/2 or head table and no (3, 0) character map.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kvn {

struct Type1Facts {
  bool italic = false;
  bool bold = false;
  bool fixedPitch = false;
};

// The facts of the clear text at the start of a Type 1 font file (the bytes
// up to and including "eexec"; more may follow); nothing when the bytes are
// no Type 1 header this reader is sure of, and FreeType should answer.
std::optional<Type1Facts> ReadType1Facts(std::span<const std::uint8_t> start);

// The clear-text header of the file (at most 64 KB), empty when it cannot be
// read or is no Type 1 font.
std::string ReadType1ClearText(const std::string& path);

}  // namespace kvn
