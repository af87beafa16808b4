// How imported texts are laid out and which way they face: the lines of an
// MTEXT (paragraph and column breaks, wrapping in its box, the line-spacing
// factor, the box that is cleared) advance by one pitch each and never run
// over one another; a text seen from behind (an extrusion towards -z, a
// mirrored insert) is mirrored across its baseline, and its lines advance
// the other way.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "import/records/ImportMatrix.h"
#include "import/records/TextCodes.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cText.h"
#include "tests/support/DxfWriter.h"

namespace kvn {
namespace {

using test::DxfWriter;

struct Facing {
  const char* what;
  std::function<void(ImportMatrix&)> transform;
  Vec3 direction;
  Vec3 extrusion;
  std::uint8_t mirroredBefore;
  double angle;  // degrees, as the text takes it
  std::uint8_t mirrored;
  double height = 2;
};

double Turn(double degrees) {
  double a = std::fmod(degrees, 360.0);
  return a < 0 ? a + 360.0 : a;
}

TEST(ImportedTextLayoutTest, ATextSeenFromBehindIsMirroredAcrossItsBaseline) {
  auto none = [](ImportMatrix&) {};
  auto flipX = [](ImportMatrix& m) { m.PreScaleAbout(Vec3{-1, 1, 1}, Vec3{}); };
  auto flipY = [](ImportMatrix& m) { m.PreScaleAbout(Vec3{1, -1, 1}, Vec3{}); };
  auto scaled = [](ImportMatrix& m) { m.PreScaleAbout(Vec3{-2, -2, 2}, Vec3{}); };
  auto quarter = [](ImportMatrix& m) { m.PreRotateAboutAxis(Vec3{}, Vec3{0, 0, 1}, std::acos(-1.0) / 2); };
  const double r = std::sqrt(0.5);
  const Facing rows[] = {
      {"upright", none, {1, 0, 0}, {0, 0, 1}, 0, 0, 0},
      {"upright, turned back", none, {-1, 0, 0}, {0, 0, 1}, 0, 180, 0},
      {"upright, diagonal", none, {r, r, 0}, {0, 0, 1}, 0, 45, 0},
      {"from behind", none, {1, 0, 0}, {0, 0, -1}, 0, 0, 1},
      {"from behind, turned back", none, {-1, 0, 0}, {0, 0, -1}, 0, 180, 1},
      {"from behind, diagonal", none, {-r, -r, 0}, {0, 0, -1}, 0, 225, 1},
      {"from behind, already upside down", none, {1, 0, 0}, {0, 0, -1}, 1, 0, 0},
      {"upright, already upside down", none, {1, 0, 0}, {0, 0, 1}, 1, 0, 1},
      {"insert mirrored in x", flipX, {1, 0, 0}, {0, 0, 1}, 0, 180, 1},
      {"insert mirrored in y", flipY, {1, 0, 0}, {0, 0, 1}, 0, 0, 1},
      {"insert mirrored, text from behind", flipX, {1, 0, 0}, {0, 0, -1}, 0, 180, 0},
      {"insert turned by both scales", scaled, {1, 0, 0}, {0, 0, 1}, 0, 180, 0, 4},
      {"insert turned a quarter", quarter, {1, 0, 0}, {0, 0, 1}, 0, 90, 0},
      {"a slightly tilted normal", none, {1, 0, 0}, {0, 0.01, 1}, 0, 0, 0},
      {"a normal tilted past the plane", none, {1, 0, 0}, {0, 0.01, -1}, 0, 0, 1},
  };
  for (const Facing& row : rows) {
    SCOPED_TRACE(row.what);
    cText text;
    text.attr.height = 2;
    text.attr.mirrorY = row.mirroredBefore;
    ImportMatrix m;
    row.transform(m);
    ASSERT_TRUE(FitTextToTransform(text, m, row.direction, row.extrusion));
    EXPECT_NEAR(Turn(text.angle), row.angle, 1e-9);
    EXPECT_EQ(text.attr.mirrorY, row.mirrored);
    EXPECT_EQ(text.attr.mirrorX, 0);
    // Mirroring leaves the size to the transform (a tilted plane is seen
    // a little foreshortened).
    EXPECT_NEAR(text.attr.height, row.height, 1e-3);
    EXPECT_NEAR(text.attr.widthFactor, 1, 1e-3);
  }
}

// One text of a DXF drawing and how it was laid out.
struct Layout {
  const char* what;
  const char* entity;       // "MTEXT" or "TEXT"
  const char* text;         // group 1
  double boxWidth;          // group 41, 0: none written
  double spacing;           // group 44, 0: none written
  Vec3 direction;           // group 11, zero: none written
  Vec3 extrusion;           // group 210, zero: none written
  int lines;                // laid-out lines; negative: at least that many
  const char* lastLine;     // the last line's text, null: not checked
  bool keepsBox;            // the box survives the import
  double factor;            // the line-spacing factor applied
  bool mirrored;
  double angle;
  Vec3 advance;             // the way the lines go, world axes
};

std::vector<cText*> Texts(cSheet& sheet) {
  std::vector<cText*> out;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next)
    if (cText* t = o->AsText()) out.push_back(t);
  return out;
}

std::string Line(cText& text, cDrawingData& data, int index) {
  const WString& shown = text.GetDisplayText(&data);
  int length = 0;
  const int start = text.GetLineRange(length, index);
  std::string out;
  for (int i = start; i < start + length; ++i) out += char(shown[i]);
  return out;
}

TEST(ImportedTextLayoutTest, LinesAdvanceByOnePitchAndNeverRunOverEachOther) {
  const Vec3 none{};
  const Vec3 down{0, -1, 0}, up{0, 1, 0}, right{1, 0, 0};
  const char* kLong = "alpha beta gamma delta epsilon zeta eta theta\\Pnext";
  const Layout rows[] = {
      {"one line", "MTEXT", "alpha", 0, 0, none, none, 1, "alpha", false, 1, false, 0, down},
      {"paragraph break", "MTEXT", "alpha\\Pbeta", 0, 0, none, none, 2, "beta", false, 1, false, 0, down},
      {"column break: two line feeds", "MTEXT", "alpha\\Nbeta", 0, 0, none, none, 3, "beta", false, 1, false, 0,
       down},
      {"wrapped lines push the next paragraph down", "MTEXT", kLong, 12, 0, none, none, -4, "next", true, 1, false,
       0, down},
      {"the same without a box", "MTEXT", kLong, 0, 0, none, none, 2, "next", false, 1, false, 0, down},
      {"factor 2 doubles the pitch", "MTEXT", "alpha\\Pbeta", 0, 2.0, none, none, 2, "beta", false, 2, false, 0,
       down},
      {"factor 0.5 halves it", "MTEXT", "alpha\\Pbeta\\Pgamma", 0, 0.5, none, none, 3, "gamma", false, 0.5, false, 0,
       down},
      {"a factor on one line changes nothing", "MTEXT", "alpha", 0, 3.0, none, none, 1, "alpha", false, 1, false, 0,
       down},
      {"a box far wider than the text is cleared", "MTEXT", "alpha beta", 1000, 0, none, none, 1, "alpha beta",
       false, 1, false, 0, down},
      {"a text without a blank has no box", "MTEXT", "alphabetagammadelta", 2, 0, none, none, 1, nullptr, false, 1,
       false, 0, down},
      {"a non-breaking space does not break", "MTEXT", "alpha\\~beta\\~gamma", 2, 0, none, none, 1, "alpha beta gamma",
       false, 1, false, 0, down},
      {"turned a quarter", "MTEXT", "alpha\\Pbeta", 0, 0, {0, 1, 0}, none, 2, "beta", false, 1, false, 90, right},
      {"seen from behind", "MTEXT", "alpha\\Pbeta", 0, 0, none, {0, 0, -1}, 2, "beta", false, 1, true, 0, up},
      {"seen from behind, turned back", "MTEXT", "alpha\\Pbeta", 0, 0, {-1, 0, 0}, {0, 0, -1}, 2, "beta", false, 1,
       true, 180, down},
      {"a tab of a bullet list becomes a blank", "MTEXT", "alpha\\P-^Ibeta", 0, 0, none, none, 2,
       "- beta", false, 1, false, 0, down},
      {"a control code of a TEXT becomes a blank", "TEXT", "alpha^Ibeta", 0, 0, none, none, 1, "alpha beta", false, 1,
       false, 0, down},
      {"single-line text seen from behind", "TEXT", "alpha", 0, 0, none, {0, 0, -1}, 1, "alpha", false, 1, true, 180,
       down},
  };
  for (const Layout& row : rows) {
    SCOPED_TRACE(row.what);
    DxfWriter w;
    w.Section("ENTITIES").Str(0, row.entity).Str(8, "0").Point(10, 10, 20).Real(40, 1.0);
    if (row.boxWidth > 0) w.Real(41, row.boxWidth);
    if (row.spacing > 0) w.Real(44, row.spacing);
    if (row.direction.LengthSq() > 0) w.Point(11, row.direction.x, row.direction.y, row.direction.z);
    if (row.extrusion.LengthSq() > 0) w.Point(210, row.extrusion.x, row.extrusion.y, row.extrusion.z);
    w.Str(1, row.text).EndSection().Eof();
    ByteArray bytes;
    bytes.AppendBytes(w.Bytes().data(), std::int64_t(w.Bytes().size()));
    InFileStream in = InFileStream::FromMemory(bytes);
    DocumentResult result = LoadDxfStream(in, WString(u"/nowhere/layout.dxf"), nullptr, nullptr);
    ASSERT_TRUE(result.Ok());
    cSheet& sheet = *result.Document()->GetFirstSheet();
    cDrawingData& data = *sheet.Data();
    auto texts = Texts(sheet);
    ASSERT_EQ(texts.size(), 1u);
    cText& text = *texts[0];

    const int n = text.GetLineCount(&data);
    if (row.lines < 0) {
      EXPECT_GE(n, -row.lines);
    } else {
      EXPECT_EQ(n, row.lines);
    }
    if (row.lastLine) {
      EXPECT_EQ(Line(text, data, n - 1), row.lastLine);
    }
    EXPECT_EQ(text.wrapWidth > 0, row.keepsBox);
    EXPECT_EQ(text.IsMirroredY(&data), row.mirrored);
    EXPECT_NEAR(Turn(text.angle), row.angle, 1e-9);

    // Each line one pitch after the one before, across the text and along
    // the way its lines go; the pitch is at least a line's height, so no
    // two lines share ink.
    const double L = text.GetLineHeight(&data);
    ASSERT_GT(L, 0);
    const double pitch = (text.GetLineGap(&data) + L) * row.factor;
    for (int i = 1; i < n; ++i) {
      const DPoint a = text.GetLineOrigin(&data, i - 1), b = text.GetLineOrigin(&data, i);
      // The page runs y downwards.
      const Vec3 step{b.x - a.x, a.y - b.y, 0};
      EXPECT_NEAR(std::sqrt(step.LengthSq()), pitch, 1e-9 * pitch) << "line " << i;
      const double along = (step.x * row.advance.x + step.y * row.advance.y) / pitch;
      EXPECT_NEAR(along, 1.0, 1e-9) << "line " << i;
      if (row.factor >= 1) {
        EXPECT_GE(std::sqrt(step.LengthSq()), L);
      }
    }
    // The frame holds every line: its height is the block of n lines.
    DPoint c[4];
    text.GetFrameCorners(&data, c);
    const double height = std::hypot(c[3].x - c[0].x, c[3].y - c[0].y);
    EXPECT_NEAR(height, n >= 2 ? (n - 1) * pitch + L : L, 1e-9 * (height + 1));
  }
}

}  // namespace
}  // namespace kvn
