#include "import/records/DwgCodePages.h"

#include <strings.h>

namespace kvn {

namespace {

// Row 1 "ascii" gives ISO 8859-2 rather than a Western code page, and row 43
// names UTF-16, which no byte string is written in; both are kept as the
// drawings' writers number them.
constexpr DwgCodePageRow kCodePageRows[kDwgCodePageRows] = {
    {0, "", ""},
    {28592, "ascii", "ASCII 7-bit"},
    {1252, "iso8859-1", "Latin 1; Western European"},
    {28592, "iso8859-2", "Central European"},
    {28593, "iso8859-3", "Latin 3"},
    {28594, "iso8859-4", "Baltic"},
    {28595, "iso8859-5", "Cyrillic"},
    {28596, "iso8859-6", "Arabic"},
    {28597, "iso8859-7", "Greek"},
    {1255, "iso8859-8", "Hebrew"},
    {28599, "iso8859-9", "Turkish"},
    {437, "dos437", "United States"},
    {850, "dos850", "Latin 1; Western European"},
    {852, "dos852", "Latin 2; Central European"},
    {855, "dos855", "Cyrillic"},
    {857, "dos857", "Turkish"},
    {860, "dos860", "Portuguese"},
    {861, "dos861", "Icelandic"},
    {863, "dos863", "French Canadian"},
    {864, "dos864", "Arabic"},
    {865, "dos865", "Nordic"},
    {869, "dos869", "Modern Greek"},
    {932, "dos932", "Japanese (Shift-JIS)"},
    {10000, "mac-roman", "MAC Roman; Western European (Mac)"},
    {950, "big5", "Chinese Traditional (Big5)"},
    {949, "ksc5601", "Korean"},
    {1361, "johab", "Korean (Johab)"},
    {866, "dos866", "OEM Russian; Cyrillic (DOS)"},
    {1250, "ansi_1250", "Central European"},
    {1251, "ansi_1251", "Cyrillic"},
    {1252, "ansi_1252", "Latin 1; Western European"},
    {936, "gb2312", "Chinese Simplified (GB2312)"},
    {1253, "ansi_1253", "Greek"},
    {1254, "ansi_1254", "Turkish"},
    {1255, "ansi_1255", "Hebrew"},
    {1256, "ansi_1256", "Arabic"},
    {1257, "ansi_1257", "Baltic"},
    {874, "ansi_874", "Thai (ISO 8859-11)"},
    {932, "ansi_932", "Japanese (Shift-JIS)"},
    {936, "ansi_936", "Chinese Simplified"},
    {949, "ansi_949", "Korean"},
    {950, "ansi_950", "Chinese Traditional"},
    {1361, "ansi_1361", "Korean (Johab)"},
    {1200, "ansi_1200", ""},
    {1258, "ansi_1258", "Vietnamese"},
};

}  // namespace

const DwgCodePageRow* DwgCodePageRowAt(int row) {
  return row >= 0 && row < kDwgCodePageRows ? &kCodePageRows[row] : nullptr;
}

int CodePageFromName(const char* name) {
  if (!name) return 0;
  for (const DwgCodePageRow& row : kCodePageRows) {
    if (strcasecmp(row.name, name) == 0) return row.codePage;
  }
  return 0;
}

int CodePageFromIndex(int row) { return row >= 1 && row < kDwgCodePageRows ? kCodePageRows[row].codePage : 0; }

int CodePageRowOfIndex(int row) { return row >= 0 && row < kDwgCodePageRows ? kCodePageRows[row].codePage : 0; }

int RowOfCodePage(int codePage) {
  for (int i = 0; i < kDwgCodePageRows; ++i) {
    if (kCodePageRows[i].codePage == codePage) return i;
  }
  return -1;
}

int CodePageForBytes(int codePage) { return codePage == 1200 ? 65001 : codePage; }

WString CodePageListText() {
  WString out;
  for (int i = 0; i < kDwgCodePageRows; ++i) {
    if (i > 0) out.AppendChar(u'\t');
    out.Append(WString(0, kCodePageRows[i].name));
    out.Append(WString(u" - "));
    out.Append(WString(0, kCodePageRows[i].description));
  }
  return out;
}

}  // namespace kvn
