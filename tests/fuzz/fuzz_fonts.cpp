// Fonts over arbitrary bytes: a font record of any kind (stored outlines,
// carried font files) read, its glyphs flattened and realised, written back;
// and the bytes as a carried font file: its family name, then the file handed
// to the font layer and realised (metrics, outlines, cap height). A family
// read from a record then draws a line of text onto a small raster surface
// on both roads (the fixed-point road, cut at the clip, and the path in
// doubles exploded into polygons), placed as the input's last byte says.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/InFileStream.h"
#include "model/FontList.h"
#include "model/ObjectChain.h"
#include "model/cStyleFont.h"
#include "platform/fonts/FontSources.h"
#include "platform/fonts/GlyphOutlineBuffer.h"
#include "platform/fonts/RealizedFont.h"
#include "platform/fonts/SfntFamilyName.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "tests/fuzz/FuzzTarget.h"
#include "text/GlyphPolygons.h"
#include "text/TrueTypeLine.h"

using namespace kvn;

namespace {

// A family no machine has, so that stored data is what gets used.
const char16_t* const kFaceName = u"Fuzz Face Absent";

// A line of the family on both roads. The surface is small and shared; the
// line crosses its edge in most placements.
void DrawLine(TrueTypeFaceSet& set, std::uint8_t how) {
  static cRasterSurface surface(true);
  static const bool prepared = surface.Prepare(TRect{0, 0, 48, 24});
  if (!prepared) return;
  surface.SetAntiAliasMode(1 + how % 3);
  WorldMapping m;
  m.scale = (how & 0x08) ? 0.5 : 2.0;
  m.deviceClip = {0, 0, 48, 24};
  TrueTypeLine line;
  line.origin = {double(int(how >> 4) - 4), 1};
  line.angle = (how & 0x20) ? 30.0 : 0.0;
  line.height = 3;
  line.text = WString(u"A\u017D\tg\u0001 ");
  line.alignment = (how & 0x03) == 1 ? 2 : (how & 0x03) == 2 ? 6 : 0;
  line.underline = (how & 0x40) != 0;
  line.strikeOut = (how & 0x80) != 0;
  line.mirrorX = (how & 0x04) != 0;
  line.mirrorY = (how & 0x10) != 0;
  line.widthFactor = (how & 0x20) ? 0.5 : 0.0;
  line.faceIndex = std::uint8_t(how % 5);
  set.LoadGlyphs(line.text, line.faceIndex);
  {
    cDrawInfo info(m, nullptr, nullptr, &surface);
    info.directRaster = std::uint8_t((how & 0x02) != 0);
    line.info = &info;
    DrawTrueTypeLine(set, line);
  }
  ObjectChain out;
  line.info = nullptr;
  line.out = &out;
  DrawTrueTypeLine(set, line);
}

void UseRecord(const std::uint8_t* data, std::size_t size, int version) {
  ByteArray bytes;
  bytes.AppendBytes(data, std::int64_t(size));
  InFileStream in(WString(), true, &bytes);
  ArchiveReader r(&in);
  cStyleFont font;
  font.name = WString(kFaceName);
  (void)font.Read(r, version, nullptr);
  if (TrueTypeFaceSet* set = font.FaceSet()) {
    for (auto& face : set->faces) {
      if (!face) continue;
      for (auto& glyph : face->glyphs) {
        BuildGlyphPolygons(*glyph);
        (void)GetGlyphRightOverhang(*glyph);
      }
    }
    double cap = 0;
    (void)GetFaceSetMetrics(*set, &cap, 1);
    set->LoadGlyphs(WString(u"A\u017D\t"), 0);
    if (TrueTypeFace* face = set->GetFace(0)) (void)face->GetGlyph(u'g');
    DrawLine(*set, size > 0 ? data[size - 1] : 0);
  }
  ByteArray sink;
  ArchiveWriter w(&sink);
  font.Write(w, nullptr);
  w.Finish();
}

void UseFontFile(const std::uint8_t* data, std::size_t size) {
  const WString family = ReadSfntFamilyName(data, size);
  const int handle = AddMemoryFont(std::vector<std::uint8_t>(data, data + size));
  if (handle == 0) return;
  LogFont lf;
  lf.height = -48;
  lf.weight = 700;
  SetLogFontFace(lf, family);
  if (std::unique_ptr<RealizedFont> font = RealizedFont::Create(lf)) {
    (void)font->GetTextMetrics();
    (void)OutlineMetricsView(font->GetOutlineTextMetrics()).Text();
    for (char16_t c : {u'A', u'g', u'\u017D'}) {
      std::int32_t width = 0;
      (void)font->GetCharWidth(c, width);
      (void)ParseGlyphOutline(font->GetGlyphOutline(c, 8.0));
    }
    (void)font->GetFontUnicodeRanges();
    bool fromTables = false;
    (void)MeasureCapHeight(*font, lf, fromTables);
  }
  RemoveMemoryFont(handle);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool configured = [] {
    // No installed fonts: only what the input carries is realised. The
    // configuration goes to the temporary folder, not to wherever the fuzzer
    // was started (a checkout, where it would be taken for a project file).
    const std::string conf = (std::filesystem::temp_directory_path() / "kvn-fuzz-fonts.conf").string();
    std::ofstream(conf) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
    UseFontConfigFile(conf);
    return true;
  }();
  (void)configured;
  if (size < 2) return 0;
  if (data[0] & 1) {
    UseFontFile(data + 1, size - 1);
  } else {
    UseRecord(data + 2, size - 2, 3040 + data[1] % 80);
  }
  return 0;
}

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  std::vector<std::vector<std::uint8_t>> seeds;
  std::ifstream in("/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf", std::ios::binary);
  std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  if (!file.empty()) {
    std::vector<std::uint8_t> seed{1};
    seed.insert(seed.end(), file.begin(), file.end());
    seeds.push_back(seed);
  }
  // A record with stored outlines: two faces, a quadratic and a cubic glyph.
  auto record = [&](auto&& body) {
    ByteArray sink;
    {
      ArchiveWriter w(&sink);
      w.WriteByte(0);
      w.WriteByte(3111 - 3040);
      body(w);
      w.Finish();
    }
    seeds.emplace_back(sink.begin(), sink.end());
  };
  GlyphOutlineWriter outline;
  outline.BeginPolygon({0, 0});
  outline.AddLine({65536 * 100, 0});
  outline.AddCubic({65536 * 100, 65536 * 200}, {0, 65536 * 200}, {0, 65536 * 10});
  const std::vector<std::uint8_t> glyph = outline.Finish();
  record([&](ArchiveWriter& w) {
    w.WriteByte(2);
    w.WriteByte(0x22);
    w.WriteByte(0);
    w.WriteBit(true);
    w.WriteBit(true);
    w.WriteUInt16(1);
    w.WriteUInt16(0x20);
    w.WriteUInt16(0x5F);
    for (int face = 0; face < 4; ++face) {
      w.WriteBit(face < 2);
      if (face >= 2) continue;
      w.WriteCompactDouble(33.0);
      std::vector<std::uint8_t> block(kOutlineMetricsSize + 8, 0);
      block[0] = std::uint8_t(block.size());
      block[otm::kTextMetrics + 48] = 0x1F;
      block[otm::kFamilyName] = std::uint8_t(kOutlineMetricsSize);
      w.WriteUInt16(std::uint16_t(block.size()));
      w.Write(block.data(), std::uint32_t(block.size()));
      w.WriteUInt16(2);
      for (std::uint16_t code : {std::uint16_t(0x1F), std::uint16_t(u'A')}) {
        w.WriteUInt16(code);
        w.WriteUInt16(30);
        w.WriteUInt16(std::uint16_t(glyph.size()));
        w.Write(glyph.data(), std::uint32_t(glyph.size()));
      }
    }
  });
  record([&](ArchiveWriter& w) {  // SHX with bytes
    w.WriteByte(0xFF);
    w.WriteBit(true);
    w.WriteBit(false);
    w.WriteRaw32(4);
    w.Write("AC10", 4);
    w.WriteCompactDouble(10.0);
    w.WriteBit(true);
  });
  record([&](ArchiveWriter& w) {  // a carried font file
    w.WriteByte(1);
    w.WriteByte(0x22);
    w.WriteByte(0);
    w.WriteRaw32(std::uint32_t(std::min<std::size_t>(file.size(), 4096)));
    w.Write(file.data(), std::uint32_t(std::min<std::size_t>(file.size(), 4096)));
  });
  return seeds;
}
