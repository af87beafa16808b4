// An R2000 DXF drawing that lives wholly in paper space, as CAD programs
// write one: the model space is empty; an insert of a small block, a text,
// a multileader, a line and viewports sit in the layout "Sheet A", whose
// block-table record owns them.
#pragma once

#include <string>

namespace kvn::test {

std::string PaperSpaceOnlyDxf();

// A DXF file of a BLOCKS section only, as some libraries write one: no
// header, tables, entities or objects, so no layout. The drawing lives in
// the block *Paper_Space (viewports, an insert, a text and a line);
// *Paper_Space28 holds a second layout's line and text, FRAME is the
// inserted block and *Model_Space is empty.
std::string PaperSpaceBlockOnlyDxf();

}  // namespace kvn::test
