// The paper table: names and sizes of the printer paper ids (1 to 256) from
// the embedded resource PAPER_TABLE 1, and the built-in large formats
// 10000-10007, independent of any printer.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "foundation/WString.h"

namespace kvn {

struct PaperSizeMm {
  double width = 0, height = 0;
};

// One line of the table: the paper id, its name and its size in millimetres.
struct PaperTableEntry {
  int id = 0;
  WString name;
  PaperSizeMm size;
};

// The built-in large formats, portrait.
inline constexpr int kFirstBuiltInPaper = 10000;
inline constexpr int kBuiltInPaperCount = 8;
struct BuiltInPaper {
  int id;
  const char16_t* name;
  const char16_t* longName;  // the name with its size, as the choice list shows it
  PaperSizeMm size;
};
std::span<const BuiltInPaper> BuiltInPapers();

// Parses table text: code page 1252, CR ignored, LF ends a line (text after
// the last LF is not a line); lines "id,width,height,name" with the sizes in
// tenths of a millimetre and the name everything after the third comma.
// Lines with fewer than three commas or an id outside 1..256 are skipped;
// numbers read as atoi does (garbage gives 0). Reading stops at a NUL byte.
std::vector<PaperTableEntry> ParsePaperTable(std::span<const std::uint8_t> text);

// Parses the resource once; a missing resource leaves the table empty and
// the next call tries again.
void LoadPaperTable();
// Forgets the loaded table, so that the next use parses the resource again
// (for tests that replace the resource).
void ClearPaperTable();
// The process-wide table (loads it first).
const std::vector<PaperTableEntry>& PaperTable();

// The size of a paper: the built-in formats without loading the table, else
// the first table entry of that id; 0 x 0 for an unknown id.
void GetPaperSizeMm(PaperSizeMm& size, int id);

// The name, plus " (w x h mm)" when both sides are positive.
WString PaperLabel(const PaperTableEntry& entry);

// The entry at `index`: name, label (the name, plus " (w x h mm)" when both
// sides are positive), id and size. False outside the table, with the outputs
// cleared (id 0, size 0 x 0).
bool GetPaperTableEntry(WString& name, WString& label, int& id, int index, PaperSizeMm* size);

}  // namespace kvn
