// The code-page table of DWG and DXF drawings: $DWGCODEPAGE names such as
// "ansi_1250", and the small code-page numbers of old drawing headers and of
// extended-data strings (the row index), turned into Windows code pages.
// 45 constant rows; row 0 is empty. Several code pages appear under two
// names (rows 1 and 3, 2 and 30, 9 and 34): look-ups by code page take the
// first row.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

struct DwgCodePageRow {
  std::uint16_t codePage;
  const char* name;
  const char* description;
};

inline constexpr int kDwgCodePageRows = 45;

// Null outside 0..44.
const DwgCodePageRow* DwgCodePageRowAt(int row);
// The first row whose name equals the text ignoring ASCII case; 0 when none.
int CodePageFromName(const char* name);
// Rows 1..44 give their code page, anything else 0 (the caller then keeps
// its default).
int CodePageFromIndex(int row);
// Rows 0..44 give their code page (row 0: 0), anything else 0.
int CodePageRowOfIndex(int row);
// The first row of the code page, or -1.
int RowOfCodePage(int codePage);
// The code page that decodes byte strings of a row's code page: 1200 names
// UTF-16, in which no byte string is written, and is read as UTF-8; every
// other code page is itself.
int CodePageForBytes(int codePage);
// Every row as "name - description", rows separated by a tab.
WString CodePageListText();

}  // namespace kvn
