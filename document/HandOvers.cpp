// The bodies of the hand-over points; see HandOvers.h. They need the
// insert, link, section and bitmap classes, the fonts, the block table
// maintenance and the conversion tables of old drawings, which arrive with
// their own changes.
#include "document/HandOvers.h"

#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cText.h"

namespace kvn {

std::uint32_t* InsertBlockIndexOf(cOutObj& object) {
  cInsert* insert = object.AsInsert();
  return insert ? &insert->blockIndex : nullptr;
}

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
void ScaleSectionsShowing(cBlock& /*block*/, const cDrawing& /*drawing*/, double /*factor*/) {}
void LoadGlyphsForObject(cDrawingData& data, cOutObj& object) {
  if (cText* text = object.AsText()) data.LoadGlyphsForText(*text);
}

void FixOldTurnedPictures(cDrawingDoc& /*document*/) {}
void AddPrintAreaSheets(cDrawingDoc& /*document*/) {}

}  // namespace kvn
