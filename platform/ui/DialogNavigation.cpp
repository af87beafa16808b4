#include "platform/ui/DialogNavigation.h"

#include <wx/bookctrl.h>
#include <wx/dialog.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/toplevel.h>
#include <wx/window.h>

#include <cstddef>

#include "platform/ui/Dialog.h"

namespace kvn {

namespace {

// One window of the walk in creation order; `group` numbers the places
// (members of one radio group share theirs), -1 for a window that is none.
struct NavLeaf {
  wxWindow* window = nullptr;
  int group = -1;
  bool tabStop = false;
  bool usable = false;  // visible and enabled
};

bool HasTabStop(wxWindow* w) {
  if (const TWindow* object = TWindow::FromPeer(w)) return (object->Attr.Style & kWsTabStop) != 0;
  // A template control no object adopted: its template entry says.
  if (auto* dialog = dynamic_cast<TDialog*>(TWindow::FromPeer(w->GetParent()))) {
    if (const DialogControlData* entry = dialog->FindTemplateControl(w->GetId())) {
      return (entry->style & kWsTabStop) != 0;
    }
  }
  return w->AcceptsFocusFromKeyboard();
}

bool Usable(wxWindow* w) { return w->IsShown() && w->IsEnabled(); }

// A window that only holds controls: a dialog's own panel or a bare panel
// of the toolkit (a notebook page's holder).
bool IsHolder(wxWindow* w, wxWindow* root) {
  if (w == root) return true;
  if (const TWindow* object = TWindow::FromPeer(w)) return dynamic_cast<const TDialog*>(object) != nullptr;
  return dynamic_cast<wxPanel*>(w) != nullptr;
}

class NavWalk {
 public:
  explicit NavWalk(wxWindow* root) : root_(root) { Holder(root); }
  std::vector<NavLeaf> leaves;

 private:
  void Holder(wxWindow* holder) {
    bool previousRadio = false;
    for (wxWindow* child : holder->GetChildren()) {
      if (child->IsTopLevel()) continue;
      auto* radio = dynamic_cast<wxRadioButton*>(child);
      if (radio == nullptr && IsHolder(child, root_)) {
        if (child->IsShown()) Holder(child);
        previousRadio = false;
        continue;
      }
      if (radio) {
        if (!previousRadio || radio->HasFlag(wxRB_GROUP)) ++groups_;
        Leaf(child, groups_);
        previousRadio = true;
        continue;
      }
      previousRadio = false;
      Leaf(child, ++groups_);
      // A notebook's tab strip comes before the page it shows.
      if (auto* book = dynamic_cast<wxBookCtrlBase*>(child); book && book->IsShown()) {
        if (wxWindow* page = book->GetCurrentPage(); page && page->IsShown()) Holder(page);
      }
    }
  }
  void Leaf(wxWindow* w, int group) { leaves.push_back(NavLeaf{w, group, HasTabStop(w), Usable(w)}); }

  wxWindow* root_;
  int groups_ = 0;
};

// The window Tab lands on for the place that starts at leaves[first]: the
// checked button of a radio group, else its first usable member.
wxWindow* Representative(const std::vector<NavLeaf>& leaves, std::size_t first) {
  wxWindow* firstUsable = nullptr;
  for (std::size_t i = first; i < leaves.size() && leaves[i].group == leaves[first].group; ++i) {
    if (!Usable(leaves[i].window)) continue;
    if (!firstUsable) firstUsable = leaves[i].window;
    if (auto* radio = dynamic_cast<wxRadioButton*>(leaves[i].window); radio && radio->GetValue()) return radio;
  }
  return firstUsable;
}

struct NavPlace {
  std::size_t firstLeaf = 0;
  wxWindow* window = nullptr;
};

std::vector<NavPlace> Places(const std::vector<NavLeaf>& leaves) {
  std::vector<NavPlace> places;
  // A group's leaves lie side by side (the walk numbers groups in order).
  for (std::size_t first = 0, end = 0; first < leaves.size(); first = end) {
    end = first + 1;
    while (end < leaves.size() && leaves[end].group == leaves[first].group) ++end;
    // A group is a place when any of its buttons has a tab stop (the
    // template gives it to the first one only) and any of them can take the
    // focus: the export's extent buttons hide their first button ("Actual
    // tile") for a drawing of one tile, and the rest must stay reachable.
    bool tabStop = false, usable = false;
    for (std::size_t k = first; k < end; ++k) {
      tabStop = tabStop || leaves[k].tabStop;
      usable = usable || leaves[k].usable;
    }
    if (tabStop && usable) places.push_back(NavPlace{first, Representative(leaves, first)});
  }
  return places;
}

// The leaf holding the focus (the focused window or the nearest of its
// parents that is a leaf); leaves.size() when none does.
std::size_t FocusedLeaf(const std::vector<NavLeaf>& leaves) {
  for (wxWindow* w = wxWindow::FindFocus(); w; w = w->GetParent()) {
    for (std::size_t i = 0; i < leaves.size(); ++i) {
      if (leaves[i].window == w) return i;
    }
    if (w->IsTopLevel()) break;
  }
  return leaves.size();
}

}  // namespace

std::vector<wxWindow*> TabPlaces(wxWindow* root) {
  std::vector<wxWindow*> out;
  if (root == nullptr) return out;
  const NavWalk walk(root);
  for (const NavPlace& p : Places(walk.leaves)) out.push_back(p.window);
  return out;
}

bool MoveTabFocus(wxWindow* root, bool backward) {
  if (root == nullptr) return false;
  const NavWalk walk(root);
  const std::vector<NavPlace> places = Places(walk.leaves);
  if (places.empty()) return false;
  const std::size_t focused = FocusedLeaf(walk.leaves);
  const std::size_t n = places.size();
  // The place of the focused leaf; for a leaf that is none, the places
  // after it begin at `next`.
  std::size_t next = 0;
  while (next < n && places[next].firstLeaf <= focused && focused != walk.leaves.size()) ++next;
  const bool onPlace = focused != walk.leaves.size() && next > 0 &&
                       walk.leaves[places[next - 1].firstLeaf].group == walk.leaves[focused].group;
  std::size_t target = 0;
  if (focused == walk.leaves.size()) {
    target = backward ? n - 1 : 0;
  } else if (backward) {
    // From a place, the one before it; from elsewhere, the last one before the focus.
    const std::size_t current = onPlace ? next - 1 : next;
    target = (current + n - 1) % n;
  } else {
    target = next % n;
  }
  if (places[target].window == nullptr) return false;
  places[target].window->SetFocus();
  return true;
}

wxWindow* TabRoot(wxWindow* dialogWindow) {
  if (dialogWindow == nullptr || dialogWindow->IsTopLevel()) return dialogWindow;
  wxWindow* top = wxGetTopLevelParent(dialogWindow);
  return dynamic_cast<wxDialog*>(top) ? top : dialogWindow;
}

}  // namespace kvn
