#include "controls/PropertySheet.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/timer.h>

#include <algorithm>

#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "foundation/WindowPlacement.h"
#include "platform/ui/ControlPeers.h"
#include "platform/ui/DialogFit.h"
#include "platform/ui/DialogNavigation.h"
#include "platform/ui/MessageBridge.h"
#include "platform/ui/NearParent.h"
#include "platform/ui/ThemedButton.h"
#include "platform/ui/UiHelpersWx.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

// Texts of the sheet's own buttons.
constexpr int kOkTextId = 1195;
constexpr int kCancelTextId = 1194;
// Space around the notebook and between the buttons, in pixels.
constexpr int kBorder = 7;

WString CaptionText(int id) { return id ? LoadLangString(id) : WString(); }

}  // namespace

// --- TMyPropertyPage ---------------------------------------------------------------------------

TMyPropertyPage::TMyPropertyPage(TMyPropertySheet* sheet, int resourceId, const WString& title, int /*icon*/)
    : TEmbeddedDialog(nullptr, resourceId), sheet_(sheet), title_(title) {
  if (sheet_) sheet_->AddPage(this);
}

const TResponseTable& TMyPropertyPage::Table() {
  static const TResponseTable table({OnCommand<&TMyPropertyPage::CmOkToSheet>(kIdcOk),
                                     OnCommand<&TMyPropertyPage::CmCancelToSheet>(kIdcCancel)},
                                    {&TDialogTr::Table()});
  return table;
}

bool TMyPropertyPage::Find(TEventInfo& info) { return Table().Search(info); }

void TMyPropertyPage::CmOkToSheet() {
  if (sheet_) sheet_->CmOk();
}

void TMyPropertyPage::CmCancelToSheet() {
  if (sheet_) sheet_->CmCancel();
}

bool TMyPropertyPage::Apply() {
  const bool shown = sheet_ && sheet_->GetCurrentPage() == this;
  if (sheet_) {
    if (shown && sheet_->rememberedFocus) *sheet_->rememberedFocus = 0;
    if (sheet_->rememberedPage) *sheet_->rememberedPage = sheet_->GetCurrentPageIndex();
    if (sheet_->rememberedFocus) {
      if (const wxWindow* focus = wxWindow::FindFocus()) *sheet_->rememberedFocus = focus->GetId();
    }
  }
  if (!CanClose()) return false;
  SaveToVariable();
  if (shown) sheet_->AfterPageApply(*this);
  return true;
}

// --- TMyPropertySheet --------------------------------------------------------------------------

TMyPropertySheet::TMyPropertySheet(TWindow* parent, int captionId) : TWindow(parent, CaptionText(captionId)) {
  Attr.Style = kWsPopup | kWsCaption | kWsSysMenu;
}

TMyPropertySheet::~TMyPropertySheet() {
  if (GetHandle()) TWindow::Destroy(result_);
}

const TResponseTable& TMyPropertySheet::Table() {
  static const TResponseTable table(
      {
          OnCommand<&TMyPropertySheet::Restore>(kCmRestoreDefaults),
          OnCommand<&TMyPropertySheet::CmOk>(kIdcOk),
          OnCommand<&TMyPropertySheet::CmCancel>(kIdcCancel),
          OnMessage<kWmClose, &TMyPropertySheet::CmCancel>(),
      },
      {&TWindow::Table()});
  return table;
}

bool TMyPropertySheet::Find(TEventInfo& info) { return Table().Search(info); }

void TMyPropertySheet::AddPage(TMyPropertyPage* page) { pages_.emplace_back(page); }

TMyPropertyPage* TMyPropertySheet::GetPage(int index) const {
  return index >= 0 && index < GetPageCount() ? pages_[std::size_t(index)].get() : nullptr;
}

int TMyPropertySheet::GetCurrentPageIndex() const { return notebook_ ? notebook_->GetSelection() : -1; }

