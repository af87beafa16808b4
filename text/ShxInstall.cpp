#include "model/FontList.h"
#include "text/ShxArchive.h"
#include "text/ShxParsedFont.h"

namespace kvn {

namespace {

bool ShxMetrics(ShxFont& font, ShxLineMetrics& out) {
  (void)LoadShxFontData(font);
  if (!font.parsed || !font.parsed->IsTextFont()) return false;
  out.above = font.parsed->GetAbove();
  out.below = font.parsed->GetBelow();
  out.lineGapRatio = font.parsed->GetLineGapRatio();
  return true;
}

}  // namespace

void InstallShxFonts() {
  SetShxMetricsSource(&ShxMetrics);
  SetShxArchiveLoader(&LoadShxArchive);
}

}  // namespace kvn
