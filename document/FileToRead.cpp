#include "document/FileToRead.h"

#include "foundation/FileSystem.h"
#include "foundation/SystemError.h"

namespace kvn {

std::uint32_t OpenFileToRead(const WString& path, std::optional<InFileStream>& in) {
  in.reset();
  // A file put in the name's place after this look is still refused by the
  // open itself (it never waits, and reads only what fstat calls a file).
  if (const std::uint32_t notAFile = FileKindError(GetFileKind(path))) return notAFile;
  in.emplace(path, true);
  if (in->IsOpen()) return kErrorSuccess;
  // A stream that failed without a code is taken as refused.
  return in->LastError() != kErrorSuccess ? in->LastError() : kErrorAccessDenied;
}

std::uint32_t FileToReadError(const WString& path) {
  std::optional<InFileStream> in;
  return OpenFileToRead(path, in);
}

}  // namespace kvn
