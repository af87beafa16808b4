// Metafile playback: the sample metafiles onto the raster target (reviewed
// pictures) and the recording target, the context's state unchanged after
// them; EMF+ only pictures, damaged bytes and single records.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/GrowArray.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/metafile/WmfToEmf.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// EMF bytes of a sample: EMFs as they are, WMFs through the converter.
std::vector<std::uint8_t> LoadAsEmf(const std::filesystem::path& path) {
  std::vector<std::uint8_t> bytes = ReadFile(path);
  if (path.extension() != ".wmf") return bytes;
  WmfPicture picture;
  std::size_t skip = 0;
  PlaceableHeader header;
  if (ReadPlaceableHeader(bytes.data(), bytes.size(), &header)) {
    skip = kPlaceableHeaderSize;
    picture.hasWindow = true;
    picture.windowLeft = header.left;
    picture.windowTop = header.top;
    picture.windowWidth = header.right - header.left;
    picture.windowHeight = header.bottom - header.top;
    if (header.unitsPerInch) {
      picture.hasSize = true;
      picture.widthHmm = picture.windowWidth * 2540 / header.unitsPerInch;
      picture.heightHmm = picture.windowHeight * 2540 / header.unitsPerInch;
    }
  }
  ByteArray emf;
  if (bytes.size() < skip || !ConvertWmfToEmf(bytes.data() + skip, bytes.size() - skip, picture, emf)) return {};
  return {emf.Items(), emf.Items() + emf.Count()};
}

void ExpectSameState(const TDC& dc, const DcState& before, int depth) {
  const DcState& now = dc.State();
  EXPECT_EQ(now.mapMode, before.mapMode);
  EXPECT_EQ(now.windowOrg, before.windowOrg);
  EXPECT_EQ(now.windowExt, before.windowExt);
  EXPECT_EQ(now.viewportOrg, before.viewportOrg);
  EXPECT_EQ(now.viewportExt, before.viewportExt);
  EXPECT_EQ(now.graphicsMode, before.graphicsMode);
  EXPECT_EQ(now.world, before.world);
  EXPECT_EQ(now.rop2, before.rop2);
  EXPECT_EQ(now.bkMode, before.bkMode);
  EXPECT_EQ(now.bkColor, before.bkColor);
  EXPECT_EQ(now.textColor, before.textColor);
  EXPECT_EQ(now.textAlign, before.textAlign);
  EXPECT_EQ(now.polyFillMode, before.polyFillMode);
  EXPECT_EQ(now.stretchBltMode, before.stretchBltMode);
  EXPECT_EQ(now.miterLimit, before.miterLimit);
  EXPECT_EQ(now.brushOrg, before.brushOrg);
  EXPECT_EQ(now.currentPosition, before.currentPosition);
  EXPECT_TRUE(now.pen == before.pen);
  EXPECT_TRUE(now.brush == before.brush);
  EXPECT_TRUE(now.font == before.font);
  EXPECT_EQ(now.hasClip, before.hasClip);
  EXPECT_TRUE(now.clip == before.clip);
  EXPECT_EQ(dc.SavedDepth(), depth);
  EXPECT_FALSE(dc.IsPathOpen());
}

struct Sample {
  const char* file;
  const char* golden;
};

const Sample kSamples[] = {
    {"metafile/libuemf_test_libuemf_ref.emf", "emf_libuemf_ref"},
    {"metafile/libuemf_test_mm_anisotropic_ref.emf", "emf_mm_anisotropic"},
    {"metafile/emf2svg_EA-test-file-001.emf", "emf_ea_test_001"},
    {"metafile/libuemf_test_libuemf_ref.wmf", "wmf_libuemf_ref"},
    {"metafile/libwmf_sample.wmf", "wmf_libwmf_sample"},
    {"metafile/libwmf_text.wmf", "wmf_libwmf_text"},
};

