#include "platform/ui/MessageBoxDialog.h"

#include <wx/artprov.h>
#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/dcmemory.h>
#include <wx/display.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/stockitem.h>

#include <functional>

#include "foundation/ModalStack.h"
#include "platform/ui/ControlPeers.h"
#include "platform/ui/ThemedButton.h"
#include "platform/ui/ToolkitSymbol.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {


// Our texts end lines with CR LF (the language tables' "\n"); GTK labels
// want a bare LF.
wxString LabelText(const WString& text) {
  wxString s = ToWx(text);
  s.Replace("\r\n", "\n");
  return s;
}

// A word wider than a line of the box (a path: it has no space to wrap
// at) is broken into lines of that width, after a '/' where one falls in a
// line's last third; one longer than kMostWordLines such lines keeps its
// head and its tail, each half of that, around an ellipsis. Unbroken, a
// path of 4,432 bytes made a box 1,590 pixels wide; whole, it would make
// one taller than the screen. `extents` gives the width of each prefix of
// a word, as wxDC::GetPartialTextExtents does.
constexpr int kMostWordLines = 4;

wxString FitWord(const wxString& word, int width, const std::function<wxArrayInt(const wxString&)>& extents) {
  wxArrayInt ends = extents(word);
  if (word.empty() || ends.size() != word.length() || ends.back() <= width) return word;
  wxString fitted = word;
  const int most = kMostWordLines * width;
  if (ends.back() > most) {
    const wxString ellipsis = wxString::FromUTF8("\xE2\x80\xA6");
    const wxArrayInt dots = extents(ellipsis);
    const int half = (most - (dots.empty() ? 0 : dots.back())) / 2;
    std::size_t head = 0;
    while (head < ends.size() && ends[head] <= half) ++head;
    // The width from character t to the end.
    const auto widthFrom = [&ends](std::size_t t) { return ends.back() - (t == 0 ? 0 : ends[t - 1]); };
    std::size_t tail = ends.size();
    while (tail > head && widthFrom(tail - 1) <= half) --tail;
    fitted = word.Left(head) + ellipsis + word.Mid(tail);
    ends = extents(fitted);
    if (ends.size() != fitted.length()) return fitted;
  }
  wxString out;
  std::size_t start = 0;
  int startX = 0;
  while (start < fitted.length()) {
    std::size_t end = start;
    while (end < fitted.length() && ends[end] - startX <= width) ++end;
    if (end == start) ++end;  // one character wider than the line
    if (end < fitted.length()) {
      for (std::size_t slash = end; slash > start; --slash) {
        if (fitted[slash - 1] != '/') continue;
        if (ends[slash - 1] - startX >= width * 2 / 3) end = slash;
        break;
      }
      out += fitted.Mid(start, end - start) + '\n';
    } else {
      out += fitted.Mid(start);
    }
    startX = ends[end - 1];
    start = end;
  }
  return out;
}

// The text with each of its words fitted to the line width.
wxString FitLongWords(const wxString& text, int width, const std::function<wxArrayInt(const wxString&)>& extents) {
  wxString out;
  wxString word;
  for (wxString::const_iterator it = text.begin();; ++it) {
    const bool end = it == text.end();
    if (end || *it == ' ' || *it == '\n') {
      out += FitWord(word, width, extents);
      word.clear();
      if (end) break;
      out += *it;
    } else {
      word += *it;
    }
  }
  return out;
}

// Button ids of our own, away from the stock ids, so that the toolkit adds
// no behaviour of its own to them.
int ButtonWindowId(int answer) { return wxID_HIGHEST + 100 + answer; }

wxArtID IconFor(std::uint32_t style) {
  switch (style & kMbIconMask) {
    case kMbIconError: return wxART_ERROR;
    case kMbIconQuestion: return wxART_QUESTION;
    case kMbIconWarning: return wxART_WARNING;
    case kMbIconInformation: return wxART_INFORMATION;
    default: return wxArtID();
  }
}

// The text of a button: the given one, or the toolkit's for the answer.
wxString ButtonLabel(int answer, const MessageBoxButtonLabels& labels, bool translated) {
  const WString* given = nullptr;
  switch (answer) {
    case kIdYes: given = &labels.yes; break;
    case kIdNo: given = &labels.no; break;
    case kIdCancel: given = &labels.cancel; break;
    case kIdOk: given = &labels.ok; break;
    case kIdHelp: given = &labels.help; break;
    default: break;
  }
  if (translated && given && !given->IsEmpty()) return ToWx(*given);
  switch (answer) {
    case kIdOk: return wxGetStockLabel(wxID_OK);
    case kIdCancel: return wxGetStockLabel(wxID_CANCEL);
    case kIdAbort: return wxGetStockLabel(wxID_ABORT);
    case kIdRetry: return wxGetStockLabel(wxID_RETRY);
    case kIdIgnore: return wxGetStockLabel(wxID_IGNORE);
    case kIdYes: return wxGetStockLabel(wxID_YES);
    case kIdNo: return wxGetStockLabel(wxID_NO);
    case kIdHelp: return wxGetStockLabel(wxID_HELP);
    case kIdTryAgain: return wxString::FromUTF8("&Try Again");
    case kIdContinue: return wxString::FromUTF8("&Continue");
    default: return wxString();
  }
}

