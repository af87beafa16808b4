// mkfonttable: writes a FONT_TABLE resource, a native container with one
// drawing whose font table holds one TrueType family with its glyph outlines
// stored (a kind-2 font record): the glyphs of code pages 1250 and 1252 and
// the default character, one face, taken from a TrueType file through the
// program's own font layer (platform/fonts) and written by its own record
// writer, as a drawing made on a machine with that font would carry them.
//
// Usage: mkfonttable <font.ttf> <family name> <output.bin>
//
// The family is stored under the given name only: the outline-metrics block
// gets that name in place of the file's own names. A missing font file gives
// an empty output (the resource is then missing, which the font list
// tolerates).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "foundation/ArchiveWriter.h"
#include "foundation/CodePages.h"
#include "foundation/Resources.h"
#include "foundation/WString.h"
#include "model/StyleRefs.h"
#include "model/cStyleFont.h"
#include "platform/fonts/FontSources.h"
#include "platform/fonts/RealizedFont.h"
#include "platform/fonts/SfntFamilyName.h"
#include "tests/support/NativeFixture.h"

namespace kvn::resource_data {
// The tool carries no resources of its own.
const EmbeddedResource kEmbeddedResources[1] = {{ResourceType::StringTable, -1, "", 0}};
const std::size_t kEmbeddedResourceCount = 0;
}  // namespace kvn::resource_data

namespace {

using namespace kvn;

int Fail(const std::string& message) {
  std::fprintf(stderr, "mkfonttable: %s\n", message.c_str());
  return 1;
}

// The characters of both code pages: printable ASCII and the defined upper
// halves.
std::set<char16_t> CodePageCharacters() {
  std::set<char16_t> out;
  for (char16_t c = 0x20; c < 0x7F; ++c) out.insert(c);
  for (int codePage : {1250, 1252}) {
    const char16_t* table = GetCodePageTable(codePage);
    for (int i = 0; table && i < 128; ++i) {
      if (table[i] >= 0xA0 || (table[i] >= 0x80 && table[i] != char16_t(0x80 + i))) out.insert(table[i]);
    }
  }
  return out;
}

bool Mapped(const std::vector<UnicodeRange>& ranges, char16_t c) {
  for (const UnicodeRange& r : ranges) {
    if (c >= r.first && std::uint32_t(c) < std::uint32_t(r.first) + r.count) return true;
  }
  return false;
}

// Consecutive codes as ranges {first, count}.
std::vector<UnicodeRange> RangesOf(const std::vector<std::unique_ptr<FontGlyph>>& glyphs) {
  std::vector<UnicodeRange> out;
  for (const auto& g : glyphs) {
    if (!out.empty() && std::uint32_t(out.back().first) + out.back().count == g->code) {
      ++out.back().count;
    } else {
      out.push_back({g->code, 1});
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: mkfonttable <font.ttf> <family name> <output.bin>\n");
    return 2;
  }
  const std::string fontFile = argv[1];
  const WString family = WString::FromUtf8(argv[2]);
  const std::string output = argv[3];
  if (!std::filesystem::exists(fontFile)) {
    std::fprintf(stderr, "mkfonttable: %s not found; writing an empty %s\n", fontFile.c_str(), output.c_str());
    std::ofstream(output, std::ios::binary | std::ios::trunc);
    return 0;
  }
  // Only the given file counts: a configuration without font folders.
  const std::filesystem::path conf = std::filesystem::path(output).replace_extension(".fonts.conf");
  std::ofstream(conf) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
  UseFontConfigFile(conf.string());

  std::ifstream in(fontFile, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  const WString sourceFamily = ReadSfntFamilyName(bytes.data(), bytes.size());
  if (sourceFamily.IsEmpty() || AddMemoryFont(bytes) == 0) return Fail(fontFile + " is no TrueType font");

  LogFont lf;
  lf.height = -48;
  lf.weight = 400;
  SetLogFontFace(lf, sourceFamily);
  std::unique_ptr<RealizedFont> font = RealizedFont::Create(lf);
  if (!font) return Fail("cannot realise " + fontFile);

  auto set = std::make_unique<TrueTypeFaceSet>(family);
  const TextMetric tm = font->GetTextMetrics();
  set->pitchAndFamily = tm.pitchAndFamily;
  set->charSet = tm.charSet;
  set->outlinesStored = 1;
  set->rangesKnown = 1;
  set->state = 1;
  TrueTypeFace* face = set->CreateFace(0);
  bool fromTables = false;
  face->capHeight = MeasureCapHeight(*font, lf, fromTables);
  set->capFromTables = fromTables ? 1 : 0;
  OutlineNames names{family, family, WString(u"Regular"), family};
  face->metrics = font->GetOutlineTextMetrics(&names);

  const std::vector<UnicodeRange> mapped = font->GetFontUnicodeRanges();
  std::set<char16_t> wanted = CodePageCharacters();
  wanted.insert(char16_t(tm.defaultChar));
  for (char16_t c : wanted) {
    if (c != tm.defaultChar && !Mapped(mapped, c)) continue;
    auto glyph = std::make_unique<FontGlyph>();
    glyph->code = c;
    GetGlyphBeziers(*glyph, *font, true);
    face->glyphs.push_back(std::move(glyph));
  }
  set->ranges = RangesOf(face->glyphs);

  cStyleFont style;
  style.name = family;
  style.SetOwnFaceSet(std::move(set));

  test::FixtureDocument document;
  test::FixtureSheet sheet;
  sheet.name = u"Font";
  sheet.fontDefinitions.push_back([&style](ArchiveWriter& w) {
    style_refs::WriteStyleHeader(style, w);
    style.Write(w, nullptr);
  });
  document.sheets.push_back(std::move(sheet));
  std::filesystem::remove(conf);
  if (!test::SaveBytes(output, test::WriteNativeFile(document))) return Fail("cannot write " + output);
  return 0;
}
