// The one look every file the open reads gets before it is read: the
// drawing itself and each picture file a drawing places. What the name is
// is asked first, without opening it: a folder is "a folder, not a file",
// and a named pipe, a device or a socket is refused as no file at all (an
// open to read would wait on a pipe for a writer, and a device such as
// /dev/zero never ends). Links are followed, so a drawing or a picture
// reached through a symbolic link is the file it leads to. Only then is
// the file opened, and the open's own reason is kept: no such file, no
// permission, a loop of links.
#pragma once

#include <cstdint>
#include <optional>

#include "foundation/InFileStream.h"
#include "foundation/WString.h"

namespace kvn {

// Opens `path` to read into `in`; kErrorSuccess when it is open, else the
// system error code of why not (kErrorDirectoryNotSupported,
// kErrorBadFileType, or the open's), `in` then left empty or not open.
std::uint32_t OpenFileToRead(const WString& path, std::optional<InFileStream>& in);

// The same look when nothing is to be read yet: why `path` is no file to
// read, kErrorSuccess when it opens.
std::uint32_t FileToReadError(const WString& path);

}  // namespace kvn
