// The header lines of single-sheet files: "key=value", keys matched without
// regard to case. Old files (below version 3000) stored lengths in quarter
// units and had the view centre's axes swapped and negated.
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "document/BodyReader.h"
#include "document/NativeFormat.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "foundation/AString.h"
#include "model/LevelTable.h"
#include "model/cDrawingData.h"

namespace kvn {

namespace {

enum class Key {
  kComment = 1, kVersion, kAllObjects, kRt, kScale, kCenterX, kCenterY, kFormatX, kFormatY, kPrintMargin,
  kPrintScale, kIsGrid, kGridX, kGridY, kMinStepX, kMinStepY, kLevels, kActualLevel, kHideLevels,
  kActiveLevels, kPrintLevels, kColorLevels, kLevel, kViewMode, kPrinterFormatX, kPrinterFormatY,
  kOrientation, kPrintFormatMode, kPrinterPaperId, kPrintFormatX, kPrintFormatY, kPrintMarginX,
  kPrintMarginY, kPrintAreaT, kPrintAreaD, kPrintAreaL, kPrintAreaR,
};

struct KeyName {
  const char* name;
  Key key;
};

constexpr KeyName kKeys[] = {
    {"Comment", Key::kComment},           {"Version", Key::kVersion},
    {"AllObjects", Key::kAllObjects},     {"Rt", Key::kRt},
    {"Scale", Key::kScale},               {"CenterX", Key::kCenterX},
    {"CenterY", Key::kCenterY},           {"FormatX", Key::kFormatX},
    {"FormatY", Key::kFormatY},           {"PrintMargin", Key::kPrintMargin},
    {"PrintScale", Key::kPrintScale},     {"IsGrid", Key::kIsGrid},
    {"GridX", Key::kGridX},               {"GridY", Key::kGridY},
    {"MinStepX", Key::kMinStepX},         {"MinStepY", Key::kMinStepY},
    {"Levels", Key::kLevels},             {"ActualLevel", Key::kActualLevel},
    {"HideLevels", Key::kHideLevels},     {"ActiveLevels", Key::kActiveLevels},
    {"PrintLevels", Key::kPrintLevels},   {"ColorLevels", Key::kColorLevels},
    {"Level", Key::kLevel},               {"ViewMode", Key::kViewMode},
    {"PrinterFormatX", Key::kPrinterFormatX}, {"PrinterFormatY", Key::kPrinterFormatY},
    {"Orientation", Key::kOrientation},   {"PrintFormatMode", Key::kPrintFormatMode},
    {"PrinterPaperID", Key::kPrinterPaperId}, {"PrintFormatX", Key::kPrintFormatX},
    {"PrintFormatY", Key::kPrintFormatY}, {"PrintMarginX", Key::kPrintMarginX},
    {"PrintMarginY", Key::kPrintMarginY}, {"PrintAreaT", Key::kPrintAreaT},
    {"PrintAreaD", Key::kPrintAreaD},     {"PrintAreaL", Key::kPrintAreaL},
    {"PrintAreaR", Key::kPrintAreaR},
};

bool EqualsNoCase(std::string_view a, const char* b) {
  const std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char(x - 32);
    if (y >= 'a' && y <= 'z') y = char(y - 32);
    if (x != y) return false;
  }
  return true;
}

// The value as a decimal real: leading blanks skipped, the longest number
// that the text starts with; 0 when it starts with none.
double ParseReal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && text[i] == '+') ++i;
  double value = 0.0;
  std::from_chars(text.data() + i, text.data() + text.size(), value, std::chars_format::general);
  return value;
}

// Rounded to the nearest integer, clamped into 32 bits (NaN gives 0).
std::int32_t RoundValue(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return std::int32_t(std::lround(value));
}

// The integers of keys 19-22: each skips what is not in "0123456789-+",
// then converts the run of such characters (its leading digits with their
// sign). False when the text holds no further run.
bool NextInteger(std::string_view text, std::size_t& cursor, std::int32_t& out) {
  auto inSet = [](char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+'; };
  while (cursor < text.size() && !inSet(text[cursor])) ++cursor;
  if (cursor >= text.size()) return false;
  std::size_t start = cursor;
  while (cursor < text.size() && inSet(text[cursor])) ++cursor;
  std::string_view run = text.substr(start, cursor - start);
  bool negative = false;
  std::size_t i = 0;
  if (i < run.size() && (run[i] == '-' || run[i] == '+')) negative = run[i++] == '-';
  std::int64_t value = 0;
  for (; i < run.size() && run[i] >= '0' && run[i] <= '9'; ++i) {
    value = value * 10 + (run[i] - '0');
    if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;
  }
  out = std::int32_t(negative ? -value : value);
  return true;
}

WString FromCodePage1250(std::string_view text) {
  WString out;
  out.AssignBytes(1250, text.data(), int(text.size()));
  return out;
}

}  // namespace

AString UnescapeHeaderComment(const AString& text) {
  std::string out;
  const char* s = text.CStr();
  const int n = text.Length();
  for (int i = 0; i < n; ++i) {
    if (s[i] == '\\' && i + 2 < n && s[i + 1] == '`') {
      out.push_back(char(std::uint8_t(s[i + 2]) - 32));
      i += 2;
      continue;
    }
    out.push_back(s[i]);
  }
  return AString(out.c_str(), 0, int(out.size()));
}

