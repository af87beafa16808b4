// Writing an exported picture: the bytes go to a new temporary file in the
// target's folder, which is flushed to the disk and renamed over the target
// only when every byte is there. A failure (unwritable folder, full disk, a
// path through a regular file) leaves no part-written picture behind and the
// file that would have been replaced byte for byte as it was.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>

#include "foundation/WString.h"

namespace kvn {

class cMsgDlg;

// 0 (kErrorSuccess) or the system error code (SystemError.h). A new file gets
// the usual permissions (0666 less the umask); a replaced one keeps its own.
std::uint32_t WriteFileReplacing(const WString& path, std::initializer_list<std::span<const std::uint8_t>> parts);

// The same; a failure shows "Cannot save the file:" with the path and the
// system's reason (error icon).
bool WriteExportFile(const WString& path, std::initializer_list<std::span<const std::uint8_t>> parts,
                     const cMsgDlg* owner);

}  // namespace kvn
