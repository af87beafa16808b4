#include "print/PaperChoice.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kvn {

namespace {

std::vector<PaperChoiceEntry>& ChoiceEntries() {
  static std::vector<PaperChoiceEntry> list;
  return list;
}

// log10(2.5) and log10(7.5): where 1, 5 and 10 split the decade.
constexpr double kLogTwoAndHalf = 0.39794;
constexpr double kLogSevenAndHalf = 0.8750613;
constexpr double kTinyExtent = 1.1920928955078125e-07;

}  // namespace

std::vector<PaperChoiceEntry> MakePaperChoices(const std::vector<PaperTableEntry>& table) {
  std::vector<PaperChoiceEntry> list;
  for (const BuiltInPaper& paper : BuiltInPapers()) {
    PaperChoiceEntry entry;
    entry.id = paper.id;
    entry.shortName = WString(paper.name);
    entry.longName = WString(paper.longName);
    list.push_back(std::move(entry));
  }
  std::vector<PaperSizeMm> taken;
  for (const PaperTableEntry& paper : table) {
    const PaperSizeMm s = paper.size;
    if (s.width == 0 || s.height == 0) continue;
    bool repeated = std::any_of(taken.begin(), taken.end(), [&](const PaperSizeMm& t) {
      return (t.width == s.width && t.height == s.height) || (t.width == s.height && t.height == s.width);
    });
    if (repeated) continue;
    taken.push_back(s);
    PaperChoiceEntry entry;
    entry.id = paper.id;
    entry.shortName = paper.name;
    entry.longName = PaperLabel(paper);
    list.push_back(std::move(entry));
  }
  return list;
}

void BuildPaperChoiceList() {
  if (!ChoiceEntries().empty()) return;
  ChoiceEntries() = MakePaperChoices(PaperTable());
}

const std::vector<PaperChoiceEntry>& PaperChoiceList() {
  BuildPaperChoiceList();
  return ChoiceEntries();
}

int FindPaperBySize(int& orientation, WString& name, WString& shortName, PaperSizeMm size) {
  orientation = -1;
  for (const PaperChoiceEntry& entry : PaperChoiceList()) {
    PaperSizeMm paper;
    GetPaperSizeMm(paper, entry.id);
    if (paper.width <= 0 || paper.height <= 0) continue;
    const double a = std::min(paper.width, paper.height);
    const double b = std::max(paper.width, paper.height);
    if (std::fabs(a - size.width) < 0.5 && std::fabs(b - size.height) < 0.5) {
      orientation = 0;
    } else if (std::fabs(a - size.height) < 0.5 && std::fabs(b - size.width) < 0.5) {
      orientation = 1;
    } else {
      continue;
    }
    name = entry.longName;
    shortName = entry.shortName;
    return entry.id;
  }
  return -1;
}

DPoint SnapFormatOrigin(const double rect[4], double stepHint) {
  const double extent = std::max(rect[2] - rect[0], rect[3] - rect[1]);
  if (!(extent > kTinyExtent)) return {};
  double step = stepHint > 0 ? stepHint : extent / 10;
  const double l = std::log10(step);
  const double whole = std::floor(l);
  const double f = l - whole;
  if (f < kLogTwoAndHalf) {
    step = std::pow(10.0, whole);
  } else if (f <= kLogSevenAndHalf) {
    step = 5 * std::pow(10.0, whole);
  } else {
    step = std::pow(10.0, std::ceil(l));
  }
  return {std::floor(rect[0] / step) * step, std::floor(rect[1] / step) * step};
}

}  // namespace kvn
