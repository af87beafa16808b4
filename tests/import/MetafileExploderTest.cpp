// The metafile interpreter on synthetic metafiles (one rule per test) and on
// every metafile of the test data (golden object counts and extents).
#include "import/pictures/MetafileExploder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "document/FormatReader.h"
#include "dwg/InstallReaders.h"
#include "import/pictures/PictureImport.h"
#include "import/pictures/WinMetafileBits.h"
#include "platform/metafile/WmfToEmf.h"
#include "model/cBitmap.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/cRectangle.h"
#include "model/cText.h"
#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/metafile/EmfBuilder.h"
#include "render/DrawInfo.h"
#include "render/MetafileDraw.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

// A metafile of a 100 x 100 mm frame on a reference device of 1000 x 1000
// pixels in 100 x 100 mm: one device unit is 0.1 mm.
class Emf {
 public:
  Emf() {
    std::uint8_t* h = builder_.Add(1, 108);
    le::Put32(h + 8 + 8, 1000);
    le::Put32(h + 8 + 12, 1000);
    le::Put32(h + 24 + 8, 10000);
    le::Put32(h + 24 + 12, 10000);
    le::Put32(h + 40, 0x464D4520);
    le::Put32(h + 44, 0x10000);
    le::Put32(h + 72, 1000);
    le::Put32(h + 76, 1000);
    le::Put32(h + 80, 100);
    le::Put32(h + 84, 100);
  }
  // A record of 32-bit fields.
  Emf& R(std::uint32_t type, std::initializer_list<std::int64_t> fields) {
    return R(type, std::vector<std::int64_t>(fields));
  }
  Emf& R(std::uint32_t type, const std::vector<std::int64_t>& fields) {
    std::uint8_t* p = builder_.Add(type, 8 + 4 * fields.size());
    std::uint32_t at = 8;
    for (std::int64_t f : fields) {
      le::Put32(p + at, std::uint32_t(f));
      at += 4;
    }
    return *this;
  }
  // A poly record: bounds, count, points.
  Emf& Poly(std::uint32_t type, std::initializer_list<std::int32_t> xy) {
    std::uint8_t* p = builder_.Add(type, 28 + 4 * xy.size());
    le::Put32(p + 24, std::uint32_t(xy.size() / 2));
    std::uint32_t at = 28;
    for (std::int32_t v : xy) {
      le::Put32(p + at, std::uint32_t(v));
      at += 4;
    }
    return *this;
  }
  Emf& Text(const std::u16string& text, std::int32_t x, std::int32_t y) {
    const std::uint32_t offString = 76;
    std::uint8_t* p = builder_.Add(84, offString + 2 * text.size() + 4);
    le::Put32(p + 24, 1);
    le::Put32(p + 36, std::uint32_t(x));
    le::Put32(p + 40, std::uint32_t(y));
    le::Put32(p + 44, std::uint32_t(text.size()));
    le::Put32(p + 48, offString);
    for (std::size_t i = 0; i < text.size(); ++i) le::Put16(p + offString + 2 * i, text[i]);
    return *this;
  }
  // SMALLTEXTOUT: reference, count, options, graphics mode, scales, a
  // rectangle unless ETO_NO_RECT, the string (bytes under ETO_SMALL_CHARS).
  Emf& SmallText(const std::u16string& text, std::int32_t x, std::int32_t y, bool wide, bool rect) {
    const std::uint32_t offString = rect ? 52 : 36, unit = wide ? 2 : 1;
    std::uint8_t* p = builder_.Add(108, (offString + unit * std::uint32_t(text.size()) + 3) & ~3u);
    le::Put32(p + 8, std::uint32_t(x));
    le::Put32(p + 12, std::uint32_t(y));
    le::Put32(p + 16, std::uint32_t(text.size()));
    le::Put32(p + 20, (rect ? 0u : 0x0100u) | (wide ? 0u : 0x0200u));
    le::Put32(p + 24, 1);
    if (rect) {
      le::Put32(p + 36, std::uint32_t(x - 50));
      le::Put32(p + 40, std::uint32_t(y - 50));
      le::Put32(p + 44, std::uint32_t(x + 200));
      le::Put32(p + 48, std::uint32_t(y + 50));
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (wide)
        le::Put16(p + offString + 2 * i, text[i]);
      else
        p[offString + i] = std::uint8_t(text[i]);
    }
    return *this;
  }
  std::vector<std::uint8_t> Bytes() {
    EXPECT_TRUE(builder_.Finish(8));
    return {builder_.Bytes().Items(), builder_.Bytes().Items() + builder_.Bytes().Count()};
  }

