// cVectorView: the frame's client while a document is open. It is one of the
// document's views and arranges the drawing window (cVectorWindow) that shows
// one page of one sheet, the two rulers, two scroll bars with the size grip
// between them, and the bottom strip that the page tabs and the horizontal
// bar share across a draggable divider; the scroll bars are the drawing
// window's (it drives them through cScrollBarHost) and their messages go to
// it.
//
// Lifetime: the document owns its views. When the document goes it calls
// DocumentClosing on each, and the view deletes itself (with its children);
// a view deleted while its document lives leaves the view list. Every view
// is also in the program's list of views (VectorViews) while it exists.
#pragma once

#include <array>
#include <cstdint>

#include "app/ViewCompanions.h"
#include "app/ZoomScroll.h"
#include "controls/TabStrip.h"
#include "document/cDocView.h"
#include "foundation/GrowArray.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/ui/Window.h"

namespace kvn {

class TAngleWin;
class TWhereWin;
class cDrawingDoc;
class cVectorView;
class cVectorWindow;

// One placement: position and size in the view's client pixels.
struct ViewPlace {
  std::int32_t x = 0, y = 0, w = 0, h = 0;
  friend bool operator==(const ViewPlace&, const ViewPlace&) = default;
};

struct ViewLayoutInput {
  std::int32_t width = 0;   // the view's client size
  std::int32_t height = 0;
  std::int32_t hbarHeight = 0;  // the toolkit's scroll-bar thickness
  std::int32_t vbarWidth = 0;
  bool hEmpty = true;  // the bar's range is empty (minimum = maximum)
  bool vEmpty = true;
  bool tabsNeeded = false;  // two or more pages and no private sheet
  bool rulersShown = false;
  std::int32_t tabShare = 33;  // percent of the bottom strip for the tabs
};

struct ViewLayout {
  ViewPlace vRuler, hRuler, corner, window, hBar, vBar, grip, tabs, splitter;
  // The bottom strip's width that the tabs and the horizontal bar share
  // (right of the vertical ruler, left of a shown vertical bar).
  std::int32_t strip = 0;
  bool hBarShown = false, vBarShown = false, gripShown = false, tabsShown = false, rulersShown = false;
};

// Where each child of the view goes (rulers 15 pixels thick when shown; the
// bottom strip holds the tabs and the horizontal bar side by side).
ViewLayout ComputeViewLayout(const ViewLayoutInput& in);

// A scroll-bar control of the view: horizontal or vertical. The focus it
// would take goes on to the drawing window.
class cViewScrollBar : public TWindow {
 public:
  cViewScrollBar(TWindow* view, bool vertical);
  bool IsVertical() const { return vertical_; }
  void Set(std::int32_t max, std::int32_t page, std::int32_t pos);
  void SetPos(std::int32_t pos);
  std::int32_t GetTrackPos() const;
  bool IsEmpty() const { return max_ <= 0; }
  void EvSetFocus(THandle lostFocus);
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  wxWindow* CreatePeer(wxWindow* parentPeer) override;

 private:
  bool vertical_;
  std::int32_t max_ = 0, page_ = 0, pos_ = 0;
};

// The view's page tabs: a click shows that page in the drawing window, a
// double click opens the parameters of the sheet shown.
class TMyTabControl : public CCustomTabCtrl {
 public:
  explicit TMyTabControl(cVectorView* view);
  void OnTabClicked() override;
  void OnTabDoubleClicked() override;

 private:
  cVectorView* view_;
};

class cVectorView : public TWindow, public cDocView, public cScrollBarHost {
 public:
  // `frameLink`: the frame's link record (its first entry, the frame, is
  // the parent window).
  cVectorView(const std::array<void*, 4>& frameLink, cDrawingDoc* document, std::uint16_t sheetIndex,
              std::uint16_t blockIndex);
  ~cVectorView() override;

  const char16_t* GetClassName() const override { return u"KvnVectorView"; }

