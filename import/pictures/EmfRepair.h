// Damaged enhanced metafiles made readable, for a picture opened on its
// own: what could be read is shown and the open tells that the file is
// damaged. Two repairs, each leaving bytes that ValidateEmf accepts:
//   - a record chain broken part way, or ending without EMR_EOF: the
//     records before the break, closed with an EMR_EOF record (text records
//     whose string or spacing lies outside them are first dropped alone);
//   - a header record whose own size is impossible (or after which nothing
//     can be closed): the header ends where a chain of records starts that
//     runs whole to the metafile's end (the first such place from 88 bytes
//     on, within the first 64 KiB).
// A total size (nBytes) beyond the file is taken as the file's size.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/GrowArray.h"

namespace kvn {

// Null when the bytes are no enhanced metafile or neither repair helps.
std::unique_ptr<ByteArray> RepairEmf(const std::uint8_t* data, std::uint64_t size);

}  // namespace kvn
