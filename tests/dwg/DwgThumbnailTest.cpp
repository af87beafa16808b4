// The DWG preview picture: which entry is taken, which files are refused,
// the layout flag, and the clean-up of the picture (inversion of a black
// background, cropping, black and white).
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "dwg/container/DwgThumbnail.h"
#include "foundation/InFileStream.h"
#include "model/cBitmap.h"
#include "platform/image/ImageCodecs.h"
#include "render/PictureServicesImpl.h"
#include "tests/support/DwgPreviewWriter.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using test::DwgPreviewPart;
using test::DwgPreviewSpec;
using test::PalettePicture;
using test::PreviewMark;

struct Thumbnail {
  std::unique_ptr<cSheet> sheet;
  bool layout = false;
  const TDib* Picture() const {
    if (!sheet) return nullptr;
    const cOutObj* head = sheet->TopBlock().FirstObject();
    const cBitmap* bitmap = head ? head->AsBitmap() : nullptr;
    return bitmap ? bitmap->StoredDib() : nullptr;
  }
};

Thumbnail Read(const std::vector<std::uint8_t>& bytes, bool blackAndWhite = false) {
  InstallRendererPictureServices();
  ByteArray memory(8);
  memory.Append(bytes.data(), std::uint32_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(memory);
  Thumbnail t;
  t.layout = true;  // cleared on entry
  t.sheet = ReadDwgThumbnailStream(&t.layout, in, blackAndWhite);
  return t;
}

DwgPreviewPart Bmp(const TDib& dib) { return {2, test::PackedDibBytes(dib)}; }

DwgPreviewPart Png(const TDib& dib) {
  DwgPreviewPart part{6, {}};
  EXPECT_TRUE(EncodePngToMemory(dib, &part.bytes));
  return part;
}

const std::vector<std::uint32_t> kPalette = {0x000000, 0xFFFFFF, 0xFF0000, 0x0000FF, 0x808080};

// A 6 x 5 picture of white with a red diagonal inside rows 1..3.
TDib Diagonal() { return PalettePicture(6, 5, kPalette, 1, {{1, 1, 2}, {2, 2, 2}, {3, 3, 2}}); }

TEST(DwgThumbnail, TheFirstListedPictureIsTakenAndDecodedByItsOwnCode) {
  const TDib wide = PalettePicture(9, 4, kPalette, 1, {{0, 0, 0}, {8, 3, 0}});
  const TDib tall = PalettePicture(3, 7, kPalette, 1, {{0, 0, 0}, {2, 6, 0}});
  DwgPreviewSpec spec;
  spec.parts = {{1, std::vector<std::uint8_t>(80, 0)}, {3, {1, 2, 3}}, Bmp(wide), Png(tall)};
  Thumbnail t = Read(test::WriteDwgPreviewFile(spec));
  ASSERT_NE(t.Picture(), nullptr);
  EXPECT_EQ(t.Picture()->Width(), 9);
  EXPECT_EQ(t.Picture()->Height(), 4);
  spec.parts = {{1, std::vector<std::uint8_t>(80, 0)}, Png(tall), Bmp(wide)};
  t = Read(test::WriteDwgPreviewFile(spec));
  ASSERT_NE(t.Picture(), nullptr);
  EXPECT_EQ(t.Picture()->Width(), 3);
  EXPECT_EQ(t.Picture()->Height(), 7);
  // One drawing unit per pixel.
  DRect extent{};
  t.sheet->TopBlock().FirstObject()->GetExtent(extent);
  EXPECT_DOUBLE_EQ(extent.x2 - extent.x1, 3.0);
  EXPECT_DOUBLE_EQ(extent.y2 - extent.y1, 7.0);
}

TEST(DwgThumbnail, RefusedFilesGiveNoSheet) {
  DwgPreviewSpec good;
  good.parts = {{1, std::vector<std::uint8_t>(80, 0)}, Bmp(Diagonal())};
  ASSERT_NE(Read(test::WriteDwgPreviewFile(good)).sheet, nullptr);
  auto with = [&](auto change) {
    DwgPreviewSpec s = good;
    change(s);
    return test::WriteDwgPreviewFile(s);
  };
  // This reader takes AC1013, which the loader refuses; releases before R13
  // carry no preview here.
  EXPECT_NE(Read(with([](DwgPreviewSpec& s) { s.version = "AC1013"; })).sheet, nullptr);
  for (const char* version : {"AC1009", "AC1016", "AC1.50", "AC10x5", "XX1015"}) {
    EXPECT_EQ(Read(with([&](DwgPreviewSpec& s) { s.version = version; })).sheet, nullptr) << version;
  }
  EXPECT_EQ(Read(with([](DwgPreviewSpec& s) { s.badSentinel = true; })).sheet, nullptr);
  // A metafile alone is no picture here.
  EXPECT_EQ(Read(with([](DwgPreviewSpec& s) { s.parts = {{1, {}}, {3, {1, 2, 3, 4}}}; })).sheet, nullptr);
  // A list cut short by the end of the file, and a file shorter than its head.
  std::vector<std::uint8_t> cut = test::WriteDwgPreviewFile(good);
  cut.resize(0x20 + 16 + 5 + 9 + 4);
  EXPECT_EQ(Read(cut).sheet, nullptr);
  cut.resize(29);
  EXPECT_EQ(Read(cut).sheet, nullptr);
  // A picture whose stated size passes the end of the file.
  std::vector<std::uint8_t> bytes = test::WriteDwgPreviewFile(good);
  const std::size_t sizeField = 0x20 + 16 + 5 + 9 + 5;
  bytes[sizeField + 3] = 0x10;
  EXPECT_EQ(Read(bytes).sheet, nullptr);
  EXPECT_EQ(ReadDwgThumbnail(nullptr, WString(u"/nonexistent/file.dwg"), false), nullptr);
}

TEST(DwgThumbnail, BmpHeadersAreCheckedBeforeAPictureIsBuilt) {
  const std::vector<std::uint8_t> dib = test::PackedDibBytes(Diagonal());
  auto refused = [&](auto change) {
    std::vector<std::uint8_t> bytes = dib;
    change(bytes);
    DwgPreviewSpec spec;
    spec.parts = {{2, bytes}};
    return Read(test::WriteDwgPreviewFile(spec)).sheet == nullptr;
  };
  EXPECT_FALSE(refused([](std::vector<std::uint8_t>&) {}));
  EXPECT_TRUE(refused([](std::vector<std::uint8_t>& b) { b[0] = 39; }));                  // header size
  EXPECT_TRUE(refused([](std::vector<std::uint8_t>& b) { b[14] = 7; }));                  // bit count
  EXPECT_TRUE(refused([](std::vector<std::uint8_t>& b) { b[32] = 0, b[33] = 2; }));       // 512 colours
  EXPECT_TRUE(refused([](std::vector<std::uint8_t>& b) { b.resize(b.size() - 1); }));     // rows cut
  EXPECT_TRUE(refused([](std::vector<std::uint8_t>& b) { b[8] = 0, b[9] = 0x40; }));      // rows beyond the data
  // More than 2^28 pixels, present in full, is refused all the same.
  TDib huge;
  ASSERT_TRUE(huge.Create(16384, 16385, 1));
  DwgPreviewSpec spec;
  spec.parts = {{2, test::PackedDibBytes(huge)}};
  EXPECT_EQ(Read(test::WriteDwgPreviewFile(spec)).sheet, nullptr);
}

TEST(DwgThumbnail, PngPixelCapIsCheckedBeforeDecoding) {
  const DwgPreviewPart png = Png(PalettePicture(4, 4, kPalette, 1, {}));
  TDib out;
  EXPECT_FALSE(DecodePngToDib(png.bytes.data(), png.bytes.size(), 15, &out));
  EXPECT_TRUE(out.IsEmpty());
  ASSERT_TRUE(DecodePngToDib(png.bytes.data(), png.bytes.size(), 16, &out));
  EXPECT_LE(out.BitCount(), 8);  // a paletted PNG keeps its palette
  EXPECT_EQ(out.GetPixelColor(0, 0), 0xFFFFFFu);
  // A PNG head claiming 17000 x 17000 pixels: refused, nothing allocated.
  std::vector<std::uint8_t> claimed = png.bytes;
  for (std::size_t at : {16u, 20u}) {
    claimed[at] = 0, claimed[at + 1] = 0, claimed[at + 2] = 0x42, claimed[at + 3] = 0x68;
  }
  EXPECT_FALSE(DecodePngToDib(claimed.data(), claimed.size(), kMaxThumbnailPixels, &out));
  EXPECT_FALSE(DecodePngToDib(png.bytes.data(), 20, 16, &out));
}

TEST(DwgThumbnail, LayoutFlagMarksAPreviewThatEndsTheFile) {
  DwgPreviewSpec spec;
  spec.parts = {{1, std::vector<std::uint8_t>(80, 0)}, Bmp(Diagonal())};
  EXPECT_TRUE(Read(test::WriteDwgPreviewFile(spec)).layout);
  spec.trailing = 1;
  EXPECT_FALSE(Read(test::WriteDwgPreviewFile(spec)).layout);
  spec.trailing = 0;
  spec.gap = 4;
  EXPECT_FALSE(Read(test::WriteDwgPreviewFile(spec)).layout);
  // Without a header entry the picture must follow the list.
  spec.gap = 0;
  spec.parts = {Bmp(Diagonal())};
  EXPECT_TRUE(Read(test::WriteDwgPreviewFile(spec)).layout);
  // Without a picture the header data must end 16 bytes before the end;
  // there is no sheet, but the flag is told.
  spec.parts = {{1, std::vector<std::uint8_t>(80, 0)}};
  const Thumbnail none = Read(test::WriteDwgPreviewFile(spec));
  EXPECT_EQ(none.sheet, nullptr);
  EXPECT_TRUE(none.layout);
  // A metafile between the header data and the picture breaks the run.
  spec.parts = {{1, std::vector<std::uint8_t>(80, 0)}, {3, {1, 2}}, Bmp(Diagonal())};
  EXPECT_FALSE(Read(test::WriteDwgPreviewFile(spec)).layout);
}

TEST(DwgThumbnail, BlackBackgroundIsInvertedAndThePictureCropped) {
  // Black background, a white and a red mark: cropped to the marks' box,
  // the background white and the marks in inverted colours.
  DwgPreviewSpec spec;
  spec.parts = {Bmp(PalettePicture(10, 8, kPalette, 0, {{2, 1, 1}, {5, 4, 2}}))};
  Thumbnail t = Read(test::WriteDwgPreviewFile(spec));
  ASSERT_NE(t.Picture(), nullptr);
  const TDib& p = *t.Picture();
  EXPECT_EQ(p.Width(), 4);
  EXPECT_EQ(p.Height(), 4);
  EXPECT_EQ(p.GetPixelColor(1, 1), 0xFFFFFFu);  // background
  EXPECT_EQ(p.GetPixelColor(0, 0), 0x000000u);  // the white mark
  EXPECT_EQ(p.GetPixelColor(3, 3), 0xFFFF00u);  // red inverted: cyan (COLORREF)
  // A white background is kept as it is.
  spec.parts = {Bmp(Diagonal())};
  t = Read(test::WriteDwgPreviewFile(spec));
  ASSERT_NE(t.Picture(), nullptr);
  EXPECT_EQ(t.Picture()->Width(), 3);
  EXPECT_EQ(t.Picture()->Height(), 3);
  EXPECT_EQ(t.Picture()->GetPixelColor(0, 0), 0x0000FFu);
  EXPECT_EQ(t.Picture()->GetPixelColor(1, 0), 0xFFFFFFu);
}

TEST(DwgThumbnail, OneAndFourBitPicturesAreCroppedAtTheirDepth) {
  for (std::uint16_t bits : {1, 4}) {
    for (std::int32_t height : {7, -7}) {
      TDib dib;
      ASSERT_TRUE(dib.Create(13, height, bits));
      dib.SetPaletteEntry(0, 0xFFFFFF);
      dib.SetPaletteEntry(1, 0xFF0000);
      dib.SetPixel(2, 1, 1);
      dib.SetPixel(10, 4, 1);
      DwgPreviewSpec spec;
      spec.parts = {Bmp(dib)};
      const Thumbnail t = Read(test::WriteDwgPreviewFile(spec));
      ASSERT_NE(t.Picture(), nullptr) << bits;
      const TDib& p = *t.Picture();
      EXPECT_EQ(p.BitCount(), bits);
      EXPECT_EQ(p.IsTopDown(), height < 0);
      EXPECT_EQ(p.Width(), 9);
      EXPECT_EQ(p.Height(), 4);
      EXPECT_EQ(p.GetPixelColor(0, 0), 0x0000FFu) << bits;
      EXPECT_EQ(p.GetPixelColor(8, 3), 0x0000FFu) << bits;
      EXPECT_EQ(p.GetPixelColor(8, 0), 0xFFFFFFu) << bits;
      EXPECT_EQ(p.GetPixelColor(0, 3), 0xFFFFFFu) << bits;
    }
  }
}

TEST(DwgThumbnail, ASingleRowOrColumnOrAnEmptyPictureIsNotCropped) {
  for (const auto& marks : {std::vector<PreviewMark>{{1, 2, 2}, {6, 2, 3}}, std::vector<PreviewMark>{{4, 0, 2}, {4, 5, 2}},
                            std::vector<PreviewMark>{}}) {
    DwgPreviewSpec spec;
    spec.parts = {Bmp(PalettePicture(8, 6, kPalette, 1, marks))};
    const Thumbnail t = Read(test::WriteDwgPreviewFile(spec));
    ASSERT_NE(t.Picture(), nullptr);
    EXPECT_EQ(t.Picture()->Width(), 8);
    EXPECT_EQ(t.Picture()->Height(), 6);
  }
}

TEST(DwgThumbnail, BlackAndWhiteGivesTwoColours) {
  // Grey background, red, blue and black marks; a 24-bit PNG, so that the
  // picture goes through the 8-bit conversion first.
  const TDib colours = PalettePicture(7, 5, kPalette, 4, {{1, 1, 2}, {5, 3, 3}, {3, 2, 0}});
  DwgPreviewSpec spec;
  spec.parts = {Png(colours)};
  const Thumbnail t = Read(test::WriteDwgPreviewFile(spec), true);
  ASSERT_NE(t.Picture(), nullptr);
  const TDib& p = *t.Picture();
  EXPECT_EQ(p.BitCount(), 1);
  EXPECT_EQ(p.Width(), 5);
  EXPECT_EQ(p.Height(), 3);
  std::set<std::uint32_t> seen;
  for (std::int32_t y = 0; y < p.Height(); ++y) {
    for (std::int32_t x = 0; x < p.Width(); ++x) seen.insert(p.GetPixelColor(x, y));
  }
  EXPECT_EQ(seen, (std::set<std::uint32_t>{0x000000, 0xFFFFFF}));
  EXPECT_EQ(p.GetPixelColor(0, 0), 0x000000u);
  EXPECT_EQ(p.GetPixelColor(1, 0), 0xFFFFFFu);
  EXPECT_EQ(p.GetPixelColor(2, 1), 0x000000u);
  EXPECT_EQ(p.GetPixelColor(4, 2), 0x000000u);
}

// The outcome for each sample drawing of R13 and later is listed in
// DwgThumbnailOutcomes.txt: "name WIDTHxHEIGHT" or "name null".
TEST(DwgThumbnail, SampleDrawingsGiveTheirListedOutcome) {
  KVN_REQUIRE_TESTDATA(dir);
  InstallRendererPictureServices();
  std::ifstream list(std::string(KVN_SOURCE_DIR) + "/tests/dwg/DwgThumbnailOutcomes.txt");
  ASSERT_TRUE(list.good());
  std::string line;
  int checked = 0;
  while (std::getline(list, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name, outcome;
    fields >> name >> outcome;
    for (bool blackAndWhite : {false, true}) {
      bool layout = true;
      const auto sheet =
          ReadDwgThumbnail(&layout, WString::FromUtf8((dir / "dwg" / name).string()), blackAndWhite);
      EXPECT_FALSE(layout) << name;
      std::string actual = "null";
      if (sheet) {
        const cBitmap* bitmap = sheet->TopBlock().FirstObject()->AsBitmap();
        ASSERT_NE(bitmap, nullptr);
        const TDib* p = bitmap->StoredDib();
        ASSERT_NE(p, nullptr);
        actual = std::to_string(p->Width()) + "x" + std::to_string(p->Height());
        EXPECT_EQ(p->BitCount(), blackAndWhite ? 1 : 8) << name;
      }
      EXPECT_EQ(actual, outcome) << name;
    }
    ++checked;
  }
  EXPECT_GE(checked, 13);
}

}  // namespace
}  // namespace kvn