  TWindow* GetFrame() const { return frame_; }
  cDrawingDoc* GetDocument() const { return document_; }
  cVectorWindow* GetVectorWindow() const { return window_; }
  cViewScrollBar* GetHorizontalBar() const { return hBar_; }
  cViewScrollBar* GetVerticalBar() const { return vBar_; }
  TCornerScrollBar* GetSizeGrip() const { return grip_; }
  TMyTabControl* GetPageTabs() const { return tabs_; }
  TTabSplitWindow* GetTabSplitter() const { return splitter_; }
  TWhereWin* GetHorizontalRuler() const { return hRuler_; }
  TWhereWin* GetVerticalRuler() const { return vRuler_; }
  // One tab per page entry when the document has two or more (rebuild), and
  // the tab of the page shown selected.
  void RefreshPageTabs(bool rebuild);
  // The tabs' captions made again from the document (a language switch
  // changes the default sheet names); the tabs, the one selected and the
  // strip's scrolling stay.
  void RetitlePageTabs();
  bool TabsNeeded() const;
  void SetupWindow() override;
  // The library's check (every child may close); the document itself
  // never keeps its last view open.
  bool CanClose() override;

  // The tabs' percent of the bottom strip; a new share lays the view out.
  std::int32_t GetTabShare() const { return tabShare_; }
  void SetTabShare(std::int32_t share);
  // The width of the bottom strip as the layout divides it now.
  std::int32_t TabStripWidth() const;
  // The toolkit's scroll-bar thickness, as the layout uses it.
  static std::int32_t ScrollBarWidth();
  static std::int32_t ScrollBarHeight();

  // ---- cDocView ----
  std::uint32_t GetSheetIndex() const override;
  std::uint16_t GetCurrentPage() const override;
  void SetCurrentPage(std::uint16_t page) override;
  void SetCaption(const WString& caption) override { TWindow::SetCaption(caption); }
  void Redraw(int how) override;
  void Update(int how) override;
  void DocumentClosing() override;

  // ---- cScrollBarHost ----
  void SetScrollBar(bool vertical, std::int32_t max, std::int32_t page, std::int32_t pos) override;
  void SetScrollPos(bool vertical, std::int32_t pos) override;
  std::int32_t GetTrackPos(bool vertical) override;
  void ScrollBarsChanged() override { Layout(); }
  void VisibleAreaMoved() override;

  // Places every child for the current client size.
  void Layout();

  // ---- handlers ----
  void EvSize(std::uint32_t sizeType, const TSize& size);
  void EvSetFocus(THandle lostFocus);
  void EvHScroll(std::uint32_t code, std::uint32_t thumb, THandle bar);
  void EvVScroll(std::uint32_t code, std::uint32_t thumb, THandle bar);

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 private:
  ViewLayoutInput LayoutInput() const;

  TWindow* frame_;
  cDrawingDoc* document_;
  // Children: owned through the window tree.
  cVectorWindow* window_;
  cViewScrollBar* hBar_;
  cViewScrollBar* vBar_;
  TCornerScrollBar* grip_;
  TMyTabControl* tabs_;
  TTabSplitWindow* splitter_;
  TWhereWin* hRuler_;
  TWhereWin* vRuler_;
  TAngleWin* corner_;
  bool rulersShown_ = true;
  bool firstSizing_ = true;
  bool documentClosing_ = false;
  std::int32_t tabShare_;
};

// Every drawing view of the program (cVectorView*), oldest first: a view
// joins at its construction and leaves at its destruction.
const PtrArray& VectorViews();

// The pages of `document` changed: each of its views shows its page tabs
// again (rebuilt, and the view laid out, with `rebuild`).
void RefreshDocumentViews(cDrawingDoc* document, bool rebuild);
// The interface language changed: the views' captions and page tabs of
// `document` are made again in it.
void RetitleDocumentViews(cDrawingDoc* document);

}  // namespace kvn
