#include "controls/TrackDialog.h"

#include <wx/app.h>
#include <wx/eventfilter.h>
#include <wx/listbox.h>
#include <wx/window.h>

#include "platform/ui/MessageQueue.h"

namespace kvn {

namespace {

constexpr int kTrackList = 1000;
constexpr int kTrackDialogId = 1184;
constexpr int kLongest = 300;

TTrackDialog* g_open = nullptr;

}  // namespace

std::vector<WString> TrackItems(const std::vector<WString>& strings) {
  std::vector<WString> items;
  items.reserve(strings.size());
  for (const WString& s : strings) {
    if (s.Length() > kLongest) {
      items.emplace_back();
      continue;
    }
    std::u16string text(s.View());
    for (char16_t& c : text)
      if (c == u'\t') c = u' ';
    items.emplace_back(std::u16string_view(text));
  }
  return items;
}

WString TrackItemText(const std::vector<WString>& strings) {
  WString text;
  bool first = true;
  for (const WString& item : TrackItems(strings)) {
    if (!first) text.Append(WString(u"\t"));
    text.Append(item);
    first = false;
  }
  return text;
}

// ---- the list -------------------------------------------------------------------------------------

TAutoListBoxMy::TAutoListBoxMy(TWindow* parent, int* index, std::vector<WString> items)
    : TAutoListBox(parent, kTrackList, index, -1), items_(std::move(items)) {}

// Filled entry by entry: an empty entry (a string too long) stays one.
void TAutoListBoxMy::LoadFromVariable() {
  ClearList();
  for (const WString& item : items_) AddString(item);
  if (variable) SetSelIndex(*variable);
}

// ---- the dialog -----------------------------------------------------------------------------------

// The toolkit's event filter stands for the low-level mouse hook: it sees
// every mouse event of the program first.
class TTrackDialog::MouseFilter : public wxEventFilter {
 public:
  explicit MouseFilter(TTrackDialog& dialog) : dialog_(dialog) { wxEvtHandler::AddFilter(this); }
  ~MouseFilter() override { wxEvtHandler::RemoveFilter(this); }
  MouseFilter(const MouseFilter&) = delete;
  MouseFilter& operator=(const MouseFilter&) = delete;

  int FilterEvent(wxEvent& event) override {
    const wxEventType type = event.GetEventType();
    if (type != wxEVT_LEFT_DOWN && type != wxEVT_LEFT_UP && type != wxEVT_LEFT_DCLICK) return Event_Skip;
    auto& mouse = static_cast<wxMouseEvent&>(event);
    auto* window = dynamic_cast<wxWindow*>(mouse.GetEventObject());
    if (!window) return Event_Skip;
    const wxPoint screen = window->ClientToScreen(mouse.GetPosition());
    const bool down = type != wxEVT_LEFT_UP;
    return dialog_.MouseEvent(down, !down, TPoint{screen.x, screen.y}) ? Event_Processed : Event_Skip;
  }

 private:
  TTrackDialog& dialog_;
};

TTrackDialog::TTrackDialog(TWindow* parent, const std::vector<WString>& strings, const TPoint& anchor, int flags,
                           int* index)
    : TDialogTr(parent, kTrackDialogId), anchor_(anchor), flags_(flags) {
  list_ = new TAutoListBoxMy(this, index, TrackItems(strings));
  list_->itemText = TrackItemText(strings);
  g_open = this;
}

TTrackDialog::~TTrackDialog() {
  // Deleted with its window still there, it lets the mouse go and drops its
  // filter as itself: the bases' destructors would run only their own
  // clean-up.
  Destroy();
  filter_.reset();
  if (g_open == this) g_open = nullptr;
}

TTrackDialog* TTrackDialog::Current() { return g_open; }

void TTrackDialog::SetupWindow() {
  TDialogTr::SetupWindow();
  if (wxWindow* peer = GetPeer()) peer->Move(anchor_.x, anchor_.y);
  filter_ = std::make_unique<MouseFilter>(*this);
  // A press outside must reach this dialog, wherever it lands: the mouse is
  // held once the window shows.
  wxTheApp->CallAfter([handle = GetHandle()] {
    if (auto* dialog = dynamic_cast<TTrackDialog*>(GetWindowPtr(handle)); dialog && dialog->GetPeer()) {
      if (!dialog->GetPeer()->HasCapture()) dialog->GetPeer()->CaptureMouse();
    }
  });
}

void TTrackDialog::CleanupWindow() {
  filter_.reset();
  if (wxWindow* peer = GetPeer(); peer && peer->HasCapture()) peer->ReleaseMouse();
  TDialogTr::CleanupWindow();
}

bool TTrackDialog::MouseEvent(bool leftDown, bool leftUp, const TPoint& screen) {
  if (result_ != Open) {
    End(result_);
    return false;
  }
  if (leftDown) {
    const TRect r = GetWindowRect();
    if (screen.x < r.left || screen.x >= r.right || screen.y < r.top || screen.y >= r.bottom) {
      End(Cancelled);
      return true;
    }
    // The dialog holds the mouse, so the list does not see its own press:
    // the entry under the press is selected here.
    if (auto* list = dynamic_cast<wxListBox*>(list_->GetPeer())) {
      const int hit = list->HitTest(list->ScreenToClient(wxPoint(screen.x, screen.y)));
      if (hit != wxNOT_FOUND) list_->SetSelIndex(hit);
    }
    return false;
  }
  if (leftUp && list_->GetHandle()) {
    const TRect client = list_->GetClientRect();
    const TPoint p = list_->ScreenToClient(screen);
    if (p.x >= client.left && p.x < client.right && p.y >= client.top && p.y < client.bottom) {
      if (ignoreNextButtonUp) {
        ignoreNextButtonUp = false;
        return false;
      }
      End(Chosen);
      return true;
    }
  }
  return false;
}

void TTrackDialog::End(int code) {
  result_ = code;
  filter_.reset();
  if (wxWindow* peer = GetPeer(); peer && peer->HasCapture()) peer->ReleaseMouse();
  if (code == Chosen) SaveToVariable();
  CloseWindow(code == Chosen ? kIdcOk : kIdcCancel);
}

bool RunTrackDialog(TWindow* parent, const std::vector<WString>& strings, const TPoint& anchor, int flags,
                    int& index) {
  if (TTrackDialog::Current()) return false;  // one at a time
  TTrackDialog dialog(parent, strings, anchor, flags, &index);
  dialog.Execute();
  return dialog.ResultCode() == TTrackDialog::Chosen;
}

}  // namespace kvn
