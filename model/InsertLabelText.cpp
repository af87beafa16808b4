#include "model/InsertLabelText.h"

#include "model/ObjectLabelText.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"

namespace kvn {

WString BuildInsertLabelText(const cInsert& insert, const WString& items, cDrawingData* data) {
  LabelSource source;
  if (const WString* name = insert.GetDisplayName(data)) source.name = *name;
  if (data && insert.blockIndex < data->BlockCount()) {
    if (const cBlock* block = data->GetBlock(insert.blockIndex)) source.blockDescription = block->description;
  }
  insert.GetDescription(source.item2, data, nullptr);
  insert.GetFirstValue(source.item3);
  source.attributes = &insert.attributes;
  return BuildObjectLabelText(items, source);
}

}  // namespace kvn
