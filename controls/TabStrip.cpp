#include "controls/TabStrip.h"

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/font.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/window.h>

#include <algorithm>
#include <chrono>

#include "platform/ui/WxText.h"

namespace kvn {

namespace {

enum { kPrevious = 0, kNext = 1, kFirst = 2, kLast = 3 };

}  // namespace

std::array<TPoint, 6> ComputeTabOutline(std::uint8_t shape, const TRect& r, std::int32_t h) {
  const std::int32_t L = r.left, T = r.top, R = r.right, B = r.bottom;
  const std::int32_t h2 = h / 2, h4 = h / 4;
  switch (shape) {
    case kTabSliverCurrent: {
      const TPoint top{L + h2, T};
      return {TPoint{L, T}, TPoint{L, B}, top, top, top, top};
    }
    case kTabSliver: {
      const TPoint bottom{L, B};
      return {TPoint{L, T}, TPoint{L + h4, T + h2}, bottom, bottom, bottom, bottom};
    }
    case kTabFull:
      return {TPoint{L, T},      TPoint{L + h4, T + h2}, TPoint{L + h2, B},
              TPoint{R - h2, B}, TPoint{R - h4, T + h2}, TPoint{R, T}};
    case kTabUnderNext:
      return {TPoint{L, T},      TPoint{L + h4, T + h2}, TPoint{L + h2, B},
              TPoint{R - h2, B}, TPoint{R - h4, T + h2}, TPoint{R - h2, T}};
    default: return {};
  }
}

bool OutlineContains(const std::array<TPoint, 6>& outline, std::int32_t x, std::int32_t y) {
  // Winding number at the pixel's centre, in doubles (no overflow).
  const double px = x + 0.5, py = y + 0.5;
  int winding = 0;
  for (std::size_t i = 0; i < outline.size(); ++i) {
    const TPoint& a = outline[i];
    const TPoint& b = outline[(i + 1) % outline.size()];
    const double cross = (double(b.x) - a.x) * (py - a.y) - (px - a.x) * (double(b.y) - a.y);
    if (a.y <= py) {
      if (b.y > py && cross > 0) ++winding;
    } else if (b.y <= py && cross < 0) {
      --winding;
    }
  }
  return winding != 0;
}

std::int32_t TabStripModel::ArrowBlockWidth() const {
  if (arrows_[kPrevious] == 0) return 0;
  const std::int32_t h = height_;
  return fourArrows_ ? 4 * h - 9 : 2 * h - 3;
}

std::int32_t TabStripModel::MeasureTabs() {
  const std::int32_t h = height_;
  std::int32_t x = 0;
  for (TabItem& tab : tabs_) {
    const std::int32_t w = CaptionWidth(tab);
    tab.outer = TRect{x, 1, x + h + 4 + w, h - 1};
    tab.text = TRect{x + h / 2, 1, x + h / 2 + 4 + w, h - 1};
    x += (h + 4 + w) - h / 2;
  }
  return tabs_.empty() ? 0 : tabs_.back().outer.right;
}

void TabStripModel::ArrangeTabs(std::int32_t aw) {
  const std::int32_t h = height_;
  std::int32_t d = aw;
  const int f = first_;
  for (int i = 0; i < Count(); ++i) {
    TabItem& tab = tabs_[std::size_t(i)];
    const std::int32_t advance = (tab.outer.right - tab.outer.left) - h / 2;
    if (i < f - 1) {
      tab.shape = kTabHidden;
      d -= advance;
    } else if (i == f - 1) {
      tab.shape = i == current_ ? kTabSliverCurrent : kTabSliver;
      tab.outer = TRect{aw, 1, aw + h / 2, h - 1};
      d -= advance;
    } else {
      tab.shape = (i == current_ || i == Count() - 1) ? kTabFull : kTabUnderNext;
      tab.outer.left += d;
      tab.outer.right += d;
      tab.text.left += d;
      tab.text.right += d;
    }
    if (i <= f - 1) tab.text = TRect{};
  }
}

void TabStripModel::Tail(std::int32_t aw) {
  ArrangeTabs(aw);
  bool decreased = false;
  while (!tabs_.empty() && tabs_.back().outer.right < width_) {
    --first_;
    decreased = true;
    if (first_ < 0) {
      first_ = 0;
      MeasureArrange(aw);
      return;
    }
    MeasureArrange(aw);
  }
  if (decreased && !tabs_.empty() && tabs_.back().outer.right >= width_) {
    ++first_;
    MeasureArrange(aw);
  }
}

std::int32_t TabStripModel::CaptionWidth(const TabItem& tab) const {
  WString caption = tab.caption;
  if (caption.Length() > 100) caption = caption.Mid(0, 100);
  return std::max(measure_ ? measure_(caption) : 0, 0);
}

void TabStripModel::ShowTextLoop(std::int32_t aw, int index) {
  if (!Valid(index)) return;
  // Each round shows one more tab from the left, so the loop ends by the
  // current tab at the latest.
  while (true) {
    const TabItem& tab = tabs_[std::size_t(index)];
    const std::int32_t w = CaptionWidth(tab);
    const std::int32_t left = tab.text.left + (tab.text.right - tab.text.left - w) / 2 + 2;
    if (left + w <= width_ || first_ >= current_ || first_ >= Count() - 1) return;
    ++first_;
    MeasureArrange(aw);
  }
}

void TabStripModel::Reposition(TabReposition mode, int index) {
  const std::int32_t needed = MeasureTabs();
  if (Count() < 2 || needed <= width_) {
    first_ = 0;
    arrows_ = {};
    ArrangeTabs(0);
    if (mode == TabReposition::ShowText) ShowTextLoop(0, index);
    return;
  }
  for (int& a : arrows_) {
    if (a == 0) a = 1;
  }
  // Without four arrows only previous and next are shown.
  if (!fourArrows_) arrows_[kFirst] = arrows_[kLast] = 0;
  const std::int32_t aw = ArrowBlockWidth();
  switch (mode) {
    case TabReposition::Previous:
      ArrangeTabs(aw);
      if (first_ >= 1) {
        --first_;
        MeasureArrange(aw);
      }
      break;
    case TabReposition::Next:
      ArrangeTabs(aw);
      if (!(tabs_.back().outer.right <= width_ || first_ >= Count() - 1)) {
        ++first_;
        MeasureArrange(aw);
      }
      break;
    case TabReposition::EnsureVisible:
      ArrangeTabs(aw);
      if (!Valid(index)) break;
      if (tabs_[std::size_t(index)].shape == kTabSliverCurrent || tabs_[std::size_t(index)].shape == kTabSliver) {
        --first_;
        MeasureArrange(aw);
      } else {
        while (first_ < index && tabs_[std::size_t(index)].shape == kTabFull &&
               tabs_[std::size_t(index)].outer.right > width_ && tabs_[std::size_t(index)].outer.left > aw) {
          ++first_;
          MeasureArrange(aw);
        }
      }
      break;
    case TabReposition::Refit: Tail(aw); break;
    case TabReposition::First:
      first_ = 0;
      MeasureArrange(aw);
      break;
    case TabReposition::Last:
      first_ = Count() - 1;
      MeasureTabs();
      Tail(aw);
      break;
    case TabReposition::ShowText:
      ArrangeTabs(aw);
      ShowTextLoop(aw, index);
      break;
  }
}

int TabStripModel::InsertTab(int index, const WString& caption, std::uint32_t data) {
  if (index < 0 || index > Count()) return -2;
  TabItem item;
  item.caption = caption;
  item.data = data;
  tabs_.insert(tabs_.begin() + index, std::move(item));
  if (current_ >= index) ++current_;
  Reposition(TabReposition::Refit, 0);
  return index;
}

int TabStripModel::DeleteTab(int index) {
  if (!Valid(index)) return -2;
  if (Count() == 1) {
    current_ = -1;
  } else if (index == current_) {
    if (index == Count() - 1) --current_;
    // Otherwise the same index names the following tab.
  } else if (index < current_) {
    --current_;
  }
  tabs_.erase(tabs_.begin() + index);
  if (Valid(current_)) tabs_[std::size_t(current_)].selected = true;
  Reposition(TabReposition::Refit, 0);
  return 0;
}

void TabStripModel::DeleteAllTabs() {
  tabs_.clear();
  current_ = -1;
  Reposition(TabReposition::Refit, 0);
}

int TabStripModel::SelectTabEx(int index, bool byMouse, bool ctrl) {
  if (!Valid(index)) return -2;
  if (Valid(current_)) tabs_[std::size_t(current_)].selected = false;
  current_ = index;
  TabItem& tab = tabs_[std::size_t(index)];
  tab.selected = true;
  if (!byMouse) first_ = index;
  Reposition(byMouse ? TabReposition::EnsureVisible : TabReposition::Refit, index);
  if (!ctrl && !tab.marked) {
    for (TabItem& other : tabs_) other.marked = false;
    tab.marked = true;
  }
  if (byMouse) Reposition(TabReposition::EnsureVisible, index);
  return 0;
}

int TabStripModel::IsTabMarked(int index) const {
  if (!Valid(index)) return -2;
  return tabs_[std::size_t(index)].marked ? 1 : 0;
}

int TabStripModel::SetTabMarked(int index, bool flag) {
  if (!Valid(index)) return -2;
  if (current_ >= 0) {
    if (index != current_) tabs_[std::size_t(index)].marked = flag;
  } else if (flag) {
    SelectTab(index);
  }
  return 0;
}

int TabStripModel::GetTabData(int index, std::uint32_t& value) const {
  if (!Valid(index)) return -2;
  value = tabs_[std::size_t(index)].data;
  return 0;
}

int TabStripModel::SetTabData(int index, std::uint32_t value) {
  if (!Valid(index)) return -2;
  tabs_[std::size_t(index)].data = value;
  return 0;
}

int TabStripModel::GetTabText(int index, WString& caption) const {
  if (!Valid(index)) return -2;
  caption = tabs_[std::size_t(index)].caption;
  return 0;
}

int TabStripModel::SetTabText(int index, const WString& caption) {
  if (!Valid(index)) return -2;
  tabs_[std::size_t(index)].caption = caption;
  Reposition(TabReposition::Refit, 0);
  return 0;
}

int TabStripModel::GetTabTextRect(int index, TRect& rect) const {
  if (!Valid(index)) return -2;
  rect = tabs_[std::size_t(index)].text;
  return 0;
}

int TabStripModel::HitTest(std::int32_t x, std::int32_t y) const {
  const std::int32_t h = height_;
  if (y >= 0 && y < h) {
    auto in = [&](std::int32_t lo, std::int32_t hi) { return lo <= x && x < hi; };
    if (fourArrows_) {
      if (arrows_[kFirst] && in(0, h - 2)) return kTabHitFirst;
      if (arrows_[kPrevious] && in(h - 2, 2 * h - 5)) return kTabHitPrevious;
      if (arrows_[kNext] && in(2 * h - 5, 3 * h - 7)) return kTabHitNext;
      if (arrows_[kLast] && in(3 * h - 7, 4 * h - 9)) return kTabHitLast;
    } else {
      if (arrows_[kPrevious] && in(0, h - 2)) return kTabHitPrevious;
      if (arrows_[kNext] && in(h - 2, 2 * h - 3)) return kTabHitNext;
    }
  }
  for (int i = 0; i < Count(); ++i) {
    const TabItem& tab = tabs_[std::size_t(i)];
    if (tab.shape == kTabHidden) continue;
    if (OutlineContains(ComputeTabOutline(tab.shape, tab.outer, h), x, y)) return i;
  }
  return kTabHitNothing;
}

bool TabStripModel::ClickAt(int code, bool ctrl) {
  switch (code) {
    case kTabHitNothing: return false;
    case kTabHitPrevious:
      arrows_[kPrevious] = 3;
      Reposition(TabReposition::Previous, 0);
      return false;
    case kTabHitNext:
      arrows_[kNext] = 3;
      Reposition(TabReposition::Next, 0);
      return false;
    case kTabHitFirst:
      arrows_[kFirst] = 3;
      Reposition(TabReposition::First, 0);
      return false;
    case kTabHitLast:
      arrows_[kLast] = 3;
      Reposition(TabReposition::Last, 0);
      return false;
    default:
      if (!Valid(code)) return false;
      SelectTabEx(code, true, ctrl);
      return true;
  }
}

void TabStripModel::ReleaseArrows() {
  for (int& a : arrows_) {
    if (a != 0) a = 1;
  }
}

}  // namespace kvn

