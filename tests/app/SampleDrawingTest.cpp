// The sample drawing shipped in samples/sample.kvn is written by the native
// fixture writer from the plan below: two sheets, the first with eight
// pages: levels, lines, arcs, circles and polygons on three, then pictures,
// filled, translucent and hatched areas, texts, block inserts, and
// dimensions with two views of the second sheet; the second sheet a site in a
// sector frame with a title block of fields. The test checks that the
// shipped file is exactly what the plan writes and that it opens; run it
// with KVN_WRITE_SAMPLE=1 to write the file afresh after changing the plan.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "model/cArc.h"
#include "model/cBitmap.h"
#include "model/cCircle.h"
#include "model/cDistance.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/cRectangle.h"
#include "model/cStyleFont.h"
#include "model/cSection.h"
#include "model/cText.h"
#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/metafile/EmfBuilder.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/SchematicRecords.h"
#include "document/cSheet.h"
#include "model/ObjectTypes.h"
#include "model/cBlock.h"
#include "model/cInsert.h"
#include "model/cLink.h"

namespace kvn {
namespace {

// tests/app/ -> the project root (the build gives the compiler absolute paths).
std::filesystem::path SamplePath() {
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
}

test::FixtureLine Line(DPoint a, DPoint b, std::uint16_t level, std::uint16_t page, std::uint32_t color,
                       double width) {
  test::FixtureLine l;
  l.start = a;
  l.end = b;
  l.level = level;
  l.page = page;
  l.color = color;
  l.width = width;
  return l;
}

// A 64 x 48 picture: a colour ramp with a white border (the transparent
// colour of the sample).
std::unique_ptr<TDib> RampPicture() {
  auto dib = std::make_unique<TDib>();
  dib->Create(64, 48, 24);
  for (std::int32_t y = 0; y < 48; ++y)
    for (std::int32_t x = 0; x < 64; ++x) {
      const bool border = x < 4 || y < 4 || x >= 60 || y >= 44;
      dib->SetPixel(x, y, border ? 0xFFFFFF : std::uint32_t(x * 4) << 16 | std::uint32_t(y * 5) << 8 | 0x60);
    }
  return dib;
}

void EmfRecord(EmfBuilder& b, std::uint32_t type, std::initializer_list<std::uint32_t> fields) {
  std::uint8_t* p = b.Add(type, 8 + 4 * fields.size());
  std::uint32_t at = 8;
  for (std::uint32_t v : fields) {
    le::Put32(p + at, v);
    at += 4;
  }
}

// A small metafile: a blue frame, a red ellipse and a cross, 200 x 100
// pixels of a 96-dpi device.
std::vector<std::uint8_t> SampleMetafile() {
  EmfBuilder b(1 << 16);
  EmfRecord(b, kEmrHeader, {0, 0, 199, 99, 0, 0, 5291, 2645, kEmfSignature, 0x10000, 0, 0, 0, 0, 0, 0, 1024, 768,
                            270, 203, 0, 0, 0, 0, 0});
  EmfRecord(b, 38, {1, 0, 3, 0, 0xC00000});  // CREATEPEN: solid, 3 wide, blue
  EmfRecord(b, 37, {1});                     // SELECTOBJECT
  EmfRecord(b, 39, {2, 0, 0x0000E0, 0});     // CREATEBRUSHINDIRECT: solid red
  EmfRecord(b, 43, {5, 5, 195, 95});         // RECTANGLE
  EmfRecord(b, 37, {2});
  EmfRecord(b, 42, {60, 20, 140, 80});       // ELLIPSE
  EmfRecord(b, 27, {20, 20});                // MOVETOEX
  EmfRecord(b, 54, {180, 80});               // LINETO
  EmfRecord(b, 27, {20, 80});
  EmfRecord(b, 54, {180, 20});
  b.Finish(3);
  return {b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count()};
}

// A page of areas: solid colours, translucent ones over them, built-in
// hatches with and without a solid layer, a hatched circle.
void AddFillsPage(std::vector<std::shared_ptr<const cOutObj>>& objects, std::uint16_t page) {
  auto area = [&](double x1, double y1, double x2, double y2, std::uint32_t fill, std::uint8_t opacity,
                  std::uint8_t hatch, std::uint32_t hatchColor) {
    auto r = std::make_shared<cRectangle>();
    r->corner1 = {x1, y1};
    r->corner2 = {x2, y2};
    r->fill.fillColor = fill;
    r->fill.opacity = opacity;
    r->fill.hatchKind = hatch;
    r->fill.hatchColor = hatchColor;
    r->fill.hatchValue = 0.18;
    r->stroke.width = 0.35;
    r->SetPage(page);
    objects.push_back(r);
  };
  // Solid areas and translucent ones across them.
  area(20, 20, 80, 70, 0x0000D0FF, 255, 0, 0);
  area(90, 20, 150, 70, 0x00D08040, 255, 0, 0);
  area(60, 45, 120, 95, 0x0030A030, 128, 0, 0);
  area(160, 20, 250, 70, 0x008080FF, 96, 5, 0x00800000);
  // Built-in hatches in a row, every other one over a pale solid layer.
  const std::uint8_t hatches[] = {1, 3, 6, 7, 9, 13, 15, 16, 19};
  for (int i = 0; i < 9; ++i) {
    const double x = 20 + i * 26;
    area(x, 110, x + 22, 150, i % 2 ? 0x00E0F0FF : 0x80000000, 255, hatches[i], i % 3 ? 0 : 0x00A00000);
  }
  auto round = std::make_shared<cCircle>();
  round->p1 = {190, 80};
  round->p2 = {240, 105};
  round->fill.fillColor = 0x00C0FFC0;
  round->fill.hatchKind = 4;
  round->fill.hatchColor = 0x00006000;
  round->SetPage(page);
  objects.push_back(round);
}

void AddTextPage(test::FixtureSheet& s, std::vector<std::shared_ptr<const cOutObj>>& objects, std::uint16_t page);

// Page 8: the walls' dimensions in blue, and two views of the site sheet: a
// framed one turned by 15 degrees in purple, and an auto-sized one in the
// site's own colours.
void AddViewsPage(std::vector<std::shared_ptr<const cOutObj>>& objects, std::uint16_t page) {
  auto dimension = [&](DPoint a, DPoint b, DPoint text) {
    auto d = std::make_shared<cDistance>();
    d->first = a;
    d->second = b;
    d->textPoint = text;
    d->textStyle = kNoStyle;
    d->stroke.color = 0xC00000;
    d->stroke.width = 0.35;
    d->stroke.lineType = 1;
    d->SetPage(page);
    objects.push_back(d);
  };
  dimension({30, 20}, {240, 20}, {135, 17});
  dimension({20, 30}, {20, 160}, {17, 95});
  auto framed = std::make_shared<cSection>();
  framed->sheetIndex = 1;
  framed->page = 0;
  framed->insertPoint = {140, 40};
  framed->framePoint = {260, 170};
  framed->scale = 0.3;
  framed->angle = 15;
  framed->sourcePoint = {200, 140};
  framed->recolour = 1;
  framed->color = 0x800080;
  framed->SetPage(page);
  objects.push_back(framed);
  auto automatic = std::make_shared<cSection>();
  automatic->sheetIndex = 1;
  automatic->page = 0;
  automatic->automaticFrame = 1;
  automatic->insertPoint = {70, 110};
  automatic->scale = 0.2;
  automatic->sourcePoint = {200, 140};
  automatic->SetPage(page);
  objects.push_back(automatic);
}

test::InsertFixture PlaceBlock(std::uint32_t block, DPoint at, std::uint16_t page, DPoint scale = {1, 1},
                               double angle = 0) {
  test::InsertFixture f;
  f.blockIndex = block;
  f.point = at;
  f.scale = scale;
  f.angle = angle;
  f.page = page;
  return f;
}

// Page 7: block inserts. Blocks: a lamp (a crossed square), a switch
// feeding a lamp, a circuit of two switches (the second mirrored) on a bus;
// placed plain with a label, turned and red, mirrored, the circuit (lamps
// two deep) enlarged, and mirrored, turned, blue at a fixed width.
// g++ 12 warns, falsely, that the link fixture's default points (an
// initializer list copied into a vector) may be used uninitialised once the
// page grows past its inlining limits.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
void AddInsertPage(test::FixtureSheet& s, std::uint16_t page) {
  auto blockLine = [](DPoint a, DPoint b, double width = 0.35) {
    test::FixtureLine l;
    l.start = a;
    l.end = b;
    l.width = width;
    return l;  // level 65535: the insert's level
  };
  test::FixtureBlock lamp;
  const DPoint sq[] = {{-3, -3}, {3, -3}, {3, 3}, {-3, 3}};
  for (int i = 0; i < 4; ++i) lamp.lines.push_back(blockLine(sq[i], sq[(i + 1) % 4]));
  lamp.lines.push_back(blockLine({-3, -3}, {3, 3}));
  lamp.lines.push_back(blockLine({-3, 3}, {3, -3}));
  test::FixtureBlock feed;
  feed.lines = {blockLine({0, 0}, {8, 0}), blockLine({8, 0}, {14, 4}), blockLine({14, 0}, {20, 0})};
  feed.inserts = {PlaceBlock(0, {23, 0}, 0)};
  test::FixtureBlock circuit;
  circuit.lines = {blockLine({-2, -6}, {-2, 26}, 0.7)};
  circuit.inserts = {PlaceBlock(1, {0, 0}, 0), PlaceBlock(1, {0, 20}, 0, {1, -1})};
  s.blocks = {lamp, feed, circuit};

  test::InsertFixture labelled = PlaceBlock(0, {40, 40}, page);
  labelled.flags = 0x03;
  labelled.labels[0].present = true;
  labelled.labels[0].position = {36, 48};
  labelled.labels[0].text = u"L1";
  test::InsertFixture turned = PlaceBlock(1, {70, 40}, page, {1, 1}, 30);
  turned.color = 0x0000FF;
  test::InsertFixture mirrored = PlaceBlock(1, {160, 40}, page, {-1, 1});
  test::InsertFixture large = PlaceBlock(2, {40, 100}, page, {1.5, 1.5});
  test::InsertFixture blue = PlaceBlock(2, {220, 80}, page, {-1.2, 1.2}, 90);
  blue.color = 0xC00000;
  blue.widthMode = 1;
  blue.width = 0.6;
  s.inserts = {labelled, turned, mirrored, large, blue};

  // Two links: the lamp to the turned switch, with a label, and the switch
  // to its mirrored twin. Their ends name inserts by their places in the
  // order the file reads them: the three inserts inside the blocks first,
  // then the page's.
  auto link = [page](const DPoint* points, std::size_t count, std::uint32_t end1, std::uint32_t end2) {
    test::LinkFixture f;
    f.header.pageId = page;
    f.points.assign(points, points + count);
    f.end1 = end1;
    f.end2 = end2;
    return [f](ArchiveWriter& w) {
      w.WriteByte(kTypeLink);
      test::WriteLinkRecord(w, 3111, f);
    };
  };
  static const DPoint kFirst[] = {{43, 40}, {55, 40}, {55, 30}, {70, 30}, {70, 40}};
  static const DPoint kSecond[] = {{93, 40}, {125, 55}, {160, 55}, {160, 40}};
  s.handWrittenObjects.push_back(link(kFirst, std::size(kFirst), 4, 5));
  s.handWrittenObjects.push_back(link(kSecond, std::size(kSecond), 5, 6));
}
#pragma GCC diagnostic pop

// Page ids: 4095 every page, i page record i.
test::FixtureSheet PlanSheet() {
  test::FixtureSheet s;
  s.name = u"Ground floor";
  s.formatSize = {297.0, 210.0};
  s.formatMargins = {10.0, 10.0};
  s.tiles = {1.0, 1.0};
  s.levels = {{u"Walls"}, {u"Axes", true, true, 0x0000C0}, {u"Furniture", true, true, 0xC08000}};
  // No page colour on the pictures page: pictures keep theirs.
  s.pages = {{u"Plan"},  {u"Details"}, {u"Notes"}, {u"Pictures", 0, 0x80000000}, {u"Fills"}, {u"Texts"},
             {u"Inserts", 0, 0x80000000}, {u"Views", 0, 0x80000000}};
  // A frame on every page.
  const DPoint frame[] = {{5, 5}, {272, 5}, {272, 185}, {5, 185}};
  for (int i = 0; i < 4; ++i) s.lines.push_back(Line(frame[i], frame[(i + 1) % 4], 0, 4095, 0x000000, 0.5));
  // Page 1: walls, a partition, two axes.
  const DPoint walls[] = {{30, 30}, {240, 30}, {240, 160}, {30, 160}};
  for (int i = 0; i < 4; ++i) s.lines.push_back(Line(walls[i], walls[(i + 1) % 4], 0, 0, 0x000000, 2.0));
  s.lines.push_back(Line({130, 30}, {130, 80}, 0, 0, 0x000000, 1.0));
  s.lines.push_back(Line({130, 110}, {130, 160}, 0, 0, 0x000000, 1.0));
  s.lines.push_back(Line({15, 95}, {255, 95}, 1, 0, 0x0000C0, 0.25));
  s.lines.push_back(Line({80, 20}, {80, 170}, 1, 0, 0x0000C0, 0.25));
  auto door = std::make_shared<cArc>();
  // A door's swing: a quarter circle of 30 around the partition's end.
  door->start = {160, 80};
  door->middle = {130 + 30 * std::cos(0.7853981633974483), 80 + 30 * std::sin(0.7853981633974483)};
  door->end = {130, 110};
  door->SetLevel(0);
  door->SetPage(0);
  auto table = std::make_shared<cCircle>();
  table->p1 = {170, 100};
  table->p2 = {200, 130};
  table->SetLevel(2);
  table->SetPage(0);
  auto sofa = std::make_shared<cPolygon>();
  const DPoint sofaPoints[] = {{40, 40}, {100, 40}, {100, 60}, {40, 60}};
  sofa->FirstList().SetPoints(sofaPoints, 4);
  sofa->SetLevel(2);
  sofa->SetPage(0);
  // Page 2: a detail, a triangle and circles.
  auto detail = std::make_shared<cPolygon>();
  const DPoint tri[] = {{60, 40}, {200, 40}, {130, 150}};
  detail->FirstList().SetPoints(tri, 3);
  detail->SetLevel(0);
  detail->SetPage(1);
  auto c1 = std::make_shared<cCircle>();
  c1->p1 = {110, 70};
  c1->p2 = {150, 110};
  c1->SetPage(1);
  auto arc2 = std::make_shared<cArc>();
  arc2->start = {40, 170};
  arc2->middle = {130, 120};
  arc2->end = {220, 170};
  arc2->SetPage(1);
  // Page 3: a grid of small circles.
  std::vector<std::shared_ptr<const cOutObj>> objects = {door, table, sofa, detail, c1, arc2};
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 6; ++col) {
      auto c = std::make_shared<cCircle>();
      c->p1 = {40.0 + col * 35, 30.0 + row * 35};
      c->p2 = {60.0 + col * 35, 50.0 + row * 35};
      c->SetLevel(std::uint16_t(row % 3));
      c->SetPage(2);
      objects.push_back(c);
    }
  }
  // Page 4: a picture turned by 30 degrees with its white border left out,
  // and a metafile upright and turned.
  auto picture = std::make_shared<cBitmap>();
  picture->SetImage(false, RampPicture(), false, {}, nullptr);
  picture->frame = PictureFrame{{40, 40}, 96, 72, 30};
  picture->transparentColour = 0xFFFFFF;
  picture->tolerance = 2;
  picture->SetPage(3);
  objects.push_back(picture);
  for (double angle : {0.0, 90.0}) {
    auto metafile = std::make_shared<cWmf>();
    metafile->SetBits(SampleMetafile());
    metafile->frame = angle == 0 ? PictureFrame{{160, 40}, 80, 40, 0} : PictureFrame{{180, 170}, 80, 40, 90};
    metafile->SetPage(3);
    objects.push_back(metafile);
  }
  // Page 5: filled, translucent and hatched areas.
  AddFillsPage(objects, 4);
  // Page 6: texts.
  AddTextPage(s, objects, 5);
  // Page 7: block inserts.
  AddInsertPage(s, 6);
  // Page 8: dimensions and views of the site.
  AddViewsPage(objects, 7);
  s.objects = objects;
  return s;
}

