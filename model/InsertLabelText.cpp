// The default label composition; see InsertLabelText.h.
#include "model/InsertLabelText.h"

#include "model/cInsert.h"

namespace kvn {

WString BuildInsertLabelText(const cInsert& insert, const WString& items, cDrawingData* data) {
  if (items.Length() != 1 || items[0] > 4 || items[0] == 0) return items;
  WString out;
  switch (items[0]) {
    case 1: out = *insert.GetDisplayName(data); break;
    case 2: insert.GetDescription(out, data, nullptr); break;
    case 3: insert.GetFirstValue(out); break;
    default:
      for (std::uint32_t i = 0; i < insert.attributes.Count(); ++i) {
        const AttributeItem* item = insert.attributes.Get(i);
        if (item->value.IsEmpty()) continue;
        if (!out.IsEmpty()) out.AppendCStr(u"\r\n");
        out.Append(item->name);
        out.AppendCStr(u" (");
        out.Append(item->value);
        out.AppendChar(u')');
      }
      break;
  }
  return out;
}

}  // namespace kvn
