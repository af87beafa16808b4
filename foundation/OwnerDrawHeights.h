// Heights measured once for owner-drawn combo boxes and lists, in pixels;
// 0 means not measured yet. The measuring belongs to the controls that use it.
#pragma once

namespace kvn {

struct OwnerDrawHeights {
  int fieldHeight = 0;  // selection field
  int itemHeight = 0;   // list item
  int comboHeight = 0;  // control
};

}  // namespace kvn