 private:
  EmfBuilder builder_{1 << 20};
};

const char* Name(const cOutObj& o);

ObjectChain Explode(std::vector<std::uint8_t> bytes, double width = 100, double height = 100,
                    MetafileWalkReport* report = nullptr) {
  cWmf metafile;
  metafile.frame.width = width;
  metafile.frame.height = height;
  metafile.SetBits(std::move(bytes));
  return ExplodeMetafile(metafile, nullptr, report);
}

std::vector<cOutObj*> Objects(const ObjectChain& chain) {
  std::vector<cOutObj*> out;
  for (cOutObj* o = chain.Head(); o; o = o->next) out.push_back(o);
  return out;
}

void ExpectPoints(const PointList& list, std::initializer_list<DPoint> points) {
  ASSERT_EQ(list.Count(), points.size());
  std::size_t i = 0;
  for (const DPoint& p : points) {
    EXPECT_NEAR(list.Points()[i].x, p.x, 1e-9) << i;
    EXPECT_NEAR(list.Points()[i].y, p.y, 1e-9) << i;
    ++i;
  }
}

constexpr std::uint32_t kPolyline = 4, kSetMapMode = 17, kSaveDc = 33, kRestoreDc = 34, kSelect = 37,
                        kCreatePen = 38, kCreateBrush = 39, kRectangle = 43, kBeginPath = 59, kEndPath = 60,
                        kFillPath = 62, kStrokePath = 64, kSetTextAlign = 22, kSetTextColor = 24,
                        kExtCreatePen = 95, kPolyDraw = 56, kSetWindowOrg = 10;

TEST(MetafileExploder, DeviceUnitsBecomeMillimetresFromTheFrameCorner) {
  auto chain = Explode(Emf().Poly(kPolyline, {0, 0, 100, 0, 100, 50}).Bytes());
  auto objects = Objects(chain);
  ASSERT_EQ(objects.size(), 1u);
  cPolygon* polygon = objects[0]->AsAnyFill()->AsPolygon();
  ASSERT_NE(polygon, nullptr);
  EXPECT_FALSE(polygon->FirstList().IsClosed());
  ExpectPoints(polygon->FirstList(), {{0, 0}, {10, 0}, {10, 5}});
}

TEST(MetafileExploder, MetricMapModesUseTheirUnitsWithYUp) {
  // Each mode: a point one unit right and one unit up of the window origin
  // (100 units, 100 units), and where it lands in millimetres.
  struct Case {
    int mode;
    double unitMm;
  };
  for (const Case c : {Case{2, 0.1}, Case{3, 0.01}, Case{4, 0.254}, Case{5, 0.0254}, Case{6, 25.4 / 1440}}) {
    SCOPED_TRACE(c.mode);
    auto chain = Explode(Emf()
                             .R(kSetMapMode, {c.mode})
                             .R(kSetWindowOrg, {0, 0})
                             .Poly(kPolyline, {0, 0, 100, -100})
                             .Bytes());
    auto objects = Objects(chain);
    ASSERT_EQ(objects.size(), 1u);
    ExpectPoints(objects[0]->AsAnyFill()->AsPolygon()->FirstList(), {{0, 0}, {100 * c.unitMm, 100 * c.unitMm}});
  }
}

