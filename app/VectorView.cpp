#include "app/VectorView.h"

#include <wx/scrolbar.h>
#include <wx/settings.h>
#include <wx/window.h>

#include <algorithm>

#include "app/LevelCombo.h"
#include "app/ParametersSheet.h"
#include "app/ToolBarBoxes.h"
#include "app/Rulers.h"
#include "app/VectorWindow.h"
#include "app/ViewCompanions.h"
#include "document/cDrawingDoc.h"
#include "platform/ui/MessageBridge.h"
#include "model/ColorHls.h"

namespace kvn {

namespace {

// Rulers are 15 pixels thick.
constexpr std::int32_t kRulerThickness = 15;
// The least height of the bottom strip while it holds page tabs.
constexpr std::int32_t kTabStripMinHeight = 19;
// The scroll bars' control id.
constexpr int kScrollBarId = 1000;

// The toolkit's scroll-bar thickness; GTK's overlay bars may answer 0 or
// less, and then a bar that can be grabbed is 16 pixels.
std::int32_t BarMetric(wxSystemMetric metric) {
  const int m = wxSystemSettings::GetMetric(metric);
  return m > 0 ? m : 16;
}

PtrArray& ViewList() {
  static PtrArray views;
  return views;
}

}  // namespace

// ---- layout ------------------------------------------------------------------------------------

ViewLayout ComputeViewLayout(const ViewLayoutInput& in) {
  ViewLayout out;
  std::int32_t hb = in.hbarHeight;
  std::int32_t vb = in.vbarWidth;
  // An empty horizontal bar keeps its strip only for the tabs.
  if (in.hEmpty && !in.tabsNeeded) hb = 0;
  if (in.vEmpty) vb = 0;
  const std::int32_t r = in.rulersShown ? kRulerThickness : 0;
  const std::int32_t W = in.width - vb;
  const std::int32_t H = in.height - hb;
  out.vRuler = {0, r, r, in.height - r};
  out.hRuler = {r, 0, in.width - r, r};
  out.corner = {0, 0, r, r};
  out.window = {r, r, std::max(W - r, 0), std::max(H - r, 0)};
  out.strip = W - r;
  std::int32_t t = 0;
  if (in.tabsNeeded) t = std::max(MulDiv(W - r, in.tabShare, 100), 5);
  out.hBarShown = !in.hEmpty;
  if (out.hBarShown) out.hBar = {r + t, H, std::max(W - r - t, 0), hb};
  out.vBarShown = !in.vEmpty;
  if (out.vBarShown) out.vBar = {W, r, vb, std::max(H - r, 0)};
  out.gripShown = out.hBarShown && out.vBarShown;
  if (out.gripShown) out.grip = {W, H, vb, hb};
  out.tabsShown = in.tabsNeeded;
  if (in.tabsNeeded) {
    out.tabs = {r, H, std::max(t - 4, 0), hb};
    out.splitter = {r - 4 + t, H, out.hBarShown ? 4 : W - r - t + vb + 4, hb};
  }
  out.rulersShown = in.rulersShown;
  return out;
}

// ---- scroll bars -------------------------------------------------------------------------------

cViewScrollBar::cViewScrollBar(TWindow* view, bool vertical) : TWindow(view), vertical_(vertical) {
  Attr.Id = kScrollBarId;
}

wxWindow* cViewScrollBar::CreatePeer(wxWindow* parentPeer) {
  auto* bar = new WxPeer<wxScrollBar>(this, parentPeer, kScrollBarId, wxDefaultPosition, wxDefaultSize,
                                      vertical_ ? wxSB_VERTICAL : wxSB_HORIZONTAL);
  bar->SetScrollbar(pos_, page_, max_ + 1, page_);
  return bar;
}

void cViewScrollBar::Set(std::int32_t max, std::int32_t page, std::int32_t pos) {
  max_ = std::max(max, 0);
  page_ = std::max(page, 0);
  pos_ = pos;
  if (auto* bar = dynamic_cast<wxScrollBar*>(GetPeer())) {
    // wx counts positions 0..range-1 with the thumb inside; Win32's maximum
    // is range - 1, so the same extent is max + 1 (saturated above).
    const int range = max_ < INT32_MAX ? max_ + 1 : max_;
    bar->SetScrollbar(pos_, std::min(page_, range), range, std::max(page_, 1));
  }
}

void cViewScrollBar::SetPos(std::int32_t pos) {
  pos_ = pos;
  if (auto* bar = dynamic_cast<wxScrollBar*>(GetPeer())) bar->SetThumbPosition(pos);
}

std::int32_t cViewScrollBar::GetTrackPos() const {
  if (auto* bar = dynamic_cast<wxScrollBar*>(GetPeer())) return bar->GetThumbPosition();
  return pos_;
}

void cViewScrollBar::EvSetFocus(THandle) {
  auto* view = dynamic_cast<cVectorView*>(GetParentO());
  if (view && view->GetVectorWindow()->GetHandle()) view->GetVectorWindow()->SetFocus();
}

const TResponseTable& cViewScrollBar::Table() {
  static const TResponseTable table({OnMessage<kWmSetFocus, &cViewScrollBar::EvSetFocus>()}, {&TWindow::Table()});
  return table;
}

bool cViewScrollBar::Find(TEventInfo& info) { return Table().Search(info); }

// ---- the view ----------------------------------------------------------------------------------

cVectorView::cVectorView(const std::array<void*, 4>& frameLink, cDrawingDoc* document, std::uint16_t sheetIndex,
                         std::uint16_t blockIndex)
    : TWindow(static_cast<TWindow*>(frameLink[0])),
      frame_(static_cast<TWindow*>(frameLink[0])),
      document_(document),
      tabShare_(GetDefaultTabShare()) {
  Attr.Style |= kWsTabStop;
  window_ = new cVectorWindow(document, sheetIndex, blockIndex, this);
  hRuler_ = new TWhereWin(window_, this, 0);
  vRuler_ = new TWhereWin(window_, this, 1);
  corner_ = new TAngleWin(this);
  hBar_ = new cViewScrollBar(this, false);
  vBar_ = new cViewScrollBar(this, true);
  grip_ = new TCornerScrollBar(this, frame_);
  tabs_ = new TMyTabControl(this);
  splitter_ = new TTabSplitWindow(this);
  window_->SetScrollBarHost(this);
  ViewList().Add(reinterpret_cast<std::uintptr_t>(this));
}

cVectorView::~cVectorView() {
  PtrArray& views = ViewList();
  for (std::uint32_t i = 0; i < views.Count(); ++i) {
    if (views[i] == reinterpret_cast<std::uintptr_t>(this)) {
      views.DetachAt(i);
      break;
    }
  }
  window_->SetScrollBarHost(nullptr);
  // The document's destructor clears its list itself after DocumentClosing.
  if (document_ && !documentClosing_) document_->RemoveView(this);
}

TMyTabControl::TMyTabControl(cVectorView* view) : CCustomTabCtrl(view), view_(view) {}

void TMyTabControl::OnTabClicked() {
  if (CurrentTab() >= 0) view_->GetVectorWindow()->ShowPageEntry(std::uint32_t(CurrentTab()));
  RefreshPagesComboBoxes();
  RefreshLevelComboBoxes(nullptr);
}

void TMyTabControl::OnTabDoubleClicked() {
  // As File > Parameters: the sheet the click has just shown.
  cVectorWindow* window = view_->GetVectorWindow();
  RunParametersSheet(view_->GetFrame(), window, view_->GetDocument(), window->GetSheetIndex());
}

const PtrArray& VectorViews() { return ViewList(); }

void RefreshDocumentViews(cDrawingDoc* document, bool rebuild) {
  if (!document) return;
  for (std::uint32_t i = 0; i < document->ViewCount(); ++i) {
    if (auto* view = dynamic_cast<cVectorView*>(document->GetView(i))) view->RefreshPageTabs(rebuild);
  }
}

void RetitleDocumentViews(cDrawingDoc* document) {
  if (!document) return;
  document->UpdateViewCaptions();
  for (std::uint32_t i = 0; i < document->ViewCount(); ++i) {
    if (auto* view = dynamic_cast<cVectorView*>(document->GetView(i))) view->RetitlePageTabs();
  }
}

void cVectorView::SetupWindow() {
  TWindow::SetupWindow();
  RefreshPageTabs(true);
}

bool cVectorView::CanClose() {
  // Another view keeps the document open, so this one may go; the last one
  // would ask the document, which has no close check: a viewer never holds
  // unsaved changes.
  return TWindow::CanClose();
}

void cVectorView::SetTabShare(std::int32_t share) {
  tabShare_ = share;
  Layout();
}

std::int32_t cVectorView::ScrollBarWidth() { return BarMetric(wxSYS_VSCROLL_X); }

std::int32_t cVectorView::ScrollBarHeight() { return BarMetric(wxSYS_HSCROLL_Y); }

std::int32_t cVectorView::TabStripWidth() const { return ComputeViewLayout(LayoutInput()).strip; }

bool cVectorView::TabsNeeded() const {
  // A private sheet is shown alone; one page needs no tabs.
  return document_ && document_->GetPageEntryCount() >= 2 && window_->GetSheetIndex() < document_->SheetCount() &&
         !window_->HasPrivateSheet();
}

void cVectorView::RefreshPageTabs(bool rebuild) {
  if (rebuild) tabs_->DeleteAllTabs();
  if (TabsNeeded()) {
    if (rebuild) {
      const std::uint32_t count = document_->GetPageEntryCount();
      for (std::uint32_t i = 0; i < count && i < 0x7FFFFFFF; ++i)
        tabs_->InsertTab(int(i), document_->GetPageEntryTitle(i), i);
    }
    tabs_->SelectTab(int(window_->GetPageNumber()));
  }
  if (rebuild) Layout();
}

void cVectorView::RetitlePageTabs() {
  for (int i = 0; i < tabs_->Model().Count(); ++i) {
    std::uint32_t entry = 0;
    if (tabs_->GetTabData(i, entry) == 0) tabs_->SetTabText(i, document_->GetPageEntryTitle(entry));
  }
}

std::uint32_t cVectorView::GetSheetIndex() const { return window_->GetSheetIndex(); }

std::uint16_t cVectorView::GetCurrentPage() const { return window_->GetBlockIndex(); }

void cVectorView::SetCurrentPage(std::uint16_t page) {
  window_->SetBlockIndex(page);
  window_->InvalidateWorldRect(nullptr);
}

void cVectorView::Redraw(int) { window_->InvalidateWorldRect(nullptr); }

void cVectorView::Update(int) { window_->InvalidateWorldRect(nullptr); }

void cVectorView::DocumentClosing() {
  documentClosing_ = true;
  delete this;
}

void cVectorView::SetScrollBar(bool vertical, std::int32_t max, std::int32_t page, std::int32_t pos) {
  (vertical ? vBar_ : hBar_)->Set(max, page, pos);
}

void cVectorView::SetScrollPos(bool vertical, std::int32_t pos) { (vertical ? vBar_ : hBar_)->SetPos(pos); }

std::int32_t cVectorView::GetTrackPos(bool vertical) { return (vertical ? vBar_ : hBar_)->GetTrackPos(); }

void cVectorView::VisibleAreaMoved() {
  hRuler_->Refresh(false);
  vRuler_->Refresh(false);
}

ViewLayoutInput cVectorView::LayoutInput() const {
  const TRect client = GetClientRect();
  ViewLayoutInput in;
  in.width = client.right - client.left;
  in.height = client.bottom - client.top;
  in.hbarHeight = ScrollBarHeight();
  in.tabsNeeded = TabsNeeded();
  // The page tabs share the bar's strip and write their captions at 6/10
  // of its height. Win32's 17-pixel bars give 10-pixel captions; GTK's
  // 15-pixel bars gave 9-pixel fonts with 7-pixel letters. 19 pixels give
  // the 11-pixel font of Win32's dialogs.
  if (in.tabsNeeded) in.hbarHeight = std::max(in.hbarHeight, kTabStripMinHeight);
  in.vbarWidth = ScrollBarWidth();
  in.hEmpty = hBar_->IsEmpty();
  in.vEmpty = vBar_->IsEmpty();
  in.tabShare = tabShare_;
  in.rulersShown = rulersShown_;
  return in;
}

void cVectorView::Layout() {
  if (!GetHandle()) return;
  const ViewLayout l = ComputeViewLayout(LayoutInput());
  auto place = [](TWindow* w, const ViewPlace& p, bool shown) {
    if (!w->GetHandle()) return;
    w->MoveWindow(p.x, p.y, shown ? p.w : 0, shown ? p.h : 0, true);
    w->ShowWindow(shown ? kSwShow : kSwHide);
  };
  place(window_, l.window, true);
  place(hBar_, l.hBar, l.hBarShown);
  place(vBar_, l.vBar, l.vBarShown);
  place(grip_, l.grip, l.gripShown);
  place(tabs_, l.tabs, l.tabsShown);
  place(splitter_, l.splitter, l.tabsShown);
  place(hRuler_, l.hRuler, l.rulersShown);
  place(vRuler_, l.vRuler, l.rulersShown);
  place(corner_, l.corner, l.rulersShown);
  // The drawing window's mapping follows its new size at once, so that the
  // scroll arithmetic below sees it before the toolkit reports the size.
  window_->SetClientRect(TRect{0, 0, l.window.w, l.window.h});
}

void cVectorView::EvSize(std::uint32_t sizeType, const TSize& size) {
  // GTK never reports a minimised frame to its children: iconifying and
  // restoring keep every size (wxEVT_ICONIZE goes to the frame only), so no
  // WM_SIZE comes at all. What can come is an empty size (a view not yet
  // placed, a frame shrunk to nothing); fitting the page into no pixels
  // would lose the view the drawing remembers, so it waits for a real size.
  if (sizeType == kSizeMinimized || size.cx <= 0 || size.cy <= 0) return;
  Layout();
  if (firstSizing_) window_->RestoreViewAndScrollBars(false);
}

void cVectorView::EvSetFocus(THandle) {
  // The keys belong to the drawing window.
  if (window_->GetHandle()) window_->SetFocus();
}

void cVectorView::EvHScroll(std::uint32_t code, std::uint32_t thumb, THandle bar) {
  window_->EvHScroll(code, thumb, bar);
}

void cVectorView::EvVScroll(std::uint32_t code, std::uint32_t thumb, THandle bar) {
  window_->EvVScroll(code, thumb, bar);
}

const TResponseTable& cVectorView::Table() {
  using V = cVectorView;
  static const TResponseTable table(
      {
          OnMessage<kWmSize, &V::EvSize>(),
          OnMessage<kWmSetFocus, &V::EvSetFocus>(),
          OnMessage<kWmHScroll, &V::EvHScroll>(),
          OnMessage<kWmVScroll, &V::EvVScroll>(),
      },
      {&TWindow::Table()});
  return table;
}

bool cVectorView::Find(TEventInfo& info) { return Table().Search(info); }

}  // namespace kvn
