#include "controls/ColorGrid.h"

#include <utility>

#include "platform/ui/Messages.h"

namespace kvn {

TColorGrid::TColorGrid(const TColorList& list, std::uint32_t initialColor, int margin,
                       std::vector<std::uint32_t> recent, bool* noColorResult)
    : list_(list), recent_(std::move(recent)), noColorResult_(noColorResult), selected_(initialColor & 0x00FFFFFF),
      margin_(margin) {
  if (list_.colors == nullptr || list_.count < 0) list_.count = 0;
  if (list_.columns < 1) list_.columns = 1;
  if (recent_.size() > 9) recent_.resize(9);
  for (int i = 0; i < list_.count; ++i) {
    if (list_.colors[i] == selected_) {
      current_ = i;
      break;
    }
  }
  // A grid whose no-colour choice is set starts on that row.
  if (list_.noColorRow && noColorResult_ && *noColorResult_) current_ = kNoColorCell;
  rows_ = (list_.count + list_.columns - 1) / list_.columns;
  width_ = 2 * margin_ + kCell * list_.columns;
  height_ = 2 * margin_ + kCell * rows_;
  if (list_.noColorRow) height_ += 26;
  if (list_.moreButton) height_ += 28;
  if (ShowsRecentRow()) height_ += 2 * margin_ + kCell;
}

TRect TColorGrid::CellRect(int cell) const {
  const int m = margin_;
  if (cell == kNoColorCell) return list_.noColorRow ? TRect{m, m, width_ - m, m + 22} : TRect{};
  if (cell == kMoreCell) {
    if (!list_.moreButton) return {};
    int bottom = height_ - m;
    if (ShowsRecentRow()) bottom -= 2 * m + kCell;
    return {m, bottom - 20, width_ - m, bottom};
  }
  if (cell >= 0 && cell < list_.count) {
    const int left = m + kCell * (cell % list_.columns);
    const int top = ColorsTop() + kCell * (cell / list_.columns);
    return {left, top, left + kCell, top + kCell};
  }
  if (cell >= kFirstRecentCell && cell - kFirstRecentCell < RecentCount() && list_.recentRow) {
    const int left = m + kCell * (cell - kFirstRecentCell);
    const int top = height_ - m - kCell;
    return {left, top, left + kCell, top + kCell};
  }
  return {};
}

int TColorGrid::CellAt(int x, int y) const {
  auto inside = [&](const TRect& r) { return !r.IsEmpty() && x >= r.left && x < r.right && y >= r.top && y < r.bottom; };
  if (inside(CellRect(kNoColorCell))) return kNoColorCell;
  if (inside(CellRect(kMoreCell))) return kMoreCell;
  const int m = margin_;
  if (x >= m && y >= ColorsTop()) {
    const int column = (x - m) / kCell;
    const int row = (y - ColorsTop()) / kCell;
    const int cell = row * list_.columns + column;
    if (column < list_.columns && row < rows_ && cell < list_.count) return cell;
  }
  for (int j = 0; j < RecentCount(); ++j) {
    if (inside(CellRect(kFirstRecentCell + j))) return kFirstRecentCell + j;
  }
  return kNone;
}

int TColorGrid::MovedHotCell(std::uint32_t vk) const {
  const int h = hot_;
  const int n = list_.count;
  const int c = list_.columns;
  // Where a move off the colours goes: the no-colour row, else the button,
  // else the last colour.
  const int beforeColors = list_.noColorRow ? kNoColorCell : (list_.moreButton ? kMoreCell : n - 1);
  const int afterColors = list_.moreButton ? kMoreCell : First();
  switch (vk) {
    case kVkHome: return First();
    case kVkEnd: return Last();
    case kVkLeft:
      if (h == kNone || h == kNoColorCell) return Last();
      if (h == kMoreCell) return n - 1;
      if (h == 0) return beforeColors;
      return h - 1;
    case kVkUp:
      if (h == kNone || h == kNoColorCell) return Last();
      if (h == kMoreCell) return n - 1;
      if (h - c >= 0) return h - c;
      return beforeColors;
    case kVkRight:
      if (h == kNone || h == kMoreCell) return First();
      if (h == kNoColorCell) return 0;
      if (h == n - 1) return afterColors;
      return h + 1;
    case kVkDown:
      if (h == kNone || h == kMoreCell) return First();
      if (h == kNoColorCell) return 0;
      if (h + c <= n - 1) return h + c;
      return afterColors;
    default: return h;
  }
}

int TColorGrid::Select(int cell) {
  if (cell == kNone) return 0;
  if (cell == kMoreCell) return kGridMoreColors;
  if (cell == current_) {
    if (cell == kNoColorCell && noColorResult_) *noColorResult_ = true;
    return kGridOk;
  }
  if (cell >= kFirstRecentCell) {
    const int j = cell - kFirstRecentCell;
    selected_ = j < RecentCount() ? recent_[std::size_t(j)] : 0;
    if (noColorResult_) *noColorResult_ = false;
    return kGridOk;
  }
  if (cell == kNoColorCell) {
    if (noColorResult_) *noColorResult_ = true;
    return kGridOk;
  }
  if (cell >= 0 && cell < list_.count) {
    current_ = cell;
    selected_ = list_.colors[cell];
    if (noColorResult_) *noColorResult_ = false;
    return kGridOk;
  }
  return 0;
}

int TColorGrid::Key(std::uint32_t vk) {
  switch (vk) {
    case kVkReturn:
    case kVkSpace:
      if (hot_ == kNone) return kGridNoHotCell;
      return Select(hot_);
    case kVkEscape: return kGridCancel;
    case kVkHome:
    case kVkEnd:
    case kVkLeft:
    case kVkUp:
    case kVkRight:
    case kVkDown: hot_ = MovedHotCell(vk); return 0;
    default: return 0;
  }
}

}  // namespace kvn
