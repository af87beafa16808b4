// Metafile text under page mappings that turn an axis ("y up" metric
// modes, anisotropic mappings with negative window or viewport extents):
// each picture must come out pixel for pixel as the same text written
// under the plain y-down mapping at the same device place (upright,
// reading left to right, the escapement turning counter-clockwise), for
// every alignment, escapement, clip and the current-position mode.
#include <gtest/gtest.h>
#include <uemf.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/fonts/FontLayerFaces.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TextFaces.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"
#include "tests/support/PrivateFonts.h"

namespace kvn {
namespace emf_text_mapping {

constexpr int kSide = 200;  // the 1000-pixel frame drawn at a fifth

void Put(std::uint8_t* p, std::uint32_t at, std::int32_t v) { le::Put32(p + at, std::uint32_t(v)); }

void Pair(EmfBuilder& b, std::uint32_t type, std::int32_t x, std::int32_t y) {
  std::uint8_t* p = b.Add(type, 16);
  Put(p, 8, x);
  Put(p, 12, y);
}

void One(EmfBuilder& b, std::uint32_t type, std::int32_t v) { Put(b.Add(type, 12), 8, v); }

// How logical units become the reference device's pixels, and back:
// logical = origin + scale * device, per axis. Every picture writes its text
// at the logical point of device (200, 500), 160 device pixels high.
struct Mapping {
  const char* name;
  std::function<void(EmfBuilder&)> records;
  double x0, sx, y0, sy;
  std::int32_t X(double device) const { return std::int32_t(x0 + sx * device); }
  std::int32_t Y(double device) const { return std::int32_t(y0 + sy * device); }
};

const Mapping kPlain{"MM_TEXT", [](EmfBuilder&) {}, 0, 1, 0, 1};

const Mapping kFlipped[] = {
    {"anisotropic, negative window y extent",
     [](EmfBuilder& b) {
       One(b, U_EMR_SETMAPMODE, U_MM_ANISOTROPIC);
       Pair(b, U_EMR_SETWINDOWEXTEX, 1000, -1000);
       Pair(b, U_EMR_SETVIEWPORTEXTEX, 1000, 1000);
       Pair(b, U_EMR_SETWINDOWORGEX, 0, 1000);
     },
     0, 1, 1000, -1},
    {"anisotropic at a half, negative window y extent",
     [](EmfBuilder& b) {
       One(b, U_EMR_SETMAPMODE, U_MM_ANISOTROPIC);
       Pair(b, U_EMR_SETWINDOWEXTEX, 500, -500);
       Pair(b, U_EMR_SETVIEWPORTEXTEX, 1000, 1000);
       Pair(b, U_EMR_SETWINDOWORGEX, 0, 500);
     },
     0, 0.5, 500, -0.5},
    {"anisotropic, negative viewport y extent",
     [](EmfBuilder& b) {
       One(b, U_EMR_SETMAPMODE, U_MM_ANISOTROPIC);
       Pair(b, U_EMR_SETWINDOWEXTEX, 1000, 1000);
       Pair(b, U_EMR_SETVIEWPORTEXTEX, 1000, -1000);
       Pair(b, U_EMR_SETVIEWPORTORGEX, 0, 1000);
     },
     0, 1, 1000, -1},
    {"MM_LOMETRIC (y up, 10 units per mm on a 10 pixels per mm device)",
     [](EmfBuilder& b) {
       One(b, U_EMR_SETMAPMODE, U_MM_LOMETRIC);
       Pair(b, U_EMR_SETVIEWPORTORGEX, 0, 1000);
     },
     0, 1, 1000, -1},
    {"anisotropic, both axes turned",
     [](EmfBuilder& b) {
       One(b, U_EMR_SETMAPMODE, U_MM_ANISOTROPIC);
       Pair(b, U_EMR_SETWINDOWEXTEX, -1000, -1000);
       Pair(b, U_EMR_SETVIEWPORTEXTEX, 1000, 1000);
       Pair(b, U_EMR_SETWINDOWORGEX, 1000, 1000);
     },
     1000, -1, 1000, -1},
};

struct TextCase {
  const char* name;
  std::uint32_t align;
  std::int32_t escapement;  // tenths of a degree
  bool clipped;             // ETO_CLIPPED to the upper half of the text
  bool updateCp;            // two runs from the current position
  bool cellHeight = false;  // a positive font height
};

const TextCase kCases[] = {
    {"baseline", U_TA_BASELINE, 0, false, false},
    {"bottom", U_TA_BOTTOM, 0, false, false},
    {"top, centred", U_TA_TOP | U_TA_CENTER, 0, false, false},
    {"baseline, 30 degrees", U_TA_BASELINE, 300, false, false},
    {"bottom right, 90 degrees", U_TA_BOTTOM | U_TA_RIGHT, 900, false, false},
    {"baseline, clipped", U_TA_BASELINE, 0, true, false},
    {"baseline, current position", U_TA_BASELINE | U_TA_UPDATECP, 0, false, true},
    {"top, cell height", U_TA_TOP, 0, false, false, true},
};

void Font(EmfBuilder& b, std::int32_t height, std::int32_t escapement) {
  std::uint8_t* p = b.Add(U_EMR_EXTCREATEFONTINDIRECTW, 104);
  Put(p, 8, 1);
  Put(p, 12, height);
  Put(p, 20, escapement);
  Put(p, 24, escapement);
  Put(p, 28, 400);
  p[38] = 3;  // NONANTIALIASED_QUALITY: exact pixels
  const std::u16string face = u"Liberation Sans";
  for (std::size_t i = 0; i < face.size(); ++i) le::Put16(p + 40 + 2 * i, face[i]);
  One(b, U_EMR_SELECTOBJECT, 1);
}

void Text(EmfBuilder& b, std::int32_t x, std::int32_t y, const std::u16string& text, std::uint32_t options,
          const TRect& rect) {
  const std::uint32_t size = 76 + std::uint32_t(text.size()) * 2;
  std::uint8_t* p = b.Add(U_EMR_EXTTEXTOUTW, size);
  Put(p, 24, 1);  // GM_COMPATIBLE
  Put(p, 36, x);
  Put(p, 40, y);
  Put(p, 44, std::int32_t(text.size()));
  Put(p, 48, 76);
  Put(p, 52, std::int32_t(options));
  Put(p, 56, rect.left);
  Put(p, 60, rect.top);
  Put(p, 64, rect.right);
  Put(p, 68, rect.bottom);
  for (std::size_t i = 0; i < text.size(); ++i) le::Put16(p + 76 + 2 * i, text[i]);
}

// The pixels of a metafile whose records after the header `write` gives.
std::vector<std::uint8_t> Play(const std::function<void(EmfBuilder&)>& write) {
  EmfBuilder b(1 << 20);
  std::uint8_t* h = b.Add(U_EMR_HEADER, 108);
  Put(h, 32, 10000);  // frame 0..100 mm
  Put(h, 36, 10000);
  Put(h, 40, std::int32_t(kEmfSignature));
  Put(h, 44, 0x10000);
  Put(h, 72, 1000);  // 1000 pixels on 100 mm
  Put(h, 76, 1000);
  Put(h, 80, 100);
  Put(h, 84, 100);
  write(b);
  EXPECT_TRUE(b.Finish(4));
  const std::optional<EmfDocument> emf = EmfDocument::FromBytes(b.Bytes().Items(), b.Bytes().Count());
  EXPECT_TRUE(emf);
  std::vector<std::uint8_t> bits(kSide * kSide * 4, 0xFF);
  if (!emf) return bits;
  auto dc = RasterDC::Create(bits.data(), kSide, kSide);
  EmfPlayStats stats;
  EXPECT_TRUE(PlayEnhMetaFile(*dc, *emf, TRect{0, 0, kSide, kSide}, &stats));
  EXPECT_EQ(stats.unplayed, 0u);
  dc->Flush();
  return bits;
}

std::vector<std::uint8_t> Render(const Mapping& m, const TextCase& c) {
  return Play([&](EmfBuilder& b) {
    m.records(b);
    One(b, U_EMR_SETBKMODE, U_TRANSPARENT);
    One(b, U_EMR_SETTEXTALIGN, std::int32_t(c.align));
    const std::int32_t height = std::int32_t(160 * std::fabs(m.sy));
    Font(b, c.cellHeight ? height : -height, c.escapement);
    // A band across the glyphs, written as the mapping has it (top and
    // bottom exchanged where y grows upward).
    const TRect clip{m.X(0), m.Y(400), m.X(1000), m.Y(470)};
    if (c.updateCp) {
      Pair(b, U_EMR_MOVETOEX, m.X(200), m.Y(500));
      Text(b, 0, 0, u"Fg", 0, {});
      Text(b, 0, 0, u"hj", 0, {});
    } else {
      Text(b, m.X(200), m.Y(500), u"Fgh", c.clipped ? U_ETO_CLIPPED : 0, clip);
    }
  });
}

int Ink(const std::vector<std::uint8_t>& bits) {
  int n = 0;
  for (std::size_t i = 0; i < bits.size(); i += 4) n += bits[i] < 128;
  return n;
}

int Differences(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  int n = 0;
  for (std::size_t i = 0; i < a.size(); i += 4) n += (a[i] < 128) != (b[i] < 128);
  return n;
}

class EmfTextMapping : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::FontFilesPresent({test::kLiberationSans})) GTEST_SKIP() << "Debian fonts-liberation2 missing";
    fonts_ = std::make_unique<test::PrivateFonts>("emf-text-mapping", std::vector<std::string>{test::kLiberationSans});
    previous_ = GetTextFaceSource();
    InstallFontLayerFaces();
  }
  void TearDown() override {
    SetTextFaceSource(previous_);
    fonts_.reset();
  }
  std::unique_ptr<test::PrivateFonts> fonts_;
  TextFaceSource* previous_ = nullptr;
};

