// Pictures in blocks are judged where their inserts place them, in the
// drawing's units: a picture too small or too far out in its block's units
// is drawn when the insert's scale brings it within reach, and one whose
// frame collapses only where an insert places it (scaled by 0 on an axis,
// turned edge on, too small for its scale) is left out, counted once and
// told. Pictures of model space are still judged where the file puts them.
// DXF and DWG files alike (both readers hand their IMAGEs to one dispatch
// and one block conversion).
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "document/DwgLoadReport.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "dwg/container/DwgLoader.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "import/dxf/DxfReader.h"
#include "import/records/ImportLosses.h"
#include "model/FramedPicture.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "tests/support/DwgBitWriter.h"
#include "tests/support/DwgBlockObjects.h"
#include "tests/support/DwgComplexWriter.h"
#include "tests/support/DwgFileWriter.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/OleFixtures.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using test::DxfWriter;

// An IMAGE of one pixel `side` units square with its lower left corner at
// (x, y), turned by `turn` degrees about it, showing the definition 2A.
struct Image {
  double x = 0, y = 0, side = 1, turn = 0;
  // One pixel along the picture's x and along its y.
  Vec3 U() const { return {side * std::cos(turn * kRad), side * std::sin(turn * kRad), 0}; }
  Vec3 V() const { return {0.0 - side * std::sin(turn * kRad), side * std::cos(turn * kRad), 0}; }
  static constexpr double kRad = 3.141592653589793 / 180.0;
};

// A placement of block B: where, how scaled, and along which extrusion.
struct Placement {
  double x = 0, y = 0;
  double sx = 1, sy = 1;
  Vec3 extrusion{0, 0, 1};
};

// What a drawing holds besides a line in model space: an IMAGE there, an
// IMAGE or an OLE frame in block B (after a line of its own when
// `lineInBlock`), and B's placements.
struct Drawing {
  std::optional<Image> top;
  std::optional<Image> inBlock;
  bool oleInBlock = false;
  std::vector<Placement> placements;
  bool lineInBlock = false;
};

void WriteImage(DxfWriter& w, const Image& image) {
  const Vec3 u = image.U(), v = image.V();
  w.Str(0, "IMAGE").Str(8, "0").Point(10, image.x, image.y).Point(11, u.x, u.y, 0).Point(12, v.x, v.y, 0);
  w.Real(13, 1).Real(23, 1).Str(340, "2A");
}

// The corners of the OLE frame in B: upper left, upper right, lower right, lower left.
constexpr Vec3 kOleCorners[4] = {{10, 60, 0}, {110, 60, 0}, {110, 10, 0}, {10, 10, 0}};

std::string Dxf(const Drawing& d) {
  DxfWriter w;
  if (d.inBlock || d.oleInBlock) {
    w.Section("BLOCKS").Block("B");
    if (d.lineInBlock) w.Line("0", 5, 5, 6, 7);
    if (d.inBlock) WriteImage(w, *d.inBlock);
    if (d.oleInBlock) {
      const std::string bmp = test::SmallBmpFile(4, 3, 0x00FF00);
      const std::vector<test::OleNode> tree = {test::OleNode::Stream("\001Ole10Native", "SIZE" + bmp)};
      test::WriteOle2Frame(w, test::OleFrameData(kOleCorners, test::WriteOleTree(tree)));
    }
    w.EndBlock().EndSection();
  }
  w.Section("ENTITIES").Line("0", 0, 0, 1, 1);
  if (d.top) WriteImage(w, *d.top);
  for (const Placement& p : d.placements) {
    w.Str(0, "INSERT").Str(8, "0").Str(2, "B").Point(10, p.x, p.y).Real(41, p.sx).Real(42, p.sy).Real(43, 1);
    w.Point(210, p.extrusion.x, p.extrusion.y, p.extrusion.z);
  }
  w.EndSection();
  w.Section("OBJECTS").Str(0, "IMAGEDEF").Str(5, "2A").Str(1, "pic.bmp").EndSection().Eof();
  return w.Bytes();
}

// A picture as the model shows it: its lower left corner and its other
// corners in drawing coordinates (y down), through the insert that places
// it when it lies in a block.
struct Shown {
  DPoint lowerLeft;
  double width = 0, height = 0;
};

