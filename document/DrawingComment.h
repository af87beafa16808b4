// The comment stored with a native drawing, as the File-Open dialog shows
// it beside the preview, read without loading the drawing.
#pragma once

#include "foundation/WString.h"

namespace kvn {

// Empty when the file cannot be read, is no native drawing, or is older
// than 3052 (no comment was stored before). A first header line
// "Comment=`..." gives that line; otherwise the header's stored comment.
WString ReadDrawingComment(const WString& path);

}  // namespace kvn
