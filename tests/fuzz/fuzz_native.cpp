// The open dispatcher over arbitrary file contents: native containers,
// single-sheet files and anything else, opened quietly from a file named
// ".kvn" (so that OLE compound files reach the native loader too). Whatever
// opens is painted, as the drawing window would, onto a small raster
// surface: fitted to its extent and at a zoom that sends most of it far
// beyond the surface, so that damaged values also reach the renderer.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "foundation/DRect.h"
#include "foundation/WString.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "model/cText.h"
#include "foundation/ArchiveWriter.h"
#include "model/ObjectChain.h"
#include "model/ObjectTypes.h"
#include "platform/gdi/LeBytes.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfValidate.h"
#include "render/DrawInfo.h"
#include "render/PictureServicesImpl.h"
#include "render/RasterSurface.h"
#include "render/SheetPainter.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/RecordFixtures.h"
#include "tests/support/SchematicRecords.h"

using namespace kvn;

namespace {

// The dispatcher opens files by name. A memory file system keeps the tens
// of thousands of writes of a run off the disk (about 25 times faster here).
const std::string& ScratchPath() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : dir && *dir ? dir : "/tmp";
    return folder + "/kvn_fuzz_native_" + std::to_string(getpid()) + ".kvn";
  }();
  return path;
}

struct RemoveAtExit {
  ~RemoveAtExit() { std::remove(ScratchPath().c_str()); }
} removeAtExit;

constexpr std::int32_t kSurfaceSide = 96;

