// The toolkit side of the file dialogs: the GTK chooser run for
// TOpenSaveDialogMy::DoExecute, with the extra template inside it.
#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/timer.h>

#include <fnmatch.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "controls/FileDialogData.h"
#include "controls/FileDialogs.h"
#include "foundation/FileSystem.h"
#include "foundation/PathBytes.h"
#include "foundation/PathNames.h"
#include "platform/ui/NearParent.h"
#include "platform/ui/ToolkitSymbol.h"
#include "platform/ui/UiHelpersWx.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

// GLib's singly linked list node.
struct GSListNode {
  void* data;
  GSListNode* next;
};

// The name typed into a GTK save chooser, renamed for a new file type. The
// toolkit offers no access to the typed name, so the GTK calls are looked
// up in the process (the toolkit has loaded them), as for the X window class.
void RenameForNewType(wxFileDialog& dialog, const WString& previousExtension, const WString& newExtension) {
  using GetName = char* (*)(void*);
  using SetName = void (*)(void*, const char*);
  using Free = void (*)(void*);
  const auto getName = ToolkitSymbol<GetName>("gtk_file_chooser_get_current_name");
  const auto setName = ToolkitSymbol<SetName>("gtk_file_chooser_set_current_name");
  const auto free = ToolkitSymbol<Free>("g_free");
  void* chooser = dialog.GetHandle();
  if (!getName || !setName || !free || chooser == nullptr) return;
  char* typed = getName(chooser);
  if (typed == nullptr) return;
  const WString name = WString::FromUtf8(typed);
  free(typed);
  const WString renamed = NameForNewType(name, previousExtension, newExtension);
  if (!(renamed == name)) setName(chooser, renamed.ToUtf8().c_str());
}

// The chooser's names as GTK holds them: in the file system's bytes. The
// toolkit converts them as UTF-8 and so gives an empty path for a name that
// is not (a Latin-1 "café.dxf"); they are read from GTK instead and kept
// byte for byte (PathBytes.h). The toolkit's own answers stand in where the
// GTK functions are not found.
class ChooserNames {
 public:
  explicit ChooserNames(wxFileDialog& dialog) : dialog_(dialog), chooser_(dialog.GetHandle()) {}

  // Every chosen file (one or several).
  std::vector<WString> Chosen() const {
    using GetNames = GSListNode* (*)(void*);
    using FreeList = void (*)(GSListNode*);
    const auto getNames = ToolkitSymbol<GetNames>("gtk_file_chooser_get_filenames");
    const auto freeList = ToolkitSymbol<FreeList>("g_slist_free");
    std::vector<WString> paths;
    if (chooser_ == nullptr || !getNames || !freeList || !free_) {
      wxArrayString wxPaths;
      dialog_.GetPaths(wxPaths);
      for (const wxString& path : wxPaths) paths.push_back(FromWx(path));
      return paths;
    }
    GSListNode* list = getNames(chooser_);
    for (GSListNode* node = list; node != nullptr; node = node->next) {
      if (node->data != nullptr) paths.push_back(PathFromBytes(static_cast<const char*>(node->data)));
      free_(node->data);
    }
    freeList(list);
    return paths;
  }
  // The folder shown.
  WString Folder() const { return Text("gtk_file_chooser_get_current_folder", dialog_.GetDirectory()); }
  // The file selected now; empty when none.
  WString Selected() const {
    return Text("gtk_file_chooser_get_filename", dialog_.GetCurrentlySelectedFilename());
  }
  // The chosen filter's index; -1 while GTK has no current filter, as after
  // a file whose name is not UTF-8 was accepted (the toolkit's own answer
  // then fails an assertion, which shows a box).
  int FilterIndex() const {
    using GetFilter = void* (*)(void*);
    const auto getFilter = ToolkitSymbol<GetFilter>("gtk_file_chooser_get_filter");
    if (chooser_ != nullptr && getFilter && getFilter(chooser_) == nullptr) return -1;
    return dialog_.GetFilterIndex();
  }
  // Shows `folder`, which the toolkit could not name for GTK when it is not UTF-8.
  void ShowFolder(const WString& folder) const {
    using SetFolder = int (*)(void*, const char*);
    const auto setFolder = ToolkitSymbol<SetFolder>("gtk_file_chooser_set_current_folder");
    if (chooser_ != nullptr && setFolder && !folder.IsEmpty()) setFolder(chooser_, ToNativePath(folder).c_str());
  }

