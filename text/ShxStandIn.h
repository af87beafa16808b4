// The built-in SHX font that stands in for an SHX file a drawing names but
// nobody has (not beside the drawing, not in the program's fonts folder, not
// built in): chosen by the design its name suggests, as drawings name their
// fonts after the classic families ("...greek...", "...goth...", "...mono...").
#pragma once

#include "foundation/WString.h"

namespace kvn {

// The name of a member of the built-in font archive ("Simplex.shx" when the
// name suggests nothing else). `face` is the file name without folders; a
// final ".shx" is allowed.
WString ShxStandInName(const WString& face);

}  // namespace kvn
