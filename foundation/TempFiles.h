// Temporary folder and files, and the probe of whether that folder's file
// system keeps accented names.
#pragma once

#include "foundation/WString.h"

namespace kvn {

// $TMPDIR when it names a folder, else /tmp/, else the program's cache folder
// (GetCacheDirectory); with a trailing '/'. Never the program's folder, which
// is not writable for users on Linux.
WString GetTempDirectory();

// Creates a new empty file "QRNxxxxxx.TMP" in the temporary folder and returns
// its name. When that folder refuses, "DummyFile<n>.TMP" is tried in the
// cache folder and then in /tmp/ (n counting up through the process, a bounded
// number of times; an existing file is never reused). Empty when nothing could
// be created.
WString CreateTempFile();
// The same with `directory` (ending in a separator) in place of the temporary folder.
WString CreateTempFileIn(const WString& directory);

// A temporary file that is deleted, without a message, when the object dies.
class TempFile {
 public:
  TempFile() : name_(CreateTempFile()) {}
  ~TempFile() { Delete(); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const WString& Name() const { return name_; }
  void Delete();

 private:
  WString name_;
};

// Whether the temporary folder keeps the letters U+010D and U+0159 in a file
// name apart from "c" and "r"; probed once per process, true when it cannot be told.
bool FileSystemKeepsAccents();

}  // namespace kvn
