#include "platform/ui/ShellHelpers.h"

#include <wx/combo.h>
#include <wx/display.h>
#include <wx/eventfilter.h>
#include <wx/window.h>

#include <cstdlib>
#include <string>

#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/ProgramFolders.h"
#include "foundation/TextFormat.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

constexpr int kStrDataInProgramFolder = 1145;
InputHookGuard* g_activeGuard = nullptr;

bool StartsWithPath(const std::u16string_view path, const std::u16string_view folder) {
  return !folder.empty() && path.substr(0, folder.size()) == folder;
}

}  // namespace

bool IsPointInRect(const TRect& rect, const TPoint& point) {
  return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

struct InputHookGuard::Filter : wxEventFilter {
  std::function<void(Kind)> seen;
  int FilterEvent(wxEvent& event) override {
    const wxEventType t = event.GetEventType();
    if (seen) {
      if (t == wxEVT_KEY_DOWN || t == wxEVT_KEY_UP || t == wxEVT_CHAR) {
        seen(Kind::Keyboard);
      } else if (t == wxEVT_MOTION || t == wxEVT_LEFT_DOWN || t == wxEVT_LEFT_UP || t == wxEVT_RIGHT_DOWN ||
                 t == wxEVT_RIGHT_UP || t == wxEVT_MIDDLE_DOWN || t == wxEVT_MIDDLE_UP || t == wxEVT_MOUSEWHEEL) {
        seen(Kind::Mouse);
      }
    }
    return Event_Skip;
  }
};

InputHookGuard::InputHookGuard(std::function<void(Kind)> seen) : filter_(std::make_unique<Filter>()) {
  filter_->seen = std::move(seen);
  wxEvtHandler::AddFilter(filter_.get());
  g_activeGuard = this;
}

InputHookGuard::~InputHookGuard() {
  wxEvtHandler::RemoveFilter(filter_.get());
  if (g_activeGuard == this) g_activeGuard = nullptr;
}

InputHookGuard* InputHookGuard::Active() { return g_activeGuard; }

void KeepComboDropListOnScreen(wxWindow* combo) {
  auto* control = dynamic_cast<wxComboCtrl*>(combo);
  if (control == nullptr || !control->IsPopupShown()) return;
  wxComboPopup* popup = control->GetPopupControl();
  wxWindow* list = popup ? popup->GetControl() : nullptr;
  wxWindow* top = list ? wxGetTopLevelParent(list) : nullptr;
  if (top == nullptr) top = list;
  if (top == nullptr) return;
  const wxRect r = top->GetScreenRect();
  const int display = wxDisplay::GetFromWindow(combo);
  if (display == wxNOT_FOUND) return;
  const wxRect area = wxDisplay(unsigned(display)).GetClientArea();
  const int overhang = r.GetRight() + 1 - (area.x + area.width);
  if (overhang > 0) top->Move(r.x - overhang, r.y);
}

WString GetWindowsFolderPath() {
  std::string folder;
  if (const char* dirs = std::getenv("XDG_CONFIG_DIRS"); dirs && *dirs == '/') {
    folder = dirs;
    folder = folder.substr(0, folder.find(':'));
  }
  if (folder.empty()) folder = "/etc/xdg";
  if (folder.back() != '/') folder.push_back('/');
  return WString::FromUtf8(folder);
}

bool WarnDataInProgramFiles(const cMsgDlg* owner, const WString& path, bool addAdvice) {
  const std::u16string_view p = path.View();
  const WString program = GetProgramDirectory();
  if (!StartsWithPath(p, program.View()) && !StartsWithPath(p, u"/usr/") && !StartsWithPath(p, u"/opt/")) {
    return false;
  }
  WString text = FormatPercentS(LoadLangString(kStrDataInProgramFolder), path);
  if (addAdvice) {
    text.AppendCStr(
        u"\n\nProsím přesuňte data jinam.\n\nPro přesun těchto souborů musíte mít práva správce/administrátora.");
  }
  ShowMessageBox(owner, text, nullptr, kMbIconError);
  return true;
}

}  // namespace kvn
