// The colour grid's model: cell geometry, the hot and current cells, the
// keyboard table and what selecting a cell gives. TColorPickerZv
// (ColorPicker.h) paints it and feeds it mouse and keys; the model needs no
// window, so its rules are tested as they stand.
//
// Cells: -3 the no-colour row, -2 the "More colors" button, 0..n-1 the
// colours, 1000 + j the recent colour j, -1 none. Sizes in pixels: margin
// m, cells of 18, the no-colour row 22 high (26 with its gap), the button
// 20 high (28 with its gap), the recent row 18 high after a gap of 2 m.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace kvn {

// The list record a picker is made with.
struct TColorList {
  const std::uint32_t* colors = nullptr;
  int count = 0;
  int columns = 1;
  bool noColorRow = false;
  bool moreButton = false;
  bool recentRow = false;
};

// Dialog results of the grid.
inline constexpr int kGridOk = 1;
inline constexpr int kGridCancel = 2;
inline constexpr int kGridMoreColors = 6;
inline constexpr int kGridNoHotCell = 7;

class TColorGrid {
 public:
  static constexpr int kCell = 18;
  static constexpr int kNoColorCell = -3;
  static constexpr int kMoreCell = -2;
  static constexpr int kNone = -1;
  static constexpr int kFirstRecentCell = 1000;

  // `recent` is the program's recent list at the time (copied);
  // `noColorResult` (may be null) receives the no-colour choice.
  TColorGrid(const TColorList& list, std::uint32_t initialColor, int margin, std::vector<std::uint32_t> recent,
             bool* noColorResult);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Rows() const { return rows_; }
  int Margin() const { return margin_; }
  const TColorList& List() const { return list_; }
  bool ShowsRecentRow() const { return list_.recentRow && !recent_.empty(); }
  int RecentCount() const { return int(recent_.size()); }
  std::uint32_t RecentColor(int j) const { return recent_[std::size_t(j)]; }

  // The cell's rectangle; empty for a cell the grid does not have.
  TRect CellRect(int cell) const;
  // The cell under a client point, kNone for none.
  int CellAt(int x, int y) const;

  int HotCell() const { return hot_; }
  void SetHotCell(int cell) { hot_ = cell; }
  int CurrentCell() const { return current_; }
  std::uint32_t SelectedColor() const { return selected_; }

  // The hot cell after an arrow, Home or End key (the keyboard table).
  int MovedHotCell(std::uint32_t vk) const;
  // Selecting a cell: kGridOk, kGridMoreColors, or 0 when nothing was selected.
  int Select(int cell);
  // A key: 0 when the grid goes on, else the dialog's result.
  int Key(std::uint32_t vk);

 private:
  int First() const { return list_.noColorRow ? kNoColorCell : 0; }
  int Last() const { return list_.moreButton ? kMoreCell : list_.count - 1; }
  int ColorsTop() const { return margin_ + (list_.noColorRow ? 26 : 0); }

  TColorList list_;
  std::vector<std::uint32_t> recent_;
  bool* noColorResult_;
  std::uint32_t selected_;
  int hot_ = kNone;
  int current_ = kNone;
  int rows_ = 0;
  int margin_ = 0;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace kvn
