// Conversions that bring a drawing read from an old file to the current
// model, run after the body is read, in their fixed order. The prototype
// shape and text of files before 3061 come from the tagged settings; their
// sizes were stored in quarter units and scaled by the drawing scale.
#include <algorithm>
#include <cmath>

#include "document/BodyReader.h"
#include "document/HandOvers.h"
#include "document/cDrawing.h"
#include "document/cSheet.h"
#include "foundation/ArchiveReader.h"
#include "foundation/GrowArray.h"
#include "foundation/InFileStream.h"
#include "model/LevelTable.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cRectangle.h"
#include "model/cStyleFill.h"
#include "model/cStyleLine.h"
#include "model/cStyleLink.h"
#include "model/cStyleWall.h"
#include "model/cText.h"

namespace kvn {

namespace {

double PositiveScale(const cDrawingData& data) { return data.Scale() > 0.0 ? data.Scale() : 1.0; }

// A level table not in use and without levels. The table's own reader
// starts by emptying it, and a current-form table record of a single 0 bit
// says "no level table".
void EmptyLevelTable(LevelTable& levels) {
  ByteArray zero;
  const std::uint8_t noTable = 0;
  zero.AppendBytes(&noTable, 1);
  InFileStream in = InFileStream::FromMemory(zero);
  ArchiveReader r(&in);
  (void)levels.Read(3111, r);
}

// The prototype shape as the tagged settings give it (files before 3061).
void ApplyOldShapeFields(BodyState& state, cRectangle& shape) {
  const OldBodySettings& old = state.old;
  const int v = state.version;
  const double scale = PositiveScale(state.data);
  shape.stroke.color = old.shapeLineColor & 0x00FFFFFF;
  shape.stroke.lineType = old.shapeLineType;
  shape.stroke.width = old.shapeWidth;
  shape.fill.fillColor = old.shapeFillColor & 0x80FFFFFF;
  shape.fill.hatchKind = old.shapeKind;
  double hatchValue = old.shapeHatchValue;  // C
  double hatchScale = old.shapeHatchScale;  // D
  double patternScale = old.shapePatternScale;  // B
  if (v < 3050) shape.stroke.width *= scale;
  if (v < 3056) {
    hatchValue = scale * 0.25;
    hatchScale = 1.0;
  }
  if (v < 3068) {
    // Pattern and hatch scales became relative to the pen and hatch widths.
    if (v < 3058) {
      patternScale = 1.0;
      hatchScale = 1.0;
    }
    if (!(patternScale > 0.0)) patternScale = 1.0;
    if (!(hatchScale > 0.0)) hatchScale = 1.0;
    patternScale *= std::max(4.0 * shape.stroke.width, scale);
    hatchScale = 4.0 * hatchValue > scale ? 4.0 * hatchValue * hatchScale : hatchScale * scale;
  }
  shape.stroke.patternScale = patternScale;
  shape.fill.hatchValue = hatchValue;
  shape.fill.hatchScale = hatchScale;
  if (v < 3053) {
    // Old kinds: 0 no fill, 1 solid, k > 1 hatch k - 1 over a white ground.
    const std::uint8_t kind = old.shapeKind;
    if (kind == 0) {
      shape.fill.fillColor = 0x80000000;
    } else if (kind == 1) {
      shape.fill.hatchKind = 0;
    } else {
      shape.fill.hatchKind = std::uint8_t(kind - 1);
      shape.fill.hatchColor = shape.fill.fillColor;
      shape.fill.fillColor = 0xFFFFFF;
    }
  }
  shape.MarkDirty();
}

// Every object of every block of the table (and of the top block's
// blocks, never the top block itself) goes to no level.
void ResetBlockObjectLevels(cDrawingData& data) {
  for (std::uint32_t i = 0; i < data.BlockCount(); ++i) {
    cBlock* block = data.GetBlock(i);
    if (!block) continue;
    block->InvalidateChecksum();
    for (cOutObj* o = block->FirstObject(); o; o = o->next) o->SetLevel(kNoLevel);
  }
}

void ResetStyleObjectLevels(cDrawingData& data) {
  for (cStyleLine* style : data.LineStyles()) {
    for (cOutObj* o = style->symbol.Head(); o; o = o->next) o->SetLevel(kNoLevel);
  }
  for (cStyleFill* style : data.FillStyles()) {
    for (cOutObj* o = style->symbol.Head(); o; o = o->next) o->SetLevel(kNoLevel);
  }
}

// Link and wall styles that name a line (or fill) style beyond its table
// draw with their own values instead.
void DropDanglingStyleIndexes(cDrawingData& data) {
  const std::uint32_t lineCount = data.LineStyles().Count();
  const std::uint32_t fillCount = data.FillStyles().Count();
  auto fixLine = [lineCount](DrawAttributes& a) {
    if (a.lineStyle != kNoStyle && a.lineStyle >= lineCount) {
      a.lineStyle = kNoStyle;
      a.width = 0.0;
      a.patternScale = 1.0;
    }
  };
  for (cStyleLink* style : data.LinkStyles()) fixLine(style->attributes);
  for (cStyleWall* style : data.WallStyles()) {
    fixLine(style->attributes);
    if (style->attributes.fillStyle != kNoStyle && style->attributes.fillStyle >= fillCount) {
      style->attributes.fillStyle = kNoStyle;
    }
  }
}

}  // namespace

void ConvertOldDrawing(BodyState& state) {
  const int v = state.version;
  cDrawing& d = state.drawing;
  cDrawingData& data = state.data;
  LevelTable& levels = data.Levels();
  const double scale = PositiveScale(data);

  if (v < 3054 && v >= 2000) {
    if (!levels.InUse() || levels.Count() == 0) d.libraryFlag = 1;
    levels.MakeNamesUnique();
  }
  if (d.libraryFlag) EmptyLevelTable(levels);

  if (state.old.hasShapeFields) {
    if (cOutObj* shape = d.PrototypeShape()) {
      if (cAnyFill* fill = shape->AsAnyFill()) {
        if (cRectangle* rect = fill->AsRectangle()) ApplyOldShapeFields(state, *rect);
      }
    }
  }
  if (cOutObj* object = d.PrototypeText()) {
    if (cText* text = object->AsText()) {
      if (state.old.hasTextFields) text->ApplyTextAttributes(state.old.textFields, false);
      if (v < 3050) text->attr.height *= scale;
    }
  }
  if (v < 3047) d.gridMode2 = d.gridMode;
  if (v < 3058 && state.old.hasViewPoint) {
    d.viewCentre = {scale * state.old.viewPoint.x + state.old.viewOffset.x,
                    scale * state.old.viewPoint.y + state.old.viewOffset.y};
  }
  if (v < 3094) ResetBlockObjectLevels(data);
  if (v < 3054) NormalizeOldStyleNames(data);
  if (v < 3056) ReanchorOldRightAlignedTexts(state);
  if (v < 3077) ShiftOldStyledTextAnchors(state);
  if (v < 3079) ConvertOldFontStyleNames(state);
  if (v < 3082) ConvertOldPrintSettings(state);
  if (v < 3068) {
    if (v < 3059) d.pageResetFlag = 1;
    auto roundMargin = [](double& m) {
      if (m > 0.0) m = std::floor(m * 10.0 + 0.5) / 10.0;
    };
    roundMargin(d.printMargins.x);
    roundMargin(d.printMargins.y);
    if (d.pageResetFlag) d.storedCurrentPage = 0;
  }
  if (v < 3095) ResetStyleObjectLevels(data);
  DropDanglingStyleIndexes(data);
}

}  // namespace kvn
