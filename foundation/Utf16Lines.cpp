#include "foundation/Utf16Lines.h"

#include <string>

#include "foundation/FileSystem.h"
#include "foundation/InFileStream.h"
#include "foundation/PathNames.h"

namespace kvn {

bool ReadUtf16Lines(InFileStream& stream, OwnedArray<WString>& lines) {
  lines.Clear();
  std::uint8_t mark[2];
  if (stream.Read(mark, 2) != 2 || mark[0] != 0xFF || mark[1] != 0xFE) return false;

  std::u16string line;
  std::uint8_t block[4096];
  bool odd = false;
  std::uint8_t low = 0;
  while (std::uint32_t n = stream.Read(block, sizeof block)) {
    for (std::uint32_t i = 0; i < n; ++i) {
      if (!odd) {
        low = block[i];
        odd = true;
        continue;
      }
      odd = false;
      char16_t unit = char16_t(low | (block[i] << 8));
      if (unit == u'\r') continue;
      if (unit == u'\n') {
        lines.Add(new WString(std::u16string_view(line)));
        line.clear();
      } else {
        // No string holds more; a file with such a line is not a line list.
        if (line.size() >= WString::kMaxLength) return false;
        line += unit;
      }
    }
  }
  return true;
}

bool ReadUtf16LinesFromFile(const WString& path, OwnedArray<WString>& lines) {
  lines.Clear();
  if (!FileExists(path)) return false;
  InFileStream stream(WithForwardSlashes(path));
  return stream.IsOpen() && ReadUtf16Lines(stream, lines);
}

}  // namespace kvn
