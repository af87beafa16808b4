// The themed drawing of the core library served by the GTK theme: a push
// button's background in two states lands in a raster device context as
// the theme draws it.
#include <gtest/gtest.h>
#include <wx/image.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foundation/UiTheme.h"
#include "platform/gdi/RasterDC.h"
#include "platform/ui/ThemeDrawing.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

constexpr int kSurfaceWidth = 120;
constexpr int kSurfaceHeight = 40;

// A white surface with the part drawn inside, grown rectangle and all.
std::vector<std::uint8_t> Draw(UxThemeDll& theme, int part, int state) {
  std::vector<std::uint8_t> bits(std::size_t(kSurfaceWidth) * kSurfaceHeight * 4, 0xFF);
  std::unique_ptr<RasterDC> dc = RasterDC::Create(bits.data(), kSurfaceWidth, kSurfaceHeight);
  EXPECT_NE(dc, nullptr);
  if (dc) theme.DrawBackground(dc.get(), part, state, ScreenRect{11, 6, 109, 34}, nullptr);
  if (dc) dc->Flush();
  return bits;
}

// The surface as a PNG artifact, for a person to look at.
void SaveArtifact(const std::vector<std::uint8_t>& bits, const std::string& name) {
  wxImage image(kSurfaceWidth, kSurfaceHeight);
  for (int y = 0; y < kSurfaceHeight; ++y) {
    for (int x = 0; x < kSurfaceWidth; ++x) {
      const std::uint8_t* p = &bits[(std::size_t(y) * kSurfaceWidth + x) * 4];
      image.SetRGB(x, y, p[2], p[1], p[0]);
    }
  }
  if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
  std::filesystem::create_directories(test::ArtifactDir());
  image.SaveFile((test::ArtifactDir() / name).string(), wxBITMAP_TYPE_PNG);
}

int DifferingPixels(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  int n = 0;
  for (std::size_t i = 0; i + 3 < a.size(); i += 4) {
    if (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2]) ++n;
  }
  return n;
}

TEST(ThemeDrawing, PushButtonStatesComeFromTheTheme) {
  InstallThemeDrawing();
  UxThemeDll theme;
  theme.Open(nullptr);
  EXPECT_TRUE(theme.IsBound());
  EXPECT_TRUE(theme.IsUsable());

  const std::vector<std::uint8_t> empty(std::size_t(kSurfaceWidth) * kSurfaceHeight * 4, 0xFF);
  const std::vector<std::uint8_t> normal = Draw(theme, kBpPushButton, kPbsNormal);
  const std::vector<std::uint8_t> pressed = Draw(theme, kBpPushButton, kPbsPressed);
  SaveArtifact(normal, "theme-push-normal.png");
  SaveArtifact(pressed, "theme-push-pressed.png");
  EXPECT_GT(DifferingPixels(normal, empty), kSurfaceWidth * kSurfaceHeight / 4);
  EXPECT_GT(DifferingPixels(pressed, normal), 0);
  // Only the rectangle grown by one pixel is touched.
  EXPECT_EQ(normal[(std::size_t(4) * kSurfaceWidth + 4) * 4], 0xFF);
  EXPECT_EQ(normal[(std::size_t(kSurfaceHeight - 5) * kSurfaceWidth + kSurfaceWidth - 5) * 4], 0xFF);

  // Check box and radio button: checked differs from unchecked.
  EXPECT_GT(DifferingPixels(Draw(theme, kBpCheckBox, 1), Draw(theme, kBpCheckBox, 5)), 0);
  EXPECT_GT(DifferingPixels(Draw(theme, kBpRadioButton, 1), Draw(theme, kBpRadioButton, 5)), 0);

  theme.Release();
  EXPECT_FALSE(theme.IsBound());
  EXPECT_FALSE(theme.IsUsable());
  EXPECT_EQ(DifferingPixels(Draw(theme, kBpPushButton, kPbsNormal), empty), 0);
  UninstallThemeDrawing();
}

TEST(ThemeDrawing, EdgeAnswersTheContentInside) {
  InstallThemeDrawing();
  UxThemeDll theme;
  theme.Open(nullptr);
  std::vector<std::uint8_t> bits(std::size_t(kSurfaceWidth) * kSurfaceHeight * 4, 0);
  std::unique_ptr<RasterDC> dc = RasterDC::Create(bits.data(), kSurfaceWidth, kSurfaceHeight);
  ASSERT_NE(dc, nullptr);
  ScreenRect content;
  // EDGE_SUNKEN on every side (BF_RECT).
  EXPECT_EQ(theme.DrawEdge(dc.get(), kBpPushButton, kPbsNormal, ScreenRect{10, 10, 50, 30}, 0x0A, 0x0F, &content), 1);
  EXPECT_EQ(content.left, 12);
  EXPECT_EQ(content.top, 12);
  EXPECT_EQ(content.right, 48);
  EXPECT_EQ(content.bottom, 28);
  UninstallThemeDrawing();
}

TEST(ThemeDrawing, NoPaletteDeviceHereSoTheNonPaletteAnswers) {
  InstallThemeDrawing();
  std::vector<std::uint8_t> bits(16 * 16 * 4, 0);
  std::unique_ptr<RasterDC> dc = RasterDC::Create(bits.data(), 16, 16);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->GetDeviceCaps(kThemeCapNumColors), -1);
  EXPECT_EQ(RealizeHalftonePalette(dc.get(), true), 0);
  UninstallThemeDrawing();
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