TEST(MetafileExploder, ExtentsOfOppositeSignsTurnTheAxis) {
  // MM_ANISOTROPIC with the viewport's y extent negative: y points up.
  auto chain = Explode(Emf()
                           .R(kSetMapMode, {8})
                           .R(9, {100, 100})
                           .R(11, {200, -200})
                           .Poly(kPolyline, {0, 0, 100, -100})
                           .Bytes());
  ExpectPoints(Objects(chain)[0]->AsAnyFill()->AsPolygon()->FirstList(), {{0, 0}, {20, 20}});
}

TEST(MetafileExploder, TheRendererDrawsThroughTheInstalledInterpreter) {
  FormatRegistry registry;
  InstallReaders(registry);
  ASSERT_NE(GetMetafileExploder(), nullptr);
  cWmf metafile;
  metafile.frame.width = metafile.frame.height = 100;
  metafile.SetBits(Emf().Poly(kPolyline, {0, 0, 100, 0}).Bytes());
  cDrawInfo info;
  EXPECT_EQ(ExplodeMetafile(metafile, &info).Count(), 1u);
}

TEST(MetafileExploder, RestoreDcGoesBackAsManyLevelsAsItsCountSays) {
  // Map mode 1 saved, then 2 saved, then 3: -2 goes back to 1.
  auto chain = Explode(Emf()
                           .R(kSaveDc, {})
                           .R(kSetMapMode, {2})
                           .R(kSaveDc, {})
                           .R(kSetMapMode, {3})
                           .R(kRestoreDc, {-2})
                           .Poly(kPolyline, {0, 0, 100, 0})
                           // -1 with nothing saved any more changes nothing.
                           .R(kSetMapMode, {2})
                           .R(kRestoreDc, {-1})
                           .Poly(kPolyline, {0, 0, 100, 0})
                           .Bytes());
  auto objects = Objects(chain);
  ASSERT_EQ(objects.size(), 2u);
  ExpectPoints(objects[0]->AsAnyFill()->AsPolygon()->FirstList(), {{0, 0}, {10, 0}});  // device units
  ExpectPoints(objects[1]->AsAnyFill()->AsPolygon()->FirstList(), {{0, 0}, {10, 0}});  // 0.1 mm
  // A positive count returns to the level SAVEDC answered.
  auto again = Explode(Emf()
                           .R(kSaveDc, {})
                           .R(kSetMapMode, {3})
                           .R(kSaveDc, {})
                           .R(kSetMapMode, {2})
                           .R(kRestoreDc, {1})
                           .Poly(kPolyline, {0, 0, 100, 0})
                           .Bytes());
  ExpectPoints(Objects(again)[0]->AsAnyFill()->AsPolygon()->FirstList(), {{0, 0}, {10, 0}});
}

TEST(MetafileExploder, PensKeepTheirStyleAndTheNullPenDrawsNoLine) {
  struct Case {
    int style;
    std::uint8_t lineType;
  };
  for (const Case c : {Case{0, 1}, Case{1, 5}, Case{2, 4}, Case{3, 13}, Case{4, 14}, Case{5, 0}}) {
    SCOPED_TRACE(c.style);
    auto chain = Explode(Emf()
                             .R(kCreatePen, {1, c.style, 20, 0, 0x0000FF})
                             .R(kSelect, {1})
                             .Poly(kPolyline, {0, 0, 100, 0})
                             .Bytes());
    const cAnyLine* line = Objects(chain)[0]->AsAnyLine();
    EXPECT_EQ(line->stroke.lineType, c.lineType);
    EXPECT_EQ(line->stroke.color, 0x0000FFu);
    EXPECT_NEAR(line->stroke.width, 2.0, 1e-9);  // 20 device units
  }
  // An extended pen keeps its style too (PS_GEOMETRIC | PS_DASHDOT).
  std::initializer_list<std::int64_t> ext = {2, 0, 0, 0, 0, 0x00010003, 10, 0, 0x00FF00, 0, 0};
  auto chain = Explode(Emf().R(kExtCreatePen, ext).R(kSelect, {2}).Poly(kPolyline, {0, 0, 100, 0}).Bytes());
  EXPECT_EQ(Objects(chain)[0]->AsAnyLine()->stroke.lineType, 13);
  EXPECT_EQ(Objects(chain)[0]->AsAnyLine()->stroke.color, 0x00FF00u);
}

