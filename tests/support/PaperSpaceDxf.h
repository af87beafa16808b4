// An R2000 DXF drawing that lives wholly in paper space, as CAD programs
// write one: the model space is empty; an insert of a small block, a text,
// a multileader, a line and viewports sit in the layout "Sheet A", whose
// block-table record owns them.
#pragma once

#include <string>

namespace kvn::test {

std::string PaperSpaceOnlyDxf();

}  // namespace kvn::test
