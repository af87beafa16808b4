#include "platform/ui/FileDrop.h"

#include <wx/dnd.h>
#include <wx/window.h>

#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

// Holds the handle, not the window: the toolkit owns the target and may
// keep it past the window's end.
class FileDropTarget : public wxFileDropTarget {
 public:
  explicit FileDropTarget(THandle window) : window_(window) {}
  bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& names) override {
    TWindow* window = GetWindowPtr(window_);
    if (!window || names.empty()) return false;
    std::vector<WString> files;
    files.reserve(names.size());
    for (const wxString& name : names) files.push_back(FromWx(name));
    TDropInfo drop(std::move(files), TPoint{x, y});
    window->HandleMessage(kWmDropFiles, reinterpret_cast<TParam1>(&drop), 0);
    return true;
  }

 private:
  THandle window_;
};

}  // namespace

void InstallFileDropTarget(TWindow& window, bool accept) {
  wxWindow* peer = window.GetPeer();
  if (!peer) return;
  peer->SetDropTarget(accept ? new FileDropTarget(window.GetHandle()) : nullptr);
}

}  // namespace kvn