// Page 4: texts in "Arial", "Arial Narrow", the built-in Romans SHX font and
// one in a face outside the font table; at all twelve alignments (a cross
// marks each insertion point), mirrored, turned, on several lines, wrapped
// and underlined.
void AddTextPage(test::FixtureSheet& s, std::vector<std::shared_ptr<const cOutObj>>& objects, std::uint16_t page) {
  s.fontNames = {u"Arial", u"Arial Narrow"};
  s.shxFonts = {{u"Romans.shx", 8.0}};
  constexpr std::uint16_t kArial = 0, kNarrow = 1, kRomans = 2;
  auto text = [&](const char16_t* content, std::uint16_t font, DPoint at, int code, double height) {
    auto t = std::make_shared<cText>();
    t->SetText(WString(content));
    t->SetFontIndex(font);
    t->point = at;
    t->alignment = std::uint8_t(code);
    t->attr.height = height;
    t->attr.color = 0;
    t->SetPage(page);
    objects.push_back(t);
    return t;
  };
  const char16_t* names[3] = {u"Left", u"Centre", u"Right"};
  for (int code = 0; code < 12; ++code) {
    const DPoint at{30.0 + 45 * (code % 3), 25.0 + 14 * (code / 3)};
    text(names[code % 3], code % 2 ? kRomans : kArial, at, code, 5);
    s.lines.push_back(Line({at.x - 2, at.y}, {at.x + 2, at.y}, 1, page, 0x0000C0, 0.1));
    s.lines.push_back(Line({at.x, at.y - 2}, {at.x, at.y + 2}, 1, page, 0x0000C0, 0.1));
  }
  text(u"Arial Narrow", kNarrow, {170, 25}, 0, 6);
  text(u"Mirrored X", kArial, {250, 40}, 0, 6)->attr.mirrorX = 1;
  text(u"Mirrored Y", kRomans, {170, 60}, 0, 6)->attr.mirrorY = 1;
  text(u"Turned 30\u00B0", kArial, {170, 95}, 9, 6)->SetAngle(30);
  auto lines = text(u"Three lines\nof Romans\nat spacing 1.5", kRomans, {20, 90}, 0, 5);
  lines->lineSpacing = 1.5;
  auto wrapped = text(u"A wrapped Arial text that breaks at its blanks", kArial, {110, 110}, 1, 5);
  wrapped->wrapWidth = 60;
  text(u"Underlined Arial", kArial, {20, 160}, 0, 6)->attr.styleBits |= 0x40;
  text(u"Underlined Romans", kRomans, {150, 160}, 0, 6)->attr.styleBits |= 0x40;
  // A text outside the font table, measured with the screen font.
  const WString face(u"Times New Roman");
  text(u"Screen font Times New Roman", kArial, {20, 175}, 0, 5)->SetFont(&face, 0x12, 0, 65535);
}

