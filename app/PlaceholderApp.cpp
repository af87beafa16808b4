// Until the application shell is built, the viewer starts a window that says
// so, which proves that the toolkit and the display work.
#include "app/PlaceholderApp.h"

#include <wx/wx.h>

namespace kvn {
namespace {

class PlaceholderApp : public wxApp {
 public:
  bool OnInit() override {
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Info-Korvana viewer", wxDefaultPosition, wxSize(640, 360));
    new wxStaticText(frame, wxID_ANY,
                     "This build has the foundation library only.\n"
                     "The application shell and drawing view are not built yet.",
                     wxPoint(20, 20));
    frame->Show();
    return true;
  }
};

}  // namespace

int RunApplication(int argc, char** argv) {
  wxApp::SetInstance(new PlaceholderApp);
  return wxEntry(argc, argv);
}

}  // namespace kvn
