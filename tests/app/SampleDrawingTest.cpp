// The sample drawing shipped in samples/sample.kvn is written by the native
// fixture writer from the plan below: two sheets, the first with four
// pages, levels, lines, arcs, circles and polygons, and a page of texts.
// The test checks that the shipped file is exactly what the plan writes and
// that it opens; run it with KVN_WRITE_SAMPLE=1 to write the file afresh after changing the plan.
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
#include "model/cCircle.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/cText.h"
#include "tests/support/NativeFixture.h"

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

void AddTextPage(test::FixtureSheet& s, std::vector<std::shared_ptr<const cOutObj>>& objects, std::uint16_t page);

// Page ids: 4095 every page, i page record i.
test::FixtureSheet PlanSheet() {
  test::FixtureSheet s;
  s.name = u"Ground floor";
  s.formatSize = {297.0, 210.0};
  s.formatMargins = {10.0, 10.0};
  s.tiles = {1.0, 1.0};
  s.levels = {{u"Walls"}, {u"Axes", true, true, 0x0000C0}, {u"Furniture", true, true, 0xC08000}};
  s.pages = {{u"Plan"}, {u"Details"}, {u"Notes"}, {u"Texts"}};
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
  AddTextPage(s, objects, 3);
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
  // Four pages of the plan and the site: five page entries.
  EXPECT_EQ(doc->GetPageEntryCount(), 5u);
}

}  // namespace
}  // namespace kvn
