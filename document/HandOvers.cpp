// The bodies of the hand-over points; see HandOvers.h. They need the
// insert, link, section and bitmap classes, the fonts, the block table
// maintenance and the conversion tables of old drawings, which arrive with
// their own changes.
#include "document/HandOvers.h"

#include <vector>

#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/LevelTable.h"
#include "model/SortedValueList.h"
#include "model/cAnyFill.h"
#include "model/cAnyLine.h"
#include "model/cBlock.h"
#include "model/cStyleFill.h"
#include "model/cStyleLine.h"
#include "model/cStyleLink.h"
#include "model/cStyleText.h"
#include "model/cStyleWall.h"
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

namespace {

void ScaleSortedList(SortedValueList& list, double factor) {
  std::vector<double> values(list.begin(), list.end());
  while (list.Count() > 0) list.RemoveAt(list.Count() - 1);
  for (double v : values) list.Insert(v * factor);
}

template <class Table>
void ScaleStyles(Table& table, double factor) {
  for (auto* style : table)
    if (style) style->Scale(factor);
}

}  // namespace

void RescaleDrawing(cDrawingData& data, cDrawing* drawing, cBlock& topBlock, double factor, bool wallStyles) {
  if (drawing) {
    for (SortedValueList& list : drawing->guideLines) ScaleSortedList(list, factor);
    for (DrawingSettingRecord& record : drawing->settingRecords) {
      record.first *= factor;
      record.second *= factor;
    }
    if (cOutObj* object = drawing->PrototypeText())
      if (cText* text = object->AsText()) text->attr.height *= factor;
    // The prototype shape's sizes: pen width and pattern scale, hatch line
    // width and hatch scale.
    if (cOutObj* object = drawing->PrototypeShape()) {
      if (cAnyLine* line = object->AsAnyLine()) {
        line->stroke.width *= factor;
        line->stroke.patternScale *= factor;
      }
      if (cAnyFill* fill = object->AsAnyFill()) {
        fill->fill.hatchValue *= factor;
        fill->fill.hatchScale *= factor;
      }
    }
  }
  if (factor != 0.0) {
    LevelTable& levels = data.Levels();
    for (std::uint32_t i = 0; i < levels.Count(); ++i)
      if (LevelRecord* level = levels.FindLevel(std::uint16_t(i))) level->value *= factor;
  }
  DoneBlockList done;
  TransformContext context{&done, &data, nullptr};
  for (cOutObj* o = topBlock.FirstObject(); o; o = o->next) {
    o->Scale(context, DPoint{0, 0}, DPoint{factor, factor});
    o->ScaleLineWidths(context, factor);
  }
  for (std::uint32_t i = 0; i < data.BlockCount(); ++i) {
    cBlock* block = data.GetBlock(i);
    if (!block) continue;
    for (cOutObj* o = block->FirstObject(); o; o = o->next) o->ScaleLineWidths(context, factor);
    block->InvalidateChecksum();
  }
  ScaleStyles(data.LineStyles(), factor);
  ScaleStyles(data.TextStyles(), factor);
  if (wallStyles) ScaleStyles(data.WallStyles(), factor);
  ScaleStyles(data.LinkStyles(), factor);
  ScaleStyles(data.FillStyles(), factor);
}
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