// The objects other than pictures that the placements of blocks show.
std::size_t PlacedOthers(cDrawingDoc& document) {
  cSheet& sheet = *document.GetSheet(0);
  std::size_t others = 0;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
    cInsert* insert = o->AsInsert();
    if (!insert) continue;
    for (cOutObj* child = insert->GetBlock(sheet.Data())->FirstObject(); child; child = child->next)
      others += dynamic_cast<const cFramedPicture*>(child) ? 0 : 1;
  }
  return others;
}

std::vector<Shown> ShownPictures(cDrawingDoc& document) {
  std::vector<Shown> shown;
  cSheet& sheet = *document.GetSheet(0);
  cDrawingData* data = sheet.Data();
  auto add = [&shown](const cOutObj& object, const cInsert* insert, cDrawingData* d) {
    const auto* picture = dynamic_cast<const cFramedPicture*>(&object);
    if (!picture) return;
    DPoint c[4];
    picture->frame.GetCorners(c);
    const DPoint at = insert ? insert->BlockToDrawing(c[3], d) : c[3];
    shown.push_back(Shown{at, picture->frame.width, picture->frame.height});
  };
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
    cInsert* insert = o->AsInsert();
    if (!insert) {
      add(*o, nullptr, data);
      continue;
    }
    for (cOutObj* child = insert->GetBlock(data)->FirstObject(); child; child = child->next) add(*child, insert, data);
  }
  return shown;
}

struct Want {
  const char* what;
  Drawing drawing;
  std::vector<Shown> shown;
  // The loss kvn-dump reports (none when `name` is empty) and the warning
  // that tells it.
  std::string name, reason;
  int text = 0;
};

void ExpectShown(const Shown& got, const Shown& want) {
  // The far pictures' sides are differences of coordinates near 1e21 in
  // their block (a unit in the last place is 131,072) and near 1e18 in the
  // drawing: they hold to about 1e-7 of their 1e9.
  auto near = [](double a, double b) { return std::fabs(a - b) <= 1e-9 * (std::fabs(b) + 1.0); };
  auto side = [](double a, double b) { return std::fabs(a - b) <= 1e-6 * std::fabs(b); };
  EXPECT_PRED2(near, got.lowerLeft.x, want.lowerLeft.x);
  EXPECT_PRED2(near, got.lowerLeft.y, want.lowerLeft.y);
  EXPECT_PRED2(side, got.width, want.width);
  EXPECT_PRED2(side, got.height, want.height);
}

