#include "foundation/DialogFolder.h"

#include <string>

#include "foundation/FileSystem.h"
#include "foundation/PathNames.h"
#include "foundation/ProgramFolders.h"
#include "foundation/Registry.h"

namespace kvn {

namespace {

WString& GlobalFolder() {
  static WString folder;
  return folder;
}

WString IndexValueName(const WString& name, int slot) {
  WString valueName = name;
  valueName.AppendCStr(u"_Index_");
  valueName.AppendChar(char16_t(u'0' + slot));
  return valueName;
}

bool ValidSlot(int slot) { return slot >= 0 && slot < DialogFolder::kFilterSlots; }

}  // namespace

void SetGlobalDialogFolder(const WString& folder) { GlobalFolder() = folder; }
const WString& GetGlobalDialogFolder() { return GlobalFolder(); }

DialogFolder::DialogFolder(const WString& valueName, int mode) : valueName_(valueName), mode_(mode) {}

DialogFolder::~DialogFolder() {
  if (loaded_) Save();
}

const WString& DialogFolder::GetFolder() {
  Load();
  return folder_;
}

void DialogFolder::SetFolder(const WString& folder, bool markChanged) {
  // Loaded first, so that a later GetFolder cannot put the stored folder back.
  Load();
  folder_ = WithForwardSlashes(folder);
  if (folder_.Length() >= 2 && folder_[folder_.Length() - 1] != u'/') folder_.AppendChar(u'/');
  if (markChanged) changed_ = true;
}

void DialogFolder::SetFromPath(const WString& filePath, WString* fileName) {
  WString name;
  WString full = GetFullPath(filePath, &name);
  SetFolder(full.Mid(0, full.Length() - name.Length()), true);
  if (fileName) *fileName = name;
}

std::uint32_t DialogFolder::GetFilterIndex(int slot) {
  if (!ValidSlot(slot)) return 0;
  Load();
  return filterIndex_[slot];
}

void DialogFolder::SetFilterIndex(int slot, std::uint32_t index) {
  if (!ValidSlot(slot)) return;
  Load();
  filterIndex_[slot] = index;
  filterChanged_[slot] = true;
}

void DialogFolder::Load() {
  if (loaded_) return;
  loaded_ = true;
  keyPath_ = kProgramRegistryKey;
  programDirectory_ = GetProgramDirectory();

  if (mode_ == kProgramFolder)
    folder_ = programDirectory_;
  else if (mode_ == kGlobalOverride && !GlobalFolder().IsEmpty())
    folder_ = GlobalFolder();
  else
    folder_ = GetSpecialFolderPath(kCsidlPersonal);

  if (valueName_.IsEmpty()) return;
  RegReadKey key(kHkeyCurrentUser, keyPath_);
  WString stored = key.GetString(valueName_, WString(kNoFolder));
  for (int slot = 0; slot < kFilterSlots; ++slot)
    filterIndex_[slot] = key.GetDword(IndexValueName(valueName_, slot), filterIndex_[slot]);
  if (stored == kNoFolder) return;

  WString folder = WithForwardSlashes(stored);
  // A relative folder lies below the program's folder, wherever that is now.
  if (!folder.View().starts_with(u'/') && !MakeAbsolutePath(folder, programDirectory_)) return;
  AddTrailingBackslash(folder);
  folder_ = folder;
}

void DialogFolder::Save() {
  if (valueName_.IsEmpty()) return;
  bool anyIndex = false;
  for (bool changed : filterChanged_) anyIndex |= changed;
  if (!changed_ && !anyIndex) return;

  RegWriteKey key(kHkeyCurrentUser, keyPath_);
  if (changed_) {
    WString stored = folder_;
    if (stored.IsEmpty())
      stored = kNoFolder;
    else if (!programDirectory_.IsEmpty() && stored.View().starts_with(programDirectory_.View()))
      stored = stored.TailFrom(programDirectory_.Length());
    key.SetString(valueName_, stored);
  }
  for (int slot = 0; slot < kFilterSlots; ++slot) {
    if (filterChanged_[slot]) key.SetDword(IndexValueName(valueName_, slot), filterIndex_[slot]);
  }
}

}  // namespace kvn
