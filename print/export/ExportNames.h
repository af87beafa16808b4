// File names of an export of all pages: one file per page entry.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

class cDrawingDoc;

// Empty for a document of fewer than two page entries. Otherwise "_" and the
// entry's number counted from 1, with a leading "0" when the document has
// ten or more entries and the number one digit; then, when the entry has a
// title, " - " and the title made a safe file name of at most 64 characters:
// entry 3 of 12 titled "Floor" gives "_03 - Floor".
WString MakePageFileSuffix(const cDrawingDoc& document, std::uint32_t entry);

// The name with the suffix put before its extension. The extension is what
// follows the last '.' of the file-name part; a '.' in a folder name is not
// one, so "/a.b/plan" becomes "/a.b/plan_1", not "/a_1.b/plan".
WString InsertPageSuffix(const WString& fileName, const WString& suffix);

}  // namespace kvn