TMyPropertyPage* TMyPropertySheet::GetCurrentPage() const { return GetPage(GetCurrentPageIndex()); }

WString TMyPropertySheet::GetTabText(int index) const {
  if (notebook_ == nullptr || index < 0 || std::size_t(index) >= notebook_->GetPageCount()) return WString();
  return FromWx(notebook_->GetPageText(std::size_t(index)));
}

wxWindow* TMyPropertySheet::CreatePeer(wxWindow* parentPeer) {
  auto* dialog = new WxPeer<wxDialog>(this, parentPeer, wxID_ANY, ToWx(GetCaption()), wxDefaultPosition,
                                      wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
  // The sheet handles Enter and Escape itself.
  dialog->SetEscapeId(wxID_NONE);
  dialog->SetAffirmativeId(wxID_NONE);
  notebook_ = new wxNotebook(dialog, wxID_ANY);
  holders_.clear();
  const int baseX = std::max(dialog->GetCharWidth(), 1);
  const int baseY = std::max(dialog->GetCharHeight(), 1);
  for (const auto& page : pages_) {
    // Every page's window is made later, inside a holder of the page's size.
    auto* holder = new wxPanel(notebook_, wxID_ANY);
    holder->SetSizer(new wxBoxSizer(wxVERTICAL));
    if (const DialogTemplateData* t = page->GetTemplate()) {
      holder->SetMinSize(wxSize(DialogUnitsToPixelsX(t->cx, baseX), DialogUnitsToPixelsY(t->cy, baseY)));
    }
    notebook_->AddPage(holder, ToWx(page->GetTitle()));
    holders_.push_back(holder);
  }
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(notebook_, 1, wxEXPAND | wxALL, kBorder);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->AddStretchSpacer();
  auto addButton = [&](int id, int textId, bool isDefault) {
    wxWindow* button = NewPushButtonPeer(nullptr, dialog, id, ToWx(LoadLangString(textId)), wxDefaultPosition,
                                         wxDefaultSize, isDefault);
    buttons->Add(button, 0, wxLEFT, kBorder);
    return button;
  };
  addButton(int(kIdcOk), kOkTextId, true);
  addButton(int(kIdcCancel), kCancelTextId, false);
  // The Apply button, when the sheet has one, is the Restore button.
  if (restoreButton) addButton(int(kCmRestoreDefaults), kRestoreTextId, false);
  column->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kBorder);
  dialog->SetSizerAndFit(column);

  dialog->Bind(wxEVT_BUTTON, [this](wxCommandEvent& e) {
    const int id = e.GetId();
    if (id == int(kIdcOk) || id == int(kIdcCancel) || id == int(kCmRestoreDefaults)) {
      HandleMessage(kWmCommand, MakeWParam(std::uint16_t(id), std::uint16_t(kBnClicked)), 0);
    } else {
      e.Skip();
    }
  });
  notebook_->Bind(wxEVT_NOTEBOOK_PAGE_CHANGED, [this](wxBookCtrlEvent& e) {
    e.Skip();
    if (e.GetEventObject() == notebook_) MakePageWindow(e.GetSelection());
  });
  dialog->Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& e) {
    wxWindow* focus = wxWindow::FindFocus();
    const bool onButton = PeerIsPushButton(focus) && wxGetTopLevelParent(focus) == GetPeer();
    if (e.GetKeyCode() == WXK_TAB) {
      // The focus walks the page shown and the sheet's own windows as one
      // dialog; Ctrl+Tab turns the pages as Ctrl+PgDn does.
      if (e.ControlDown()) {
        TurnPage(e.ShiftDown() ? -1 : 1);
      } else {
        MoveTabFocus(GetPeer(), e.ShiftDown());
      }
    } else if (e.GetKeyCode() == WXK_ESCAPE) {
      CmCancel();
    } else if ((e.GetKeyCode() == WXK_RETURN || e.GetKeyCode() == WXK_NUMPAD_ENTER) && !onButton) {
      CmOk();
    } else if ((e.GetKeyCode() == WXK_RETURN || e.GetKeyCode() == WXK_NUMPAD_ENTER) && ThemedPeerOf(focus)) {
      // The toolkit presses its own buttons on Enter, not themed ones.
      ClickOwnerDrawnButton(focus);
    } else if (!((e.AltDown() || onButton) && ClickThemedButtonByMnemonic(focus ? focus->GetParent() : nullptr,
                                                                           e.GetKeyCode()))) {
      e.Skip();
    }
  });
  return dialog;
}

