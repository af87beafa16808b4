#include "platform/ui/UiHelpersWx.h"

#include <wx/cursor.h>
#include <wx/display.h>
#include <wx/settings.h>
#include <wx/textentry.h>
#include <wx/toplevel.h>
#include <wx/utils.h>
#include <wx/window.h>


#include "foundation/UiColors.h"
#include "foundation/WaitCursor.h"
#include "foundation/WindowPlacement.h"
#include "foundation/WindowText.h"
#include "platform/ui/ToolkitSymbol.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

ScreenRect FromWx(const wxRect& r) { return ScreenRect{r.x, r.y, r.x + r.width, r.y + r.height}; }

// wxBeginBusyCursor nests on its own; the guards call it once, at the
// outermost level, and end it when the last guard ends.
class WxCursorBackend : public CursorBackend {
 public:
  bool SetCursor(std::uint32_t cursorId) override {
    wxStockCursor stock = wxCURSOR_WAIT;
    if (cursorId == kIdcArrow) stock = wxCURSOR_ARROW;
    if (cursorId == kIdcAppStarting) stock = wxCURSOR_ARROWWAIT;
    cursor_ = wxCursor(stock);
    wxBeginBusyCursor(&cursor_);
    return true;
  }
  void RestoreCursor() override {
    if (wxIsBusy()) wxEndBusyCursor();
  }

 private:
  wxCursor cursor_;
};

class WxMonitorSource : public MonitorSource {
 public:
  void EnumerateMonitors(GrowArray<MonitorInfo>& out, std::uint32_t& primary) override {
    const unsigned count = wxDisplay::GetCount();
    for (unsigned i = 0; i < count; ++i) {
      const wxDisplay display(i);
      if (!display.IsOk()) continue;
      if (display.IsPrimary()) primary = out.Count();
      out.Add(MonitorInfo{FromWx(display.GetGeometry()), FromWx(display.GetClientArea())});
    }
  }
};

// The Windows COLOR_ indices and wxSystemColour run in the same order up to
// 30; 25 and 31 are not system colours there.
class WxSystemColorProvider : public SystemColorProvider {
 public:
  std::uint32_t GetSysColor(int index) const override {
    if (index < 0 || index > 30 || index == 25) return 0;
    const wxColour c = wxSystemSettings::GetColour(wxSystemColour(index));
    return std::uint32_t(c.Red()) | (std::uint32_t(c.Green()) << 8) | (std::uint32_t(c.Blue()) << 16);
  }
};

WxCursorBackend g_cursor;
WxMonitorSource g_monitors;
WxSystemColorProvider g_colors;

wxWindow* FirstTabStop(wxWindow* window) {
  for (wxWindow* child : window->GetChildren()) {
    if (!child->IsShown() || !child->IsEnabled() || child->IsTopLevel()) continue;
    if (child->AcceptsFocusFromKeyboard()) return child;
    if (wxWindow* inner = FirstTabStop(child)) return inner;
  }
  return nullptr;
}

}  // namespace

void InstallUiHelpersWx() {
  SetCursorBackend(&g_cursor);
  SetMonitorSource(&g_monitors);
  SetSystemColorProvider(&g_colors);
}

void UninstallUiHelpersWx() {
  SetCursorBackend(nullptr);
  SetMonitorSource(nullptr);
  SetSystemColorProvider(nullptr);
}

void BringWindowToFront(wxWindow* window, bool setFocus) {
  if (window == nullptr) return;
  // Only a window on screen: showing a hidden one brought back a window
  // whose run had ended (a modal one took the program's input with it).
  if (!window->IsShown()) return;
  auto* top = wxDynamicCast(window, wxTopLevelWindow);
  if (top != nullptr && top->IsIconized()) top->Restore();
  // The last shown top-level window it owns stands for its active popup.
  wxWindow* target = window;
  for (wxWindow* w : wxTopLevelWindows) {
    if (w->GetParent() == window && w->IsShown()) target = w;
  }
  target->Raise();
  if (setFocus) target->SetFocus();
}

void FocusFirstTabItem(wxWindow* window) {
  if (window == nullptr || wxWindow::FindFocus() != nullptr) return;
  if (wxWindow* first = FirstTabStop(window)) first->SetFocus();
}

WString GetWindowTextString(wxWindow* window, bool clean) {
  if (window == nullptr) return WString();
  wxString text;
  if (auto* entry = dynamic_cast<wxTextEntry*>(window)) {
    text = entry->GetValue();
  } else {
    text = window->GetLabel();
  }
  if (text.length() == 0 || text.length() > std::size_t(kMaxWindowTextLength)) return WString();
  return CleanWindowText(FromWx(text), clean);
}

WString GetDialogItemText(wxWindow* dialog, int controlId) {
  if (dialog == nullptr) return WString();
  return GetWindowTextString(dialog->FindWindow(controlId), true);
}

void MoveWindowIntoMonitor(wxWindow* window, int x, int y, bool topLeft) {
  if (window == nullptr) return;
  int nx = 0, ny = 0;
  if (ComputeMoveIntoMonitor(EnumerateMonitorWorkAreas(), FromWx(window->GetRect()), x, y, topLeft, &nx, &ny)) {
    window->Move(nx, ny);
  }
}

void SaveWindowPlacement(wxTopLevelWindow* frame, const WString& valueName, const WString& keyPath) {
  if (frame == nullptr) return;
  SaveWindowPlacement(FromWx(frame->GetRect()), frame->IsMaximized(), valueName, keyPath);
}

bool RestoreWindowPlacement(wxTopLevelWindow* frame, const WString& valueName, const WString& keyPath,
                            int minWidth, int minHeight) {
  if (frame == nullptr) return false;
  WindowCreationAttrs attrs;
  if (!RestoreWindowPlacement(attrs, valueName, keyPath, minWidth, minHeight)) return false;
  frame->SetSize(attrs.x, attrs.y, attrs.width, attrs.height);
  if (attrs.maximized) frame->Maximize(true);
  return true;
}

void HideStaleTooltip() {
#ifdef __WXGTK__
  // GTK's own calls, looked up in the running process (the toolkit has
  // loaded them): the program needs no GTK headers for these two.
  using DefaultDisplay = void* (*)();
  using OnDisplay = void (*)(void*);
  static const auto defaultDisplay = ToolkitSymbol<DefaultDisplay>("gdk_display_get_default");
  static const auto triggerQuery = ToolkitSymbol<OnDisplay>("gtk_tooltip_trigger_tooltip_query");
  static const auto flush = ToolkitSymbol<OnDisplay>("gdk_display_flush");
  if (defaultDisplay == nullptr || triggerQuery == nullptr) return;
  void* display = defaultDisplay();
  if (display == nullptr) return;
  triggerQuery(display);
  // The hidden tip leaves the screen now, not when the loop runs again
  // (a drawing may be loading by then).
  if (flush) flush(display);
#endif
}

}  // namespace kvn