TEST(MetafileExploder, OnlyAnObjectSelectedRightAfterItsCreationIsEntered) {
  // Selected at once: the rectangle is filled red.
  auto direct = Explode(Emf()
                            .R(kCreateBrush, {1, 0, 0x0000FF, 0})
                            .R(kSelect, {1})
                            .R(kRectangle, {0, 0, 100, 100})
                            .Bytes());
  EXPECT_EQ(Objects(direct)[0]->AsAnyFill()->fill.fillColor, 0x0000FFu);
  // Another record between: the select finds no entry, the brush stays hollow.
  auto later = Explode(Emf()
                           .R(kCreateBrush, {1, 0, 0x0000FF, 0})
                           .R(kSetTextColor, {0})
                           .R(kSelect, {1})
                           .R(kRectangle, {0, 0, 100, 100})
                           .Bytes());
  EXPECT_EQ(Objects(later)[0]->AsAnyFill()->fill.fillColor, 0x80000000u);
  // Stock objects: the black brush (4) and the null pen (8).
  auto stock = Explode(Emf()
                           .R(kSelect, {0x80000004})
                           .R(kSelect, {0x80000008})
                           .R(kRectangle, {0, 0, 100, 100})
                           .Bytes());
  EXPECT_EQ(Objects(stock)[0]->AsAnyFill()->fill.fillColor, 0u);
  EXPECT_EQ(Objects(stock)[0]->AsAnyLine()->stroke.lineType, 0);
}

TEST(MetafileExploder, ShapesDrawnInAPathShowOnlyThroughThePathRecords) {
  auto drawPath = [](Emf& emf) -> Emf& {
    return emf.R(kCreateBrush, {1, 0, 0x00FF00, 0})
        .R(kSelect, {1})
        .R(kBeginPath, {})
        .R(kRectangle, {0, 0, 100, 50})
        .R(kEndPath, {});
  };
  Emf pathOnly;
  auto nothing = Explode(drawPath(pathOnly).Bytes());
  EXPECT_TRUE(Objects(nothing).empty());
  Emf emf;
  drawPath(emf).R(kFillPath, {0, 0, 0, 0}).R(kStrokePath, {0, 0, 0, 0});
  auto chain = Explode(emf.Bytes());
  auto objects = Objects(chain);
  ASSERT_EQ(objects.size(), 2u);
  cPolygon* filled = objects[0]->AsAnyFill()->AsPolygon();
  ASSERT_NE(filled, nullptr);
  EXPECT_TRUE(filled->FirstList().IsClosed());
  EXPECT_EQ(filled->fill.fillColor, 0x00FF00u);
  EXPECT_EQ(filled->stroke.lineType, 0);
  DRect extent;
  filled->GetExtent(extent);
  EXPECT_NEAR(extent.x2 - extent.x1, 10, 1e-9);
  EXPECT_NEAR(extent.y2 - extent.y1, 5, 1e-9);
  cPolygon* stroked = objects[1]->AsAnyFill()->AsPolygon();
  EXPECT_EQ(stroked->fill.fillColor, 0x80000000u);
  EXPECT_EQ(stroked->stroke.lineType, 1);
}

