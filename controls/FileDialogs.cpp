#include "controls/FileDialogs.h"

#include "foundation/DialogFolder.h"
#include "foundation/FileSystem.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/TextFormat.h"

namespace kvn {

namespace {

// Strings of the overwrite question.
constexpr int kQuestionCaptionId = 1173;
constexpr int kOverwriteQuestionId = 1174;

bool ValidSlot(int slot) { return slot >= 1 && slot <= 4; }

WString Cat(const WString& a, const WString& b) {
  WString r = a;
  r.Append(b);
  return r;
}

WString FullPath(const WString& name) {
  WString path = name;
  ResolveFromProgramDirectory(path);
  return path;
}

}  // namespace

TOpenSaveDialogMy::TOpenSaveDialogMy(Mode mode, int filterSlot, DialogFolder* folder, const WString& initialName,
                                     TWindow* parent, TData& data, int templateId, const WString& title)
    : TWindow(nullptr, title),
      mode_(mode),
      filterSlot_(filterSlot),
      folder_(folder),
      parent_(parent),
      data_(data),
      title_(title) {
  if (!initialName.IsEmpty()) data_.SetFileName(initialName);
  if (folder_) data_.initialFolder = folder_->GetFolder();
  if (ValidSlot(filterSlot_) && folder_) {
    // A slot never written yet holds 0: the data block's index stands.
    const std::uint32_t remembered = folder_->GetFilterIndex(filterSlot_);
    if (remembered != 0) data_.filterIndex = remembered;
  }
  if (templateId != 0) {
    extra_ = std::make_unique<TEmbeddedDialog>(nullptr, templateId);
    extra_->SetDialogKeys(false);
  }
}

TOpenSaveDialogMy::~TOpenSaveDialogMy() = default;

void TOpenSaveDialogMy::FolderChange(const WString& folder) {
  if (folder_ && !folder.IsEmpty()) folder_->SetFolder(FullPath(folder), false);
}

int TOpenSaveDialogMy::AskOverwrite(const WString& path) {
  const WString caption = LoadLangString(kQuestionCaptionId);
  const WString text = FormatPercentS(LoadLangString(kOverwriteQuestionId), path);
  return kvn::ShowMessageBox(parent_, text, caption.CStr(), kMbOkCancel | kMbIconWarning);
}

int TOpenSaveDialogMy::Execute() {
  data_.chosenFiles.clear();
  const int result = DoExecute();
  if (result != 1) return Finish(result);

  const std::u16string& buffer = data_.fileName;
  const std::size_t firstEnd = buffer.find(u'\0');
  const bool multiple = (data_.flags & kOfnAllowMultiSelect) && firstEnd != std::u16string::npos &&
                        firstEnd + 1 < buffer.size() && buffer[firstEnd + 1] != u'\0';
  if (multiple) {
    WString folder(std::u16string_view(buffer).substr(0, firstEnd));
    if (folder_) folder_->SetFolder(folder, true);
    if (folder.IsEmpty() || folder.CStr()[folder.Length() - 1] != u'/') folder.AppendChar(u'/');
    std::size_t start = firstEnd + 1;
    while (start < buffer.size() && buffer[start] != u'\0') {
      std::size_t end = buffer.find(u'\0', start);
      if (end == std::u16string::npos) end = buffer.size();
      WString name = TrimTrailingBlanks(std::u16string_view(buffer).substr(start, end - start));
      if (!name.View().empty() && name.View().find_first_of(u"/\\") == std::u16string_view::npos) {
        name = Cat(folder, name);
      }
      data_.chosenFiles.push_back(FullPath(name));
      start = end + 1;
    }
    return Finish(result);
  }

  WString name = TrimTrailingBlanks(std::u16string_view(buffer).substr(0, firstEnd));
  if (mode_ == kSaveMode && !FileExists(name)) name = GetFullPath(name);
  if (folder_) {
    const int slash = name.ReverseFindChar(u'/');
    folder_->SetFolder(FullPath(WString(name.View().substr(0, std::size_t(slash + 1)))), true);
  }
  if (mode_ == kSaveMode) {
    // The chooser asked about the name as typed; a name made for the type
    // is asked about here.
    const WString typed = name;
    name = NameWithTypeExtension(typed, data_, data_.filterIndex);
    if (!(name == typed) && FileExists(name) && AskOverwrite(name) != kIdOk) return Finish(2);
  }
  data_.chosenFiles.push_back(FullPath(name));
  return Finish(result);
}

int TOpenSaveDialogMy::Finish(int result) {
  if (ValidSlot(filterSlot_) && folder_ && folder_->GetFilterIndex(filterSlot_) != data_.filterIndex) {
    folder_->SetFilterIndex(filterSlot_, data_.filterIndex);
  }
  return result;
}

}  // namespace kvn