// A sector axis setting record in the stored order.
void WriteSectorAxis(ArchiveWriter& w, std::uint32_t count, bool numeric, std::uint32_t first, double begin,
                     double step) {
  w.WriteCompactU32(count);
  w.WriteBit(numeric);
  if (numeric) {
    w.WriteCompactU32(first);
  } else {
    w.WriteByte(std::uint8_t(first));
  }
  w.WriteBit(false);  // not reversed
  w.WriteBits(2, 2);  // absolute sectors
  w.WriteCompactDouble(begin);
  w.WriteCompactDouble(step);
}

// In a face outside the font table (the screen font's road), so that the
// texts are drawn by the window.
std::shared_ptr<cText> FieldText(const char16_t* content, DPoint at, int alignment, double height,
                                 std::uint16_t page = 0) {
  auto t = std::make_shared<cText>();
  t->SetText(WString(content));
  const WString face(u"Liberation Sans");
  t->SetFont(&face, 0x12, 0, 65535);
  t->point = at;
  t->alignment = std::uint8_t(alignment);
  t->attr.height = height;
  t->attr.color = 0;
  t->SetPage(page);
  return t;
}

// The site on A3 inside a sector frame along the printable area (8
// numbered columns of 50 mm from x = 0, 6 lettered rows of 46 mm from
// y = 0, each labelled by a sector field), with a title block: block 0 placed once, its texts fields of
// the file, the drawing, its order among the drawings, the scale, the
// paper, the page, the insert's sector and the insert's attribute.
test::FixtureSheet SiteSheet() {
  test::FixtureSheet s;
  s.name = u"Site";
  s.formatSize = {420.0, 297.0};
  s.formatMargins = {10.0, 10.0};
  s.levels = {{u"Boundary"}};
  const DPoint site[] = {{20, 20}, {380, 40}, {360, 260}, {40, 250}};
  for (int i = 0; i < 4; ++i) s.lines.push_back(Line(site[i], site[(i + 1) % 4], 0, 0, 0x008000, 1.0));
  auto house = std::make_shared<cPolygon>();
  const DPoint h[] = {{150, 100}, {250, 100}, {250, 180}, {200, 210}, {150, 180}};
  house->FirstList().SetPoints(h, 5);
  s.objects = {house};

  s.sectorsWriter = [](ArchiveWriter& w) {
    WriteSectorAxis(w, 8, true, 1, 0.0, 50.0);
    WriteSectorAxis(w, 6, false, 0, 0.0, 46.0);
  };
  // The frame: an outer and an inner border 5 mm apart, a tick at every
  // sector boundary between them, and each sector's label in the band.
  const double x1 = 0, y1 = 0, x2 = 400, y2 = 276, band = 5;
  auto box = [&](double a, double b, double c, double d, double width) {
    const DPoint p[] = {{a, b}, {c, b}, {c, d}, {a, d}};
    for (int i = 0; i < 4; ++i) s.lines.push_back(Line(p[i], p[(i + 1) % 4], 65535, 0, 0x000000, width));
  };
  box(x1, y1, x2, y2, 0.5);
  box(x1 + band, y1 + band, x2 - band, y2 - band, 0.25);
  for (int i = 0; i < 8; ++i) {
    const double x = x1 + 50 * i;
    if (i > 0) {
      s.lines.push_back(Line({x, y1}, {x, y1 + band}, 65535, 0, 0x000000, 0.25));
      s.lines.push_back(Line({x, y2 - band}, {x, y2}, 65535, 0, 0x000000, 0.25));
    }
    s.objects.push_back(FieldText(u"[/<sector:x>\\]", {x + 25, y1 + 1}, 1, 3));
    s.objects.push_back(FieldText(u"[/<sector:x>\\]", {x + 25, y2 - 4}, 1, 3));
  }
  for (int i = 0; i < 6; ++i) {
    const double y = y1 + 46 * i;
    if (i > 0) {
      s.lines.push_back(Line({x1, y}, {x1 + band, y}, 65535, 0, 0x000000, 0.25));
      s.lines.push_back(Line({x2 - band, y}, {x2, y}, 65535, 0, 0x000000, 0.25));
    }
    s.objects.push_back(FieldText(u"[/<sector:y>\\]", {x1 + 2.5, y + 21.5}, 1, 3));
    s.objects.push_back(FieldText(u"[/<sector:y>\\]", {x2 - 2.5, y + 21.5}, 1, 3));
  }

  // The title block: 120 x 42 mm, a row of 6 mm per value.
  test::FixtureBlock title;
  const double w = 120, rows = 7, row = 6;
  const DPoint corners[] = {{0, 0}, {w, 0}, {w, rows * row}, {0, rows * row}};
  for (int i = 0; i < 4; ++i) title.lines.push_back(Line(corners[i], corners[(i + 1) % 4], 65535, 0, 0, 0.5));
  for (int i = 1; i < rows; ++i) title.lines.push_back(Line({0, i * row}, {w, i * row}, 65535, 0, 0, 0.25));
  const char16_t* texts[] = {
      u"File: [/<file:name>\\]",
      u"Drawing: [/<drawing:name>\\]",
      u"Sheet: [/<drawing:order>\\]/[/<drawing:count>\\]",
      u"Scale: [/<drawing:scale>\\]",
      u"Paper: [/<format:name>\\]   Page: [/<page:order>\\]",
      u"Sector: [/<sector>\\]",
      u"Drawn by: [/<block:attribute:DRAWN>\\]",
  };
  for (int i = 0; i < rows; ++i) title.objects.push_back(FieldText(texts[i], {2, i * row + 1.5}, 0, 3.5));
  s.blocks = {title};
  test::InsertFixture placed = PlaceBlock(0, {272, 225}, 0);
  placed.attributes = {test::InsertAttributeFixture{2, u"DRAWN", u"Ann Novak", 1}};
  s.inserts = {placed};
  return s;
}