TEST_F(EmfTextMapping, TextUnderTurnedAxesIsDrawnAsUnderThePlainMapping) {
  for (const TextCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> plain = Render(kPlain, c);
    const int ink = Ink(plain);
    ASSERT_GT(ink, 150);
    for (const Mapping& m : kFlipped) {
      SCOPED_TRACE(m.name);
      const std::vector<std::uint8_t> turned = Render(m, c);
      // Rounding of the reference point may move an edge by a pixel.
      EXPECT_LE(Differences(plain, turned), ink / 20);
    }
  }
}

TEST_F(EmfTextMapping, EscapementTurnsCounterClockwiseOnTheDevice) {
  // At 90 degrees the run climbs from the reference point: its ink lies
  // above it (device y < 100), none to its right beyond the cell height.
  for (const Mapping* m : {&kPlain, &kFlipped[0], &kFlipped[3]}) {
    SCOPED_TRACE(m->name);
    const std::vector<std::uint8_t> bits = Render(*m, TextCase{"up", U_TA_BASELINE, 900, false, false});
    int above = 0, below = 0;
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x)
        if (bits[(y * kSide + x) * 4] < 128) ++(y < 100 ? above : below);
    EXPECT_GT(above, 100);
    EXPECT_EQ(below, 0);
  }
}