bool TMyPropertySheet::MakePageWindow(int index) {
  TMyPropertyPage* page = GetPage(index);
  if (page == nullptr || std::size_t(index) >= holders_.size()) return false;
  if (page->GetHandle()) return true;
  wxWindow* holder = holders_[std::size_t(index)];
  page->SetHost(holder);
  // Only the first page made restores the remembered focus.
  page->rememberedFocus = rememberedFocus;
  const bool made = page->Create();
  page->rememberedFocus = nullptr;
  if (rememberedFocus) *rememberedFocus = 0;
  if (!made) return false;
  holder->GetSizer()->Add(page->GetPeer(), 1, wxEXPAND);
  // A page laid out larger for its texts (TDialog::FitTemplateToTexts)
  // widens the sheet.
  const wxSize laidOut = page->GetPeer()->GetMinSize(), held = holder->GetMinSize();
  if (laidOut.x > held.x || laidOut.y > held.y) {
    holder->SetMinSize(wxSize(std::max(laidOut.x, held.x), std::max(laidOut.y, held.y)));
    notebook_->InvalidateBestSize();
    if (wxWindow* sheet = GetPeer(); sheet && sheet->GetSizer()) {
      const wxRect before = sheet->GetRect();
      sheet->GetSizer()->SetSizeHints(sheet);
      KeepCentreAfterGrowth(*sheet, before);
    }
  }
  holder->Layout();
  return true;
}

bool TMyPropertySheet::SelectPage(int index) {
  if (notebook_ == nullptr || !MakePageWindow(index)) return false;
  if (notebook_->GetSelection() != index) notebook_->ChangeSelection(std::size_t(index));
  return true;
}

void TMyPropertySheet::TurnPage(int step) {
  const int count = GetPageCount();
  const int from = GetCurrentPageIndex();
  if (notebook_ == nullptr || count < 2 || from < 0 || std::size_t(from) >= holders_.size()) return;
  const int to = ((from + step) % count + count) % count;
  bool focusInPage = false;
  for (const wxWindow* w = wxWindow::FindFocus(); w && !focusInPage && !w->IsTopLevel(); w = w->GetParent()) {
    focusInPage = w == holders_[std::size_t(from)];
  }
  if (!MakePageWindow(to)) return;
  // As the user's change of tab: the notebook's own events follow.
  notebook_->SetSelection(std::size_t(to));
  // A focus left on the page that went would be on a hidden window: it
  // moves to the new page's first place, else to the tabs.
  if (!focusInPage) return;
  const std::vector<wxWindow*> places = TabPlaces(holders_[std::size_t(to)]);
  if (places.empty()) {
    notebook_->SetFocus();
  } else {
    places.front()->SetFocus();
  }
}

void TMyPropertySheet::SetupWindow() {
  TWindow::SetupWindow();
  SubclassPushButtons(this, GetPeer());
  PlaceWindowNearParent(GetPeer());
  for (std::size_t i = 0; i < notebook_->GetPageCount(); ++i) {
    WString text = FromWx(notebook_->GetPageText(i));
    if (TranslateText(text)) notebook_->SetPageText(i, ToWx(text));
  }
  TWindow* parent = GetParentO();
  if (parent && parent->GetHandle() && parent->IsWindowEnabled()) {
    parentDisabled_ = true;
    parent->EnableWindow(false);
  }
  Place();
  SelectPage(startPage_);
}

