// Paths stored inside drawings (external references, pictures) were written
// on Windows: backslashes, drive letters, UNC shares, and names whose case
// does not match the file on disk. This finds the file such a path means here.
#pragma once

#include "foundation/WString.h"

namespace kvn {

// Looks for an existing file (not a folder) for `stored`, in this order:
//  - a relative path (also a drive-relative "C:dir\name"): below `baseFolder`;
//  - an absolute path: from the root, with any drive letter, UNC share
//    ("\\server\share") or "\\?\" prefix dropped; then, when that finds
//    nothing and a base folder is given, its trailing parts below
//    `baseFolder`, longest first ("C:\proj\x\a.dwg" as proj/x/a.dwg, x/a.dwg,
//    a.dwg), so a project copied from Windows with its folders is found.
// Each name is taken as it is when it exists, else the one name in its folder
// that equals it without regard to case (the first in byte order when there
// are several); "." and ".." are followed as text. True with `found` set to
// the file's path; false and `found` untouched otherwise.
bool ResolveStoredPath(const WString& stored, const WString& baseFolder, WString& found);

}  // namespace kvn