// The rightmost column with ink, or -1.
int RightmostInk(const std::vector<std::uint8_t>& bits) {
  int right = -1;
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x)
      if (bits[(y * kSide + x) * 4] < 128) right = std::max(right, x);
  return right;
}

void PlainText(EmfBuilder& b) {
  One(b, U_EMR_SETBKMODE, U_TRANSPARENT);
  One(b, U_EMR_SETTEXTALIGN, U_TA_BASELINE);
  Font(b, -160, 0);
}

TEST_F(EmfTextMapping, JustificationSpreadsItsExtraOverTheSpaces) {
  const auto plain = Play([](EmfBuilder& b) {
    PlainText(b);
    Text(b, 100, 500, u"I I", 0, {});
  });
  const auto justified = Play([](EmfBuilder& b) {
    PlainText(b);
    std::uint8_t* p = b.Add(U_EMR_SETTEXTJUSTIFICATION, 16);
    Put(p, 8, 200);  // 200 logical units over one break: 40 pixels here
    Put(p, 12, 1);
    Text(b, 100, 500, u"I I", 0, {});
  });
  ASSERT_GT(RightmostInk(plain), 0);
  EXPECT_NEAR(RightmostInk(justified) - RightmostInk(plain), 40, 1);
  // The largest extra a record holds moves the second I off the picture
  // and leaves the first where it was.
  const auto extreme = Play([](EmfBuilder& b) {
    PlainText(b);
    std::uint8_t* p = b.Add(U_EMR_SETTEXTJUSTIFICATION, 16);
    Put(p, 8, INT32_MAX);
    Put(p, 12, 1);
    Text(b, 100, 500, u"I I", 0, {});
  });
  EXPECT_GT(RightmostInk(extreme), 0);
  EXPECT_LT(RightmostInk(extreme), RightmostInk(plain));
}