TEST(EmfPlayer, SamplesMatchTheReviewedPicturesAndLeaveTheStateAsItWas) {
  KVN_REQUIRE_TESTDATA(dir);
  constexpr int kWidth = 320, kHeight = 240;
  for (const Sample& sample : kSamples) {
    SCOPED_TRACE(sample.file);
    const std::vector<std::uint8_t> bytes = LoadAsEmf(dir / sample.file);
    const std::optional<EmfDocument> emf = EmfDocument::FromBytes(bytes.data(), bytes.size());
    ASSERT_TRUE(emf);
    std::vector<std::uint8_t> bits(kWidth * kHeight * 4, 0xFF);
    auto dc = RasterDC::Create(bits.data(), kWidth, kHeight);
    ASSERT_TRUE(dc);
    dc->SetBkColor(Rgb(1, 2, 3));
    dc->IntersectClipRect(0, 0, kWidth, kHeight - 1);
    const DcState before = dc->State();
    const int depth = dc->SavedDepth();
    EmfPlayStats stats;
    EXPECT_TRUE(PlayEnhMetaFile(*dc, *emf, TRect{8, 8, kWidth - 8, kHeight - 8}, &stats));
    EXPECT_EQ(stats.records, emf->Header().records);
    ExpectSameState(*dc, before, depth);
    dc->Flush();
    test::ExpectMatchesGolden(test::PictureFromBgra(bits.data(), kWidth, kHeight), sample.golden, 0);

    RecordingDC rec;
    rec.SetMapMode(kMmAnisotropic);
    rec.SetViewportExt(2, 3);
    const DcState recBefore = rec.State();
    rec.Clear();
    EXPECT_TRUE(PlayEnhMetaFile(rec, *emf, TRect{0, 0, 1000, 700}));
    ExpectSameState(rec, recBefore, 0);
    EXPECT_GT(rec.calls.size(), 10u);
    EXPECT_EQ(rec.calls.front(), "SaveDC");
    EXPECT_EQ(rec.calls.back(), "RestoreDC 1");
  }
}

TEST(EmfPlayer, EmfPlusOnlyPictureDrawsNothingWithoutError) {
  KVN_REQUIRE_TESTDATA(dir);
  const std::vector<std::uint8_t> bytes = ReadFile(dir / "metafile/libuemf_test_libuemf_p_ref.emf");
  const std::optional<EmfDocument> emf = EmfDocument::FromBytes(bytes.data(), bytes.size());
  ASSERT_TRUE(emf);
  constexpr int kSide = 64;
  std::vector<std::uint8_t> bits(kSide * kSide * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), kSide, kSide);
  EmfPlayStats stats;
  EXPECT_TRUE(PlayEnhMetaFile(*dc, *emf, TRect{0, 0, kSide, kSide}, &stats));
  EXPECT_GT(stats.emfPlusComments, 0u);
  dc->Flush();
  EXPECT_EQ(bits, std::vector<std::uint8_t>(kSide * kSide * 4, 0xFF));
}

TEST(EmfPlayer, DamagedBytesAreRefused) {
  KVN_REQUIRE_TESTDATA(dir);
  const std::vector<std::uint8_t> bytes = ReadFile(dir / "metafile/bad_emf2svg_corrupted_2014-12-02-215338.emf");
  EXPECT_FALSE(EmfDocument::FromBytes(bytes.data(), bytes.size()));
  EXPECT_FALSE(EmfDocument::FromBytes(bytes.data(), 40));
  EXPECT_FALSE(EmfDocument::FromBytes(nullptr, 0));
}

// ---- single records ----

// A metafile of a header (frame 0..100 mm on a 1000 x 1000 pixel, 100 mm
// reference device: 10 pixels per mm) and the records `add` writes.
template <class F>
EmfDocument Build(F add, std::uint16_t handles = 4) {
  EmfBuilder b(1 << 20);
  std::uint8_t* h = b.Add(kEmrHeader, 108);
  le::Put32(h + 24, 0);
  le::Put32(h + 28, 0);
  le::Put32(h + 32, 10000);
  le::Put32(h + 36, 10000);
  le::Put32(h + 40, kEmfSignature);
  le::Put32(h + 44, 0x10000);
  le::Put32(h + 72, 1000);
  le::Put32(h + 76, 1000);
  le::Put32(h + 80, 100);
  le::Put32(h + 84, 100);
  add(b);
  EXPECT_TRUE(b.Finish(handles));
  std::optional<EmfDocument> doc = EmfDocument::FromBytes(b.Bytes().Items(), b.Bytes().Count());
  EXPECT_TRUE(doc);
  return doc ? std::move(*doc) : EmfDocument{};
}

void Rect(EmfBuilder& b, std::uint32_t type, int l, int t, int r, int bottom) {
  std::uint8_t* p = b.Add(type, 24);
  le::Put32(p + 8, std::uint32_t(l));
  le::Put32(p + 12, std::uint32_t(t));
  le::Put32(p + 16, std::uint32_t(r));
  le::Put32(p + 20, std::uint32_t(bottom));
}