void ApplyHeaderLine(HeaderKeyTarget& target, const char* line, std::size_t length) {
  std::string_view all(line, length);
  const std::size_t eq = all.find('=');
  std::string_view keyText = eq == std::string_view::npos ? all : all.substr(0, eq);
  std::string_view text;
  double value = 0.0;
  if (eq != std::string_view::npos) {
    text = all.substr(eq + 1);
    if (!text.empty() && text[0] == '`') {
      text = text.substr(1);
    } else {
      value = ParseReal(text);
    }
  }
  const KeyName* found = nullptr;
  for (const KeyName& k : kKeys) {
    if (EqualsNoCase(keyText, k.name)) {
      found = &k;
      break;
    }
  }
  if (!found) return;

  cDrawing* drawing = target.drawing;
  cDrawingData* data = target.data;
  const bool old = target.version < 3000;
  const double quarter = old ? value * 0.25 : value;
  LevelTable* levels = data ? &data->Levels() : nullptr;

  // Keys 19-22 walk the levels in table order, one integer each.
  auto forEachLevel = [&](auto apply) {
    if (!levels) return;
    std::size_t cursor = 0;
    for (std::uint32_t i = 0; i < levels->Count(); ++i) {
      std::int32_t v;
      if (!NextInteger(text, cursor, v)) break;
      if (LevelRecord* level = levels->FindLevel(std::uint16_t(i))) apply(*level, v);
    }
  };

  switch (found->key) {
    case Key::kComment:
      if (target.document) {
        std::string raw(text);
        AString unescaped = UnescapeHeaderComment(AString(raw.c_str(), 0, int(raw.size())));
        target.document->comment = FromCodePage1250(std::string_view(unescaped.CStr(), unescaped.Length()));
      }
      break;
    case Key::kVersion: target.version = RoundValue(value); break;
    case Key::kAllObjects:
      if (drawing) drawing->allObjects = value == 0.0 ? 0 : 1;
      break;
    case Key::kRt:
    case Key::kPrinterFormatX:
    case Key::kPrinterFormatY:
    case Key::kPrintFormatMode: break;
    case Key::kScale:
      if (data) data->SetScale(value * 0.01);
      break;
    case Key::kCenterX:
      if (!drawing) break;
      if (!old) {
        drawing->viewCentre.x = value;
      } else {
        drawing->viewCentre.y = value == -1.0 ? 0.0 : -(value * 0.25);
      }
      break;
    case Key::kCenterY:
      if (!drawing) break;
      if (!old) {
        drawing->viewCentre.y = value;
      } else {
        drawing->viewCentre.x = value == -1.0 ? 0.0 : -(value * 0.25);
      }
      break;
    default: break;
  }
  if (!drawing) return;
  switch (found->key) {
    case Key::kFormatX: drawing->formatSize.x = quarter; break;
    case Key::kFormatY: drawing->formatSize.y = quarter; break;
    case Key::kPrintMargin: drawing->tileOverlap = quarter; break;
    case Key::kPrintScale: drawing->printScale = value; break;
    case Key::kIsGrid:
      drawing->gridMode = std::uint8_t(RoundValue(value));
      drawing->gridMode2 = drawing->gridMode;
      break;
    case Key::kGridX: drawing->gridStep.x = quarter; break;
    case Key::kGridY: drawing->gridStep.y = quarter; break;
    case Key::kMinStepX: drawing->minStep.x = value > 0.0 ? value : 0.0; break;
    case Key::kMinStepY: drawing->minStep.y = value > 0.0 ? value : 0.0; break;
    case Key::kLevels:
      if (levels) {
        // InsertLevel refuses past the table's limit, which also ends a
        // damaged count early.
        const std::int32_t n = RoundValue(value);
        for (std::int32_t i = 0; i < n; ++i) {
          if (!levels->InsertLevel(WString(u"0"), nullptr, 0xFFFFFFFF)) break;
        }
      }
      break;
    case Key::kActualLevel: drawing->currentLevel = std::uint16_t(RoundValue(value)); break;
    case Key::kHideLevels:
      forEachLevel([](LevelRecord& level, std::int32_t v) { level.visible = v != 0 ? 1 : 0; });
      break;
    case Key::kActiveLevels:
      forEachLevel([](LevelRecord& level, std::int32_t v) { level.firstFlag = v != 0 ? 1 : 0; });
      break;
    case Key::kPrintLevels:
      forEachLevel([](LevelRecord& level, std::int32_t v) { level.printable = v != 0 ? 1 : 0; });
      break;
    case Key::kColorLevels:
      forEachLevel([](LevelRecord& level, std::int32_t v) { level.color = std::uint32_t(v) & 0x01FFFFFF; });
      break;
    case Key::kLevel:
      if (levels && target.nextNamedLevel < levels->Count()) {
        if (LevelRecord* level = levels->FindLevel(std::uint16_t(target.nextNamedLevel))) {
          level->name = FromCodePage1250(text);
        }
        ++target.nextNamedLevel;
      }
      break;
    case Key::kViewMode:
      if (value != 0.0) drawing->viewMode = 1;
      break;
    case Key::kOrientation: drawing->printOrientation = RoundValue(value); break;
    case Key::kPrinterPaperId:
      if (value >= 1.0) drawing->paperId = std::uint16_t(RoundValue(value));
      break;
    case Key::kPrintFormatX: drawing->printFormatSize.x = quarter; break;
    case Key::kPrintFormatY: drawing->printFormatSize.y = quarter; break;
    case Key::kPrintMarginX: drawing->printMargins.x = value; break;
    case Key::kPrintMarginY: drawing->printMargins.y = value; break;
    case Key::kPrintAreaT: drawing->printArea.y1 = value; break;
    case Key::kPrintAreaD: drawing->printArea.y2 = value; break;
    case Key::kPrintAreaL: drawing->printArea.x1 = value; break;
    case Key::kPrintAreaR: drawing->printArea.x2 = value; break;
    default: break;
  }
}

}  // namespace kvn
