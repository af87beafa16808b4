// The paper formats the format dialogs offer (the built-in large formats,
// then the table's papers without repeated sizes), recognising a typed size
// as one of them, and the grid a proposed format origin snaps to.
#pragma once

#include <vector>

#include "foundation/DPoint.h"
#include "foundation/WString.h"
#include "print/PaperTable.h"

namespace kvn {

struct PaperChoiceEntry {
  int id = 0;
  WString longName;   // shown in the combo box
  WString shortName;
};

// The built-in entries first, then each table entry with a non-zero size
// whose size (either way round) no earlier table entry had.
std::vector<PaperChoiceEntry> MakePaperChoices(const std::vector<PaperTableEntry>& table);

// Fills the process-wide list once.
void BuildPaperChoiceList();
// The process-wide list (built first).
const std::vector<PaperChoiceEntry>& PaperChoiceList();

// The paper of the choice list whose size matches `size` within 0.5 mm on
// both sides: orientation 0 as given, 1 turned. -1 (orientation -1) when none.
int FindPaperBySize(int& orientation, WString& name, WString& shortName, PaperSizeMm size);

// The origin of a format covering rect (x1, y1, x2, y2): the lower-left corner
// floored to a step of 1, 5 or 10 times a power of ten near the hint (or a
// tenth of the extent without a hint).
DPoint SnapFormatOrigin(const double rect[4], double stepHint);

}  // namespace kvn
