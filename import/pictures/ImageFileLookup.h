// Where the raster file of an IMAGE entity is. Its definition stores the
// path as the drawing's author saw it on Windows: backslashes, a drive
// letter, names whose case does not matter. When that path names no file
// here, the file of the same name (case ignored) beside the drawing is
// taken. Only regular files count: a stored name must never open a device
// or a pipe. Nothing is opened here; a name that is there as something else
// (a folder, a named pipe, a device, a socket, a loop of links) can be asked
// for, so that the open can say what it is instead of calling it not found
// (document/FileToRead.h).
#pragma once

#include "foundation/WString.h"

namespace kvn {

// A stored Windows path as a path of this system: '\' as '/', a leading
// drive letter ("C:") dropped.
WString PortableImagePath(const WString& stored);

// The regular file the stored path names (a relative one counted from the
// folder of `drawingFileName`), else the one of its file name in that
// folder (exact name first, then any name equal to it without regard to
// case); empty when there is none. The path is given without "." components
// or repeated separators, as the open's messages name it. When none is
// found, `notAFile` (if given) gets the first of those names that is there
// as no regular file, else empty.
WString FindImageFile(const WString& stored, const WString& drawingFileName, WString* notAFile = nullptr);

}  // namespace kvn