// ---- the window --------------------------------------------------------------------------------

namespace kvn {

namespace {

constexpr std::uint32_t kRepeatTimer = 8888;

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The glyph strip, 32 x 7 pixels, four bytes a row, most significant bit
// leftmost; a 0 bit is a glyph pixel.
constexpr std::uint8_t kArrowGlyphs[7][4] = {
    {0xBD, 0xFB, 0xDF, 0xBD}, {0xB9, 0xF3, 0xCF, 0x9D}, {0xB1, 0xE3, 0xC7, 0x8D}, {0xA3, 0xC7, 0xE3, 0xC5},
    {0xB1, 0xE3, 0xC7, 0x8D}, {0xB9, 0xF3, 0xCF, 0x9D}, {0xBD, 0xFB, 0xDF, 0xBD},
};

}  // namespace

bool TabArrowGlyphPixel(int glyph, int x, int y) {
  if (glyph < 0 || glyph > 3 || x < 0 || x > 7 || y < 0 || y > 6) return false;
  return (kArrowGlyphs[y][glyph] & (0x80 >> x)) == 0;
}

struct CCustomTabCtrl::Fonts {
  wxFont normal;
  wxFont bold;
};

CCustomTabCtrl::CCustomTabCtrl(TWindow* parent)
    : TWindow(parent), fonts_(std::make_unique<Fonts>()), model_([this](const WString& caption) -> std::int32_t {
        wxWindow* peer = GetPeer();
        if (!peer) return std::int32_t(caption.Length()) * 7;
        wxClientDC dc(peer);
        dc.SetFont(BoldFont());
        return dc.GetTextExtent(ToWx(caption)).x;
      }) {
  // The fonts are made on first use: the toolkit's default GUI font needs a
  // display, and a strip may be built (and tested) without one.
}

void CCustomTabCtrl::UpdateFonts(bool repaint) {
  const std::int32_t h = GetPeer() ? GetPeer()->GetClientSize().y : 0;
  if (h != cachedHeight_) {
    cachedHeight_ = h;
    wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    // A strip over 10 pixels high limits the font to 6/10 of its height
    // (rounded as MulDiv rounds).
    const int limit = (h * 6 + 5) / 10;
    if (h > 10 && font.GetPixelSize().y > limit) font.SetPixelSize(wxSize(0, limit));
    fonts_->normal = font;
    fonts_->bold = font.Bold();
  }
  if (repaint) {
    model_.Reposition(TabReposition::Refit, 0);
    Refresh();
  }
}

const wxFont& CCustomTabCtrl::NormalFont() const {
  if (cachedHeight_ < 0) const_cast<CCustomTabCtrl*>(this)->UpdateFonts(false);
  return fonts_->normal;
}

const wxFont& CCustomTabCtrl::BoldFont() const {
  if (cachedHeight_ < 0) const_cast<CCustomTabCtrl*>(this)->UpdateFonts(false);
  return fonts_->bold;
}

CCustomTabCtrl::~CCustomTabCtrl() = default;

wxWindow* CCustomTabCtrl::CreatePeer(wxWindow* parentPeer) {
  wxWindow* peer = TWindow::CreatePeer(parentPeer);
  if (peer) peer->SetBackgroundStyle(wxBG_STYLE_PAINT);
  return peer;
}

void CCustomTabCtrl::Refresh() {
  if (GetPeer()) GetPeer()->Refresh(false);
}

int CCustomTabCtrl::InsertTab(int index, const WString& caption, std::uint32_t data) {
  const int r = model_.InsertTab(index, caption, data);
  Refresh();
  return r;
}

void CCustomTabCtrl::DeleteAllTabs() {
  model_.DeleteAllTabs();
  Refresh();
}

int CCustomTabCtrl::SelectTab(int index) {
  const int r = model_.SelectTab(index);
  Refresh();
  return r;
}

int CCustomTabCtrl::DeleteTab(int index) {
  const int r = model_.DeleteTab(index);
  Refresh();
  return r;
}

int CCustomTabCtrl::SetTabText(int index, const WString& caption) {
  const int r = model_.SetTabText(index, caption);
  Refresh();
  return r;
}

void CCustomTabCtrl::EvSize(std::uint32_t, const TSize& size) {
  if (size.cx == 0 || size.cy == 0) return;
  model_.SetClientSize(size.cx, size.cy);
  UpdateFonts(false);
  model_.Reposition(TabReposition::Refit, 0);
  Refresh();
}

void CCustomTabCtrl::EvLButtonDown(std::uint32_t keys, const TPoint& point) {
  const int code = model_.HitTest(point.x, point.y);
  const bool tab = model_.ClickAt(code, (keys & kMkControl) != 0);
  Refresh();
  if (tab) {
    OnTabClicked();
    return;
  }
  if (code >= kTabHitLast && code <= kTabHitFirst) {
    lastRepeatMs_ = NowMs();
    repeating_ = true;
    SetTimer(kRepeatTimer, 100);
    SetCapture();
  }
}

void CCustomTabCtrl::EvLButtonUp(std::uint32_t, const TPoint&) {
  if (!repeating_) return;
  repeating_ = false;
  ReleaseCapture();
  KillTimer(kRepeatTimer);
  model_.ReleaseArrows();
  Refresh();
}

void CCustomTabCtrl::EvTimer(std::uint32_t id) {
  if (id == kRepeatTimer && repeating_) RepeatArrow();
}

void CCustomTabCtrl::RepeatArrow() {
  if (NowMs() - lastRepeatMs_ < 250) return;
  // The first pressed arrow in the order first, previous, next, last.
  const auto& a = model_.ArrowStates();
  if (a[2] == 3)
    model_.Reposition(TabReposition::First, 0);
  else if (a[0] == 3)
    model_.Reposition(TabReposition::Previous, 0);
  else if (a[1] == 3)
    model_.Reposition(TabReposition::Next, 0);
  else if (a[3] == 3)
    model_.Reposition(TabReposition::Last, 0);
  Refresh();
  lastRepeatMs_ = NowMs();
}

void CCustomTabCtrl::EvRButtonDown(std::uint32_t keys, const TPoint& point) {
  const int code = model_.HitTest(point.x, point.y);
  if (code < 0) return;
  model_.ClickAt(code, (keys & kMkControl) != 0);
  Refresh();
  OnTabClicked();
}

void CCustomTabCtrl::EvLButtonDblClk(std::uint32_t keys, const TPoint& point) {
  const int code = model_.HitTest(point.x, point.y);
  if (code < 0) return;
  model_.ClickAt(code, (keys & kMkControl) != 0);
  Refresh();
  OnTabClicked();
  OnTabDoubleClicked();
}

void CCustomTabCtrl::PaintStrip(wxDC& dc) {
  const std::int32_t h = model_.Height();
  const wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
  const wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT);
  const wxColour window = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
  const wxColour windowText = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
  const wxColour shadow = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
  const wxSize size = dc.GetSize();
  dc.SetPen(*wxTRANSPARENT_PEN);
  dc.SetBrush(wxBrush(face));
  dc.DrawRectangle(0, 0, size.x, size.y);
  const wxPen edge(text, 1);
  const auto& arrows = model_.ArrowStates();
  std::int32_t x0 = 0;
  if (arrows[0] && arrows[1]) {
    x0 = 2 * (h - 3) + 3;
    dc.SetPen(edge);
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRectangle(0, 1, x0, h - 1);
    // Two push buttons with the strip's glyphs (previous, next) in the
    // button text colour; the next glyph is centred one pixel further right.
    const wxRect buttons[2] = {wxRect(wxPoint(1, 2), wxPoint(h - 3, h - 2)),
                               wxRect(wxPoint(h - 2, 2), wxPoint(2 * h - 5, h - 2))};
    const wxRect glyphBoxes[2] = {buttons[0], wxRect(wxPoint(h - 1, 2), wxPoint(2 * h - 5, h - 2))};
    for (int i = 0; i < 2; ++i) {
      const bool pressed = arrows[std::size_t(i)] == 3;
      if (wxWindow* peer = GetPeer()) {
        wxRendererNative::Get().DrawPushButton(peer, dc, buttons[i], pressed ? int(wxCONTROL_PRESSED) : 0);
      }
      const wxRect& g = glyphBoxes[i];
      const int gx = g.x + (g.width - 8) / 2, gy = g.y + (g.height - 7) / 2;
      dc.SetPen(wxPen(text, 1));
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 8; ++x)
          if (TabArrowGlyphPixel(i + 1, x, y)) dc.DrawPoint(gx + x, gy + y);
    }
  }
  const wxFont& bold = BoldFont();
  const wxFont& normal = NormalFont();
  auto paintTab = [&](int i) {
    const TabItem& tab = model_.Tab(i);
    const bool lit = tab.selected || tab.marked;
    const auto outline = ComputeTabOutline(tab.shape, tab.outer, h);
    wxPoint pts[6];
    for (int k = 0; k < 6; ++k) pts[k] = wxPoint(outline[std::size_t(k)].x, outline[std::size_t(k)].y);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(lit ? window : face));
    dc.DrawPolygon(6, pts, 0, 0, wxWINDING_RULE);
    const TRect& r = tab.outer;
    dc.SetPen(edge);
    if (tab.shape == kTabSliverCurrent || tab.shape == kTabSliver) {
      dc.DrawLine(r.left, r.bottom, r.left + h / 2, r.top);
      return;
    }
    dc.DrawLine(r.left, r.top, r.left + h / 2, r.bottom);
    dc.SetPen(wxPen(shadow, 1));
    dc.DrawLine(r.left + h / 2, r.bottom, r.right - h / 2, r.bottom);
    if (!tab.selected) dc.DrawLine(r.right - h / 2 - 1, r.bottom, r.right - 1, r.top);
    dc.SetPen(edge);
    dc.DrawLine(r.right - h / 2, r.bottom, r.right, r.top);
    dc.SetFont(tab.marked || tab.selected ? bold : normal);
    dc.SetTextForeground(lit ? windowText : text);
    WString caption = tab.caption;
    if (caption.Length() > 100) caption = caption.Mid(0, 100);
    const wxRect tr(r.left + h / 2, r.top + 2, (r.right - (h - 2) / 2) - (r.left + h / 2), r.bottom - 2 - (r.top + 2));
    dc.DrawLabel(ToWx(caption), tr, wxALIGN_CENTER);
  };
  for (int i = 0; i < model_.Count(); ++i) {
    if (model_.Tab(i).shape != kTabHidden && i != model_.CurrentTab()) paintTab(i);
  }
  const int cur = model_.CurrentTab();
  if (cur >= 0 && cur < model_.Count() && model_.Tab(cur).shape != kTabHidden) paintTab(cur);
  // The base line, open under the current tab.
  dc.SetPen(edge);
  if (cur >= 0 && cur < model_.Count() && model_.Tab(cur).shape != kTabHidden) {
    dc.DrawLine(x0, 1, model_.Tab(cur).outer.left, 1);
    dc.DrawLine(model_.Tab(cur).outer.right, 1, size.x, 1);
  } else {
    dc.DrawLine(x0, 1, size.x, 1);
  }
}

