// TRecentFiles: the main frame's list of the drawings opened last, shown as
// numbered items of the File menu just before Exit, kept in the settings
// under "MRU" ("Count", then "MRU0" the most recent ... "MRU9").
//
// One list serves every TRecentFiles of the process: the first one made
// reads it, the last one destroyed writes it.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/WString.h"

class wxMenu;

namespace kvn {

class TCommandEnabler;
class TWindow;

class TRecentFiles {
 public:
  static constexpr std::uint32_t kFirstCommand = 31990;
  static constexpr std::uint32_t kMostEntries = 10;
  // Longest display path; longer ones keep their end after "...".
  static constexpr int kDisplayLength = 70;

  // `settingsKey` is the program's key path; the list lives in its "MRU"
  // subkey. At most `maxCount` (itself at most 10) entries.
  TRecentFiles(std::uint32_t anchorId, const WString& settingsKey, std::uint32_t maxCount);
  virtual ~TRecentFiles();
  TRecentFiles(const TRecentFiles&) = delete;
  TRecentFiles& operator=(const TRecentFiles&) = delete;

  // The window whose menu holds the items and which is asked to open one.
  virtual TWindow* GetRecentFilesWindow() = 0;

  // Puts a file at the top, made a full path against the current folder;
  // an equal entry (exactly equal) moves up, the oldest beyond the maximum
  // goes.
  void Add(const WString& fileName);
  // The entry of a command id; empty outside the list.
  WString GetEntry(std::uint32_t commandId) const;
  std::uint32_t Count() const;

  // The enabler of the anchor (Exit) item: enables it and puts the entries
  // into its menu in place of the ones there.
  void CeRecentFiles(TCommandEnabler& ce);
  // A recent-file item: the registered "MRUFILEMESSAGE" to the window, with
  // the command id.
  void CmRecentFileItem(std::uint32_t commandId);

  // The item text of entry `index` (from 0) with the start folder `start`
  // (the current folder when empty): "&1 " to "&9 ", then "1&0 "; a path
  // below the start folder shown relative to it, cut to 70 characters.
  static WString MenuText(std::uint32_t index, const WString& entry, const WString& start);
  // Puts the entries into `menu` just before the item `anchorId`, removing
  // the entry items it held.
  void RebuildMenu(wxMenu& menu) const;

 private:
  std::uint32_t anchorId_;
  std::uint32_t maxCount_;
  WString keyPath_;
};

}  // namespace kvn