// A widened path filled is the band the pen would stroke: the figure as a
// line of the pen's width in the brush's colour, filling nothing. A pen one
// unit wide does not widen, and the path fills as drawn.
TEST(MetafileExploder, AWidenedPathFillsAsALineOfThePensWidth) {
  constexpr std::uint32_t kWidenPath = 66;
  for (const int width : {20, 1}) {
    SCOPED_TRACE(width);
    auto chain = Explode(Emf()
                             .R(kCreatePen, {1, 0, width, 0, 0x0000FF})
                             .R(kSelect, {1})
                             .R(kCreateBrush, {2, 0, 0x00FF00, 0})
                             .R(kSelect, {2})
                             .R(kBeginPath, {})
                             .Poly(kPolyline, {0, 0, 100, 0, 100, 100})
                             .R(kEndPath, {})
                             .R(kWidenPath, {})
                             .R(kFillPath, {0, 0, 0, 0})
                             .Bytes());
    auto objects = Objects(chain);
    ASSERT_EQ(objects.size(), 1u);
    cPolygon* band = objects[0]->AsAnyFill()->AsPolygon();
    ASSERT_NE(band, nullptr);
    if (width == 1) {
      EXPECT_TRUE(band->FirstList().IsClosed());
      EXPECT_EQ(band->fill.fillColor, 0x00FF00u);
      EXPECT_EQ(band->stroke.lineType, 0);
      continue;
    }
    EXPECT_FALSE(band->FirstList().IsClosed());
    EXPECT_EQ(band->fill.fillColor, 0x80000000u);
    EXPECT_EQ(band->stroke.lineType, 1);
    EXPECT_EQ(band->stroke.color, 0x00FF00u);
    EXPECT_NEAR(band->stroke.width, 2.0, 1e-9);  // 20 device units
  }
}

TEST(MetafileExploder, PolyDrawBuildsFiguresFromThePointTypes) {
  Emf emf;
  // moveto (0,0), lineto (100,0), lineto (100,100) closing; moveto (200,0),
  // Bezier to (300,0) with controls (200,100) (300,100).
  const std::int32_t xy[] = {0, 0, 100, 0, 100, 100, 200, 0, 200, 100, 300, 100, 300, 0};
  const std::uint8_t types[] = {6, 2, 3, 6, 4, 4, 4};
  std::vector<std::int64_t> fields = {0, 0, 0, 0, 7};
  for (std::int32_t v : xy) fields.push_back(v);
  std::uint32_t packed[2] = {0, 0};
  std::memcpy(packed, types, sizeof types);
  fields.push_back(packed[0]);
  fields.push_back(packed[1]);
  auto bytes = emf.R(kPolyDraw, fields).Bytes();
  auto chain = Explode(bytes);
  auto objects = Objects(chain);
  ASSERT_EQ(objects.size(), 1u);
  cPolygon* polygon = objects[0]->AsAnyFill()->AsPolygon();
  ASSERT_EQ(polygon->ListCount(), 2u);
  EXPECT_TRUE(polygon->List(0).IsClosed());
  // Straight segments only: a plain vertex list (its closing segment's end
  // included).
  ExpectPoints(polygon->List(0), {{0, 0}, {10, 0}, {10, 10}, {0, 0}});
  EXPECT_FALSE(polygon->List(1).IsClosed());
  ExpectPoints(polygon->List(1), {{20, 0}, {20, 10}, {30, 10}, {30, 0}});
  EXPECT_EQ(polygon->List(1).GetCurveKind(), 3);
  EXPECT_EQ(polygon->fill.fillColor, 0x80000000u);
}

