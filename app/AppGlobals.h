// Program-wide values of the shell, set before anything else runs: the
// settings key, the native extension, the help topic names, the start
// directory, the current document and the registered messages.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

class cDrawingDoc;

// "Software\QUARN_KVN_Viewer" under HKEY_CURRENT_USER.
const WString& SettingsKeyPath();
inline constexpr const char16_t* kNativeExtension = u".kvn";
inline constexpr const char16_t* kHelpTopicExpImpAny = u"CHD_EXP_IMP_ANY_2";
inline constexpr const char16_t* kHelpTopicExpViewer = u"CHD_EXP_VIEWER";
inline constexpr const char16_t* kHelpTopicOpen = u"CHD_OPEN_TST";

// The current folder when the main window was made, with a trailing separator.
WString& StartDirectory();
// The open document; null while none is open. Owned by the main frame.
cDrawingDoc*& CurrentDocument();

// Registered at static initialisation, before any response table is built.
std::uint32_t MruFileMessage();
std::uint32_t HelpMessage();
std::uint32_t AutoFocusMessage();

}  // namespace kvn
