// The print preview window ("QUARN-W-PREVIEW"): a modal top-level frame
// with a tool bar (previous and next page, fit width, fit page, Print, the
// Close bar and the page text), a grey scrolling layout area and the page
// view, which shows the page's bands, rendered once per page change, on an
// image of the whole sheet. print/PrintPreview.h holds what it computes.
#pragma once

#include <memory>

#include "controls/EmbeddedDialog.h"
#include "platform/ui/DecoratedFrame.h"

namespace kvn {

class APXPrintOut;
class KeptCloseRequests;
class ProgressMonitor;
class TControlGadget;
class TButtonGadgetZv;
class TDockableControlBar;
class TGadgetWindow;
class TStatic;
class PreviewWindow__new;

inline constexpr int kCmPrevPage = 2106, kCmNextPage = 2108, kCmPreviewClose = 2116, kCmFitWidth = 2118,
                     kCmFitPage = 2120, kCmPreviewPrint = 2128, kPreviewTextId = 2114;
// What the preview's modal run ends with.
inline constexpr int kPreviewResultClose = 2, kPreviewResultPrint = 6;

// Runs the preview of the print-out over `windowRect` (screen; null: the
// parent's window rectangle); true when the user chose Print. `ownerData`
// is kept for the caller; `currentPage` is the print page to start on.
bool RunPrintPreview(void* ownerData, TWindow* parent, APXPrintOut* printOut, const WString& title, int iconId,
                     int currentPage, const WString& documentName, bool showPrint, const TRect* windowRect);

// The page view: one page of the print-out on the sheet.
class TWindowPrevMy__ : public TWindow {
 public:
  TWindowPrevMy__(TWindow* parent, APXPrintOut& printOut, PreviewWindow__new& owner);
  void SetPage(int page);
  int GetPage() const { return page_; }
  // Renders the page into the print-out's bands once (when ready); false
  // when cancelled or failed.
  bool Render();
  // Cancels the page being rendered, as its progress window's Cancel does;
  // false when none is.
  bool CancelRender();
  bool ready = false;

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 private:
  void EvPaint();
  bool EvEraseBkgnd(TParam1) { return true; }
  void EvSize(std::uint32_t, const TSize&) { Invalidate(false); }
  void EvLButtonDown(std::uint32_t, const TPoint&);
  void EvLButtonUp(std::uint32_t, const TPoint&);
  void EvMouseMove(std::uint32_t keys, const TPoint&);
  void EvKeyDown(std::uint32_t key, std::uint32_t, std::uint32_t);

  int page_ = 1;
  ProgressMonitor* rendering_ = nullptr;  // the page's monitor while it renders
  APXPrintOut& printOut_;
  PreviewWindow__new& owner_;
};

// The preview's client: grey, scrolling, holding the page view.
class TLayoutWindow__ : public TWindow {
 public:
  TLayoutWindow__(TWindow* parent, PreviewWindow__new& owner);
  // Scrolling along one axis only, over `range` units of 16 pixels.
  void SetScrolling(bool vertical, int range);
  void ScrollToOrigin();
  void EvKeyDown(std::uint32_t key, std::uint32_t, std::uint32_t);

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  wxWindow* CreatePeer(wxWindow* parentPeer) override;

 private:
  void EvSize(std::uint32_t, const TSize&);
  PreviewWindow__new& owner_;
};

// The Close button of the tool bar (dialog 2510): it never closes itself,
// it asks the frame to.
class TDialogBar__ : public TEmbeddedDialog {
 public:
  TDialogBar__(TWindow* parent, PreviewWindow__new& owner);
  void CloseWindow(int) override {}
  TResult EvCommand(std::uint32_t id, THandle ctl, std::uint32_t notifyCode) override;
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 private:
  void EvClose() {}
  PreviewWindow__new& owner_;
};

class PreviewWindow__new : public TDecoratedFrame {
 public:
  static constexpr const char16_t* kClassName = u"QUARN-W-PREVIEW";

  PreviewWindow__new(TWindow* parent, APXPrintOut& printOut, const WString& title, const WString& documentName,
                     bool showPrint, const TRect& windowRect, int pageCount, int startIndex);
  ~PreviewWindow__new() override;

  // The modal run (TFrameWindow::RunModalLoop): the result given to
  // EndModal, kPreviewResultClose when none was.
  int RunModal();
  // Ends the run, before it starts too; asked while the page renders, the
  // page is cancelled first.
  void EndModal(int result);

  void GoToPage(int index);
  void UpdateControls();
  void ApplyFitMode();
  void CmPrevPage();
  void CmNextPage();
  void CmFitWidth();
  void CmFitPage();
  void CmClose() { EndModal(kPreviewResultClose); }
  void CmPrint() { EndModal(kPreviewResultPrint); }

  int PageCount() const { return pageCount_; }
  int PageIndex() const { return index_; }
  bool FitWidth() const;
  double Aspect() const { return aspect_; }
  TWindowPrevMy__* PageView() const { return view_; }
  TLayoutWindow__* Layout() const { return layout_; }
  // The text of gadget 2114.
  WString StatusText() const;
  TGadgetWindow* ToolBar() const { return toolBar_; }
  // The tool tip of a tool-bar button: what it does (the preview has no
  // menu to take the text from); empty for other ids.
  WString GetHintText(std::uint32_t id, THintKind kind) override;

  // From its first show on, the frame hears every close asked of it.
  void ShowWindow(int command) override;
  const char16_t* GetClassName() const override { return kClassName; }
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void SetupWindow() override;

 private:
  void EvCommandEnableButton(TCommandEnabler& ce);

  APXPrintOut& printOut_;
  WString documentName_;
  double aspect_ = 1.0;
  bool tall_ = false;
  bool showPrint_;
  int pageCount_;
  int index_;
  int horizontalRange_ = 0, verticalRange_ = 0;
  TDockableControlBar* bar_ = nullptr;
  TGadgetWindow* toolBar_ = nullptr;
  TStatic* text_ = nullptr;
  TLayoutWindow__* layout_ = nullptr;
  TWindowPrevMy__* view_ = nullptr;  // a child of the layout window
  // The window manager's close, Escape and Enter, while the page's progress
  // window disables the frame too.
  std::unique_ptr<KeptCloseRequests> closeRequests_;
};

}  // namespace kvn