TEST_F(EmfTextMapping, PolyTextDrawsEachOfItsRunsAsOneTextRecordWould) {
  const auto single = Play([](EmfBuilder& b) {
    PlainText(b);
    Text(b, 100, 400, u"Fg", 0, {});
    Text(b, 300, 800, u"hij", 0, {});
  });
  const auto poly = Play([](EmfBuilder& b) {
    PlainText(b);
    // POLYTEXTOUTW: two EMRTEXTs of 40 bytes at 40, the strings after them.
    std::uint8_t* p = b.Add(U_EMR_POLYTEXTOUTW, 40 + 80 + 12);
    Put(p, 24, 1);
    Put(p, 36, 2);
    const struct { std::int32_t x, y; std::u16string text; std::uint32_t at; } runs[2] = {
        {100, 400, u"Fg", 120}, {300, 800, u"hij", 124}};
    for (int i = 0; i < 2; ++i) {
      std::uint8_t* t = p + 40 + 40 * i;
      Put(t, 0, runs[i].x);
      Put(t, 4, runs[i].y);
      Put(t, 8, std::int32_t(runs[i].text.size()));
      Put(t, 12, std::int32_t(runs[i].at));
      for (std::size_t k = 0; k < runs[i].text.size(); ++k) le::Put16(p + runs[i].at + 2 * k, runs[i].text[k]);
    }
  });
  EXPECT_GT(Ink(single), 300);
  EXPECT_EQ(Differences(single, poly), 0);
}

// An EXTTEXTOUTW of "Fgh" with spacing `dx`, written with its rectangle
// (options 0) or without (ETO_NO_RECT, whose run is 16 bytes shorter: the
// spacing offset follows the options).
void SpacedText(EmfBuilder& b, bool noRect, const std::vector<std::int32_t>& dx) {
  const std::u16string text = u"Fgh";
  const std::uint32_t run = noRect ? 24 : 40, offString = 36 + run, offDx = offString + 8;
  std::uint8_t* p = b.Add(U_EMR_EXTTEXTOUTW, offDx + 4 * std::uint32_t(dx.size()));
  Put(p, 24, 1);
  Put(p, 36, 100);
  Put(p, 40, 500);
  Put(p, 44, std::int32_t(text.size()));
  Put(p, 48, std::int32_t(offString));
  // Opaque and clipped ask for a rectangle that a record without one has
  // not: they are passed over there, and the one with it gives an empty one.
  Put(p, 52, std::int32_t(noRect ? U_ETO_NO_RECT | U_ETO_OPAQUE | U_ETO_CLIPPED : 0));
  Put(p, 36 + run - 4, dx.empty() ? 0 : std::int32_t(offDx));
  for (std::size_t i = 0; i < text.size(); ++i) le::Put16(p + offString + 2 * i, text[i]);
  for (std::size_t i = 0; i < dx.size(); ++i) Put(p, offDx + 4 * std::uint32_t(i), dx[i]);
}

