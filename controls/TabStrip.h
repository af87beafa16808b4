// The tab strip's model: a row of trapezoidal tabs hanging from a base line
// along the top, neighbours overlapping by half the strip's height, scroll
// arrows at the left end when the tabs do not fit. This part holds the tabs,
// lays them out, scrolls and hit-tests them; it needs no display (caption
// widths come from a measuring function), so the window that paints it and
// takes the clicks stays thin.
//
// Units: client pixels of the strip; h is the strip's client height. All
// tabs are measured in the bold font, so marking or selecting a tab never
// moves anything.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "foundation/WString.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/ui/Window.h"

namespace kvn {

// Shape codes of a laid-out tab.
enum : std::uint8_t {
  kTabHidden = 0,         // scrolled off to the left
  kTabSliverCurrent = 1,  // the current tab as a sliver right of the arrows
  kTabSliver = 2,         // another tab as that sliver
  kTabFull = 3,           // both slanted edges (the current and the last tab)
  kTabUnderNext = 4,      // right edge under the next tab
};

// Hit codes besides tab indices.
inline constexpr int kTabHitFirst = -1;
inline constexpr int kTabHitPrevious = -2;
inline constexpr int kTabHitNext = -3;
inline constexpr int kTabHitLast = -4;
inline constexpr int kTabHitNothing = -5;

// Reposition modes.
enum class TabReposition { Previous = 0, Next = 1, EnsureVisible = 2, Refit = 3, First = 4, Last = 5, ShowText = 6 };

struct TabItem {
  WString caption;
  std::uint32_t data = 0;
  TRect outer;
  TRect text;
  std::uint8_t shape = kTabHidden;
  bool selected = false;
  bool marked = false;
};

// The outline polygon of a tab of shape `shape` on rectangle `r` in a strip
// of height h: six points; all zero for an unknown shape.
std::array<TPoint, 6> ComputeTabOutline(std::uint8_t shape, const TRect& r, std::int32_t h);
// Whether pixel (x, y) lies inside the outline (winding rule, pixel centres).
bool OutlineContains(const std::array<TPoint, 6>& outline, std::int32_t x, std::int32_t y);

class TabStripModel {
 public:
  // Pixel width of a caption (its first 100 characters) in the bold font.
  using Measure = std::function<std::int32_t(const WString& caption)>;
  explicit TabStripModel(Measure measure) : measure_(std::move(measure)) {}

  void SetClientSize(std::int32_t width, std::int32_t height) {
    width_ = width;
    height_ = height;
  }
  std::int32_t Height() const { return height_; }

  // The index, -2 for a bad index (0..count allowed). A current tab at or
  // after it moves up. Re-fits.
  int InsertTab(int index, const WString& caption, std::uint32_t data);
  int DeleteTab(int index);
  void DeleteAllTabs();
  // Programmatic selection: the tab becomes the first visible one.
  int SelectTab(int index) { return SelectTabEx(index, false, false); }
  int SelectTabEx(int index, bool byMouse, bool ctrl);
  int IsTabMarked(int index) const;
  int SetTabMarked(int index, bool flag);
  // The caller's value and the caption of a tab (0, or -2 for a bad index);
  // a new caption re-fits the strip.
  int GetTabData(int index, std::uint32_t& value) const;
  int SetTabData(int index, std::uint32_t value);
  int GetTabText(int index, WString& caption) const;
  int SetTabText(int index, const WString& caption);
  // The tab's text rectangle (all zero while it is hidden or a sliver).
  int GetTabTextRect(int index, TRect& rect) const;

  int HitTest(std::int32_t x, std::int32_t y) const;
  // A click with hit code `code`: true when a tab was selected (the owner's
  // OnTabClicked follows). An arrow scrolls and stays pressed (state 3).
  bool ClickAt(int code, bool ctrl);
  // Every arrow back up (state 1 where shown).
  void ReleaseArrows();
  void Reposition(TabReposition mode, int index);

