// The built-in SHX fonts in the font list for as long as this lives, as the
// viewer installs them at start-up; the list (built once, by whichever test
// asks first) is built again on both ends, so that no other test sees them.
#pragma once

#include "model/FontList.h"
#include "model/ShxFont.h"
#include "model/TextGlyphBoxes.h"
#include "model/cText.h"
#include "text/ShxParsedFont.h"

namespace kvn::test {

class InstalledShxFonts {
 public:
  InstalledShxFonts() {
    InstallShxFonts();
    FontList::ResetForTest();
  }
  ~InstalledShxFonts() {
    SetShxMetricsSource(nullptr);
    SetShxGlyphBoxSource(nullptr);
    SetShxTextDrawer(nullptr);
    SetShxOutlineSource(nullptr);
    SetShxArchiveLoader(nullptr);
    FontList::ResetForTest();
  }
  InstalledShxFonts(const InstalledShxFonts&) = delete;
  InstalledShxFonts& operator=(const InstalledShxFonts&) = delete;
};

}  // namespace kvn::test