TEST_F(EmfTextMapping, ARunWithoutItsRectangleTakesItsSpacingFromAfterItsOptions) {
  const std::vector<std::int32_t> wide = {300, 300, 300};  // 60 pixels a character here
  for (const bool spaced : {false, true}) {
    SCOPED_TRACE(spaced ? "with spacing" : "without spacing");
    const std::vector<std::int32_t> dx = spaced ? wide : std::vector<std::int32_t>{};
    const auto withRect = Play([&](EmfBuilder& b) {
      PlainText(b);
      SpacedText(b, false, dx);
    });
    const auto without = Play([&](EmfBuilder& b) {
      PlainText(b);
      SpacedText(b, true, dx);
    });
    EXPECT_GT(Ink(withRect), 300);
    EXPECT_EQ(Differences(withRect, without), 0);
  }
  const auto plain = Play([](EmfBuilder& b) {
    PlainText(b);
    SpacedText(b, true, {});
  });
  const auto spread = Play([&](EmfBuilder& b) {
    PlainText(b);
    SpacedText(b, true, wide);
  });
  EXPECT_GT(RightmostInk(spread), RightmostInk(plain) + 40) << "the spacing was not read";
}

TEST_F(EmfTextMapping, PolyTextRunsWithoutRectanglesFollowOneAnother) {
  const auto single = Play([](EmfBuilder& b) {
    PlainText(b);
    Text(b, 100, 400, u"Fg", 0, {});
    Text(b, 300, 800, u"hij", 0, {});
  });
  const auto poly = Play([](EmfBuilder& b) {
    PlainText(b);
    // Two runs of 24 bytes at 40 and 64, the strings from 88.
    std::uint8_t* p = b.Add(U_EMR_POLYTEXTOUTW, 40 + 48 + 12);
    Put(p, 24, 1);
    Put(p, 36, 2);
    const struct { std::int32_t x, y; std::u16string text; std::uint32_t at; } runs[2] = {
        {100, 400, u"Fg", 88}, {300, 800, u"hij", 92}};
    for (int i = 0; i < 2; ++i) {
      std::uint8_t* t = p + 40 + 24 * i;
      Put(t, 0, runs[i].x);
      Put(t, 4, runs[i].y);
      Put(t, 8, std::int32_t(runs[i].text.size()));
      Put(t, 12, std::int32_t(runs[i].at));
      Put(t, 16, U_ETO_NO_RECT);
      for (std::size_t k = 0; k < runs[i].text.size(); ++k) le::Put16(p + runs[i].at + 2 * k, runs[i].text[k]);
    }
  });
  EXPECT_GT(Ink(single), 300);
  EXPECT_EQ(Differences(single, poly), 0);
}

// World transforms of a metafile, each keeping the logical point `at` in
// its place (so that the text stays on the picture).
struct World {
  const char* name;
  double m11, m12, m21, m22;
};
const World kWorlds[] = {{"no world transform", 1, 0, 0, 1},
                         {"world turned 30 degrees", 0.8660254, 0.5, -0.5, 0.8660254},
                         {"world turned -50 degrees", 0.6427876, -0.7660444, 0.7660444, 0.6427876},
                         {"world sheared (eM12 0.4)", 1, 0.4, 0, 1}};

void SetWorld(EmfBuilder& b, const World& w, double atX, double atY) {
  std::uint8_t* p = b.Add(U_EMR_SETWORLDTRANSFORM, 32);
  const float values[6] = {float(w.m11), float(w.m12), float(w.m21), float(w.m22),
                           float(atX - (atX * w.m11 + atY * w.m21)), float(atY - (atX * w.m12 + atY * w.m22))};
  for (int i = 0; i < 6; ++i) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &values[i], 4);
    le::Put32(p + 8 + 4 * i, bits);
  }
}

struct InkCentre {
  double x = 0, y = 0;
  int count = 0;
};
InkCentre CentreOfInk(const std::vector<std::uint8_t>& bits) {
  InkCentre c;
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x)
      if (bits[(y * kSide + x) * 4] < 128) {
        c.x += x;
        c.y += y;
        ++c.count;
      }
  if (c.count > 0) c.x /= c.count, c.y /= c.count;
  return c;
}