void TMyPropertySheet::Place() {
  DialogPlacement in;
  in.centerFlag = centerFlag;
  TWindow* parent = GetParentO();
  in.hasParent = parent != nullptr && parent->GetHandle() != nullptr;
  if (in.hasParent) in.parentRect = parent->GetWindowRect();
  const ScreenRect work = GetPrimaryWorkArea();
  in.workArea = TRect{work.left, work.top, work.right, work.bottom};
  in.position = positionPoint;
  in.clamp = clampPoint;
  if (const std::optional<TPoint> point = ComputeDialogPlacement(in)) {
    MoveWindowIntoMonitor(GetPeer(), point->x, point->y, false);
  }
}

void TMyPropertySheet::CleanupWindow() {
  ForgetSubclassedButtons(this);
  TWindow::CleanupWindow();
  if (parentDisabled_) {
    if (TWindow* parent = GetParentO(); parent && parent->GetHandle()) {
      parent->EnableWindow(true);
      parent->SetFocus();
    }
  }
  notebook_ = nullptr;
  holders_.clear();
}

int TMyPropertySheet::Execute() {
  if (GetHandle()) return -1;
  startPage_ = 0;
  if (rememberedPage && *rememberedPage >= 0 && *rememberedPage < GetPageCount()) startPage_ = *rememberedPage;
  result_ = 2;
  parentDisabled_ = false;
  if (!Create()) return -1;
  auto* dialog = dynamic_cast<wxDialog*>(GetPeer());
  ModalStack::Push(GetParentO(), this, true);
  modalRunning_ = true;
  outerLoop_ = wxEventLoopBase::GetActive();
  if (dialog) dialog->ShowModal();
  if (endRetry_) endRetry_->Stop();
  modalRunning_ = false;
  ModalStack::Pop();
  TWindow::Destroy(result_);
  return result_;
}

void TMyPropertySheet::End(int result) {
  result_ = result;
  if (modalRunning_) {
    auto* dialog = dynamic_cast<wxDialog*>(GetPeer());
    wxEventLoopBase* active = wxEventLoopBase::GetActive();
    if (dialog && dialog->IsModal() && active && active != outerLoop_ && !active->IsYielding()) {
      dialog->EndModal(result);
    } else if (dialog) {
      // Still being shown, its modal loop not yet running (its first update
      // may wait for the clipboard in a nested loop): ended once it runs.
      if (!endRetry_) {
        endRetry_ = std::make_unique<wxTimer>();
        endRetry_->Bind(wxEVT_TIMER, [this](wxTimerEvent&) { End(result_); });
      }
      endRetry_->StartOnce(10);
    }
    return;
  }
  TWindow::Destroy(result);
}

void TMyPropertySheet::CmOk() {
  if (!GetHandle()) return;
  for (int i = 0; i < GetPageCount(); ++i) {
    TMyPropertyPage* page = GetPage(i);
    // Pages never shown keep their variables.
    if (!page->GetHandle()) continue;
    if (!page->Apply()) {
      SelectPage(i);
      return;
    }
  }
  End(1);
}

void TMyPropertySheet::CmCancel() {
  if (GetHandle()) End(2);
}

void TMyPropertySheet::Restore() {
  const int shown = GetCurrentPageIndex();
  for (int i = 0; i < GetPageCount(); ++i) {
    TMyPropertyPage* page = GetPage(i);
    // A page without a window is made by selecting it; one that cannot be is left out.
    if (!page->GetHandle() && !SelectPage(i)) continue;
    page->HandleMessage(kWmCommand, MakeWParam(std::uint16_t(kCmRestoreDefaults), 0), 0);
  }
  SelectPage(shown);
  if (restoreCallback) restoreCallback();
}

}  // namespace kvn
