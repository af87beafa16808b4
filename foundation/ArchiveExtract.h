// ExtractArchive: unpacks the "QDAT" file archive (the archive of built-in
// fonts and shapes) into a folder, or lists the names and data offsets of its
// files. The archive is:
//   "QDAT", version byte, then entries
//   { type byte (0 end, 1 file, 2 folder), name length byte, UTF-16 name,
//     8-byte FILETIME; a file: 32-bit little-endian size and its bytes;
//     a folder: its entries up to its own end entry }.
// The archive is untrusted: a name must be one plain name (not empty, not
// "." nor "..", no '/', '\', ':' or NUL), every size must fit in what the
// stream still holds, and nothing is written outside the destination (a link
// already standing where an entry goes refuses the archive). A failed file
// leaves no partial file behind.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/WString.h"

namespace kvn {

class cMsgDlg;
class InFileStream;
class StepMonitor;

inline constexpr char kArchiveMagic[4] = {'Q', 'D', 'A', 'T'};

// Reads the magic and the version byte at the stream's position (both must
// match) and extracts under a wait cursor. An unopened stream shows the open
// error to the monitor's owner, else to `owner`. With both lists given
// nothing is written: each file's name (with its folders, '/' separated) goes
// to `names` and the stream position of its bytes to `offsets`.
bool ExtractArchive(std::uint8_t version, StepMonitor* monitor, const cMsgDlg* owner, const WString& destination,
                    InFileStream& stream, std::vector<WString>* names, std::vector<std::uint64_t>* offsets);

// The entries from the stream's position up to the end entry, into
// `destination` (a folder path with or without its trailing '/').
bool ExtractArchiveEntries(const WString& destination, StepMonitor* monitor, InFileStream& stream,
                           std::vector<WString>* names, std::vector<std::uint64_t>* offsets);

// A name an entry may carry.
bool IsPlainArchiveName(const WString& name);

}  // namespace kvn
