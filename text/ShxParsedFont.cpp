#include "text/ShxParsedFont.h"

#include <algorithm>
#include <cstring>

#include "foundation/InFileStream.h"
#include "foundation/InflateReader.h"
#include "foundation/Resources.h"
#include "foundation/UnicodeCase.h"
#include "text/ShxArchive.h"

namespace kvn {

namespace {

// A bounds-checked cursor over the file: every read past the end fails.
class ByteCursor {
 public:
  explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool U16(std::uint16_t& v) {
    if (bytes_.size() - pos_ < 2) return false;
    v = std::uint16_t(bytes_[pos_] | bytes_[pos_ + 1] << 8);
    pos_ += 2;
    return true;
  }
  bool Take(std::size_t n, std::span<const std::uint8_t>& out) {
    if (bytes_.size() - pos_ < n) return false;
    out = bytes_.subspan(pos_, n);
    pos_ += n;
    return true;
  }
  bool StartsWith(const char* magic) const {
    const std::size_t n = std::strlen(magic);
    return bytes_.size() >= n && std::memcmp(bytes_.data(), magic, n) == 0;
  }
  void Skip(std::size_t n) { pos_ = std::min(bytes_.size(), pos_ + n); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

std::string Trimmed(std::string s) {
  const std::size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return {};
  const std::size_t b = s.find_last_not_of(' ');
  return s.substr(a, b - a + 1);
}

// One entry's bytes: the name up to its NUL (the whole entry when there is
// none), then the definition.
void SplitEntry(std::span<const std::uint8_t> entry, std::string& name, std::vector<std::uint8_t>& definition) {
  const auto nul = std::find(entry.begin(), entry.end(), std::uint8_t(0));
  name.assign(entry.begin(), nul);
  if (nul != entry.end()) definition.assign(nul + 1, entry.end());
}

bool ParseShapes(std::span<const std::uint8_t> bytes, ShxParsedFont& font) {
  ByteCursor in(bytes);
  if (!in.StartsWith("AutoCAD-86 shapes 1.0") && !in.StartsWith("AutoCAD-86 shapes 1.1")) return false;
  in.Skip(28);
  std::uint16_t count = 0;
  if (!in.U16(count)) return false;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> index(count);
  for (auto& [number, length] : index) {
    if (!in.U16(number) || !in.U16(length)) return false;
  }
  for (std::size_t i = 0; i < index.size(); ++i) {
    std::span<const std::uint8_t> entry;
    // An entry cut by the end of the file keeps what is there.
    if (!in.Take(index[i].second, entry)) break;
    std::string name;
    std::vector<std::uint8_t> definition;
    SplitEntry(entry, name, definition);
    if (i == 0 && index[i].first == 0) {
      font.name = name;
      font.header = std::move(definition);
      continue;
    }
    auto glyph = std::make_unique<ShxGlyph>();
    glyph->number = index[i].first;
    glyph->name = Trimmed(name);
    glyph->definition = std::move(definition);
    font.glyphs.push_back(std::move(glyph));
  }
  font.type = ShxFontType::kShapes;
  return true;
}

bool ParseUnicode(std::span<const std::uint8_t> bytes, ShxParsedFont& font) {
  ByteCursor in(bytes);
  if (!in.StartsWith("AutoCAD-86 unifont 1.0")) return false;
  in.Skip(25);
  std::uint16_t count = 0;
  if (!in.U16(count)) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint16_t number = 0, length = 0;
    std::span<const std::uint8_t> entry;
    if (!in.U16(number) || !in.U16(length) || !in.Take(length, entry)) {
      font.glyphs.clear();
      font.header.clear();
      return false;
    }
    std::string name;
    std::vector<std::uint8_t> definition;
    SplitEntry(entry, name, definition);
    if (i == 0) {
      font.name = name;
      font.header = std::move(definition);
      continue;
    }
    auto glyph = std::make_unique<ShxGlyph>();
    glyph->number = number;
    glyph->name = Trimmed(name);
    glyph->definition = std::move(definition);
    font.glyphs.push_back(std::move(glyph));
  }
  font.type = ShxFontType::kUnicode;
  return true;
}

}  // namespace

std::shared_ptr<ShxParsedFont> ParseShxBytes(std::span<const std::uint8_t> bytes) {
  auto font = std::make_shared<ShxParsedFont>();
  if (!ParseShapes(bytes, *font)) {
    *font = ShxParsedFont{};
    if (!ParseUnicode(bytes, *font)) *font = ShxParsedFont{};
  }
  std::stable_sort(font->glyphs.begin(), font->glyphs.end(),
                   [](const auto& a, const auto& b) { return a->number < b->number; });
  return font;
}

bool LoadShxFontData(ShxFont& font) {
  if (!font.parsed) {
    if (font.bytes.empty()) (void)FetchArchiveFontBytes(font);
    font.parsed = ParseShxBytes(font.bytes);
  }
  return !font.parsed->glyphs.empty();
}

ShxGlyph* ShxParsedFont::FindShape(std::uint32_t number) const {
  auto it = std::lower_bound(glyphs.begin(), glyphs.end(), number,
                             [](const auto& g, std::uint32_t n) { return g->number < n; });
  return it != glyphs.end() && (*it)->number == number ? it->get() : nullptr;
}

bool ShxParsedFont::IsTextFont() const {
  return type != ShxFontType::kBigFont && !header.empty() && header[0] != 0;
}

double ShxParsedFont::GetLineGapRatio() const {
  const double above = GetAbove();
  return above == 0.0 ? 0.0 : 2.0 / 3.0 - GetBelow() / above;
}

ShxGlyph* ShxParsedFont::GetGlyph(char16_t code) const {
  if (!IsTextFont()) return FindShape(code);
  std::uint32_t c = code == u'\t' ? u' ' : code;
  if (type == ShxFontType::kShapes) {
    auto special = [this](std::uint32_t shape) { return FindShape(shape) ? shape : std::uint32_t('?'); };
    if (c == 176) {
      c = special(256);
    } else if (c == 177) {
      c = special(257);
    } else if (c == 8709) {
      c = special(258);
    } else if (c == 248 && FindShape(258)) {
      c = 258;
    } else if (c > 255) {
      const std::uint8_t mapped = UnicodeTo8BitTable()[c];
      c = mapped ? mapped : '?';
    } else if (c >= 128 && UnicodeTo8BitTable()[c] != 0) {
      // A Latin-1 letter that code page 1250 holds elsewhere or not at all
      // (its byte there is another letter: U+00C0 would find R acute); its
      // look-alike, else '?'.
      c = UnicodeTo8BitTable()[c];
      if (ShxGlyph* g = FindShape(c)) return g;
      return FindShape('?');
    }
  }
  if (ShxGlyph* g = FindShape(c)) return g;
  if (c == 8709) {
    if (ShxGlyph* g = FindShape(248)) return g;
  } else if (c == 248) {
    if (ShxGlyph* g = FindShape(8709)) return g;
  }
  if (c < 128) return nullptr;
  if (const char ascii = FoldToAsciiW(char16_t(c))) {
    if (ShxGlyph* g = FindShape(std::uint8_t(ascii))) return g;
  }
  return FindShape('?');
}

const std::uint8_t* UnicodeTo8BitTable() {
  static const std::vector<std::uint8_t> table = [] {
    constexpr std::uint32_t kSize = 65536;
    std::vector<std::uint8_t> out(kSize, 0);
    const std::span<const std::uint8_t> stored = FindResource(ResourceType::UnicodeTo8Bit, 0);
    if (stored.empty()) return out;
    ByteArray bytes;
    bytes.AppendBytes(stored.data(), std::int64_t(stored.size()));
    InFileStream in = InFileStream::FromMemory(bytes);
    InflateReader reader(&in, 1);
    if (reader.Read(out.data(), kSize) != kSize || !reader.IsGood()) std::fill(out.begin(), out.end(), 0);
    return out;
  }();
  return table.data();
}

}  // namespace kvn
