// The paper name of the "format:name" title-block field, looked up in the
// paper choice list.
#pragma once

namespace kvn {

// Installs the look-up into the field engine (document/TitleFields.h).
void InstallPaperNameField();

}  // namespace kvn