TEST(MetafileExploder, TextsTakeAlignmentColourAndSymbolCharacters) {
  auto chain = Explode(Emf()
                           .R(kSetTextAlign, {24 | 6})
                           .R(kSetTextColor, {0x123456})
                           .Text(u"\uF041b", 100, 200)
                           .R(kSetTextAlign, {8 | 2})
                           .Text(u"c", 0, 0)
                           .Bytes());
  auto objects = Objects(chain);
  ASSERT_EQ(objects.size(), 2u);
  cText* text = objects[0]->AsText();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetText().ToUtf8(), "Ab");
  EXPECT_EQ(text->alignment & kAlignCodeMask, 10);  // baseline, centre
  EXPECT_EQ(text->attr.color, 0x123456u);
  EXPECT_NEAR(text->point.x, 10, 1e-9);
  EXPECT_NEAR(text->point.y, 20, 1e-9);
  EXPECT_EQ(objects[1]->AsText()->alignment & kAlignCodeMask, 8);  // bottom, right
}

// SMALLTEXTOUT keeps its reference point at the record's start, not where
// EXTTEXTOUT's EMRTEXT has it: each text lands at its own point, as its
// EXTTEXTOUTW twin does.
TEST(MetafileExploder, SmallTextsLandAtTheirReferencePointsAsTheirTwins) {
  auto chain = Explode(Emf()
                           .Text(u"Twin", 100, 200)
                           .SmallText(u"Wide", 300, 400, true, true)
                           .SmallText(u"Bytes", 500, 600, false, true)
                           .SmallText(u"Bare", 700, 800, true, false)
                           .SmallText(u"Both", 900, 100, false, false)
                           .Bytes());
  const auto objects = Objects(chain);
  const struct {
    const char* text;
    double x, y;
  } want[] = {{"Twin", 10, 20}, {"Wide", 30, 40}, {"Bytes", 50, 60}, {"Bare", 70, 80}, {"Both", 90, 10}};
  ASSERT_EQ(objects.size(), std::size(want));
  for (std::size_t i = 0; i < std::size(want); ++i) {
    SCOPED_TRACE(want[i].text);
    const cText* text = objects[i]->AsText();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetText().ToUtf8(), want[i].text);
    EXPECT_NEAR(text->point.x, want[i].x, 1e-9);
    EXPECT_NEAR(text->point.y, want[i].y, 1e-9);
  }
}

TEST(MetafileExploder, ANegativeWidthMirrorsTheObjectsAboutTheFrameCorner) {
  auto chain = Explode(Emf().Poly(kPolyline, {0, 0, 100, 50}).Bytes(), -100, 100);
  ExpectPoints(Objects(chain)[0]->AsAnyFill()->AsPolygon()->FirstList(), {{0, 0}, {-10, 5}});
  auto flipped = Explode(Emf().Poly(kPolyline, {0, 0, 100, 50}).Bytes(), 100, -100);
  ExpectPoints(Objects(flipped)[0]->AsAnyFill()->AsPolygon()->FirstList(), {{0, 0}, {10, -5}});
}

// A block whose origin lies near an end of the 32-bit range keeps its size:
// its far corner is not wrapped to the other end of the range.
TEST(MetafileExploder, ABlockReachingPastTheIntegerRangeKeepsItsSize) {
  constexpr std::uint32_t kBitBlt = 76, kWhiteness = 0x00FF0062;
  const struct {
    std::int64_t x, cx;
  } cases[] = {{2147483647 - 100, 200}, {-2147483647 - 1 + 100, -200}};
  for (const auto& c : cases) {
    std::vector<std::int64_t> fields(23, 0);
    fields[4] = c.x;     // x
    fields[6] = c.cx;    // width
    fields[7] = 10;      // height
    fields[8] = kWhiteness;
    auto chain = Explode(Emf().R(kBitBlt, fields).Bytes());
    auto objects = Objects(chain);
    ASSERT_EQ(objects.size(), 1u) << c.x;
    DRect extent;
    objects[0]->GetExtent(extent);
    EXPECT_NEAR(extent.x2 - extent.x1, 20, 1e-6) << c.x;
    EXPECT_NEAR(extent.y2 - extent.y1, 1, 1e-6) << c.x;
  }
}

