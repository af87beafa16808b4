#include "dwg/container/DwgSimpleAssembly.h"

#include <algorithm>
#include <cmath>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "import/records/ImportMatrix.h"
#include "import/records/YxxfReader.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"

namespace kvn {

std::unique_ptr<cDrawingDoc> AssembleSimpleDrawing(YxxfReader& reader, const WString& path) {
  auto document = std::make_unique<cDrawingDoc>();
  document->AddSheet(std::make_unique<cSheet>());
  cSheet& sheet = *document->GetFirstSheet();
  cDrawingData* data = sheet.Data();
  data->SetScale(1.0);
  // The layer list's order is the level order: entity records name their
  // layer by its index.
  LevelTable& levels = data->Levels();
  for (std::uint32_t i = 0; i < reader.layers.Count(); ++i) {
    const YxxfLayerRec& layer = *reader.layers[i];
    LevelRecord* level = levels.InsertLevel(layer.name, nullptr, 0xFFFFFFFFu);
    if (!level) break;
    level->visible = layer.off || layer.frozen ? 0 : 1;
    level->firstFlag = layer.locked;
    // Colours stay the objects' own: mapping white to the background's
    // opposite is the import's styling.
  }
  if (levels.InUse()) levels.SetCurrentIndex(0);
  // Drawing coordinates grow downwards, the model's upwards.
  ImportMatrix toDrawing;
  toDrawing.m[5] = -1.0;
  ObjectChain objects;
  const OwnedArray<cOneObjRec>& records = reader.defaultBlock.entities;
  for (std::uint32_t i = 0; i < records.Count(); ++i) {
    const cOneObjRec& record = *records[i];
    ObjectChain made = record.MakeObject(&toDrawing, &reader, nullptr);
    for (cOutObj* object = made.Head(); object; object = object->next) object->SetLevel(record.level);
    objects.AppendChain(std::move(made));
  }
  sheet.TopBlock().AppendChain(std::move(objects));
  cDrawing& drawing = sheet.Drawing();
  // Without the import's paper and units, the scale makes the model fit an
  // A3 sheet, in whole steps (1:1, 1:2, ... 1:n).
  const DRect extent = drawing.GetExtent();
  const double fit = std::max(std::fabs(extent.x2 - extent.x1) / 420.0, std::fabs(extent.y2 - extent.y1) / 297.0);
  if (std::isfinite(fit) && fit > 1.0) data->SetScale(std::ceil(fit));
  drawing.formatOrigin = DPoint{};
  drawing.printMargins = DPoint{};
  drawing.InvalidateSummary(0);
  document->name = path;
  document->SetFilePath(path);
  return document;
}

}  // namespace kvn
