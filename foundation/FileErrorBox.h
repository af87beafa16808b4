// The error box of the failing "Report" file operations (FileSystem.h).
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

class cMsgDlg;

// String resources of the boxes.
inline constexpr int kStrCannotCreateFolder = 1140;
inline constexpr int kStrCannotRemoveFolder = 1141;
inline constexpr int kStrCannotDeleteFile = 1143;
inline constexpr int kStrCannotMoveFile = 1144;

// The text of the box: the string, ":" LF LF, the path, LF LF, the system's
// text for the error (for a move: source, LF LF "->" LF LF, destination), with
// the long-path hint appended when asked and the error and length call for it.
WString FileErrorText(int stringId, const WString& path, const WString* destination, std::uint32_t error,
                      bool longPathHint);
// Shows it with the default caption and the error icon; nothing without an owner.
void ShowFileError(const cMsgDlg* owner, int stringId, const WString& path, const WString* destination,
                   std::uint32_t error, bool longPathHint);

}  // namespace kvn