// Opens `file` (DWG when `dwg`, else DXF) beside a one-pixel picture.bmp
// and checks the pictures it shows and the loss it reports and tells.
void ExpectOpen(const std::vector<std::uint8_t>& file, bool dwg, const Want& c) {
  test::ScratchDir dir;
  const std::string bmp = test::SmallBmpFile(1, 1, 0x0000FF);
  ASSERT_TRUE(test::SaveBytes((dir / "pic.bmp").string(), {bmp.begin(), bmp.end()}));
  ByteArray bytes;
  bytes.AppendBytes(file.data(), std::int64_t(file.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  DwgLoadReport report;
  const WString path = WString::FromUtf8((dir / (dwg ? "plan.dwg" : "plan.dxf")).string());
  DocumentResult result =
      dwg ? LoadDwgStream(in, path, nullptr, &report) : LoadDxfStream(in, path, nullptr, &report);
  ASSERT_TRUE(result.Ok());
  EXPECT_FALSE(result.Partial());
  const std::vector<Shown> shown = ShownPictures(*result.Document());
  EXPECT_EQ(shown.size(), c.shown.size());
  // A picture lost where it is placed takes nothing else of its block with it.
  EXPECT_EQ(PlacedOthers(*result.Document()), c.drawing.lineInBlock ? c.drawing.placements.size() : 0u);
  for (std::size_t k = 0; k < shown.size() && k < c.shown.size(); ++k) ExpectShown(shown[k], c.shown[k]);

  std::map<std::string, std::map<std::string, std::uint64_t>> reasons;
  std::map<std::string, std::uint64_t> skipped;
  std::vector<std::string> told;
  if (!c.name.empty()) {
    reasons[c.name][c.reason] = 1;
    skipped[c.name] = 1;
    told.push_back(FormatPercentS(LoadLangString(c.text), WString(u"1")).ToUtf8());
  }
  EXPECT_EQ(report.skippedReasons, reasons);
  EXPECT_EQ(report.skipped, skipped);
  std::vector<std::string> warnings;
  for (const WString& warning : result.Warnings()) warnings.push_back(warning.ToUtf8());
  EXPECT_EQ(warnings, told);
}

TEST(BlockPictures, PicturesAreJudgedWhereTheirInsertsPlaceThem) {
  const Placement flatY{0, 0, 1, 0}, flatX{0, 0, 0, 1}, whole{};
  const Placement edgeOn{0, 0, 1, 1, Vec3{1, 0, 0}};
  const Want cases[] = {
      // 1e-6 x 1e-6 in the block, 1 x 1 in the drawing.
      {"1e-6 units square at scale 1e6", {{}, Image{2e-6, 3e-6, 1e-6}, false, {{10, 20, 1e6, 1e6}}},
       {{{12, -23}, 1, 1}}},
      // At 1e21 in the block, at 1e18 in the drawing.
      {"at x = 1e21 at scale 1e-3", {{}, Image{1e21, 0, 1e12}, false, {{0, 0, 1e-3, 1e-3}}},
       {{{1e18, 0}, 1e9, 1e9}}},
      {"top level, 1e-6 units square", {Image{2e-6, 3e-6, 1e-6}, {}, false, {}}, {}, "IMAGE", "damaged count",
       kStrLostDamagedCount},
      {"top level, at x = 1e21", {Image{1e21, 0, 1e12}, {}, false, {}}, {}, "IMAGE", "extent beyond 1e20",
       kStrLostBeyondRange},
      {"1e-6 units square at scale 1", {{}, Image{2e-6, 3e-6, 1e-6}, false, {whole}}, {}, "IMAGE",
       "no area where placed", kStrLostPictureNoArea},
      {"at x = 1e21 at scale 1", {{}, Image{1e21, 0, 1e12}, false, {whole}}, {}, "IMAGE", "extent beyond 1e20",
       kStrLostBeyondRange},
      {"block scaled by 0 in y", {{}, Image{2, 3, 4}, false, {flatY}}, {}, "IMAGE", "no area where placed",
       kStrLostPictureNoArea},
      // Counted once however often it is lost.
      {"flat twice, whole once", {{}, Image{2, 3, 4}, false, {flatY, flatX, whole}}, {{{2, -3}, 4, 4}}, "IMAGE",
       "no area where placed", kStrLostPictureNoArea},
      {"block turned edge on", {{}, Image{2, 3, 4}, false, {edgeOn}}, {}, "IMAGE", "no area where placed",
       kStrLostPictureNoArea},
      {"OLE frame, block scaled by 0 in y", {{}, {}, true, {flatY}}, {}, "OLE2FRAME", "no area where placed",
       kStrLostPictureNoArea},
      {"OLE frame placed whole", {{}, {}, true, {whole}}, {{{10, -10}, 100, 50}}},
      // Turned by 45 degrees, three corners lie within 1e20 and the fourth,
      // (0, 1.41e20), beyond.
      {"turned, its fourth corner beyond 1e20, beside a line", {{}, Image{0, 0, 1e20, 45}, false, {whole}, true}, {},
       "IMAGE", "extent beyond 1e20", kStrLostBeyondRange},
      // Far out either way: a unit side vanishes beside 1e22 (a unit in the
      // last place is 2,097,152), so a picture judged by the signed
      // coordinate is told damaged instead.
      {"top level, at x = -1e22", {Image{-1e22, 0}, {}, false, {}}, {}, "IMAGE", "extent beyond 1e20",
       kStrLostBeyondRange},
      {"top level, at y = -1e22", {Image{0, -1e22}, {}, false, {}}, {}, "IMAGE", "extent beyond 1e20",
       kStrLostBeyondRange},
      {"top level, at x = 1e22", {Image{1e22, 0}, {}, false, {}}, {}, "IMAGE", "extent beyond 1e20",
       kStrLostBeyondRange},
      {"at x = -1e22 at scale 1", {{}, Image{-1e22, 0}, false, {whole}}, {}, "IMAGE", "extent beyond 1e20",
       kStrLostBeyondRange},
      {"at y = -1e22 at scale 1", {{}, Image{0, -1e22}, false, {whole}}, {}, "IMAGE", "extent beyond 1e20",
       kStrLostBeyondRange},
      {"at x = 1e22 at scale 1", {{}, Image{1e22, 0}, false, {whole}}, {}, "IMAGE", "extent beyond 1e20",
       kStrLostBeyondRange},
  };
  for (const Want& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string text = Dxf(c.drawing);
    ExpectOpen({text.begin(), text.end()}, false, c);
  }
}

// ---- the same drawings as R2000 DWG files ----

constexpr int kR2000 = 15;
constexpr std::uint64_t kBlockB = 0x30, kImageDef = 0x50, kFirstEntity = 0x100;

std::vector<std::uint8_t> DwgInsert(std::uint64_t handle, const test::DwgEntityCommon& c, const Placement& p) {
  test::DwgInsertSpec spec;
  spec.x = p.x;
  spec.y = p.y;
  spec.sx = p.sx;
  spec.sy = p.sy;
  spec.extrusion = {p.extrusion.x, p.extrusion.y, p.extrusion.z};
  return test::DwgInsertObject(handle, c, kBlockB, spec);
}

std::vector<std::uint8_t> DwgImage(std::uint64_t handle, const test::DwgEntityCommon& c, const Image& image) {
  test::DwgImagePlace place;
  place.origin = {image.x, image.y, 0};
  const Vec3 u = image.U(), v = image.V();
  place.u = {u.x, u.y, 0};
  place.v = {v.x, v.y, 0};
  place.width = place.height = 1;
  place.common = c;
  return test::ImageObject(kR2000, handle, kImageDef, 0, true, 0, place);
}

// The drawing of Dxf() but for its OLE frame.
std::vector<std::uint8_t> Dwg(const Drawing& d) {
  test::DwgFileSpec spec;
  spec.classes = {{test::kImageClass, "IMAGE", true}, {test::kImageDefClass, "IMAGEDEF", false}};
  auto add = [&spec](std::uint64_t handle, std::vector<std::uint8_t> object) {
    spec.handles.push_back(handle);
    spec.objects.push_back(std::move(object));
  };
  add(test::kDwgBlockControl, test::DwgBlockControl(d.inBlock ? std::vector<std::uint64_t>{kBlockB}
                                                               : std::vector<std::uint64_t>{}));
  add(test::kDwgLayerZero, test::DwgLayerZero());
  std::uint64_t next = kFirstEntity;
  if (d.inBlock) {
    const std::uint64_t image = next++;
    add(kBlockB, test::DwgBlockHeader(kBlockB, "B", image, image));
    add(image, DwgImage(image, test::DwgLinkedCommon(kBlockB, 0, 0), *d.inBlock));
  }
  // Model space: the line, the IMAGE, the placements of B, each linked to its neighbours.
  const std::uint64_t first = next;
  const std::uint64_t last = first + (d.top ? 1 : 0) + d.placements.size();
  auto common = [&](std::uint64_t h) {
    return test::DwgLinkedCommon(test::kDwgModelSpace, h == first ? 0 : h - 1, h == last ? 0 : h + 1);
  };
  add(test::kDwgModelSpace, test::DwgBlockHeader(test::kDwgModelSpace, "*MODEL_SPACE", first, last));
  std::uint64_t h = first;
  add(h, test::DwgUnitLine(h, common(h)));
  if (d.top) {
    ++h;
    add(h, DwgImage(h, common(h), *d.top));
  }
  for (const Placement& p : d.placements) {
    ++h;
    add(h, DwgInsert(h, common(h), p));
  }
  add(kImageDef, test::ImageDefObject(kR2000, kImageDef, "pic.bmp"));
  return test::WriteDwgFile(spec);
}

TEST(BlockPictures, DwgPicturesAreJudgedWhereTheirInsertsPlaceThem) {
  const Want cases[] = {
      {"1e-6 units square at scale 1e6", {{}, Image{2e-6, 3e-6, 1e-6}, false, {{10, 20, 1e6, 1e6}}},
       {{{12, -23}, 1, 1}}},
      {"top level, 1e-6 units square", {Image{2e-6, 3e-6, 1e-6}, {}, false, {}}, {}, "IMAGE", "damaged count",
       kStrLostDamagedCount},
      {"block scaled by 0 in y", {{}, Image{2, 3, 4}, false, {{0, 0, 1, 0}}}, {}, "IMAGE", "no area where placed",
       kStrLostPictureNoArea},
      {"top level, at x = -1e22", {Image{-1e22, 0}, {}, false, {}}, {}, "IMAGE", "extent beyond 1e20",
       kStrLostBeyondRange},
      {"at y = -1e22 at scale 1", {{}, Image{0, -1e22}, false, {{}}}, {}, "IMAGE", "extent beyond 1e20",
       kStrLostBeyondRange},
  };
  for (const Want& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectOpen(Dwg(c.drawing), true, c);
  }
}

}  // namespace
}  // namespace kvn
