// The label text of an insert or a link, composed from an item list.
//
// The item list is a tab-separated run of items. An item that is one code
// unit of value 1 to 4 stands for a part of the object:
//   1  its name, or the block description when the name is empty
//   2  the value of its first attribute of kind 1
//   3  the value of its first attribute of kind 2
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
  WString description;
  const AttributeList* attributes = nullptr;
};

WString BuildObjectLabelText(const WString& items, const LabelSource& source);

}  // namespace kvn
