#include "app/RecentFiles.h"

#include <wx/menu.h>

#include <algorithm>

#include "app/AppGlobals.h"
#include "foundation/FileSystem.h"
#include "foundation/ProgramFolders.h"
#include "foundation/Registry.h"
#include "foundation/TextFormat.h"
#include "platform/ui/CommandEnabler.h"
#include "platform/ui/RegisteredMessages.h"
#include "platform/ui/Window.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

struct SharedList {
  std::vector<WString> entries;  // index 0 the most recent
  int users = 0;
};

SharedList& List() {
  static SharedList list;
  return list;
}

WString ValueName(std::uint32_t index) { return FormatPercentD(WString(u"MRU%d"), int(index)); }

}  // namespace

TRecentFiles::TRecentFiles(std::uint32_t anchorId, const WString& settingsKey, std::uint32_t maxCount)
    : anchorId_(anchorId), maxCount_(std::min(maxCount, kMostEntries)), keyPath_(settingsKey) {
  keyPath_.AppendCStr(u"\\MRU");
  RegisterWindowMessage(kMruFileMessageName);
  SharedList& list = List();
  if (list.users++ == 0) {
    list.entries.clear();
    RegReadKey key(kHkeyCurrentUser, keyPath_);
    const std::uint32_t n = std::min(key.GetDword(WString(u"Count"), 0), maxCount_);
    for (std::uint32_t i = 0; i < n; ++i) {
      WString entry = key.GetString(ValueName(i), WString());
      if (entry.IsEmpty()) break;
      list.entries.push_back(entry);
    }
  }
}

TRecentFiles::~TRecentFiles() {
  SharedList& list = List();
  if (--list.users > 0) return;
  // Values of higher indices from a longer list stay: they lie beyond Count.
  RegWriteKey key(kHkeyCurrentUser, keyPath_);
  if (key.Failed()) return;
  key.SetDword(WString(u"Count"), std::uint32_t(list.entries.size()));
  for (std::uint32_t i = 0; i < list.entries.size(); ++i) key.SetString(ValueName(i), list.entries[i]);
}

void TRecentFiles::Add(const WString& fileName) {
  if (fileName.IsEmpty()) return;
  const WString full = GetFullPath(fileName);
  std::vector<WString>& entries = List().entries;
  const auto same = std::find(entries.begin(), entries.end(), full);
  if (same != entries.end()) entries.erase(same);
  entries.insert(entries.begin(), full);
  if (entries.size() > maxCount_) entries.resize(maxCount_);
}

WString TRecentFiles::GetEntry(std::uint32_t commandId) const {
  const std::vector<WString>& entries = List().entries;
  const std::uint32_t index = commandId - kFirstCommand;  // unsigned: ids below wrap far out
  return index < entries.size() ? entries[index] : WString();
}

std::uint32_t TRecentFiles::Count() const { return std::uint32_t(List().entries.size()); }

WString TRecentFiles::MenuText(std::uint32_t index, const WString& entry, const WString& start) {
  const int number = int(index) + 1;
  WString text = number < 10 ? FormatPercentD(WString(u"&%d "), number)
                             : FormatPercentD2(WString(u"%d&%d "), number / 10, number % 10);
  const WString base = start.IsEmpty() ? GetCurrentDirectoryPath() : start;
  WString shown = entry;
  if (!base.IsEmpty() && entry.Length() >= base.Length() && entry.CompareNoCaseN(base.CStr(), base.Length()) == 0)
    shown = entry.TailFrom(base.Length());
  if (shown.Length() > kDisplayLength) {
    WString cut(u"...");
    cut.Append(shown.TailFrom(shown.Length() - kDisplayLength));
    shown = cut;
  }
  text.Append(shown);
  return text;
}

void TRecentFiles::RebuildMenu(wxMenu& menu) const {
  const std::vector<WString>& entries = List().entries;
  // The enabler runs at every idle time and when the menu opens: items that
  // are already right stay, since an item replaced under an open menu
  // takes no click.
  bool same = true;
  for (std::uint32_t i = 0; i < kMostEntries && same; ++i) {
    const wxMenuItem* item = menu.FindChildItem(int(kFirstCommand + i));
    if (i >= entries.size()) {
      same = item == nullptr;
    } else {
      same = item != nullptr && item->GetItemLabel() == ToWx(MenuText(i, entries[i], StartDirectory()));
    }
  }
  if (same) return;
  for (std::uint32_t id = kFirstCommand; id < kFirstCommand + kMostEntries; ++id)
    if (menu.FindChildItem(int(id))) menu.Destroy(int(id));
  // The anchor's position, searched from the end.
  const wxMenuItemList& items = menu.GetMenuItems();
  int anchor = -1;
  for (int i = int(items.GetCount()) - 1; i >= 0; --i) {
    if (std::uint32_t(items[std::size_t(i)]->GetId()) == anchorId_) {
      anchor = i;
      break;
    }
  }
  if (anchor < 1) return;
  for (std::uint32_t i = 0; i < entries.size(); ++i) {
    const WString text = MenuText(i, entries[i], StartDirectory());
    menu.Insert(std::size_t(anchor - 1 + int(i)), int(kFirstCommand + i), ToWx(text));
  }
}

void TRecentFiles::CeRecentFiles(TCommandEnabler& ce) {
  ce.Enable(true);
  if (wxMenu* menu = ce.GetMenu()) RebuildMenu(*menu);
}

void TRecentFiles::CmRecentFileItem(std::uint32_t commandId) {
  if (TWindow* window = GetRecentFilesWindow())
    window->SendMessage(RegisterWindowMessage(kMruFileMessageName), TParam1(commandId), 0);
}

}  // namespace kvn
