// Heights measured once for owner-drawn combo boxes and lists, in pixels;
// 0 means not measured yet. The measuring itself needs the toolkit (two
// hidden combo boxes, platform/ui/OwnerDrawMeasure.h); the arithmetic on
// what they report is here.
#pragma once

#include <cstdint>

namespace kvn {

struct OwnerDrawHeights {
  int fieldHeight = 0;  // selection field
  int itemHeight = 0;   // list item
  int comboHeight = 0;  // control
};

// The heights kept when nothing can be measured (no font).
inline constexpr int kOwnerDrawStartField = 15;
inline constexpr int kOwnerDrawStartItem = 16;
inline constexpr int kOwnerDrawStartCombo = 21;

// What the two measuring combos report, both in the same font.
struct OwnerDrawMeasurement {
  int plainFieldHeight = 0;   // a plain drop-down list's selection field
  int plainHeight = 0;        // its window height H
  int askedFieldHeight = -1;  // the field height F an owner-drawn one asked for; -1 when it asked none
  int ownerDrawnHeight = 0;   // the owner-drawn one's window height H'
};

void SetOwnerDrawStartHeights(OwnerDrawHeights& heights);
// From the start heights: item = max(16, plain field); with F recorded,
// field = max(10, F + H - H') so that the owner-drawn combo is as tall as a
// plain one; combo = max(15, H).
void ApplyOwnerDrawMeasurement(OwnerDrawHeights& heights, const OwnerDrawMeasurement& m);

// Item id -1 of a combo box is its selection field.
inline constexpr std::uint32_t kOwnerDrawFieldItem = 0xFFFFFFFFu;
// The height an owner-drawn item is given: the field height for the
// selection field of a combo box, the item height for everything else.
int OwnerDrawItemHeight(const OwnerDrawHeights& heights, bool comboBox, std::uint32_t itemId);

}  // namespace kvn
