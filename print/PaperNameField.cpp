#include "print/PaperNameField.h"

#include "document/TitleFields.h"
#include "print/PaperChoice.h"

namespace kvn {

namespace {

// The short name ("A4"); the long one for an entry without it.
WString PaperNameOfSize(double width, double height) {
  int orientation = -1;
  WString name, shortName;
  if (FindPaperBySize(orientation, name, shortName, PaperSizeMm{width, height}) < 0) return WString();
  return shortName.IsEmpty() ? name : shortName;
}

}  // namespace

void InstallPaperNameField() { SetPaperNameLookup(&PaperNameOfSize); }

}  // namespace kvn
