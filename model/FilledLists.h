// DrawFilledLists: vertex lists drawn with an object's fill and line
// attributes. The closed lists are filled as one path, so that inner
// contours (the holes of a glyph) stay open under the context's alternate
// fill; then, unless the object's line type is 0, every list, open or
// closed, is stroked one at a time. Glyphs, text bars and polygons draw
// through it.
#pragma once

#include <cstddef>

namespace kvn {

class cAnyFill;
class cDrawInfo;
class PointList;

void DrawFilledLists(cDrawInfo* info, cAnyFill& object, const PointList* const* lists, std::size_t count);

}  // namespace kvn