std::vector<std::uint8_t> SampleBytes() {
  test::FixtureDocument doc;
  doc.comment = u"Sample drawing of the viewer";
  doc.sheets = {PlanSheet(), SiteSheet()};
  return test::WriteNativeFile(doc);
}

TEST(SampleDrawing, ShippedFileIsWhatThePlanWritesAndOpens) {
  const std::vector<std::uint8_t> bytes = SampleBytes();
  if (const char* w = std::getenv("KVN_WRITE_SAMPLE"); w && *w == '1') {
    ASSERT_TRUE(test::SaveBytes(SamplePath().string(), bytes));
  }
  std::ifstream in(SamplePath(), std::ios::binary);
  ASSERT_TRUE(in) << "missing " << SamplePath();
  const std::vector<std::uint8_t> shipped((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(shipped, bytes) << "run with KVN_WRITE_SAMPLE=1 to write the sample afresh";

  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  std::unique_ptr<cDrawingDoc> doc = OpenDrawingFile(WString::FromUtf8(SamplePath().string()), request, outcome);
  ASSERT_NE(doc, nullptr) << outcome.errorCode;
  EXPECT_EQ(doc->SheetCount(), 2u);
  // Eight pages of the plan and the site: nine page entries.
  EXPECT_EQ(doc->GetPageEntryCount(), 9u);

  // The links of the inserts page joined the inserts they name.
  std::vector<const cInsert*> inserts;
  std::vector<const cLink*> links;
  for (const cOutObj* o = doc->GetSheet(0)->TopBlock().FirstObject(); o; o = o->next) {
    if (const auto* insert = dynamic_cast<const cInsert*>(o)) inserts.push_back(insert);
    if (const auto* l = dynamic_cast<const cLink*>(o)) links.push_back(l);
  }
  ASSERT_EQ(inserts.size(), 5u);
  ASSERT_EQ(links.size(), 2u);
  EXPECT_EQ(links[0]->end1Number, inserts[0]->RunningId());
  EXPECT_EQ(links[0]->end2Number, inserts[1]->RunningId());
  EXPECT_EQ(links[1]->end1Number, inserts[1]->RunningId());
  EXPECT_EQ(links[1]->end2Number, inserts[2]->RunningId());

  // The site's sector frame and title block.
  const cSheet* site = doc->GetSheet(1);
  ASSERT_NE(site, nullptr);
  EXPECT_EQ(site->Drawing().sectorsOn, 1);
  EXPECT_EQ(site->Drawing().sectors[0].count, 8);
  EXPECT_EQ(site->Drawing().sectors[1].step, 46.0);
  const cBlock* title = site->Data()->GetBlock(0);
  ASSERT_NE(title, nullptr);
  int texts = 0;
  for (const cOutObj* o = title->FirstObject(); o; o = o->next) texts += dynamic_cast<const cText*>(o) != nullptr;
  EXPECT_EQ(texts, 7);
  const cInsert* placed = nullptr;
  for (const cOutObj* o = site->TopBlock().FirstObject(); o; o = o->next)
    if (const auto* insert = dynamic_cast<const cInsert*>(o)) placed = insert;
  ASSERT_NE(placed, nullptr);
  WString drawn;
  EXPECT_TRUE(placed->attributes.Lookup(nullptr, nullptr, drawn, nullptr, WString(u"DRAWN")));
  EXPECT_EQ(drawn.ToUtf8(), "Ann Novak");
}

// Every text of the texts page carries the font of the sample's table it was
// written with: the fonts travel inline at their first reference, so none is
// a reference to a font the reader has not met yet. The text outside the
// table keeps its own face.
TEST(SampleDrawing, TextsCarryTheFontsTheSampleDefines) {
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  std::unique_ptr<cDrawingDoc> doc = OpenDrawingFile(WString::FromUtf8(SamplePath().string()), request, outcome);
  ASSERT_NE(doc, nullptr) << outcome.errorCode;
  const cSheet* plan = doc->GetSheet(0);
  ASSERT_NE(plan, nullptr);
  cDrawingData* data = plan->Data();
  struct Expected {
    const char* text;
    int alignment;     // -1: any
    const char* font;  // "" for a face outside the font table
  };
  // The alignment texts alternate between Arial and Romans.
  static const Expected kTexts[] = {
      {"Left", 0, "Arial"},
      {"Centre", 1, "Romans.shx"},
      {"Right", 2, "Arial"},
      {"Left", 3, "Romans.shx"},
      {"Centre", 4, "Arial"},
      {"Right", 5, "Romans.shx"},
      {"Left", 6, "Arial"},
      {"Centre", 7, "Romans.shx"},
      {"Right", 8, "Arial"},
      {"Left", 9, "Romans.shx"},
      {"Centre", 10, "Arial"},
      {"Right", 11, "Romans.shx"},
      {"Arial Narrow", -1, "Arial Narrow"},
      {"Mirrored X", -1, "Arial"},
      {"Mirrored Y", -1, "Romans.shx"},
      {"Turned 30\u00B0", -1, "Arial"},
      {"Three lines\nof Romans\nat spacing 1.5", -1, "Romans.shx"},
      {"A wrapped Arial text that breaks at its blanks", -1, "Arial"},
      {"Underlined Arial", -1, "Arial"},
      {"Underlined Romans", -1, "Romans.shx"},
      {"Screen font Times New Roman", -1, ""},
  };
  int checked = 0;
  for (const cOutObj* o = plan->TopBlock().FirstObject(); o; o = o->next) {
    const auto* text = dynamic_cast<const cText*>(o);
    if (!text) continue;
    const std::string content = text->GetText().ToUtf8();
    for (const Expected& expected : kTexts) {
      if (content != expected.text || (expected.alignment >= 0 && expected.alignment != text->alignment)) continue;
      ++checked;
      const std::uint16_t index = text->GetFontIndex(data);
      if (*expected.font == 0) {
        EXPECT_EQ(index, kNoStyle) << content;
        EXPECT_EQ(text->faceName.ToUtf8(), "Times New Roman") << content;
        continue;
      }
      const cStyleFont* font = index == kNoStyle ? nullptr : data->FontStyles().Get(index);
      ASSERT_NE(font, nullptr) << content << ": no font (index " << index << ")";
      EXPECT_EQ(font->name.ToUtf8(), expected.font) << content;
    }
  }
  EXPECT_EQ(checked, int(std::size(kTexts)));
  EXPECT_EQ(data->FontStyles().Count(), 3u);
}

}  // namespace
}  // namespace kvn