TEST(EmfPlayer, FrameIsFittedIntoTheRectangleOverTheContextMapping) {
  const EmfDocument emf = Build([](EmfBuilder& b) { Rect(b, 43, 0, 0, 1000, 1000); });  // EMR_RECTANGLE
  RecordingDC dc;
  PlayEnhMetaFile(dc, emf, TRect{10, 20, 110, 70});
  // The 1000-pixel frame onto 100 x 50 logical units at (10, 20).
  EXPECT_EQ(dc.calls, (std::vector<std::string>{"SaveDC", "SetGraphicsMode GM_ADVANCED",
                                                "SetWorldTransform [0.1 0 0 0.05 10 20]", "Rectangle 0 0 1000 1000",
                                                "RestoreDC 1"}));
}

TEST(EmfPlayer, MappingRecordsBecomeOneWorldTransform) {
  const EmfDocument emf = Build([](EmfBuilder& b) {
    le::Put32(b.Add(17, 12) + 8, kMmAnisotropic);  // SETMAPMODE
    std::uint8_t* p = b.Add(9, 16);                // SETWINDOWEXTEX 200 x 100
    le::Put32(p + 8, 200);
    le::Put32(p + 12, 100);
    p = b.Add(11, 16);  // SETVIEWPORTEXTEX 1000 x -1000
    le::Put32(p + 8, 1000);
    le::Put32(p + 12, std::uint32_t(-1000));
    p = b.Add(12, 16);  // SETVIEWPORTORGEX 0, 1000
    le::Put32(p + 8, 0);
    le::Put32(p + 12, 1000);
  });
  RecordingDC dc;
  PlayEnhMetaFile(dc, emf, TRect{0, 0, 1000, 1000});
  EXPECT_EQ(dc.calls[dc.calls.size() - 2], "SetWorldTransform [5 0 0 -10 0 1000]");
}

TEST(EmfPlayer, RestoreDcCannotReachBelowThePlaybackAndClipStaysInsideTheInitialClip) {
  const EmfDocument emf = Build([](EmfBuilder& b) {
    le::Put32(b.Add(34, 12) + 8, std::uint32_t(-1));  // RESTOREDC -1 with nothing saved
    Rect(b, 30, -1000, -1000, 5000, 5000);            // INTERSECTCLIPRECT beyond the context's clip
    std::uint8_t* p = b.Add(75, 16);                  // EXTSELECTCLIPRGN copy, no region: back to the start
    le::Put32(p + 8, 0);
    le::Put32(p + 12, kRgnCopy);
    Rect(b, 43, 0, 0, 1000, 1000);
  });
  RecordingDC dc;
  dc.IntersectClipRect(0, 0, 50, 50);
  EmfPlayStats stats;
  EXPECT_TRUE(PlayEnhMetaFile(dc, emf, TRect{0, 0, 100, 100}, &stats));
  EXPECT_EQ(stats.unplayed, 1u);  // the RestoreDC
  EXPECT_EQ(dc.SavedDepth(), 0);
  TRegion clip;
  ASSERT_EQ(dc.GetClipRgn(&clip), 1);
  EXPECT_EQ(clip.GetBox(), (TRect{0, 0, 50, 50}));
}

TEST(EmfPlayer, RestoreDcOfTheMostNegativeCountIsRefusedAndLeavesTheSavedStates) {
  const EmfDocument emf = Build([](EmfBuilder& b) {
    b.Add(33, 8);                                              // SAVEDC
    le::Put32(b.Add(34, 12) + 8, std::uint32_t(INT32_MIN));  // RESTOREDC -2^31: more than was saved
    le::Put32(b.Add(34, 12) + 8, std::uint32_t(-1));         // RESTOREDC -1: the one saved
  });
  RecordingDC dc;
  EmfPlayStats stats;
  EXPECT_TRUE(PlayEnhMetaFile(dc, emf, TRect{0, 0, 100, 100}, &stats));
  EXPECT_EQ(stats.unplayed, 1u);
  EXPECT_EQ(dc.SavedDepth(), 0);
}

