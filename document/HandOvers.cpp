// The bodies of the hand-over points; see HandOvers.h. They need the
// insert, link, section and bitmap classes, the fonts, the block table
// maintenance and the conversion tables of old drawings, which arrive with
// their own changes.
#include "document/HandOvers.h"

#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cSection.h"
#include "model/cText.h"

namespace kvn {

std::uint32_t* InsertBlockIndexOf(cOutObj& /*object*/) { return nullptr; }

void ConvertOldSymbolLine(cOutObj& /*object*/, std::uint32_t /*symbolBlock*/, BlockListContext& /*context*/) {}

void ConnectLinksToInserts(const std::vector<cOutObj*>& /*links*/, const std::vector<cOutObj*>& /*inserts*/) {}

void ConvertOldSymbolTexts(cDrawingData& /*data*/) {}
void NormalizeOldStyleNames(cDrawingData& /*data*/) {}
void ReanchorOldRightAlignedTexts(BodyState& /*state*/) {}
void ShiftOldStyledTextAnchors(BodyState& /*state*/) {}
void ConvertOldFontStyleNames(BodyState& /*state*/) {}
void ConvertOldPrintSettings(BodyState& /*state*/) {}

void RescaleDrawing(cDrawingData& /*data*/, cDrawing* /*drawing*/, cBlock& /*topBlock*/, double /*factor*/,
                    bool /*wallStyles*/) {}
void ScaleSectionsShowing(cBlock& block, const cDrawing& drawing, double factor) {
  const cDrawingDoc* document = drawing.Document();
  if (!document || !(factor != 0.0)) return;
  for (cOutObj* o = block.FirstObject(); o; o = o->next) {
    cSection* section = o->AsSection();
    if (!section) continue;
    const cSheet* shown = document->GetSheet(section->sheetIndex);
    if (!shown || &shown->Drawing() != &drawing) continue;
    // The shown drawing grew by the factor: the view keeps its size on this
    // sheet and looks at the same place of the drawing.
    section->scale /= factor;
    section->sourcePoint = {section->sourcePoint.x * factor, section->sourcePoint.y * factor};
    section->MarkDirty();
  }
}
void LoadGlyphsForObject(cDrawingData& data, cOutObj& object) {
  if (cText* text = object.AsText()) data.LoadGlyphsForText(*text);
}

void FixOldTurnedPictures(cDrawingDoc& /*document*/) {}
void AddPrintAreaSheets(cDrawingDoc& /*document*/) {}

}  // namespace kvn
