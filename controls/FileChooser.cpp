// The toolkit side of the file dialogs: the GTK chooser run for
// TOpenSaveDialogMy::DoExecute, with the extra template inside it.
#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/timer.h>

#include <string>

#include "controls/FileDialogData.h"
#include "controls/FileDialogs.h"
#include "foundation/FileSystem.h"
#include "platform/ui/NearParent.h"
#include "platform/ui/ToolkitSymbol.h"
#include "platform/ui/UiHelpersWx.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

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
  TOpenSaveDialogMy*& current = ChooserRun::Current();
  TOpenSaveDialogMy* outer = current;
  current = this;
  if (extra_) dialog.SetExtraControlCreator(&ChooserRun::CreateExtra);

  // GTK tells no one of a new filter, folder or selection: all three are
  // watched while the chooser is open.
  wxTimer watch;
  int lastFilter = dialog.GetFilterIndex();
  wxString lastFolder = dialog.GetDirectory();
  wxString lastSelected;
  watch.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    const int filterIndex = dialog.GetFilterIndex();
    if (filterIndex != lastFilter && filterIndex >= 0) {
      if (save) {
        // The typed name follows the type: "plan.bmp" becomes "plan.emf".
        RenameForNewType(dialog, FilterExtension(data_.FilterPattern(std::uint32_t(lastFilter) + 1)),
                         FilterExtension(data_.FilterPattern(std::uint32_t(filterIndex) + 1)));
      }
      lastFilter = filterIndex;
      TypeChange(std::uint32_t(filterIndex) + 1);
    }
    const wxString dir = dialog.GetDirectory();
    if (dir != lastFolder && !dir.empty()) {
      lastFolder = dir;
      FolderChange(FromWx(dir));
      FolderChanged();
    }
    // Nor of a new selection.
    const wxString selected = dialog.GetCurrentlySelectedFilename();
    if (selected != lastSelected) {
      lastSelected = selected;
      SelectionChange(selected.empty() ? WString() : GetFullPath(FromWx(selected)));
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

  wxArrayString paths;
  dialog.GetPaths(paths);
  if (paths.empty()) return 2;
  std::u16string buffer;
  if (paths.size() > 1) {
    buffer = std::u16string(FromWx(dialog.GetDirectory()).View());
    buffer.push_back(u'\0');
    for (const wxString& path : paths) {
      WString file;
      GetFullPath(FromWx(path), &file);
      buffer.append(file.View());
      buffer.push_back(u'\0');
    }
    data_.fileOffset = 0;
  } else {
    buffer = std::u16string(FromWx(paths[0]).View());
    data_.fileOffset = std::uint32_t(buffer.rfind(u'/') + 1);
  }
  if (buffer.size() >= data_.bufferSize) {
    // FNERR_BUFFERTOOSMALL: the names do not fit the caller's buffer.
    data_.error = 0x3003;
    return 2;
  }
  data_.fileName = buffer;
  data_.filterIndex = std::uint32_t(dialog.GetFilterIndex() + 1);
  data_.error = 0;
  return 1;
}

}  // namespace kvn