// A positive level names the save that made it, counted from the first:
// after three saves, level 1 takes back all three.
TEST(EmfPlayer, RestoreDcOfAPositiveLevelReturnsToTheStateOfThatSave) {
  const EmfDocument emf = Build([](EmfBuilder& b) {
    for (std::uint32_t level = 1; level <= 3; ++level) {
      le::Put32(b.Add(25, 12) + 8, level);  // SETBKCOLOR: the state saved as this level
      std::uint8_t* p = b.Add(10, 16);      // SETWINDOWORGEX
      le::Put32(p + 8, level * 10);
      b.Add(33, 8);  // SAVEDC
    }
    le::Put32(b.Add(25, 12) + 8, 4);
    le::Put32(b.Add(34, 12) + 8, 1);                   // RESTOREDC 1
    le::Put32(b.Add(34, 12) + 8, std::uint32_t(-1));  // nothing left to restore
  });
  struct Seen {
    COLORREF bk;
    double windowX;
    std::size_t saved;
    int depth;
  };
  std::vector<Seen> seen;
  RecordingDC dc;
  EmfPlayStats stats;
  const TRect rect{0, 0, 100, 100};
  EnumEnhMetaFile(
      dc, emf,
      [](TDC& on, HandleTable& t, const EmfRecord& r, int count, std::intptr_t data) {
        PlayEnhMetaFileRecord(on, t, r, unsigned(count));
        reinterpret_cast<std::vector<Seen>*>(data)->push_back(
            {on.GetBkColor(), t.mapping.windowOrg.x, t.savedMappings.size(), on.SavedDepth()});
        return 1;
      },
      reinterpret_cast<std::intptr_t>(&seen), &rect, &stats);
  // Header, 3 x 3 records, SETBKCOLOR, two RESTOREDC, EOF.
  ASSERT_EQ(seen.size(), 14u);
  const Seen& restored = seen[11];
  EXPECT_EQ(restored.bk, 1u);
  EXPECT_EQ(restored.windowX, 10);
  EXPECT_EQ(restored.saved, 0u);
  EXPECT_EQ(restored.depth, 1);  // the player's own save
  EXPECT_EQ(stats.unplayed, 1u);  // the second RESTOREDC
}

TEST(EmfPlayer, ObjectsBeyondTheTableAndUnknownRecordsArePassedOverAndCounted) {
  const EmfDocument emf = Build(
      [](EmfBuilder& b) {
        std::uint8_t* p = b.Add(39, 24);  // CREATEBRUSHINDIRECT at index 9 of a 2-entry table
        le::Put32(p + 8, 9);
        p = b.Add(37, 12);  // SELECTOBJECT 9
        le::Put32(p + 8, 9);
        b.Add(1000, 8);  // unknown
        p = b.Add(39, 24);  // a red brush at 1, selected
        le::Put32(p + 8, 1);
        le::Put32(p + 16, Rgb(255, 0, 0));
        le::Put32(b.Add(37, 12) + 8, 1);
        le::Put32(b.Add(37, 12) + 8, 0x80000000u | kNullPen);  // a stock object
      },
      2);
  RecordingDC dc;
  EmfPlayStats stats;
  PlayEnhMetaFile(dc, emf, TRect{0, 0, 100, 100}, &stats);
  EXPECT_EQ(stats.unplayed, 3u);
  EXPECT_NE(std::find(dc.calls.begin(), dc.calls.end(), "SelectObject brush(BS_SOLID RGB(255,0,0))"),
            dc.calls.end());
  EXPECT_NE(std::find(dc.calls.begin(), dc.calls.end(), "SelectStockObject NULL_PEN"), dc.calls.end());
}

TEST(EmfPlayer, ArcsChordsPiesAndRoundRectanglesAreBezierPaths) {
  const EmfDocument emf = Build([](EmfBuilder& b) {
    std::uint8_t* p = b.Add(46, 40);  // CHORD of the box 0..200 from the right to the top
    const std::int32_t v[8] = {0, 0, 200, 200, 300, 100, 100, -50};
    for (int i = 0; i < 8; ++i) le::Put32(p + 8 + 4 * i, std::uint32_t(v[i]));
    p = b.Add(44, 32);  // ROUNDRECT
    const std::int32_t w[6] = {0, 0, 100, 50, 20, 20};
    for (int i = 0; i < 6; ++i) le::Put32(p + 8 + 4 * i, std::uint32_t(w[i]));
  });
  RecordingDC dc;
  PlayEnhMetaFile(dc, emf, TRect{0, 0, 1000, 1000});
  // A quarter turn counter-clockwise (on the y-down device): (200,100) to (100,0).
  EXPECT_NE(std::find(dc.calls.begin(), dc.calls.end(), "PolyDraw M(200,100) B(200,45) B(155,0) B(100,0)+close"),
            dc.calls.end());
  EXPECT_NE(std::find(dc.calls.begin(), dc.calls.end(), "StrokeAndFillPath"), dc.calls.end());
  EXPECT_EQ(dc.calls.back(), "RestoreDC 1");
}

}  // namespace
}  // namespace kvn
