#include "print/PaperTable.h"

#include <array>
#include <climits>

#include "foundation/Resources.h"
#include "foundation/TextFormat.h"

namespace kvn {

namespace {

constexpr std::array<BuiltInPaper, kBuiltInPaperCount> kBuiltIns{{
    {10000, u"A0", u"A0 (841 x 1189 mm)", {841, 1189}},
    {10001, u"A1", u"A1 (594 x 841 mm)", {594, 841}},
    {10002, u"B0", u"B0 (1000 x 1414 mm)", {1000, 1414}},
    {10003, u"B1", u"B1 (707 x 1000 mm)", {707, 1000}},
    {10004, u"B2", u"B2 (500 x 707 mm)", {500, 707}},
    {10005, u"B3", u"B3 (353 x 500 mm)", {353, 500}},
    {10006, u"B5", u"B5 (176 x 250 mm)", {176, 250}},
    {10007, u"B6", u"B6 (125 x 176 mm)", {125, 176}},
}};

constexpr int kPaperTableCodePage = 1252;
constexpr int kPaperTableResourceId = 1;

// atoi without its undefined overflow: leading blanks, a sign, then digits
// as far as they go; saturates instead of overflowing.
int ReadInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) {
      value = static_cast<long long>(INT_MAX) + 1;
      break;
    }
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

std::vector<PaperTableEntry>& Table() {
  static std::vector<PaperTableEntry> table;
  return table;
}

}  // namespace

std::span<const BuiltInPaper> BuiltInPapers() { return kBuiltIns; }

std::vector<PaperTableEntry> ParsePaperTable(std::span<const std::uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::uint8_t b : bytes) {
    if (b == 0) break;
    if (b != '\r') text.push_back(static_cast<char>(b));
  }
  std::vector<PaperTableEntry> entries;
  std::size_t start = 0;
  for (std::size_t lf = text.find('\n'); lf != std::string::npos; start = lf + 1, lf = text.find('\n', start)) {
    std::string_view line(text.data() + start, lf - start);
    std::size_t c1 = line.find(',');
    if (c1 == std::string_view::npos) continue;
    std::size_t c2 = line.find(',', c1 + 1);
    if (c2 == std::string_view::npos) continue;
    std::size_t c3 = line.find(',', c2 + 1);
    if (c3 == std::string_view::npos) continue;
    int id = ReadInt(line.substr(0, c1));
    if (id < 1 || id > 256) continue;
    PaperTableEntry entry;
    entry.id = id;
    entry.size.width = ReadInt(line.substr(c1 + 1, c2 - c1 - 1)) * 0.1;
    entry.size.height = ReadInt(line.substr(c2 + 1, c3 - c2 - 1)) * 0.1;
    std::string_view name = line.substr(c3 + 1);
    entry.name.AssignBytes(kPaperTableCodePage, name.data(), static_cast<int>(name.size()));
    entries.push_back(std::move(entry));
  }
  return entries;
}

void LoadPaperTable() {
  std::vector<PaperTableEntry>& table = Table();
  if (!table.empty()) return;
  table = ParsePaperTable(FindResource(ResourceType::PaperTable, kPaperTableResourceId));
}

void ClearPaperTable() { Table().clear(); }

const std::vector<PaperTableEntry>& PaperTable() {
  LoadPaperTable();
  return Table();
}

void GetPaperSizeMm(PaperSizeMm& size, int id) {
  for (const BuiltInPaper& paper : kBuiltIns) {
    if (paper.id == id) {
      size = paper.size;
      return;
    }
  }
  size = {};
  for (const PaperTableEntry& entry : PaperTable()) {
    if (entry.id == id) {
      size = entry.size;
      return;
    }
  }
}

WString PaperLabel(const PaperTableEntry& entry) {
  WString label = entry.name;
  if (entry.size.width > 0 && entry.size.height > 0) {
    label.AppendCStr(u" (").Append(FormatDouble(entry.size.width, 1));
    label.AppendCStr(u" x ").Append(FormatDouble(entry.size.height, 1)).AppendCStr(u" mm)");
  }
  return label;
}

bool GetPaperTableEntry(WString& name, WString& label, int& id, int index, PaperSizeMm* size) {
  const std::vector<PaperTableEntry>& table = PaperTable();
  name = WString();
  label = WString();
  id = 0;
  if (size) *size = {};
  if (index < 0 || static_cast<std::size_t>(index) >= table.size()) return false;
  const PaperTableEntry& entry = table[static_cast<std::size_t>(index)];
  id = entry.id;
  name = entry.name;
  label = PaperLabel(entry);
  if (size) *size = entry.size;
  return true;
}

}  // namespace kvn
