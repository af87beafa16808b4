#include "model/ObjectLabelText.h"

#include "model/AttributeList.h"

namespace kvn {

namespace {

const char16_t kLineBreak[] = u"\r\n";

WString ValueOfKind(const AttributeList* list, std::uint8_t kind) {
  if (!list) return {};
  for (std::uint32_t i = 0; i < list->Count(); ++i) {
    const AttributeItem* item = list->Get(i);
    if (item && item->kind == kind) return item->value;
  }
  return {};
}

WString AttributeLines(const AttributeList* list) {
  WString out;
  if (!list) return out;
  for (std::uint32_t i = 0; i < list->Count(); ++i) {
    const AttributeItem* item = list->Get(i);
    if (!item || item->value.IsEmpty()) continue;
    if (!out.IsEmpty()) out.AppendCStr(kLineBreak);
    if (item->name.IsEmpty()) {
      out.Append(item->value);
    } else {
      out.Append(item->name);
      out.AppendCStr(u" (");
      out.Append(item->value);
      out.AppendChar(u')');
    }
  }
  return out;
}

WString ItemText(const WString& item, const LabelSource& source) {
  if (item.Length() != 1) return item;
  switch (item[0]) {
    case kLabelItemName: return source.name.IsEmpty() ? source.blockDescription : source.name;
    case kLabelItemKind1: return source.item2;
    case kLabelItemKind2: return source.item3;
    case kLabelItemAttributes: return AttributeLines(source.attributes);
    default: return item;
  }
}

}  // namespace

LabelSource LabelSourceFromAttributes(const WString& name, const AttributeList* attributes) {
  LabelSource source;
  source.name = name;
  source.item2 = ValueOfKind(attributes, 1);
  source.item3 = ValueOfKind(attributes, 2);
  source.attributes = attributes;
  return source;
}

WString BuildObjectLabelText(const WString& items, const LabelSource& source) {
  WString out;
  int start = 0;
  while (start <= items.Length()) {
    int end = items.FindCharFrom(u'\t', start);
    if (end < 0) end = items.Length();
    const WString text = ItemText(items.Mid(start, end - start), source);
    if (!text.IsEmpty()) {
      if (!out.IsEmpty()) out.AppendCStr(kLineBreak);
      out.Append(text);
    }
    start = end + 1;
  }
  return out;
}

}  // namespace kvn