// Under every page mapping, world transform and escapement: runs written
// from the current position continue where the last one ended (two runs
// draw what one run of both draws), and the run lies along the line the
// same mapping draws along its logical x axis (the reading direction, which
// a turned x axis reverses).
TEST_F(EmfTextMapping, RunsFromTheCurrentPositionContinueWhereTheLastEndedUnderEveryMapping) {
  std::vector<const Mapping*> mappings = {&kPlain};
  for (const Mapping& m : kFlipped) mappings.push_back(&m);
  for (const Mapping* m : mappings) {
    const double atX = m->X(200), atY = m->Y(500);
    const std::int32_t height = std::int32_t(120 * std::fabs(m->sy));
    for (const World& w : kWorlds) {
      for (const std::int32_t escapement : {0, 300, -450}) {
        SCOPED_TRACE(::testing::Message() << m->name << ", " << w.name << ", escapement " << escapement);
        auto setUp = [&](EmfBuilder& b, std::uint32_t align) {
          m->records(b);
          SetWorld(b, w, atX, atY);
          One(b, U_EMR_SETBKMODE, U_TRANSPARENT);
          One(b, U_EMR_SETTEXTALIGN, std::int32_t(align));
          Font(b, -height, escapement);
        };
        const auto whole = Play([&](EmfBuilder& b) {
          setUp(b, U_TA_BASELINE);
          Text(b, std::int32_t(atX), std::int32_t(atY), u"Fghjk", 0, {});
        });
        const auto pieces = Play([&](EmfBuilder& b) {
          setUp(b, U_TA_BASELINE | U_TA_UPDATECP);
          Pair(b, U_EMR_MOVETOEX, std::int32_t(atX), std::int32_t(atY));
          Text(b, 0, 0, u"Fg", 0, {});
          Text(b, 0, 0, u"hj", 0, {});
          Text(b, 0, 0, u"k", 0, {});
        });
        // Each run starts at a whole logical unit, and the glyphs' edges
        // round to pixels: the ink may differ at its edges, not in where it
        // lies.
        const InkCentre one = CentreOfInk(whole), several = CentreOfInk(pieces);
        ASSERT_GT(one.count, 100);
        EXPECT_NEAR(several.count, one.count, one.count / 10);
        EXPECT_LT(std::hypot(several.x - one.x, several.y - one.y), 1.0) << "the runs do not continue one another";
        if (escapement != 0) continue;
        // Underscores: ink along the baseline, against a line of the same
        // length along the logical x axis (reversed where x is turned).
        const auto underscores = Play([&](EmfBuilder& b) {
          setUp(b, U_TA_BASELINE);
          Text(b, std::int32_t(atX), std::int32_t(atY), u"____", 0, {});
        });
        const double along = (m->sx < 0 ? -1.0 : 1.0) * 240 * std::fabs(m->sx);
        const auto line = Play([&](EmfBuilder& b) {
          m->records(b);
          SetWorld(b, w, atX, atY);
          Pair(b, U_EMR_MOVETOEX, std::int32_t(atX), std::int32_t(atY));
          Pair(b, U_EMR_LINETO, std::int32_t(atX + along), std::int32_t(atY));
        });
        const InkCentre text = CentreOfInk(underscores), drawn = CentreOfInk(line);
        ASSERT_GT(text.count, 20);
        ASSERT_GT(drawn.count, 20);
        // Both start at the reference point (device 40, 100 here).
        const double textAngle = std::atan2(text.y - 100, text.x - 40);
        const double lineAngle = std::atan2(drawn.y - 100, drawn.x - 40);
        double apart = std::fabs(textAngle - lineAngle);
        apart = std::min(apart, 2 * 3.14159265358979 - apart);
        EXPECT_LT(apart, 0.2) << "the run does not read along the mapping's x axis";
      }
    }
  }
}

}  // namespace emf_text_mapping
}  // namespace kvn
