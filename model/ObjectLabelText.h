// The label text of an insert or a link, composed from an item list.
//
// The item list is a tab-separated run of items. An item that is one code
// unit of value 1 to 4 stands for a part of the object:
//   1  its name, or the block description when the name is empty
//   2, 3  two further name items: for a link the values of its first
//      attributes of kind 1 and kind 2, for an insert its description and
//      its first value
//   4  every attribute with a value, as "name (value)" (the value alone
//      without a name), one per line
// Any other item is taken as it stands (it may hold title-block fields,
// which the label text expands later). Items that come out empty are left
// out; the others are joined by CR LF.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

class AttributeList;

enum LabelItemCode : char16_t {
  kLabelItemName = 1,
  kLabelItemKind1 = 2,
  kLabelItemKind2 = 3,
  kLabelItemAttributes = 4,
};

struct LabelSource {
  WString name;
  WString blockDescription;
  WString item2;
  WString item3;
  const AttributeList* attributes = nullptr;
};

// Items 2 and 3 from the first attributes of kind 1 and kind 2.
LabelSource LabelSourceFromAttributes(const WString& name, const AttributeList* attributes);

WString BuildObjectLabelText(const WString& items, const LabelSource& source);

}  // namespace kvn