  int Count() const { return int(tabs_.size()); }
  const TabItem& Tab(int index) const { return tabs_[std::size_t(index)]; }
  int CurrentTab() const { return current_; }
  int FirstVisible() const { return first_; }
  // Arrow states in the order previous, next, first, last: 0 hidden, 1 up, 3 pressed.
  const std::array<int, 4>& ArrowStates() const { return arrows_; }
  // The arrow block's width, 0 without arrows.
  std::int32_t ArrowBlockWidth() const;

 private:
  std::int32_t MeasureTabs();
  void ArrangeTabs(std::int32_t aw);
  void MeasureArrange(std::int32_t aw) {
    MeasureTabs();
    ArrangeTabs(aw);
  }
  void Tail(std::int32_t aw);
  // Mode 6: scrolls on until the caption of the tab at `index` ends inside
  // the client or the current tab is the first visible one.
  void ShowTextLoop(std::int32_t aw, int index);
  std::int32_t CaptionWidth(const TabItem& tab) const;
  bool Valid(int index) const { return index >= 0 && index < Count(); }

  Measure measure_;
  std::vector<TabItem> tabs_;
  int current_ = -1;
  int first_ = 0;
  std::array<int, 4> arrows_{};
  bool fourArrows_ = false;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};

}  // namespace kvn

class wxDC;
class wxFont;

namespace kvn {

// The scroll arrows' glyph strip: four 8 x 7 glyphs side by side (first,
// previous, next, last); true where glyph `glyph` has a pixel at (x, y).
bool TabArrowGlyphPixel(int glyph, int x, int y);

// CCustomTabCtrl: the strip as a window. It paints the model double-buffered
// (the background erase does nothing), takes left, right and double clicks,
// and repeats a held arrow: once at once, then about every 300 ms (a 100 ms
// timer and 250 ms since the last step) until the button is released.
class CCustomTabCtrl : public TWindow {
 public:
  explicit CCustomTabCtrl(TWindow* parent);
  ~CCustomTabCtrl() override;

  TabStripModel& Model() { return model_; }
  const TabStripModel& Model() const { return model_; }
  int InsertTab(int index, const WString& caption, std::uint32_t data);
  void DeleteAllTabs();
  int SelectTab(int index);
  int CurrentTab() const { return model_.CurrentTab(); }
  int DeleteTab(int index);
  int GetTabData(int index, std::uint32_t& value) const { return model_.GetTabData(index, value); }
  int SetTabData(int index, std::uint32_t value) { return model_.SetTabData(index, value); }
  int GetTabText(int index, WString& caption) const { return model_.GetTabText(index, caption); }
  int SetTabText(int index, const WString& caption);
  int GetTabTextRect(int index, TRect& rect) const { return model_.GetTabTextRect(index, rect); }
  // New fonts when the client height changed: the default GUI font, its
  // height limited to 6/10 of a strip over 10 pixels high, and its bold
  // twin; with `repaint` the strip is re-fitted and repainted.
  void UpdateFonts(bool repaint);
  const wxFont& NormalFont() const;
  const wxFont& BoldFont() const;

  // The owner's hooks: after a selection by a click, and after that for a
  // double click.
  virtual void OnTabClicked() {}
  virtual void OnTabDoubleClicked() {}

  // ---- handlers ----
  void EvPaint();
  bool EvEraseBkgnd(TParam1) { return true; }
  void EvSize(std::uint32_t sizeType, const TSize& size);
  void EvLButtonDown(std::uint32_t keys, const TPoint& point);
  void EvLButtonUp(std::uint32_t keys, const TPoint& point);
  void EvRButtonDown(std::uint32_t keys, const TPoint& point);
  void EvLButtonDblClk(std::uint32_t keys, const TPoint& point);
  void EvTimer(std::uint32_t id);
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

  // Paints the strip onto `dc` (the paint handler's memory bitmap).
  void PaintStrip(wxDC& dc);

 protected:
  wxWindow* CreatePeer(wxWindow* parentPeer) override;

 private:
  void Refresh();
  void RepeatArrow();

  struct Fonts;
  std::unique_ptr<Fonts> fonts_;
  std::int32_t cachedHeight_ = -1;
  TabStripModel model_;
  std::int64_t lastRepeatMs_ = 0;
  bool repeating_ = false;
};

}  // namespace kvn