 private:
  using Free = void (*)(void*);

  WString Text(const char* getter, const wxString& fallback) const {
    using Get = char* (*)(void*);
    const auto get = ToolkitSymbol<Get>(getter);
    if (chooser_ == nullptr || !get || !free_) return FromWx(fallback);
    char* text = get(chooser_);
    if (text == nullptr) return WString();
    WString result = PathFromBytes(text);
    free_(text);
    return result;
  }

  wxFileDialog& dialog_;
  void* chooser_;
  Free free_ = ToolkitSymbol<Free>("g_free");
};

// GTK matches a filter's patterns against a file's display name, and GLib
// shows a name that is not UTF-8 with U+FFFD for each stray byte and a
// suffix, " (invalid encoding)" in the interface language: a Latin-1
// "caf\xE9.dxf" was listed under no filter but one of "*.*". Each filter of
// the chooser gets a rule of its own that matches its patterns against
// such a name without the suffix, as GTK matches any other name
// (case-sensitive, a leading dot matched by '*'); a stray byte is a
// character there as in the name. The rule reads the display name, not
// the file name: a filter that needs file names made GTK's name completion
// in a save chooser leak its cached names (51 bytes after a name typed).
class UndecodableNameRule {
 public:
  // `patterns` as the filter gives them ("*.dwg;*.dxf").
  explicit UndecodableNameRule(const WString& patterns) {
    const std::string all = patterns.ToUtf8();
    std::size_t start = 0;
    while (start <= all.size()) {
      const std::size_t end = std::min(all.find(';', start), all.size());
      if (end > start) patterns_.push_back(all.substr(start, end - start));
      start = end + 1;
    }
    // GLib's suffix in the language its texts are in now.
    using Translate = const char* (*)(const char*, const char*);
    const auto translate = ToolkitSymbol<Translate>("g_dgettext");
    suffix_ = translate ? translate("glib20", kSuffix) : kSuffix;
  }

  // Adds the rule to every filter of the chooser, the n-th filter matching
  // the n-th pattern list of `data` (the toolkit made them in that order).
  static void AddToFilters(void* chooser, const FileDialogData& data) {
    using ListFilters = GSListNode* (*)(void*);
    using FreeList = void (*)(GSListNode*);
    using AddCustom = void (*)(void*, int, int (*)(const FilterInfo*, void*), void*, void (*)(void*));
    const auto listFilters = ToolkitSymbol<ListFilters>("gtk_file_chooser_list_filters");
    const auto freeList = ToolkitSymbol<FreeList>("g_slist_free");
    const auto addCustom = ToolkitSymbol<AddCustom>("gtk_file_filter_add_custom");
    if (chooser == nullptr || !listFilters || !freeList || !addCustom) return;
    const auto pairs = data.FilterPairs();
    GSListNode* filters = listFilters(chooser);
    std::size_t index = 0;
    for (GSListNode* node = filters; node != nullptr && index < pairs.size(); node = node->next, ++index) {
      auto rule = std::make_unique<UndecodableNameRule>(pairs[index].second);
      // The filter owns the rule from here and deletes it with itself.
      addCustom(node->data, kNeedsDisplayName, &UndecodableNameRule::Matches, rule.release(),
                &UndecodableNameRule::Delete);
    }
    freeList(filters);
  }

 private:
  // GTK's GtkFileFilterInfo and the flag of its display name.
  struct FilterInfo {
    int contains;
    const char* filename;
    const char* uri;
    const char* displayName;
    const char* mimeType;
  };
  static constexpr int kNeedsDisplayName = 4;
  static constexpr const char* kSuffix = " (invalid encoding)";
  static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

