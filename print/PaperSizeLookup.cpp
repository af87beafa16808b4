#include "print/PaperSizeLookup.h"

#include "document/HandOvers.h"
#include "print/PaperTable.h"

namespace kvn {

namespace {

void PaperSizeOf(int paperId, double& width, double& height) {
  PaperSizeMm size;
  GetPaperSizeMm(size, paperId);
  width = size.width;
  height = size.height;
}

}  // namespace

void InstallPaperSizeLookup() { SetPaperSizeLookup(&PaperSizeOf); }

}  // namespace kvn
