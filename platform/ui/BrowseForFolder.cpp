#include "platform/ui/BrowseForFolder.h"

#include <wx/dirdlg.h>

#include "foundation/FileSystem.h"
#include "foundation/PathNames.h"

namespace kvn {

bool BrowseForFolder(wxWindow* owner, const WString& startPath, bool allowNewFolder, WString& path) {
  WString start = NearestExistingDirectory(startPath);
  long style = wxDD_DEFAULT_STYLE;
  // GTK's chooser offers "Create Folder" unless the folder must exist.
  if (!allowNewFolder) style |= wxDD_DIR_MUST_EXIST;
  wxDirDialog dialog(owner, wxDirSelectorPromptStr, wxString::FromUTF8(start.ToUtf8()), style);
  if (dialog.ShowModal() != wxID_OK) return false;

  WString chosen = WString::FromUtf8(dialog.GetPath().utf8_string());
  ResolveFromProgramDirectory(chosen);
  AddTrailingBackslash(chosen);
  path = chosen;
  return true;
}

}  // namespace kvn