  static int Matches(const FilterInfo* info, void* self) {
    if (info == nullptr || info->displayName == nullptr || self == nullptr) return 0;
    const auto& rule = *static_cast<const UndecodableNameRule*>(self);
    std::string_view shown(info->displayName);
    // GLib adds the suffix exactly when the name shows a U+FFFD.
    if (shown.find(kReplacement) == std::string_view::npos || !shown.ends_with(rule.suffix_)) return 0;
    const std::string name(shown.substr(0, shown.size() - rule.suffix_.size()));
    for (const std::string& pattern : rule.patterns_) {
      if (fnmatch(pattern.c_str(), name.c_str(), 0) == 0) return 1;
    }
    return 0;
  }
  static void Delete(void* self) { delete static_cast<UndecodableNameRule*>(self); }

  std::vector<std::string> patterns_;
  std::string suffix_;
};

}  // namespace

// The dialog whose chooser runs: the toolkit asks a plain function for the
// extra controls, and only one modal chooser runs at a time.
struct ChooserRun {
  static TOpenSaveDialogMy*& Current() {
    static TOpenSaveDialogMy* current = nullptr;
    return current;
  }

  static wxWindow* CreateExtra(wxWindow* host) {
    TOpenSaveDialogMy* self = Current();
    if (self == nullptr || !self->extra_) return nullptr;
    self->extra_->SetHost(host);
    if (!self->extra_->Create()) return nullptr;
    self->SetupExtra();
    wxWindow* panel = self->extra_->GetPeer();
    panel->Bind(wxEVT_SIZE, [self](wxSizeEvent& e) {
      e.Skip();
      self->PlaceExtraControls(e.GetSize().GetWidth());
    });
    return panel;
  }
};

namespace {

wxString WildcardOf(const FileDialogData& data) {
  wxString out;
  for (const auto& [description, pattern] : data.FilterPairs()) {
    if (!out.empty()) out += '|';
    out += ToWx(description) + '|' + ToWx(pattern);
  }
  return out;
}

long StyleOf(const FileDialogData& data, bool save) {
  long style = save ? wxFD_SAVE : wxFD_OPEN;
  if (!save && (data.flags & kOfnAllowMultiSelect)) style |= wxFD_MULTIPLE;
  if (!save && (data.flags & kOfnFileMustExist)) style |= wxFD_FILE_MUST_EXIST;
  if (save && (data.flags & kOfnOverwritePrompt)) style |= wxFD_OVERWRITE_PROMPT;
  return style;
}

}  // namespace

TOpenSaveDialogMy* TOpenSaveDialogMy::Running() { return ChooserRun::Current(); }

void TOpenSaveDialogMy::PlaceExtraControls(int width) {
  if (!extra_ || extraControlIds[0] == 0 || !extra_->GetHandle()) return;
  TWindow* first = extra_->GetDlgItem(extraControlIds[0]);
  if (first == nullptr || first->GetPeer() == nullptr) return;
  TWindow* second = extraControlIds[1] ? extra_->GetDlgItem(extraControlIds[1]) : nullptr;
  TWindow* third = extraControlIds[2] ? extra_->GetDlgItem(extraControlIds[2]) : nullptr;
  // The right edge of the chooser's buttons, less the template's margin.
  constexpr int kMargin = 12;
  const wxRect r1 = first->GetPeer()->GetRect();
  const bool hasSecond = second && second->GetPeer();
  const ExtraControlsLayout layout = LayoutExtraControls(r1.x, width - kMargin, hasSecond);
  first->GetPeer()->SetSize(layout.firstWidth, r1.height);
  if (hasSecond) {
    const wxRect r2 = second->GetPeer()->GetRect();
    second->GetPeer()->SetSize(layout.secondLeft, r2.y, layout.secondWidth, r2.height);
  }
  if (third && third->GetPeer()) third->GetPeer()->Move(layout.thirdLeft, third->GetPeer()->GetPosition().y);
}