// Paints every sheet's first pages twice: fitted, and 50 times larger about
// the same corner.
void PaintSheets(cDrawingDoc& document) {
  cRasterSurface surface(true);
  if (!surface.Prepare(TRect{0, 0, kSurfaceSide, kSurfaceSide})) return;
  for (std::uint32_t i = 0; i < document.SheetCount(); ++i) {
    cSheet& sheet = *document.GetSheet(i);
    const DRect extent = sheet.Drawing().GetExtent();
    const double span = std::max(extent.x2 - extent.x1, extent.y2 - extent.y1);
    WorldMapping mapping;
    mapping.deviceClip = {0, 0, kSurfaceSide, kSurfaceSide};
    // Device = world x scale x 4 + origin.
    const bool usable = std::isfinite(span) && span > 0 && std::isfinite(extent.x1) && std::isfinite(extent.y1);
    const double fitted = usable ? kSurfaceSide / (span * 4) : 1.0;
    const std::uint16_t pages = std::uint16_t(std::min<std::uint32_t>(sheet.Drawing().PageCount(), 3));
    for (double zoom : {1.0, 50.0}) {
      mapping.scale = fitted * zoom;
      mapping.originX = usable ? -extent.x1 * mapping.scale * 4 : 0;
      mapping.originY = usable ? -extent.y1 * mapping.scale * 4 : 0;
      for (std::uint16_t page = 0; page <= pages; ++page) {
        surface.FillRect(0, 0, kSurfaceSide, kSurfaceSide, 0xFFFFFFFF);
        cDrawInfo info(mapping, sheet.Data(), nullptr, &surface);
        PaintObjectChain(&sheet.Data()->Levels(), sheet.Data(), &sheet.TopBlock(), &sheet.Drawing(), page, info);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  InstallRendererPictureServices();
  std::FILE* f = std::fopen(ScratchPath().c_str(), "wb");
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  std::unique_ptr<cDrawingDoc> document = OpenDrawingFile(WString::FromUtf8(ScratchPath()), request, outcome);
  if (document) {
    for (std::uint32_t i = 0; i < document->SheetCount(); ++i) {
      cSheet& sheet = *document->GetSheet(i);
      for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
        DRect box;
        o->GetExtentUpdated(sheet.Data(), box);
        // Inserts are exploded as the editing commands would (a copy per
        // block object, not expanded).
        if (o->AsInsert()) ObjectChain exploded = o->Explode(sheet.Data());
      }
    }
    PaintSheets(*document);
  }
  return 0;
}

namespace {

// A packed DIB: 40-byte header, palette, bits; `height` may lie.
std::vector<std::uint8_t> Dib(std::int32_t w, std::int32_t h, std::uint16_t bits, std::uint32_t compression,
                              std::uint32_t palette, const std::vector<std::uint8_t>& pixels) {
  std::vector<std::uint8_t> b(40 + 4 * palette + pixels.size(), 0);
  kvn::le::Put32(b.data(), 40);
  kvn::le::Put32(b.data() + 4, std::uint32_t(w));
  kvn::le::Put32(b.data() + 8, std::uint32_t(h));
  kvn::le::Put16(b.data() + 12, 1);
  kvn::le::Put16(b.data() + 14, bits);
  kvn::le::Put32(b.data() + 16, compression);
  kvn::le::Put32(b.data() + 20, std::uint32_t(pixels.size()));
  kvn::le::Put32(b.data() + 32, palette);
  for (std::uint32_t i = 0; i < palette; ++i) kvn::le::Put32(b.data() + 40 + 4 * i, i * 0x203040);
  if (!pixels.empty()) std::copy(pixels.begin(), pixels.end(), b.begin() + 40 + 4 * palette);
  return b;
}

// A picture record of the current row; `count` may lie about the bytes.
void PictureRecord(kvn::ArchiveWriter& w, const std::vector<std::uint8_t>& bytes, bool encoded, double angle,
                   std::uint32_t count) {
  w.WriteByte(kvn::kTypeBitmap);
  kvn::test::WriteHeaderAt(w, 3111, kvn::test::HeaderFixture{});
  w.WriteRealPoint({5, 5});
  w.WriteRealPoint({20, -15});
  w.WriteCompactDouble(angle);
  w.WriteColor(0x00FFFFFF);
  w.WriteCompactDouble(3);
  w.WriteBit(false);
  w.Flush();
  w.WriteBit(encoded);
  w.WriteRaw32(count);
  w.Write(bytes.data(), std::uint32_t(bytes.size()));
}

std::vector<std::uint8_t> SmallEmf() {
  kvn::EmfBuilder b(1 << 14);
  auto rec = [&](std::uint32_t type, std::initializer_list<std::uint32_t> fields) {
    std::uint8_t* p = b.Add(type, 8 + 4 * fields.size());
    std::uint32_t at = 8;
    for (std::uint32_t v : fields) kvn::le::Put32(p + (at += 4) - 4, v);
  };
  rec(kvn::kEmrHeader, {0, 0, 99, 49, 0, 0, 2645, 1322, kvn::kEmfSignature, 0x10000, 0, 0, 0, 0, 0, 0, 1024, 768, 270,
                        203, 0, 0, 0, 0, 0});
  rec(43, {5, 5, 95, 45});
  rec(42, {20, 10, 80, 40});
  b.Finish(1);
  return {b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count()};
}

void MetafileRecord(kvn::ArchiveWriter& w, const std::vector<std::uint8_t>& bytes, double angle) {
  w.WriteByte(kvn::kTypeWmf);
  kvn::test::WriteHeaderAt(w, 3111, kvn::test::HeaderFixture{});
  w.WriteRealPoint({30, 5});
  w.WriteRealPoint({-20, 10});
  w.WriteCompactDouble(angle);
  w.Flush();
  w.WriteRaw32(std::uint32_t(bytes.size()));
  w.Write(bytes.data(), std::uint32_t(bytes.size()));
}

// Pictures and metafiles: plain, RLE, JPEG data with a frame of 65,535 x
// 65,535 pixels, a header claiming a huge picture; with `lyingCount` last a
// count beyond the data.
std::vector<std::uint8_t> PictureSeed(bool lyingCount) {
  kvn::test::FixtureDocument doc;
  kvn::test::FixtureSheet sheet;
  sheet.levels = {{u"0"}};
  std::vector<std::uint8_t> px(4 * 3 * 3);
  for (std::size_t i = 0; i < px.size(); ++i) px[i] = std::uint8_t(i * 29);
  const auto plain = Dib(4, 3, 24, 0, 0, px);
  const auto rle = Dib(6, 4, 8, 1, 4, {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 1, 200, 3, 0, 0, 0, 1});
  const std::vector<std::uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0xFF, 0xFF, 0xFF, 0xFF, 1, 1, 0x11, 0,
                                          0xFF, 0xD9};
  const auto huge = Dib(0x7FFF, 0x7FFF, 24, 0, 0, px);
  const auto emf = SmallEmf();
  sheet.handWrittenObjects = {
      [plain](kvn::ArchiveWriter& w) { PictureRecord(w, plain, false, 30, std::uint32_t(plain.size())); },
      [rle](kvn::ArchiveWriter& w) { PictureRecord(w, rle, false, 0, std::uint32_t(rle.size())); },
      [jpeg](kvn::ArchiveWriter& w) { PictureRecord(w, jpeg, true, 0, std::uint32_t(jpeg.size())); },
      [huge](kvn::ArchiveWriter& w) { PictureRecord(w, huge, false, 0, std::uint32_t(huge.size())); },
      [emf](kvn::ArchiveWriter& w) { MetafileRecord(w, emf, 0); },
      [emf](kvn::ArchiveWriter& w) { MetafileRecord(w, emf, 90); },
  };
  if (lyingCount)
    sheet.handWrittenObjects.push_back(
        [plain](kvn::ArchiveWriter& w) { PictureRecord(w, plain, false, 0, 0x7FFFFFF0); });
  doc.sheets = {sheet};
  return kvn::test::WriteNativeFile(doc);
}

// Texts of every font source (a TrueType face of the font table, a built-in
// SHX font, a face outside the table measured with the screen font), on one
// and several lines, wrapped, turned, mirrored; small, so that mutations land
// in the text records.
std::vector<std::uint8_t> TextSeed() {
  kvn::test::FixtureDocument doc;
  kvn::test::FixtureSheet sheet;
  sheet.levels = {{u"0"}};
  sheet.fontNames = {u"Arial"};
  sheet.shxFonts = {{u"Romans.shx", 8.0}};
  auto text = [&](const char16_t* content, std::uint16_t font, kvn::DPoint at, int code) {
    auto t = std::make_shared<kvn::cText>();
    t->SetText(kvn::WString(content));
    t->SetFontIndex(font);
    t->point = at;
    t->alignment = std::uint8_t(code);
    t->attr.height = 4;
    sheet.objects.push_back(t);
    return t;
  };
  text(u"TrueType", 0, {10, 10}, 0);
  text(u"SHX on\ntwo lines", 1, {10, 30}, 5)->lineSpacing = 1.5;
  const kvn::WString face(u"Times New Roman");
  text(u"Screen font", 0, {10, 50}, 10)->SetFont(&face, 0x12, 0, 65535);
  auto wrapped = text(u"A wrapped text breaking at its blanks", 0, {60, 10}, 1);
  wrapped->wrapWidth = 20;
  wrapped->SetAngle(30);
  text(u"Mirrored", 1, {60, 40}, 8)->attr.mirrorX = 1;
  doc.sheets = {sheet};
  return kvn::test::WriteNativeFile(doc);
}

// Links (one with a label and the polygon form of old files), dimensions,
// connection points, separators and section views in the record forms of
// the version.
std::vector<std::uint8_t> SchematicSeed(int version) {
  using namespace kvn::test;
  FixtureSheet sheet;
  sheet.levels = {{u"0"}};
  LinkFixture link;
  link.attributes = {{u"Wire", u"W1", u"", 2, true}};
  link.labelShown = true;
  link.labelText = u"\x01\tL";
  link.end1 = 1;
  link.end2 = 2;
  DistanceFixture distance;
  distance.suffix = u" mm";
  ConPointFixture point;
  point.name = u"X1";
  point.labelShown = true;
  SeparatorFixture separator;
  separator.name = u"S";
  SectionFixture section;
  section.selection = true;
  section.values = {1};
  section.names = {u"n"};
  auto typed = [version](std::uint8_t type, auto write, auto fixture) {
    return [version, type, write, fixture](kvn::ArchiveWriter& w) {
      w.WriteByte(type);
      write(w, version, fixture);
    };
  };
  sheet.handWrittenObjects = {typed(kvn::kTypeLink, WriteLinkRecord, link),
                              typed(kvn::kTypeDistance, WriteDistanceRecord, distance),
                              typed(kvn::kTypeConPoint, WriteConPointRecord, point),
                              typed(kvn::kTypeSeparator, WriteSeparatorRecord, separator),
                              typed(kvn::kTypeSection, WriteSectionRecord, section)};
  if (version < 3065) {
    SingleSheetFile file;
    file.version = version;
    file.sheet = sheet;
    return WriteSingleSheetFile(file);
  }
  FixtureDocument doc;
  doc.version = version;
  doc.sheets = {sheet};
  return WriteNativeFile(doc);
}

kvn::test::InsertFixture InsertOf(std::uint32_t block, kvn::DPoint at, double angle = 0.0) {
  kvn::test::InsertFixture f;
  f.blockIndex = block;
  f.point = at;
  f.angle = angle;
  return f;
}

// Blocks placing themselves, each other (the later block gets a
// placeholder), and a chain 70 deep, with labels, attributes, a mirrored
// and a recoloured insert.
std::vector<std::vector<std::uint8_t>> InsertSeeds() {
  using namespace kvn::test;
  std::vector<std::vector<std::uint8_t>> seeds;
  FixtureSheet sheet;
  sheet.levels = {{u"0"}};
  FixtureBlock self;
  self.lines = {FixtureLine{{0, 0}, {1, 0}, 0}};
  self.inserts = {InsertOf(0, {1, 0})};
  FixtureBlock mutual;
  mutual.lines = {FixtureLine{{0, 0}, {0, 1}, 0}};
  mutual.inserts = {InsertOf(2, {0, 1}, 30)};
  FixtureBlock labelled;
  labelled.lines = {FixtureLine{{0, 0}, {2, 1}, 0}};
  labelled.inserts = {InsertOf(1, {0, 0})};
  InsertFixture named = InsertOf(0, {3, 3}, 45);
  named.attributes = {{1, u"DESC", u"pump"}, {2, u"TAG", u"P1"}};
  named.flags = 0x03 | 0x40 | 0x80;
  named.labels[0] = {true, {3, 5}, 0, false, 4, 65535, u"P1"};
  named.labels[1] = {true, {3, 7}, 10, true, 0, 0x8001, u"\x02"};
  labelled.inserts.push_back(named);
  sheet.blocks = {self, mutual, labelled};
  InsertFixture mirrored = InsertOf(2, {20, 20});
  mirrored.scale = {-1, 2};
  mirrored.color = 0x0000FF;
  mirrored.widthMode = 1;
  mirrored.width = 0.7;
  sheet.inserts = {InsertOf(0, {0, 0}), InsertOf(1, {10, 0}, 90), mirrored};
  FixtureDocument doc;
  doc.sheets = {sheet};
  for (int version : {3111, 3089, 3081, 3070}) {
    doc.version = version;
    seeds.push_back(WriteNativeFile(doc));
  }
  for (int version : {3060, 3055, 3049}) {
    SingleSheetFile file;
    file.version = version;
    file.headerLines = {"Version=" + std::to_string(version), "Levels=1"};
    file.sheet = sheet;
    seeds.push_back(WriteSingleSheetFile(file));
  }
  FixtureSheet deep;
  deep.levels = {{u"0"}};
  FixtureBlock leaf;
  leaf.lines = {FixtureLine{{0, 0}, {1, 0}, 0}};
  deep.blocks.push_back(leaf);
  for (std::uint32_t i = 0; i < 70; ++i) {
    FixtureBlock next = leaf;
    next.inserts = {InsertOf(i, {1, 0}, 5)};
    deep.blocks.push_back(next);
  }
  deep.inserts = {InsertOf(70, {0, 0})};
  doc.version = 3111;
  doc.sheets = {deep};
  seeds.push_back(WriteNativeFile(doc));
  return seeds;
}

}  // namespace

// Drawings at the gates of the old-drawing conversions: a symbol line of
// the oldest records, formats near A4 and on a paper, and a container whose
// sheet refers to another file (missing when fuzzed).
std::vector<std::vector<std::uint8_t>> OldConversionSeeds() {
  using namespace kvn::test;
  std::vector<std::vector<std::uint8_t>> seeds;
  FixtureSheet sheet;
  sheet.levels = {{u"0"}};
  FixtureBlock symbol;
  symbol.lines = {FixtureLine{{0, 0}, {4, 2}}};
  sheet.blocks = {symbol};
  FixtureLine announcing{{0, 0}, {100, 0}};
  announcing.width = 0.5;
  announcing.symbolBlock = 0;
  announcing.symbolByte = 2;
  FixtureLine plain{{0, 10}, {100, 10}};
  sheet.formatSize = {240, 200};
  sheet.paperId = 9;
  for (int version : {3048, 3053, 3056, 3057, 3058, 3062, 3067, 3076, 3078, 3081}) {
    SingleSheetFile file;
    file.version = version;
    file.headerLines = {"Version=" + std::to_string(version), "Levels=1", "Level=A"};
    file.sheet = sheet;
    file.sheet.lines = version < 3050 ? std::vector<FixtureLine>{announcing, plain} : std::vector<FixtureLine>{plain};
    seeds.push_back(WriteSingleSheetFile(file));
  }
  FixtureDocument doc;
  FixtureSheet drawn = sheet;
  drawn.lines = {plain};
  FixtureSheet reference;
  reference.name = u"Ref";
  reference.reference = true;
  reference.referencePath = u"..\\Sub\\PLAN.KVN";
  reference.referenceKind = 2;
  doc.sheets = {drawn, reference};
  for (int version : {3087, 3094, 3111}) {
    doc.version = version;
    seeds.push_back(WriteNativeFile(doc));
  }
  return seeds;
}

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  using namespace kvn::test;
  std::vector<std::vector<std::uint8_t>> seeds;
  FixtureDocument doc;
  FixtureSheet sheet;
  sheet.name = std::u16string(u"Sheet A");
  sheet.levels = {{u"L1"}, {u"L2"}};
  sheet.pages = {{u"P1"}, {u"P2"}};
  sheet.lineStyles = {{u"S", 0xFF, 0.5, 3}};
  sheet.blocks.push_back(FixtureBlock{{{{0, 0}, {1, 1}}}});
  sheet.guides[0] = {1.0, 2.0};
  for (int i = 0; i < 6; ++i) {
    FixtureLine line{{double(i), 0}, {double(i), 5}, std::uint16_t(i % 2), std::uint16_t(1 + i % 2)};
    line.lineStyle = i % 3 == 0 ? 0 : -1;
    sheet.lines.push_back(line);
  }
  doc.sheets = {sheet, sheet};
  for (int version : {3111, 3102, 3090, 3077, 3070}) {
    doc.version = version;
    doc.compressed = true;
    seeds.push_back(WriteNativeFile(doc));
    doc.compressed = false;
    seeds.push_back(WriteNativeFile(doc));
  }
  SingleSheetFile file;
  file.sheet = sheet;
  for (int version : {3062, 3055, 3049}) {
    file.version = version;
    file.headerLines = {"Version=" + std::to_string(version), "Levels=2", "Level=A", "ColorLevels=255 65280"};
    seeds.push_back(WriteSingleSheetFile(file));
  }
  seeds.push_back(WriteOleCompoundFile({{"Contents", "an old drawing"}}));
  seeds.push_back(PictureSeed(false));
  seeds.push_back(PictureSeed(true));
  seeds.push_back(TextSeed());
  for (int version : {3111, 3081, 3070, 3055, 3045}) seeds.push_back(SchematicSeed(version));
  for (auto& seed : InsertSeeds()) seeds.push_back(std::move(seed));
  for (auto& seed : OldConversionSeeds()) seeds.push_back(std::move(seed));
  // The shipped sample: arcs, circles, polygons, wide walls, several pages.
  const std::filesystem::path sample =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
  std::ifstream in(sample, std::ios::binary);
  if (in) seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return seeds;
}
