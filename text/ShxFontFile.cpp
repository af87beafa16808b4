#include "text/ShxFontFile.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "foundation/PathBytes.h"
#include "text/ShxParsedFont.h"

namespace kvn {

namespace {

namespace fs = std::filesystem;

bool SameNameNoCase(const WString& a, const WString& b) {
  return a.Length() == b.Length() && a.CompareNoCaseN(b.CStr(), -1) == 0;
}

// The entry of `folder` named `name` regardless of case; the exact name wins.
std::optional<fs::path> FindInFolder(const fs::path& folder, const WString& name) {
  std::error_code ec;
  const fs::path exact = folder / PathBytes(name.View());
  if (fs::is_regular_file(exact, ec)) return exact;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    if (SameNameNoCase(PathFromBytes(it->path().filename().string()), name)) return it->path();
  }
  return std::nullopt;
}

}  // namespace

std::unique_ptr<ShxFont> LoadShxFontFile(const WString& fileName, const WString& folder) {
  if (fileName.IsEmpty()) return nullptr;
  const fs::path dir = folder.IsEmpty() ? fs::path(".") : fs::path(PathBytes(folder.View()));
  std::optional<fs::path> path = FindInFolder(dir, fileName);
  if (!path && fs::path(PathBytes(fileName.View())).extension().empty()) {
    WString withExtension = fileName;
    withExtension.AppendCStr(u".shx");
    path = FindInFolder(dir, withExtension);
  }
  if (!path) return nullptr;
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(*path, ec);
  if (ec || size > kMaxShxFileSize) return nullptr;
  std::ifstream in(*path, std::ios::binary);
  if (!in) return nullptr;
  auto font = std::make_unique<ShxFont>();
  font->bytes.resize(std::size_t(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(font->bytes.data()), std::streamsize(size))) return nullptr;
  (void)LoadShxFontData(*font);
  return font;
}

std::size_t ShxShapeCount(const ShxFont& font) { return font.parsed ? font.parsed->glyphs.size() : 0; }

}  // namespace kvn
