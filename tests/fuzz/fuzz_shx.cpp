// SHX fonts and the QDAT archive over arbitrary bytes. The first byte picks
// the reader: even, the rest is an SHX file (parsed, every glyph computed, a
// line of text placed, mirrored and turned); odd, the rest is a QDAT archive
// (entries read) and, wrapped as a stored blob, inflated and listed.
#include <span>

#include "foundation/DeflateWriter.h"
#include "foundation/OutFileStream.h"
#include "foundation/Resources.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/ShxFixtures.h"
#include "text/ShxArchive.h"
#include "text/ShxParsedFont.h"
#include "text/ShxTextLine.h"
#include "model/cStyleFont.h"

using namespace kvn;

namespace {

void UseShx(std::span<const std::uint8_t> bytes) {
  std::shared_ptr<ShxParsedFont> font = ParseShxBytes(bytes);
  for (const auto& g : font->glyphs) g->Compute(*font);
  const char16_t text[] = u"Ag \u010D\u00B0\u00B1\u2205\u00F8\t\u4E00?\u0100";
  for (int variant = 0; variant < 2; ++variant) {
    ShxOutlineCache cache;
    DRect box;
    bool first = true;
    ShxLineRequest line;
    line.height = 2.5;
    line.chars = text;
    line.count = int(std::size(text)) - 1;
    line.underline = line.strikeOut = true;
    line.mirrorX = line.keepY = variant == 1;
    line.angle = variant * 30.0;
    (void)BuildShxTextLine(*font, box, first, cache, line);
  }
  (void)font->IsTextFont();
  (void)font->GetLineGapRatio();
}

void UseQdat(std::span<const std::uint8_t> bytes) {
  std::vector<QdatEntry> entries;
  (void)ReadQdatEntries(bytes, entries, WString());
  (void)InflateBlobBytes(bytes);
  // The same bytes as the contents of a stored blob, "QDAT" 1 first.
  std::vector<std::uint8_t> archive = {'Q', 'D', 'A', 'T', 1};
  archive.insert(archive.end(), bytes.begin(), bytes.end());
  ByteArray blob;
  {
    auto out = OutFileStream::ToMemory(blob);
    const std::uint32_t size = std::uint32_t(archive.size());
    out.Write(&size, 4);
    DeflateWriter deflater(&out, 1);
    deflater.Write(archive.data(), size);
    deflater.Finish();
    out.Flush();
  }
  ScopedResourceOverride over(ResourceType::ShxArchive, 5, std::span<const std::uint8_t>(blob.begin(), blob.end()));
  std::vector<std::unique_ptr<cStyleFont>> list;
  LoadShxArchive(list, 5);
  for (auto& font : list) (void)LoadShxFontData(*font->Shx());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> rest(data + 1, size - 1);
  if (data[0] & 1) {
    UseQdat(rest);
  } else {
    UseShx(rest);
  }
  return 0;
}

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  using test::ShxShape;
  std::vector<std::vector<std::uint8_t>> seeds;
  auto add = [&](std::uint8_t selector, const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> seed = {selector};
    seed.insert(seed.end(), bytes.begin(), bytes.end());
    seeds.push_back(seed);
  };
  const std::vector<ShxShape> shapes = {
      {63, "Q", {0x10, 0}},
      {65, "A", {2, 8, 1, 2, 1, 9, 3, 8, 3, 0xF8, 0, 0, 2, 0x60, 0}},
      {66, "B", {10, 4, 0x12, 11, 20, 40, 0, 5, 0x84, 12, 4, 0, 100, 13, 2, 2, 50, 0, 0, 0}},
      {67, "C", {5, 5, 0x14, 6, 6, 14, 9, 1, 1, 0, 0, 14, 8, 1, 1, 7, 65, 3, 2, 4, 3, 0}},
      {0x0141, "L", {7, 0, 1, 0, 0, 0, 0, 0, 0x40, 0}},
      {256, "DEG", {10, 2, 0x00, 0}},
  };
  add(0, test::MakeShapesFile(shapes, 21, 7));
  add(0, test::MakeUnicodeFont({{65, "A", {0x14, 7, 0, 63, 0}}, {63, "Q", {7, 0, 65, 0x10, 0}}}, 10, 3));
  // A built-in font, as the build made it.
  std::vector<std::unique_ptr<cStyleFont>> list;
  LoadShxArchive(list, kShxFontBlob);
  for (std::size_t i = 0; i < list.size() && i < 2; ++i) {
    ShxFont* shx = list[i]->Shx();
    if (shx && FetchArchiveFontBytes(*shx)) add(0, shx->bytes);
  }
  const std::vector<std::uint8_t> qdat = test::MakeQdat(
      {{1, u"a.shx", test::MakeShapesFile(shapes, 21, 7)}, {2, u"dir", {}}, {1, u"B.SHX", {1, 2, 3}}});
  add(1, std::vector<std::uint8_t>(qdat.begin() + 5, qdat.end()));
  return seeds;
}
