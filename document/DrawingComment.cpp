#include "document/DrawingComment.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "foundation/AString.h"
#include "foundation/InFileStream.h"
#include "document/NativeFormat.h"

namespace kvn {

namespace {

constexpr char kCommentLine[] = "QUARN-S1\r\nComment=`";
constexpr char kVersionLine[] = "QUARN-S1\r\nVersion=";
constexpr std::uint32_t kLongestComment = 32000;
// Header lines of a single-sheet drawing end at a 0 byte well within this.
constexpr std::uint32_t kLongestHeader = 65536;

}  // namespace

WString ReadDrawingComment(const WString& path) {
  InFileStream in(path);
  if (!in.IsOpen()) return WString();
  char head[19] = {};
  if (in.Read(head, 19) != 19) return WString();

  if (std::memcmp(head, kCommentLine, 19) == 0) {
    std::string line;
    while (line.size() < kLongestComment && !in.Eof()) {
      const std::uint8_t c = in.ReadByte();
      if (c == 13) break;
      line.push_back(char(c));
    }
    const AString unescaped = UnescapeHeaderComment(AString(line.c_str(), 0, int(line.size())));
    WString out;
    out.AssignBytes(1250, unescaped.CStr(), unescaped.Length());
    return out;
  }
  if (std::memcmp(head, kVersionLine, 18) != 0) return WString();
  int version = 0;
  for (char c = head[18]; c >= '0' && c <= '9' && version < 100000; c = char(in.ReadByte()))
    version = version * 10 + (c - '0');
  if (version < 3052) return WString();

  if (version >= 3070) {
    // The container keeps the comment in its header.
    WString comment;
    in.Seek(0);
    const int kind = ReadLibraryHeader(in, comment);
    return kind == 0 || kind == 3 ? comment : WString();
  }
  // A single sheet: the header lines end with a 0 byte, the comment (UTF-16,
  // 0-terminated) follows.
  std::uint32_t read = 20;
  while (read < kLongestHeader && !in.Eof() && in.ReadByte() != 0) ++read;
  if (read >= kLongestHeader || in.Eof()) return WString();
  std::u16string units;
  while (units.size() < kLongestComment) {
    std::uint8_t pair[2];
    if (in.Read(pair, 2) != 2) return WString();
    const char16_t unit = char16_t(pair[0] | (pair[1] << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return WString(units);
}

}  // namespace kvn
