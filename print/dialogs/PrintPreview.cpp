#include "print/dialogs/PrintPreview.h"

#include <wx/dcclient.h>
#include <wx/dcscreen.h>
#include <wx/image.h>
#include <wx/scrolwin.h>
#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <cstdio>
#include <vector>

#include "controls/ButtonGadget.h"
#include "document/ProgressMonitor.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "foundation/WindowPlacement.h"
#include "platform/gdi/RasterDC.h"
#include "platform/ui/ActivationHandOver.h"
#include "platform/ui/CommandEnabler.h"
#include "platform/ui/ControlTexts.h"
#include "platform/ui/GadgetWindow.h"
#include "platform/ui/KeptCloseRequests.h"
#include "platform/ui/MessageBridge.h"
#include "platform/ui/PaintAhead.h"
#include "platform/ui/UiHelpersWx.h"
#include "platform/ui/WxText.h"
#include "print/PrintOut.h"
#include "print/PrintPreview.h"

namespace kvn {

namespace {

constexpr int kDialogBarId = 2510;
constexpr int kStrPageOf = 2124;
constexpr COLORREF kLayoutGrey = 0x808080;
constexpr int kScrollUnit = 16;

// "Page %d / %d" with the two numbers.
WString PageText(int page, int count) {
  const std::string pattern = LoadLangString(kStrPageOf).ToUtf8();
  std::string out;
  int which = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'd') {
      out += std::to_string(which++ == 0 ? page : count);
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return WString::FromUtf8(out);
}

}  // namespace

// ---- the page view --------------------------------------------------------------------------------

TWindowPrevMy__::TWindowPrevMy__(TWindow* parent, APXPrintOut& printOut, PreviewWindow__new& owner)
    : TWindow(parent), printOut_(printOut), owner_(owner) {
  Attr.Style = kWsChild | kWsVisible | kWsBorder;
}

void TWindowPrevMy__::SetPage(int page) {
  page_ = page;
  if (GetHandle()) Invalidate(false);
}

bool TWindowPrevMy__::Render() {
  if (!ready) return true;
  ready = false;
  bool rendered;
  {
    ProgressMonitor monitor(&owner_, WString(), kProgressDialogId);
    rendering_ = &monitor;
    rendered = RenderPreviewPage(printOut_, page_, &monitor) && !monitor.Cancelled();
    // An Escape or an Alt+F4 on its way to the progress window as the page
    // ended: the toolkit drops the events the display still has for a
    // window it has destroyed, and the preview stayed. The frame is made
    // the active window first (the manager's keys go to it from then on),
    // and what was sent to the progress window until then is heard while
    // it is still there to take it and to ask its question.
    if (ProgressWindow* window = monitor.Window()) {
      auto* dialog = dynamic_cast<TWindow*>(window->GetMessageOwner());
      if (dialog && dialog->GetPeer() && owner_.GetPeer()) HandActivationOver(*dialog->GetPeer(), *owner_.GetPeer());
      if (rendered) rendered = monitor.Step(kProgressNoValue, false, nullptr, nullptr, true) && !monitor.Cancelled();
    }
    rendering_ = nullptr;
  }
  if (!rendered) return false;
  if (GetHandle()) Invalidate(false);
  ready = true;
  return true;
}

bool TWindowPrevMy__::CancelRender() {
  if (rendering_ == nullptr) return false;
  rendering_->Cancel();
  return true;
}

void TWindowPrevMy__::EvPaint() {
  wxPaintDC* paint = GetPaintDC();
  if (!paint || !GetPeer()) return;
  const wxSize size = GetPeer()->GetClientSize();
  if (size.x <= 0 || size.y <= 0) return;
  std::vector<std::uint8_t> bits(std::size_t(size.x) * std::size_t(size.y) * 4);
  {
    std::unique_ptr<RasterDC> dc = RasterDC::Create(bits.data(), size.x, size.y);
    if (!dc) return;
    // Bands are stretched at each paint; the page renders only on a page change.
    PaintPreviewSheet(*dc, printOut_, ready, size.x, size.y, TRect{0, 0, size.x, size.y});
    dc->Flush();
  }
  wxImage image(size.x, size.y, false);
  unsigned char* rgb = image.GetData();
  for (std::size_t i = 0, n = std::size_t(size.x) * std::size_t(size.y); i < n; ++i) {
    rgb[3 * i] = bits[4 * i + 2];
    rgb[3 * i + 1] = bits[4 * i + 1];
    rgb[3 * i + 2] = bits[4 * i];
  }
  paint->DrawBitmap(wxBitmap(image), 0, 0, false);
}

// A click only holds the mouse until the button is released.
void TWindowPrevMy__::EvLButtonDown(std::uint32_t, const TPoint&) { SetCapture(); }

void TWindowPrevMy__::EvLButtonUp(std::uint32_t, const TPoint&) {
  if (GetCapture() == GetHandle()) ReleaseCapture();
}

void TWindowPrevMy__::EvMouseMove(std::uint32_t keys, const TPoint&) {
  if (!(keys & kMkLButton) && GetCapture() == GetHandle()) ReleaseCapture();
}

// The view may hold the focus after a click: its keys are the layout's.
void TWindowPrevMy__::EvKeyDown(std::uint32_t key, std::uint32_t repeat, std::uint32_t flags) {
  if (TLayoutWindow__* layout = owner_.Layout()) layout->EvKeyDown(key, repeat, flags);
}

const TResponseTable& TWindowPrevMy__::Table() {
  using C = TWindowPrevMy__;
  static const TResponseTable table(
      {
          OnMessage<kWmPaint, &C::EvPaint>(),
          OnMessage<kWmEraseBkgnd, &C::EvEraseBkgnd>(),
          OnMessage<kWmSize, &C::EvSize>(),
          OnMessage<kWmLButtonDown, &C::EvLButtonDown>(),
          OnMessage<kWmLButtonUp, &C::EvLButtonUp>(),
          OnMessage<kWmMouseMove, &C::EvMouseMove>(),
          OnMessage<kWmKeyDown, &C::EvKeyDown>(),
      },
      {&TWindow::Table()});
  return table;
}

bool TWindowPrevMy__::Find(TEventInfo& info) { return Table().Search(info); }

// ---- the layout window -----------------------------------------------------------------------------

TLayoutWindow__::TLayoutWindow__(TWindow* parent, PreviewWindow__new& owner) : TWindow(parent), owner_(owner) {
  Attr.Style = kWsChild | kWsVisible | kWsHScroll | kWsVScroll;
}

wxWindow* TLayoutWindow__::CreatePeer(wxWindow* parentPeer) {
  auto* peer = new WxPeer<wxScrolledWindow>(this, parentPeer, wxID_ANY, wxDefaultPosition, wxSize(100, 100),
                                            wxWANTS_CHARS | wxHSCROLL | wxVSCROLL | wxFULL_REPAINT_ON_RESIZE,
                                            ToWx(WString(GetClassName())));
  peer->SetBackgroundColour(wxColour(kLayoutGrey & 0xFF, (kLayoutGrey >> 8) & 0xFF, (kLayoutGrey >> 16) & 0xFF));
  return peer;
}

void TLayoutWindow__::SetScrolling(bool vertical, int range) {
  auto* peer = dynamic_cast<wxScrolledWindow*>(GetPeer());
  if (!peer) return;
  const wxSize client = peer->GetClientSize();
  if (vertical) {
    peer->SetScrollRate(0, kScrollUnit);
    peer->SetVirtualSize(client.x, std::max(client.y, range * kScrollUnit));
  } else {
    peer->SetScrollRate(kScrollUnit, 0);
    peer->SetVirtualSize(std::max(client.x, range * kScrollUnit), client.y);
  }
}

void TLayoutWindow__::ScrollToOrigin() {
  if (auto* peer = dynamic_cast<wxScrolledWindow*>(GetPeer())) peer->Scroll(0, 0);
}

void TLayoutWindow__::EvKeyDown(std::uint32_t key, std::uint32_t, std::uint32_t) {
  switch (key) {
    case kVkReturn:
    case kVkEscape:
      owner_.EndModal(kPreviewResultClose);
      return;
    case kVkPrior:
    case kVkLeft:
      owner_.CmPrevPage();
      return;
    case kVkNext:
    case kVkRight:
      owner_.CmNextPage();
      return;
    default:
      DefaultProcessing();
  }
}

void TLayoutWindow__::EvSize(std::uint32_t, const TSize&) {
  owner_.ApplyFitMode();
  DefaultProcessing();
}

const TResponseTable& TLayoutWindow__::Table() {
  using C = TLayoutWindow__;
  static const TResponseTable table(
      {
          OnMessage<kWmKeyDown, &C::EvKeyDown>(),
          OnMessage<kWmSize, &C::EvSize>(),
      },
      {&TWindow::Table()});
  return table;
}

bool TLayoutWindow__::Find(TEventInfo& info) { return Table().Search(info); }

// ---- the Close bar --------------------------------------------------------------------------------

TDialogBar__::TDialogBar__(TWindow* parent, PreviewWindow__new& owner)
    : TEmbeddedDialog(parent, kDialogBarId), owner_(owner) {}

TResult TDialogBar__::EvCommand(std::uint32_t id, THandle ctl, std::uint32_t notifyCode) {
  if (id == kIdcOk || id == kIdcCancel) {
    owner_.PostMessage(kWmCommand, kCmPreviewClose, 0);
    return 0;
  }
  return TEmbeddedDialog::EvCommand(id, ctl, notifyCode);
}

const TResponseTable& TDialogBar__::Table() {
  static const TResponseTable table({OnMessage<kWmClose, &TDialogBar__::EvClose>()}, {&TEmbeddedDialog::Table()});
  return table;
}

bool TDialogBar__::Find(TEventInfo& info) { return Table().Search(info); }

// ---- the frame ----------------------------------------------------------------------------------

PreviewWindow__new::PreviewWindow__new(TWindow* parent, APXPrintOut& printOut, const WString& title,
                                       const WString& documentName, bool showPrint, const TRect& windowRect,
                                       int pageCount, int startIndex)
    : TDecoratedFrame(parent, title),
      printOut_(printOut),
      documentName_(documentName),
      showPrint_(showPrint),
      pageCount_(std::max(pageCount, 1)),
      index_(std::clamp(startIndex, 0, std::max(pageCount, 1) - 1)) {
  SetInstanceName(WString(kClassName));
  SetXClass(WString(kClassName));
  aspect_ = PreviewAspect(printOut.Record());
  const auto width = windowRect.Width(), height = windowRect.Height();
  tall_ = width != 0 && height != 0 && double(height) / double(width) > aspect_;
  Attr.Style = (Attr.Style & ~(kWsMinimizeBox | kWsMaximizeBox)) | kWsPopup | kWsVisible | kWsCaption | kWsSysMenu |
               kWsThickFrame | kWsBorder;
  Attr.X = windowRect.left;
  Attr.Y = windowRect.top;
  Attr.W = int(width);
  Attr.H = int(height);

  bar_ = new TDockableControlBar(this);
  toolBar_ = new TGadgetWindow(bar_);
  toolBar_->Insert(std::make_unique<TButtonGadgetZv>(kCmPrevPage, kCmPrevPage));
  toolBar_->Insert(std::make_unique<TButtonGadgetZv>(kCmNextPage, kCmNextPage));
  toolBar_->Insert(std::make_unique<TSeparatorGadgetZv>(6));
  toolBar_->Insert(std::make_unique<TButtonGadgetZv>(kCmFitWidth, kCmFitWidth, TButtonGadgetZv::Exclusive, true,
                                                     tall_ ? TButtonGadgetZv::Down : TButtonGadgetZv::Up));
  toolBar_->Insert(std::make_unique<TButtonGadgetZv>(kCmFitPage, kCmFitPage, TButtonGadgetZv::Exclusive, true,
                                                     tall_ ? TButtonGadgetZv::Up : TButtonGadgetZv::Down));
  toolBar_->Insert(std::make_unique<TSeparatorGadgetZv>(12));
  if (showPrint_) {
    toolBar_->Insert(std::make_unique<TButtonGadgetZv>(kCmPreviewPrint, kCmPreviewPrint, TButtonGadgetZv::Command,
                                                       false));
    toolBar_->Insert(std::make_unique<TSeparatorGadgetZv>(12));
  }
  toolBar_->Insert(std::make_unique<TControlGadget>(*new TDialogBar__(toolBar_, *this)));
  toolBar_->Insert(std::make_unique<TSeparatorGadgetZv>(12));
  text_ = new TStatic(toolBar_, kPreviewTextId, WString(), 0, 0, 360, 18);
  text_->Attr.Style |= kWsVisible;
  toolBar_->Insert(std::make_unique<TControlGadget>(*text_, TGadget::Recessed));

  wxScreenDC screen;
  const wxSize ppi = screen.GetPPI();
  const PreviewScrollRanges ranges = ComputePreviewScrollRanges(int(width), int(height), aspect_,
                                                                std::max(ppi.x, 1), std::max(ppi.y, 1));
  horizontalRange_ = ranges.horizontal;
  verticalRange_ = ranges.vertical;

  layout_ = new TLayoutWindow__(this, *this);
  SetClientWindow(layout_);
}

PreviewWindow__new::~PreviewWindow__new() = default;

WString PreviewWindow__new::GetHintText(std::uint32_t id, THintKind) {
  static constexpr std::pair<std::uint32_t, int> kHints[] = {{kCmPrevPage, 19835}, {kCmNextPage, 19836},
                                                             {kCmFitWidth, 19837}, {kCmFitPage, 19838},
                                                             {kCmPreviewPrint, 19839}};
  for (const auto& [command, text] : kHints)
    if (command == id) return LoadLangString(text);
  return WString();
}

void PreviewWindow__new::SetupWindow() {
  TDecoratedFrame::SetupWindow();
  Insert(*bar_, Location::Top);
  toolBar_->LayoutSession();
  bar_->LayoutBar();
  if (auto* print = dynamic_cast<TGadget*>(toolBar_->GadgetWithId(kCmPreviewPrint))) print->SetEnabled(true);
  view_ = new TWindowPrevMy__(layout_, printOut_, *this);
  GoToPage(index_);
  view_->Create();
  if (tall_) {
    layout_->ScrollToOrigin();
    layout_->SetScrolling(true, verticalRange_);
  } else {
    layout_->SetScrolling(false, horizontalRange_);
  }
  ApplyFitMode();
  UpdateControls();
}

namespace {

// The toolkit hears of the minimise from the manager's state property,
// before the manager has unmapped the window, and a map asked then changes
// nothing: the restore is asked again every 100 ms until the window is back
// (5 s at most, for a manager that refuses it).
void ComeBackWhenMinimised(wxTopLevelWindow& top) {
  struct Restore {
    wxTimer timer;
    int tries = 0;
  };
  auto restore = std::make_shared<Restore>();
  restore->timer.SetOwner(&top);
  top.Bind(wxEVT_ICONIZE, [restore](wxIconizeEvent& e) {
    if (e.IsIconized()) {
      restore->tries = 0;
      restore->timer.Start(100);
    }
    e.Skip();
  });
  top.Bind(
      wxEVT_TIMER,
      [&top, restore](wxTimerEvent&) {
        if (!top.IsIconized() || ++restore->tries > 50) {
          restore->timer.Stop();
          return;
        }
        top.Iconize(false);
      },
      restore->timer.GetId());
}

}  // namespace

void PreviewWindow__new::ShowWindow(int command) {
  TDecoratedFrame::ShowWindow(command);
  // The toolkit would drop them while the page's progress window disables
  // the frame, and before its modal run holds the grab.
  if (closeRequests_ == nullptr && GetPeer()) {
    closeRequests_ = std::make_unique<KeptCloseRequests>(
        *GetPeer(), [this] { HandleMessage(kWmClose); },
        [this](std::uint32_t key) {
          if (layout_) layout_->EvKeyDown(key, 1, 0);
        });
    // A manager that offers minimise whatever the window asks (openbox lists
    // it for every resizable window) would hide the preview while its modal
    // run goes on, and the Escape meant for the print dialog beside it would
    // end the hidden preview instead: the preview comes back at once.
    if (auto* top = dynamic_cast<wxTopLevelWindow*>(GetPeer())) ComeBackWhenMinimised(*top);
  }
}

bool PreviewWindow__new::FitWidth() const {
  auto* button = dynamic_cast<TButtonGadgetZv*>(toolBar_ ? toolBar_->GadgetWithId(kCmFitWidth) : nullptr);
  return button ? button->GetState() == TButtonGadgetZv::Down : tall_;
}

void PreviewWindow__new::ApplyFitMode() {
  if (!layout_ || !layout_->GetPeer() || !view_ || !view_->GetPeer()) return;
  auto* peer = dynamic_cast<wxScrolledWindow*>(layout_->GetPeer());
  if (!peer) return;
  const wxSize client = peer->GetClientSize();
  const TRect fit = PreviewFitRect(FitWidth(), client.x, client.y, aspect_);
  if (FitWidth()) {
    peer->SetVirtualSize(client.x, std::max(int(fit.bottom) + 6, verticalRange_ * kScrollUnit));
  } else {
    peer->SetVirtualSize(std::max(int(fit.right) + 6, horizontalRange_ * kScrollUnit), client.y);
  }
  const wxPoint at = peer->CalcScrolledPosition(wxPoint(fit.left, fit.top));
  view_->MoveWindow(at.x, at.y, int(fit.Width()), int(fit.Height()));
  view_->Invalidate(false);
}

void PreviewWindow__new::GoToPage(int index) {
  index_ = std::clamp(index, 0, pageCount_ - 1);
  if (!view_) return;
  view_->SetPage(PreviewPageOfIndex(printOut_, index_));
  if (!view_->Render()) PostMessage(kWmClose);
  UpdateControls();
}

WString PreviewWindow__new::StatusText() const {
  WString text = PageText(index_ + 1, pageCount_);
  if (!documentName_.IsEmpty()) text.Append(WString(u"  ")).Append(documentName_);
  return text;
}

void PreviewWindow__new::UpdateControls() {
  if (auto* prev = toolBar_->GadgetWithId(kCmPrevPage)) prev->SetEnabled(index_ > 0);
  if (auto* next = toolBar_->GadgetWithId(kCmNextPage)) next->SetEnabled(index_ + 1 < pageCount_);
  if (text_ && text_->GetHandle()) {
    const WString text = StatusText();
    text_->SetText(text);
    // Shrink-wrapped: the gadget as wide as its text.
    if (wxWindow* peer = text_->GetPeer()) {
      const wxSize extent = peer->GetTextExtent(ToWx(text));
      const int w = std::max(extent.x + 8, peer->GetCharWidth() * 10);
      if (peer->GetSize().x != w) {
        peer->SetMinSize(wxSize(w, peer->GetSize().y));
        peer->SetSize(w, peer->GetSize().y);
        toolBar_->LayoutSession();
        bar_->LayoutBar();
      }
    }
  }
  toolBar_->Invalidate(false);
}

void PreviewWindow__new::CmPrevPage() {
  if (index_ > 0) GoToPage(index_ - 1);
}

void PreviewWindow__new::CmNextPage() {
  if (index_ + 1 < pageCount_) GoToPage(index_ + 1);
}

void PreviewWindow__new::CmFitWidth() {
  if (auto* b = dynamic_cast<TButtonGadgetZv*>(toolBar_->GadgetWithId(kCmFitWidth))) b->SetState(TButtonGadgetZv::Down);
  layout_->ScrollToOrigin();
  layout_->SetScrolling(true, verticalRange_);
  ApplyFitMode();
  Invalidate(false);
  UpdateControls();
}

void PreviewWindow__new::CmFitPage() {
  if (auto* b = dynamic_cast<TButtonGadgetZv*>(toolBar_->GadgetWithId(kCmFitPage))) b->SetState(TButtonGadgetZv::Down);
  layout_->ScrollToOrigin();
  layout_->SetScrolling(false, horizontalRange_);
  ApplyFitMode();
  Invalidate(false);
  UpdateControls();
}

void PreviewWindow__new::EvCommandEnableButton(TCommandEnabler& ce) {
  switch (ce.GetId()) {
    case kCmPrevPage:
      ce.Enable(index_ > 0);
      break;
    case kCmNextPage:
      ce.Enable(index_ + 1 < pageCount_);
      break;
    case kCmFitWidth:
      ce.Enable(true);
      ce.SetCheck(FitWidth() ? TCommandEnabler::Checked : TCommandEnabler::Unchecked);
      break;
    case kCmFitPage:
      ce.Enable(true);
      ce.SetCheck(FitWidth() ? TCommandEnabler::Unchecked : TCommandEnabler::Checked);
      break;
    default:
      ce.Enable(true);
  }
}

int PreviewWindow__new::RunModal() {
  const int result = RunModalLoop();
  return result == 0 ? kPreviewResultClose : result;
}

void PreviewWindow__new::EndModal(int result) {
  // The page stops as a cancel stops it; the preview ends once it has.
  if (view_) view_->CancelRender();
  EndModalLoop(result);
}

const TResponseTable& PreviewWindow__new::Table() {
  using C = PreviewWindow__new;
  static const TResponseTable table(
      {
          OnCommand<&C::CmPrevPage>(kCmPrevPage),
          OnCommand<&C::CmNextPage>(kCmNextPage),
          OnCommand<&C::CmFitWidth>(kCmFitWidth),
          OnCommand<&C::CmFitPage>(kCmFitPage),
          OnCommand<&C::CmClose>(kCmPreviewClose),
          OnMessage<kWmClose, &C::CmClose>(),
          OnCommand<&C::CmPrint>(kCmPreviewPrint),
          OnCommandEnable<&C::EvCommandEnableButton>(kCmPrevPage),
          OnCommandEnable<&C::EvCommandEnableButton>(kCmNextPage),
          OnCommandEnable<&C::EvCommandEnableButton>(kCmFitWidth),
          OnCommandEnable<&C::EvCommandEnableButton>(kCmFitPage),
          OnCommandEnable<&C::EvCommandEnableButton>(kCmPreviewPrint),
      },
      {&TDecoratedFrame::Table()});
  return table;
}

bool PreviewWindow__new::Find(TEventInfo& info) { return Table().Search(info); }

// ---- running it -----------------------------------------------------------------------------------

bool RunPrintPreview(void*, TWindow* parent, APXPrintOut* printOut, const WString& title, int iconId,
                     int currentPage, const WString& documentName, bool showPrint, const TRect* windowRect) {
  if (printOut == nullptr || parent == nullptr || !parent->GetHandle()) return false;
  TRect rect = windowRect ? *windowRect : parent->GetWindowRect();
  if (rect.Width() < 200 || rect.Height() < 200) {
    const TPoint origin = parent->ClientToScreen(TPoint{0, 0});
    const ScreenRect work = GetWorkAreaAtPoint(origin.x, origin.y);
    rect = TRect{work.left, work.top, work.right, work.bottom};
  }
  CapPreviewResolution(printOut->Record(), int(rect.Width()), int(rect.Height()));

  PreviewPages pages;
  {
    ProgressMonitor monitor(parent, WString(), kProgressDialogId);
    if (!CountPreviewPages(*printOut, currentPage, &monitor, pages)) return false;
  }
  auto frame = std::make_unique<PreviewWindow__new>(parent, *printOut, title, documentName, showPrint, rect,
                                                    std::max(pages.count, 1), pages.startIndex);
  frame->SetIconId(iconId);
  // The page renders once the view is ready, not while the frame is made.
  if (!frame->Create()) return false;
  frame->ShowWindow(kSwShow);
  if (TLayoutWindow__* layout = frame->Layout()) layout->SetFocus();
  frame->PageView()->ready = true;
  if (!frame->PageView()->Render()) return false;
  const int result = frame->RunModal();
  frame.reset();
  // The window it was run from takes the keys again at once, as an owner
  // does when its owned window closes: the manager's own choice after the
  // preview went (or after a progress window over it) may be another one.
  if (wxWindow* owner = parent->GetPeer(); owner != nullptr && owner->IsShown() && owner->IsEnabled()) {
    BringWindowToFront(owner, false);
    // Painted before the windows the preview uncovered: a large drawing's
    // repaint beneath takes seconds, with the dialog a blank frame until then.
    PaintAheadOfOthers(owner);
  }
  printOut->strips.clear();
  return result == kPreviewResultPrint;
}

}  // namespace kvn
