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
#include "model/cInsert.h"
#include "model/cLink.h"
#include "model/cSection.h"
#include "model/cText.h"

namespace kvn {

std::uint32_t* InsertBlockIndexOf(cOutObj& object) {
  cInsert* insert = object.AsInsert();
  return insert ? &insert->blockIndex : nullptr;
}

void ConvertOldSymbolLine(cOutObj& /*object*/, std::uint32_t /*symbolBlock*/, BlockListContext& /*context*/) {}

void ConnectLinksToInserts(const std::vector<cOutObj*>& links, const std::vector<cOutObj*>& inserts,
                           std::uint32_t firstInsertNumber) {
  // A file's numbers are the inserts' places in the reading order, which are
  // their running ids only when a fresh process reads its first file; the
  // ends get the running ids the inserts have now.
  auto runningIdOf = [&](std::uint32_t stored) -> std::uint32_t {
    if (stored <= firstInsertNumber) return 0;
    const std::uint64_t i = std::uint64_t(stored) - firstInsertNumber - 1;
    if (i >= inserts.size()) return 0;
    const cInsert* insert = inserts[std::size_t(i)]->AsInsert();
    return insert ? insert->RunningId() : 0;
  };
  for (cOutObj* object : links) {
    cLink* link = object->AsLink();
    if (!link) continue;
    link->SetStartInsert(runningIdOf(link->end1Number), link->end1Index);
    link->SetEndInsert(runningIdOf(link->end2Number), link->end2Index);
  }
}

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
