// Gadget images: the embedded tool-bar bitmaps, and the order in which
// LoadGadgetImage looks (memory list, image folder, resources).
#include <gtest/gtest.h>

#include <filesystem>

#include "controls/GadgetImage.h"
#include "foundation/Resources.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

constexpr std::uint32_t kToolBarImages[] = {18920, 19570, 19516, 15210, 15620, 19917, 19918,
                                            15932, 15102, 16434, 19752, 19754, 19756};

TEST(GadgetImage, EveryToolBarImageIsEmbedded) {
  for (std::uint32_t id : kToolBarImages) {
    std::unique_ptr<TDib> dib = LoadGadgetImage(id);
    ASSERT_NE(dib, nullptr) << id;
    EXPECT_EQ(dib->Width(), 16) << id;
    EXPECT_EQ(dib->Height(), 16) << id;
    EXPECT_EQ(dib->BitCount(), 24) << id;
    // The first row is the top row of the source.
    EXPECT_EQ(dib->GetPixelColor(0, 0) == kGadgetImageFaceKey || id == 19756, true) << id;
  }
  EXPECT_EQ(LoadGadgetImage(0), nullptr);
  EXPECT_EQ(LoadGadgetImage(4242), nullptr);
}

TEST(GadgetImage, FaceKeyBecomesTheFaceColour) {
  std::unique_ptr<TDib> dib = LoadGadgetImage(15932);
  ASSERT_NE(dib, nullptr);
  const std::vector<std::uint8_t> bgra = DibToBgra(*dib, kGadgetImageFaceKey, 0x00123456);
  ASSERT_EQ(bgra.size(), 16u * 16u * 4u);
  // Top-left is background: B, G, R of 0x00123456 (COLORREF: R = 0x56).
  EXPECT_EQ(bgra[0], 0x12);
  EXPECT_EQ(bgra[1], 0x34);
  EXPECT_EQ(bgra[2], 0x56);
  // The magnifier's rim (row 1, column 4) is black.
  const std::size_t rim = (1 * 16 + 4) * 4;
  EXPECT_EQ(bgra[rim] | bgra[rim + 1] | bgra[rim + 2], 0);
}

TEST(GadgetImage, MemoryListThenFolderThenResources) {
  TDib small;
  ASSERT_TRUE(small.Create(4, 4, 24));
  ASSERT_TRUE(RegisterGadgetImage(18920, small));
  std::unique_ptr<TDib> fromMemory = LoadGadgetImage(18920);
  ASSERT_NE(fromMemory, nullptr);
  EXPECT_EQ(fromMemory->Width(), 4);
  ClearGadgetImages();

  test::ScratchDir dir;
  TDib big;
  ASSERT_TRUE(big.Create(101, 8, 24));
  ASSERT_TRUE(WriteDibAsBmpFile(WString::FromUtf8((dir.Path() / "19570.bmp").string()), big));
  TDib fits;
  ASSERT_TRUE(fits.Create(100, 8, 24));
  ASSERT_TRUE(WriteDibAsBmpFile(WString::FromUtf8((dir.Path() / "4242.bmp").string()), fits));
  SetGadgetImageFolder(WString::FromUtf8(dir.Path().string()));
  // Too wide for a button: the resource is used instead.
  std::unique_ptr<TDib> close = LoadGadgetImage(19570);
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->Width(), 16);
  std::unique_ptr<TDib> fromFolder = LoadGadgetImage(4242);
  ASSERT_NE(fromFolder, nullptr);
  EXPECT_EQ(fromFolder->Width(), 100);
  SetGadgetImageFolder(WString());
}

}  // namespace
}  // namespace kvn
