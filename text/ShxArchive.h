// The built-in font and shape archives: each a stored blob (u32 size, raw
// deflate data, the 4-byte stream check value) that inflates to a QDAT
// archive of files. Blob 0 holds the SHX text fonts, blob 1 the shape files
// of complex line types (both made by tools/mkshx from resources/shx/).
//
// QDAT (little-endian): "QDAT", version byte 1, then entries until one of
// type 0. Entry: u8 type (0 end, 1 file, 2 folder, else an error), u8 name
// length n in UTF-16 units, n units of name, 8-byte time stamp (ignored);
// files only: u32 size s and s bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "foundation/WString.h"

namespace kvn {

class cStyleFont;
struct ShxFont;

inline constexpr int kShxFontBlob = 0;
inline constexpr int kShxShapeBlob = 1;
// Larger stored sizes are refused.
inline constexpr std::uint32_t kMaxBlobSize = 10'000'000;

// The inflated bytes of an embedded blob, or nothing when it is missing,
// announces no size or more than kMaxBlobSize, inflates to fewer bytes than
// announced or fails its check value.
std::optional<std::vector<std::uint8_t>> InflateStoredBlob(int blobId);
std::optional<std::vector<std::uint8_t>> InflateBlobBytes(std::span<const std::uint8_t> blob);

struct QdatEntry {
  WString name;
  std::uint64_t offset = 0;  // of the file's size field; its bytes follow it
  WString folder;
};

// The file entries of a QDAT archive (the magic and version not included:
// `bytes` starts at the first entry). True when an end entry was met; what
// was read before a failure stays in `entries`.
bool ReadQdatEntries(std::span<const std::uint8_t> bytes, std::vector<QdatEntry>& entries, const WString& folder);

// The ".shx" members of blob `blobId` appended as fonts named with their
// first letter capitalised; their bytes are fetched when first used.
void LoadShxArchive(std::vector<std::unique_ptr<cStyleFont>>& list, int blobId);

// The bytes of an archive font's file, copied out of its blob again; false
// when the offset and size do not lie inside the archive.
bool FetchArchiveFontBytes(ShxFont& font);

}  // namespace kvn
