// Path names as text: separators, name parts, extensions, safe file names.
//
// Separators: the program was written for '\'; on this port both '\' and '/'
// are accepted wherever a path is read, and '/' is what is written. A file
// name containing a backslash therefore cannot be named through these
// functions, which is the price of reading paths written on Windows.
#pragma once

#include <string>

#include "foundation/WString.h"

namespace kvn {

inline bool IsPathSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

// The path as the kernel takes it (PathBytes.h) with every '\' turned into '/'.
std::string ToNativePath(const WString& path);
// '\' becomes '/'.
WString WithForwardSlashes(const WString& path);

// Turns separators into '/' and removes one trailing '/', unless the path is
// a root ("/" or a drive root such as "C:/"); true when a separator was removed.
bool NormalizeDirectoryPath(WString& path);
// Appends '/' to a non-empty path that does not end with a separator (the
// name is the one the program's callers know; the separator is this platform's).
void AddTrailingBackslash(WString& path);

// The text after the last separator (the whole path when there is none).
WString GetFileNamePart(const WString& path);
// From the last '.' of the file name part to the end, the '.' included;
// empty when the name part has no '.' (a '.' in a folder name does not count).
WString GetFileExtension(const WString& path);
// The rest of the path when it begins with the prefix, else the path. Exact
// comparison: names on Linux differ by case.
WString StripPathPrefix(const WString& path, const WString& prefix);

// The lexical full form of an absolute path: '\' as '/', "." components and
// repeated separators dropped, ".." taking away the component before it (never
// above the root); a trailing separator is kept.
WString CollapsePath(const WString& absolutePath);
// `path` ('/'-separated as given: a backslash is part of a name) with its
// "." components and repeated separators dropped; ".." stays, since lexically
// it would skip the folder a link leads to. A relative path stays relative,
// "." when nothing is left of it; a trailing separator is kept.
WString WithoutDotComponents(std::u16string_view path);

// A name and a value.
class StringPair {
 public:
  StringPair() = default;
  StringPair(const WString& name, const WString& value) : name_(name), value_(value) {}
  const WString& GetName() const { return name_; }
  const WString& GetValue() const { return value_; }
  void SetValue(const WString& value) { value_ = value; }

 private:
  WString name_;
  WString value_;
};

// Turns a text (a title, a page name) into a file name of at most maxLength
// characters, in place: ends trimmed of spaces and trailing dots, the
// characters \ / : * ? " < > | . and control characters replaced by '_', a
// reserved device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9) emptied, and an
// empty result made "_". Accented letters are folded to ASCII when forced or
// when the temporary folder's file system does not keep them.
void MakeSafeFileName(WString& text, int maxLength, bool forceAscii);

}  // namespace kvn