TEST(MetafileExploder, AMetafileTakenThroughWindowsMetafileBitsExplodesIntoTheSameObjects) {
  Emf emf;
  emf.R(kCreatePen, {1, 1, 10, 0, 0x0000FF})
      .R(kSelect, {1})
      .R(kCreateBrush, {2, 0, 0x00FF00, 0})
      .R(kSelect, {2})
      .Poly(kPolyline, {0, 0, 100, 0, 100, 50})
      .Poly(3, {200, 200, 300, 200, 250, 300})
      .R(kRectangle, {10, 10, 400, 300})
      .R(42, {500, 100, 700, 400})
      .R(27, {10, 900})
      .R(54, {900, 900})
      .R(45, {100, 500, 300, 700, 300, 600, 100, 600})
      .R(kSetTextAlign, {24})
      .R(kSetTextColor, {0x804020})
      .Text(u"Round trip", 100, 800)
      .R(8, {0, 0, 0, 0, 2, 6, 3, 3, 600, 600, 900, 600, 750, 900, 620, 620, 880, 620, 750, 880});
  const std::vector<std::uint8_t> bytes = emf.Bytes();
  const std::optional<EmfDocument> document = EmfDocument::FromBytes(bytes.data(), bytes.size());
  ASSERT_TRUE(document);
  std::uint32_t size = 0;
  std::unique_ptr<ByteArray> wmf = GetWinMetafileBits(&*document, &size);
  ASSERT_NE(wmf, nullptr);
  EXPECT_EQ(size, wmf->Count());
  WmfPicture picture;
  picture.hasSize = true;
  picture.widthHmm = picture.heightHmm = 10000;
  ByteArray back;
  ASSERT_TRUE(ConvertWmfToEmf(wmf->Items(), wmf->Count(), picture, back));
  auto before = Explode(bytes);
  auto after = Explode(std::vector<std::uint8_t>(back.Items(), back.Items() + back.Count()));
  auto a = Objects(before), b = Objects(after);
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(Name(*a[i]), Name(*b[i]));
    DRect ea, eb;
    a[i]->GetExtent(ea);
    b[i]->GetExtent(eb);
    EXPECT_NEAR(ea.x1, eb.x1, 0.05);
    EXPECT_NEAR(ea.y1, eb.y1, 0.05);
    EXPECT_NEAR(ea.x2, eb.x2, 0.05);
    EXPECT_NEAR(ea.y2, eb.y2, 0.05);
    if (const cAnyLine* la = a[i]->AsAnyLine()) {
      const cAnyLine* lb = b[i]->AsAnyLine();
      EXPECT_EQ(la->stroke.lineType, lb->stroke.lineType);
      EXPECT_EQ(la->stroke.color, lb->stroke.color);
      EXPECT_NEAR(la->stroke.width, lb->stroke.width, 0.02);
    }
    if (const cAnyFill* fa = a[i]->AsAnyFill()) {
      EXPECT_EQ(fa->fill.fillColor, b[i]->AsAnyFill()->fill.fillColor);
    }
    if (const cText* ta = a[i]->AsText()) {
      EXPECT_EQ(ta->GetText().ToUtf8(), b[i]->AsText()->GetText().ToUtf8());
      EXPECT_EQ(ta->alignment, b[i]->AsText()->alignment);
      EXPECT_EQ(ta->attr.color, b[i]->AsText()->attr.color);
      EXPECT_NEAR(ta->attr.height, b[i]->AsText()->attr.height, 0.05);
    }
  }
  EXPECT_EQ(GetWinMetafileBits(nullptr, &size), nullptr);
  EXPECT_EQ(size, 0u);
}

