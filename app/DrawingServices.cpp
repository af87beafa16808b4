#include "app/DrawingServices.h"

#include "document/BuiltinFontReader.h"
#include "document/TitleFields.h"
#include "dwg/InstallReaders.h"
#include "platform/fonts/FontLayerFaces.h"
#include "print/PaperNameField.h"
#include "print/PaperSizeLookup.h"
#include "print/export/BlockPicturePainter.h"
#include "render/GeometryServicesImpl.h"
#include "text/PatternGlyphs.h"
#include "text/ShxParsedFont.h"
#include "text/TrueTypeLine.h"

namespace kvn {

void InstallDrawingServices() {
  InstallBlockPicturePainter();
  InstallRendererGeometryServices();
  // Every file opens through the readers registered here.
  InstallReaders();
  InstallBuiltinFontReader();
  InstallFontLayerFaces();
  InstallPatternGlyphSource();
  InstallShxFonts();
  InstallTrueTypeLineDrawer();
  InstallTitleFields();
  InstallPaperNameField();
  // Old drawings' formats grow to their paper.
  InstallPaperSizeLookup();
}

}  // namespace kvn