long DialogStyle(std::uint32_t style) {
  long wxStyle = wxCAPTION | wxSYSTEM_MENU;
  // A system-modal box stays above every other window.
  if (style & kMbSystemModal) wxStyle |= wxSTAY_ON_TOP;
  return wxStyle;
}

}  // namespace

MessageBoxDialog::MessageBoxDialog(wxWindow* parent, const MessageBoxRequest& request)
    : wxDialog(parent, wxID_ANY, ToWx(request.caption), wxDefaultPosition, wxDefaultSize, DialogStyle(request.style)) {
  auto* top = new wxBoxSizer(wxHORIZONTAL);
  wxArtID icon = IconFor(request.style);
  if (!icon.empty()) {
    top->Add(new wxStaticBitmap(this, wxID_ANY, wxArtProvider::GetBitmap(icon, wxART_MESSAGE_BOX)), 0,
             wxALL | wxALIGN_TOP, 12);
  }
  // Long texts wrap at a width that keeps the box readable, as system boxes do.
  const int wrapWidth = FromDIP(520);
  auto* text = new wxStaticText(this, wxID_ANY, wxString());
  wxBitmap measureOn(1, 1);
  wxMemoryDC measure(measureOn);
  measure.SetFont(text->GetFont());
  text->SetLabel(FitLongWords(LabelText(request.text), wrapWidth, [&measure](const wxString& word) {
    wxArrayInt ends;
    measure.GetPartialTextExtents(word, ends);
    return ends;
  }));
  text->Wrap(wrapWidth);
  top->Add(text, 1, wxALL | wxALIGN_CENTER_VERTICAL, 12);

  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(top, 1, wxEXPAND);
  AddButtons(request.style, request.labels, request.translated);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  for (const Button& b : buttons_) row->Add(b.button, 0, wxLEFT | wxRIGHT, 4);
  column->Add(row, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 8);
  SetSizerAndFit(column);

  if (escapeAnswer_ == 0) {
    SetEscapeId(wxID_NONE);
    EnableCloseButton(false);
  } else {
    SetEscapeId(ButtonWindowId(escapeAnswer_));
  }
  Bind(wxEVT_CLOSE_WINDOW, &MessageBoxDialog::OnClose, this);
  Bind(wxEVT_CHAR_HOOK, &MessageBoxDialog::OnCharHook, this);
  if (request.translated) Place(parent);
  SubclassPushButtons(this, this);
}

MessageBoxDialog::~MessageBoxDialog() { ForgetSubclassedButtons(this); }

void MessageBoxDialog::Click(wxWindow* button) {
  wxCommandEvent event(wxEVT_BUTTON, button->GetId());
  event.SetEventObject(button);
  button->GetEventHandler()->ProcessEvent(event);
}

void MessageBoxDialog::OnCharHook(wxKeyEvent& event) {
  // The toolkit presses its own buttons on Enter, Escape and mnemonics;
  // themed buttons are pressed here.
  const int key = event.GetKeyCode();
  wxWindow* focus = FindFocus();
  if (key == WXK_ESCAPE) {
    if (escapeAnswer_ != 0) EndModal(escapeAnswer_);
    return;
  }
  if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
    for (const Button& b : buttons_) {
      if (b.button == focus) {
        Click(b.button);
        return;
      }
    }
    for (const Button& b : buttons_) {
      if (const ThemedPeerInfo* info = ThemedPeerOf(b.button); info && info->isDefault) {
        Click(b.button);
        return;
      }
    }
  }
  if ((event.AltDown() || PeerIsPushButton(focus)) && ClickThemedButtonByMnemonic(this, key)) return;
  event.Skip();
}

void MessageBoxDialog::AddButtons(std::uint32_t style, const MessageBoxButtonLabels& labels, bool translated) {
  std::vector<int> answers;
  switch (style & kMbTypeMask) {
    case kMbOkCancel: answers = {kIdOk, kIdCancel}; break;
    case kMbAbortRetryIgnore: answers = {kIdAbort, kIdRetry, kIdIgnore}; break;
    case kMbYesNoCancel: answers = {kIdYes, kIdNo, kIdCancel}; break;
    case kMbYesNo: answers = {kIdYes, kIdNo}; break;
    case kMbRetryCancel: answers = {kIdRetry, kIdCancel}; break;
    case kMbCancelTryContinue: answers = {kIdCancel, kIdTryAgain, kIdContinue}; break;
    default: answers = {kIdOk}; break;
  }
  // Escape answers Cancel where there is one, and OK in a box with OK alone.
  for (int a : answers) {
    if (a == kIdCancel) escapeAnswer_ = kIdCancel;
  }
  if (answers.size() == 1) escapeAnswer_ = kIdOk;
  if (style & kMbHelp) answers.push_back(kIdHelp);

  std::size_t defaultIndex = (style & kMbDefButtonMask) >> 8;
  if (defaultIndex >= answers.size()) defaultIndex = 0;
  for (std::size_t i = 0; i < answers.size(); ++i) {
    const int answer = answers[i];
    // The answer is the button's Win32 id, and so the id of its glyph.
    wxWindow* button = NewPushButtonPeer(nullptr, this, ButtonWindowId(answer), ButtonLabel(answer, labels, translated),
                                         wxDefaultPosition, wxDefaultSize, i == defaultIndex, answer);
    // Help leaves the box open; the program has no help viewer to send it to.
    if (answer != kIdHelp) button->Bind(wxEVT_BUTTON, [this, answer](wxCommandEvent&) { EndModal(answer); });
    buttons_.push_back({button, answer});
  }
  buttons_[defaultIndex].button->SetFocus();
}