TEST(MetafileExploder, ARecordBeyondItsBoundsEndsTheWalkAndKeepsWhatWasMade) {
  auto bytes = Emf().Poly(kPolyline, {0, 0, 100, 0}).Poly(kPolyline, {0, 0, 100, 100}).Bytes();
  // The second polyline claims more points than it holds.
  le::Put32(bytes.data() + 108 + 44 + 24, 1000);
  MetafileWalkReport report;
  auto chain = Explode(bytes, 100, 100, &report);
  EXPECT_EQ(Objects(chain).size(), 1u);
  EXPECT_TRUE(report.stoppedEarly);
  // A size running past the end, and a zero size, end it too.
  auto cut = Emf().Poly(kPolyline, {0, 0, 100, 0}).Poly(kPolyline, {0, 0, 100, 100}).Bytes();
  le::Put32(cut.data() + 108 + 44 + 4, 0x7FFFFFF0);
  EXPECT_EQ(Objects(Explode(cut)).size(), 1u);
  le::Put32(cut.data() + 108 + 44 + 4, 0);
  EXPECT_EQ(Objects(Explode(cut)).size(), 1u);
  // nBytes beyond the data: nothing is read.
  auto longer = Emf().Poly(kPolyline, {0, 0, 100, 0}).Bytes();
  le::Put32(longer.data() + 48, std::uint32_t(longer.size() + 4));
  EXPECT_TRUE(Objects(Explode(longer)).empty());
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

struct Golden {
  const char* file;
  std::map<std::string, std::size_t> objects;
  DRect extent;
};

const char* Name(const cOutObj& o) {
  if (o.AsText()) return "cText";
  if (o.AsBitmap()) return "cBitmap";
  if (const cAnyLine* line = o.AsAnyLine()) {
    if (line->AsLine()) return "cLine";
    if (const cAnyFill* fill = o.AsAnyFill()) {
      if (fill->AsPolygon()) return "cPolygon";
      if (fill->AsCircle()) return "cCircle";
      if (fill->AsRectangle()) return "cRectangle";
      if (fill->AsArc()) return "cArc";
    }
  }
  return "other";
}

TEST(MetafileExploder, EveryTestMetafileExplodesIntoItsGoldenObjects) {
  KVN_REQUIRE_TESTDATA(dir);
  const Golden goldens[] = {
#include "data/metafile-goldens.inc"
  };
  for (const Golden& g : goldens) {
    SCOPED_TRACE(g.file);
    auto object = ImportPictureFile(nullptr, nullptr, WString::FromUtf8((dir / "metafile" / g.file).string()));
    ASSERT_NE(object, nullptr);
    ObjectChain chain = ExplodeMetafile(*object->AsWmf(), static_cast<cDrawingData*>(nullptr));
    std::map<std::string, std::size_t> counts;
    DRect extent{1e300, 1e300, -1e300, -1e300};
    for (cOutObj* o = chain.Head(); o; o = o->next) {
      ++counts[Name(*o)];
      DRect e;
      o->GetExtent(e);
      extent = DRect{std::min(extent.x1, e.x1), std::min(extent.y1, e.y1), std::max(extent.x2, e.x2),
                     std::max(extent.y2, e.y2)};
    }
    EXPECT_EQ(counts, g.objects);
    if (!counts.empty()) {
      EXPECT_NEAR(extent.x1, g.extent.x1, 1e-6);
      EXPECT_NEAR(extent.y1, g.extent.y1, 1e-6);
      EXPECT_NEAR(extent.x2, g.extent.x2, 1e-6);
      EXPECT_NEAR(extent.y2, g.extent.y2, 1e-6);
    }
  }
}

TEST(MetafileExploder, TheDamagedTestMetafileEndsCleanly) {
  KVN_REQUIRE_TESTDATA(dir);
  const auto bytes = ReadFile(dir / "metafile/bad_emf2svg_corrupted_2014-12-02-215338.emf");
  ASSERT_FALSE(bytes.empty());
  MetafileWalkReport report;
  auto chain = Explode(bytes, 100, 100, &report);
  EXPECT_TRUE(report.stoppedEarly);
  // Every prefix too.
  for (std::size_t n = 0; n < bytes.size(); n += 37)
    Explode(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(n)));
}

}  // namespace
}  // namespace kvn
