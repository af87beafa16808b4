// Where things are: the current folder, the program's folder, the user's
// special folders. Every folder is returned with a trailing '/'.
#pragma once

#include <string>

#include "foundation/WString.h"

namespace kvn {

// Special folders by their CSIDL numbers, mapped onto the XDG user folders.
inline constexpr int kCsidlPersonal = 5;            // Documents: XDG_DOCUMENTS_DIR, else ~/Documents, else ~
inline constexpr int kCsidlDesktopDirectory = 0x10;  // XDG_DESKTOP_DIR, else ~/Desktop, else ~
inline constexpr int kCsidlAppData = 0x1A;           // $XDG_CONFIG_HOME, else ~/.config

// The user's home folder as the file system names it ($HOME, else the
// password database; no trailing '/'); empty when neither knows it.
std::string GetHomeFolder();

// The current folder; empty on failure.
WString GetCurrentDirectoryPath();
// The executable's full path (/proc/self/exe); empty on failure.
WString GetModulePath();
// The program's folder and (optionally) the executable's name, worked out on
// first use from GetModulePath.
WString GetProgramDirectory(WString* fileName = nullptr);
// Replaces both (a trailing '/' is added to the folder). Tests move the
// program this way.
void SetProgramDirectory(const WString& directory, const WString& fileName);
// One of the folders above; empty for any other CSIDL or without a home folder.
WString GetSpecialFolderPath(int csidl);
// The program's own cache folder: $XDG_CACHE_HOME/QUARN_KVN_Viewer (an
// absolute XDG_CACHE_HOME only), else ~/.cache/QUARN_KVN_Viewer; not created here.
WString GetCacheDirectory();
// Linux gives no portable answer to "removable or remote"; the program's
// folder counts as fixed.
bool IsProgramOnRemovableDrive();

}  // namespace kvn