void CCustomTabCtrl::EvPaint() {
  wxPaintDC* paint = GetPaintDC();
  if (!paint || !GetPeer()) return;
  const wxSize size = GetPeer()->GetClientSize();
  if (size.x <= 0 || size.y <= 0) return;
  wxBitmap bitmap(size.x, size.y);
  wxMemoryDC memory(bitmap);
  PaintStrip(memory);
  paint->Blit(0, 0, size.x, size.y, &memory, 0, 0);
}

const TResponseTable& CCustomTabCtrl::Table() {
  using C = CCustomTabCtrl;
  static const TResponseTable table(
      {
          OnMessage<kWmPaint, &C::EvPaint>(),
          OnMessage<kWmEraseBkgnd, &C::EvEraseBkgnd>(),
          OnMessage<kWmSize, &C::EvSize>(),
          OnMessage<kWmLButtonDown, &C::EvLButtonDown>(),
          OnMessage<kWmLButtonUp, &C::EvLButtonUp>(),
          OnMessage<kWmRButtonDown, &C::EvRButtonDown>(),
          OnMessage<kWmLButtonDblClk, &C::EvLButtonDblClk>(),
          OnMessage<kWmTimer, &C::EvTimer>(),
      },
      {&TWindow::Table()});
  return table;
}

bool CCustomTabCtrl::Find(TEventInfo& info) { return Table().Search(info); }

}  // namespace kvn