int TOpenSaveDialogMy::DoExecute() {
  const bool save = mode_ == kSaveMode;
  WString folder = data_.initialFolder;
  WString name(std::u16string_view(data_.fileName).substr(0, data_.fileName.find(u'\0')));
  // The proposed name carries the extension of the type the chooser opens
  // with (the toolkit would give a bare name its first type's extension,
  // whatever type is then chosen).
  if (save) name = NameWithTypeExtension(name, data_, data_.filterIndex);
  wxFileDialog dialog(parent_ ? parent_->GetPeer() : nullptr, ToWx(title_), ToWx(folder), ToWx(name),
                      WildcardOf(data_), StyleOf(data_, save));
  if (data_.filterIndex >= 1) dialog.SetFilterIndex(int(data_.filterIndex) - 1);
  UndecodableNameRule::AddToFilters(dialog.GetHandle(), data_);
  const ChooserNames names(dialog);
  // A folder the toolkit could not name is shown once the chooser is up:
  // named to GTK before, it left the chooser without a current filter.
  bool folderPending = !(DisplayPath(folder) == folder);
  TOpenSaveDialogMy*& current = ChooserRun::Current();
  TOpenSaveDialogMy* outer = current;
  current = this;
  if (extra_) dialog.SetExtraControlCreator(&ChooserRun::CreateExtra);

  // GTK tells no one of a new filter, folder or selection: all three are
  // watched while the chooser is open.
  wxTimer watch;
  int lastFilter = std::max(names.FilterIndex(), 0);
  WString lastFolder = names.Folder();
  WString lastSelected;
  watch.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (folderPending) {
      folderPending = false;
      names.ShowFolder(folder);
    }
    const int filterIndex = names.FilterIndex();
    if (filterIndex != lastFilter && filterIndex >= 0) {
      if (save) {
        // The typed name follows the type: "plan.bmp" becomes "plan.emf".
        RenameForNewType(dialog, FilterExtension(data_.FilterPattern(std::uint32_t(lastFilter) + 1)),
                         FilterExtension(data_.FilterPattern(std::uint32_t(filterIndex) + 1)));
      }
      lastFilter = filterIndex;
      TypeChange(std::uint32_t(filterIndex) + 1);
    }
    const WString dir = names.Folder();
    if (!(dir == lastFolder) && !dir.IsEmpty()) {
      lastFolder = dir;
      FolderChange(dir);
      FolderChanged();
    }
    // Nor of a new selection.
    const WString selected = names.Selected();
    if (!(selected == lastSelected)) {
      lastSelected = selected;
      SelectionChange(selected.IsEmpty() ? WString() : GetFullPath(selected));
    }
  });
  watch.Start(150);
  PlaceWindowNearParent(&dialog);
  const int answer = dialog.ShowModal();
  watch.Stop();
  current = outer;
  // A tip of the chooser (its sidebar's "Recent files") would stay on top of
  // the frame once the chooser is gone; it is asked away now and again
  // after the chooser is destroyed.
  HideStaleTooltip();
  if (wxTheApp) wxTheApp->CallAfter([] { HideStaleTooltip(); });

  if (answer != wxID_OK) {
    // The chooser reports no reason for a cancel.
    data_.error = 0;
    return 2;
  }
  // The extra options are stored only now that the user confirmed.
  if (extra_ && extra_->GetHandle()) extra_->SaveToVariable();

  const std::vector<WString> paths = names.Chosen();
  if (paths.empty()) return 2;
  std::u16string buffer;
  if (paths.size() > 1) {
    buffer = std::u16string(names.Folder().View());
    buffer.push_back(u'\0');
    for (const WString& path : paths) {
      WString file;
      GetFullPath(path, &file);
      buffer.append(file.View());
      buffer.push_back(u'\0');
    }
    data_.fileOffset = 0;
  } else {
    buffer = std::u16string(paths[0].View());
    data_.fileOffset = std::uint32_t(buffer.rfind(u'/') + 1);
  }
  if (buffer.size() >= data_.bufferSize) {
    // FNERR_BUFFERTOOSMALL: the names do not fit the caller's buffer.
    data_.error = 0x3003;
    return 2;
  }
  data_.fileName = buffer;
  const int chosenFilter = names.FilterIndex();
  data_.filterIndex = std::uint32_t((chosenFilter >= 0 ? chosenFilter : lastFilter) + 1);
  data_.error = 0;
  return 1;
}

}  // namespace kvn
