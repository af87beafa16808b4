// DialogFolder: the remembered folder and filter choices of one kind of file
// dialog, kept in the settings under the program's key:
//   string <name>             the folder; relative to the program's folder
//                             when it lies inside it; ":" for none
//   DWORD  <name>_Index_<i>   filter index i (0 to 4)
// The folder is read on first use and written, with every changed filter
// index, when the object dies.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

// The process-wide folder that mode 1 dialogs start in when it is set.
void SetGlobalDialogFolder(const WString& folder);
const WString& GetGlobalDialogFolder();

class DialogFolder {
 public:
  enum Mode : int {
    kDocuments = 0,       // the Documents folder
    kGlobalOverride = 1,  // the global folder when one is set, else Documents
    kProgramFolder = 2,   // the program's folder
  };
  static constexpr int kFilterSlots = 5;
  // What the stored folder holds when there is none.
  static constexpr const char16_t* kNoFolder = u":";

  DialogFolder(const WString& valueName, int mode);
  ~DialogFolder();
  DialogFolder(const DialogFolder&) = delete;
  DialogFolder& operator=(const DialogFolder&) = delete;

  // The folder (with a trailing '/'), loaded on first use.
  const WString& GetFolder();
  // Stores the folder ('\' read as '/'; '/' appended to two or more
  // characters that do not end with one), optionally marking it changed.
  void SetFolder(const WString& folder, bool markChanged);
  // The folder becomes the folder part of the file's full path (marked
  // changed); `fileName` gets the name part.
  void SetFromPath(const WString& filePath, WString* fileName = nullptr);

  // Filter indexes of slots 0 to 4 (0 for any other slot, whose set is ignored).
  std::uint32_t GetFilterIndex(int slot);
  void SetFilterIndex(int slot, std::uint32_t index);

  const WString& ValueName() const { return valueName_; }

 private:
  void Load();
  void Save();

  WString valueName_;
  int mode_;
  WString folder_;
  bool loaded_ = false;
  bool changed_ = false;
  std::uint32_t filterIndex_[kFilterSlots] = {};
  bool filterChanged_[kFilterSlots] = {};
  WString keyPath_;
  WString programDirectory_;
};

}  // namespace kvn
