#include "dwg/container/DwgSimpleAssembly.h"

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
    if (layer.trueColor >= 0) {
      const std::uint32_t rgb = std::uint32_t(layer.trueColor);
      level->color = (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
    }
  }
  if (levels.InUse()) levels.SetCurrentIndex(0);
  const ImportMatrix identity;
  ObjectChain objects;
  const OwnedArray<cOneObjRec>& records = reader.defaultBlock.entities;
  for (std::uint32_t i = 0; i < records.Count(); ++i) {
    const cOneObjRec& record = *records[i];
    ObjectChain made = record.MakeObject(&identity, &reader, nullptr);
    for (cOutObj* object = made.Head(); object; object = object->next) object->SetLevel(record.level);
    objects.AppendChain(std::move(made));
  }
  sheet.TopBlock().AppendChain(std::move(objects));
  cDrawing& drawing = sheet.Drawing();
  drawing.formatOrigin = DPoint{};
  drawing.printMargins = DPoint{};
  drawing.InvalidateSummary(0);
  document->name = path;
  document->SetFilePath(path);
  return document;
}

}  // namespace kvn
