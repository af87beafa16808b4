#include "app/OpenClose.h"

#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "app/FileOpenPreview.h"
#include "controls/FileDialogData.h"
#include "document/OpenDrawingFile.h"
#include "document/ProgressMonitor.h"
#include "document/cDrawingDoc.h"
#include "foundation/DialogFolder.h"
#include "foundation/FileSystem.h"
#include "foundation/LangTable.h"
#include "foundation/Registry.h"
#include "platform/ui/Window.h"

namespace kvn {

namespace {
AskFileNameHook g_askHook = nullptr;
// The settings value of the open dialog's remembered folder.
constexpr const char16_t* kOpenFolderValue = u"CHD_OPEN_TST";
constexpr int kStrOpenDrawing = 16224;
}  // namespace

void SetAskDrawingFileNameHook(AskFileNameHook hook) { g_askHook = hook; }

WString AskDrawingFileName(TWindow& owner) {
  if (g_askHook) return g_askHook(owner);
  // The remembered folder of the open dialog; without one, the folder of
  // the drawing in view.
  DialogFolder folder(WString(kOpenFolderValue), DialogFolder::kDocuments);
  FileDialogData data(kOfnFileMustExist, MakeOpenDrawingFilter());
  TMyFileOpenDialogKvn dialog(&folder, &owner, data, LoadLangString(kStrOpenDrawing));
  dialog.SetUserValue(std::uint16_t(kCmFileOpen));
  const bool remembered = !(RegReadKey(kHkeyCurrentUser, WString(kProgramRegistryKey))
                                .GetString(WString(kOpenFolderValue), WString(DialogFolder::kNoFolder)) ==
                            DialogFolder::kNoFolder);
  if (!remembered) {
    if (const cDrawingDoc* doc = CurrentDocument(); doc && !doc->filePath.IsEmpty()) {
      WString name;
      const WString full = GetFullPath(doc->filePath, &name);
      data.initialFolder = WString(full.View().substr(0, std::size_t(full.Length() - name.Length())));
    }
  }
  if (dialog.Execute() != 1 || data.chosenFiles.empty()) return WString();
  return data.chosenFiles.front();
}

WString ChooseReferenceFile(const WString& startFolder) {
  FileDialogData data(kOfnFileMustExist, MakeOpenDrawingFilter(), startFolder);
  TMyFileOpenDialogKvn dialog(nullptr, nullptr, data, LoadLangString(kStrOpenDrawing));
  if (dialog.Execute() != 1 || data.chosenFiles.empty()) return WString();
  return data.chosenFiles.front();
}

std::unique_ptr<cDrawingDoc> OpenDrawingUnderMonitor(TWindow& parent, const WString& path) {
  ProgressMonitor monitor(&parent, WString(), kProgressDialogId);
  OpenRequest request;
  request.monitor = &monitor;
  return OpenDrawing(path, request).TakeDocument();
}

}  // namespace kvn