namespace {

// Where an owner is on the screen. A top-level window's place as the
// toolkit holds it follows the manager's configure events, which come
// after the window is mapped: a frame placed by openbox at (171, 96) was
// still at (0, 0) to the toolkit when the box of a drawing opened at start
// was placed. The X server knows the manager's frame at once.
wxRect OwnerOnScreen(wxWindow* owner) {
#ifdef __WXGTK__
  struct Rectangle {
    int x, y, width, height;
  };
  const auto getWindow = ToolkitSymbol<void* (*)(void*)>("gtk_widget_get_window");
  const auto getFrame = ToolkitSymbol<void (*)(void*, Rectangle*)>("gdk_window_get_frame_extents");
  void* window = owner->IsTopLevel() && owner->GetHandle() && getWindow ? getWindow(owner->GetHandle()) : nullptr;
  if (window != nullptr && getFrame) {
    Rectangle r{};
    getFrame(window, &r);
    if (r.width > 0 && r.height > 0) return wxRect(r.x, r.y, r.width, r.height);
  }
#endif
  return owner->GetScreenRect();
}

}  // namespace

void MessageBoxDialog::Place(wxWindow* parent) {
  if (!parent) {
    CentreOnScreen();
    return;
  }
  const wxRect owner = OwnerOnScreen(parent);
  const wxPoint centre(owner.x + owner.width / 2, owner.y + owner.height / 2);
  int display = wxDisplay::GetFromPoint(centre);
  if (display == wxNOT_FOUND) {
    // The primary monitor, as for a point off every monitor.
    display = 0;
    for (unsigned i = 0; i < wxDisplay::GetCount(); ++i) {
      if (wxDisplay(i).IsPrimary()) display = int(i);
    }
  }
  const wxRect area = wxDisplay(unsigned(display)).GetClientArea();
  const wxSize size = GetSize();
  int left = 0;
  int top = 0;
  PlaceMessageBox({owner.x, owner.y, owner.x + owner.width, owner.y + owner.height}, size.x, size.y,
                  {area.x, area.y, area.x + area.width, area.y + area.height}, left, top);
  Move(left, top);
}

void MessageBoxDialog::OnClose(wxCloseEvent& event) {
  if (escapeAnswer_ == 0 && event.CanVeto()) {
    event.Veto();
    return;
  }
  EndModal(escapeAnswer_ != 0 ? escapeAnswer_ : kIdCancel);
}

int MessageBoxDialog::Run() { return ShowModal(); }

void MessageBoxDialog::Press(int answer) {
  for (const Button& b : buttons_) {
    if (b.answer == answer && answer != kIdHelp) {
      EndModal(answer);
      return;
    }
  }
}

namespace {

// The box as the modal stack sees it, for the time it is open.
class BoxModalWindow : public ModalWindow {
 public:
  BoxModalWindow(wxDialog& box, ModalWindow* parent) : box_(box), parent_(parent) {}
  ModalWindow* GetParentModalWindow() const override { return parent_; }
  bool HasHandle() const override { return true; }
  bool IsVisibleOrCreatedVisible() const override { return box_.IsShown(); }
  bool IsIconic() const override { return box_.IsIconized(); }
  void ShowWindow(int command) override {
    if (command == kSwRestore) box_.Restore();
    box_.Show();
  }
  bool IsWindowEnabled() const override { return box_.IsEnabled(); }
  void EnableWindow(bool enable) override { box_.Enable(enable); }

 private:
  wxDialog& box_;
  ModalWindow* parent_;
};

}  // namespace

int MessageBoxDialogBackend::ShowBox(const MessageBoxRequest& request) {
  auto* parent = request.owner ? static_cast<wxWindow*>(request.owner->GetWindowHandle()) : nullptr;
  MessageBoxDialog box(parent, request);
  if (!request.modalOwner) return box.Run();
  BoxModalWindow onStack(box, request.modalOwner);
  ModalStack::Push(request.modalOwner, &onStack, true);
  int answer = box.Run();
  ModalStack::Pop();
  return answer;
}

void InstallMessageBoxDialogBackend() {
  static MessageBoxDialogBackend backend;
  SetMessageBoxBackend(&backend);
}

}  // namespace kvn
