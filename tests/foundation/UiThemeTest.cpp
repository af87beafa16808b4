// The themed-drawing binding and the halftone palette over a scripted set of
// services: what binds and opens, what is drawn where, and the palette
// question's answers for every kind of device.
#include "foundation/UiTheme.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvn {
namespace {

// A device context here is only an address the services answer for.
struct FakeDevice {
  int numColors = -1;
  int rasterCaps = 0;
  int realizeAnswer = 0;
  void* selected = nullptr;
};

class FakeServices : public ThemeServices {
 public:
  void* OpenTheme(void* window, const char* classList) override {
    opened.push_back(classList);
    lastWindow = window;
    return giveTheme ? &theme : nullptr;
  }
  void CloseTheme(void* handle) override {
    EXPECT_EQ(handle, &theme);
    ++closed;
  }
  void DrawBackground(void* handle, TDC*, int part, int state, const ScreenRect& rect,
                      const ScreenRect* clip) override {
    EXPECT_EQ(handle, &theme);
    drawn.push_back({part, state, rect, clip != nullptr});
  }
  int DrawEdge(void*, TDC*, int, int, const ScreenRect& rect, unsigned, unsigned, ScreenRect* content) override {
    if (content) *content = ScreenRect{rect.left + 2, rect.top + 2, rect.right - 2, rect.bottom - 2};
    return 7;
  }
  int GetDeviceCaps(TDC* dc, int index) override {
    const auto* device = reinterpret_cast<FakeDevice*>(dc);
    if (index == kThemeCapNumColors) return device->numColors;
    if (index == kThemeCapRasterCaps) return device->rasterCaps;
    return 0;
  }
  void* CreateHalftonePalette() override {
    ++paletteMade;
    return &palette;
  }
  void* SelectPalette(TDC* dc, void* p) override {
    auto* device = reinterpret_cast<FakeDevice*>(dc);
    void* old = device->selected;
    device->selected = p;
    return old;
  }
  int RealizePalette(TDC* dc) override { return reinterpret_cast<FakeDevice*>(dc)->realizeAnswer; }

  struct Drawn {
    int part, state;
    ScreenRect rect;
    bool clipped;
  };
  bool giveTheme = true;
  int theme = 0;
  int palette = 0;
  int closed = 0;
  int paletteMade = 0;
  void* lastWindow = nullptr;
  std::vector<const char*> opened;
  std::vector<Drawn> drawn;
};

// Installs the services for one test and takes them away after it.
struct Installed {
  explicit Installed(FakeServices& s) : previous(SetThemeServices(&s)) {}
  ~Installed() { SetThemeServices(previous); }
  ThemeServices* previous;
};

TEST(UxThemeDll, BindsToTheServicesAndDrawsTheGrownRectangle) {
  FakeServices services;
  Installed installed(services);
  UxThemeDll theme;
  int window = 0;
  theme.Open(&window);
  EXPECT_TRUE(theme.LoadAttempted());
  EXPECT_TRUE(theme.IsBound());
  EXPECT_TRUE(theme.IsUsable());
  ASSERT_EQ(services.opened.size(), 1u);
  EXPECT_STREQ(services.opened[0], "Button");
  EXPECT_EQ(services.lastWindow, &window);

  const ScreenRect rect{10, 20, 110, 45};
  theme.DrawBackground(nullptr, kBpPushButton, kPbsPressed, rect, nullptr);
  ASSERT_EQ(services.drawn.size(), 1u);
  EXPECT_EQ(services.drawn[0].state, kPbsPressed);
  EXPECT_EQ(services.drawn[0].rect.left, 9);
  EXPECT_EQ(services.drawn[0].rect.top, 19);
  EXPECT_EQ(services.drawn[0].rect.right, 111);
  EXPECT_EQ(services.drawn[0].rect.bottom, 46);
  ScreenRect content;
  EXPECT_EQ(theme.DrawEdge(nullptr, kBpPushButton, kPbsNormal, rect, 5, 15, &content), 7);
  EXPECT_EQ(content.left, 12);
  EXPECT_EQ(content.bottom, 43);

  theme.Reopen(&window);
  EXPECT_EQ(services.closed, 1);
  EXPECT_TRUE(theme.IsUsable());
  theme.Release();
  EXPECT_EQ(services.closed, 2);
  EXPECT_FALSE(theme.LoadAttempted());
  EXPECT_FALSE(theme.IsBound());
  EXPECT_FALSE(theme.IsUsable());
  theme.DrawBackground(nullptr, kBpPushButton, kPbsNormal, rect, nullptr);
  EXPECT_EQ(theme.DrawEdge(nullptr, kBpPushButton, kPbsNormal, rect, 5, 15, &content), 0);
  EXPECT_EQ(services.drawn.size(), 1u);
}

TEST(UxThemeDll, BoundWithoutAThemeDrawsNothing) {
  FakeServices services;
  services.giveTheme = false;
  Installed installed(services);
  UxThemeDll theme;
  theme.Open(nullptr);
  EXPECT_TRUE(theme.IsBound());
  EXPECT_FALSE(theme.IsUsable());
  theme.DrawBackground(nullptr, kBpCheckBox, 1, ScreenRect{0, 0, 13, 13}, nullptr);
  EXPECT_TRUE(services.drawn.empty());
  theme.Release();
  EXPECT_EQ(services.closed, 0);
}

TEST(RealizeHalftonePalette, AnswersForEveryKindOfDevice) {
  // One set of services for the whole table: the halftone palette is made
  // once for the program's life.
  static FakeServices services;
  Installed installed(services);
  int previous = 0;
  struct Row {
    int numColors, rasterCaps, realize;
    bool check;
    int expected;
    bool keepsHalftone;
  } const rows[] = {
      {-1, 0, 0, true, 0, false},                        // true colour
      {16, 0, 0, true, 2, false},                        // 16 colours, no palette
      {2, 0, 0, false, 0, false},                        // monochrome
      {16, kThemeRcPalette, 0, false, 1, true},          // no check: realised regardless
      {256, 0, 0, true, 0, false},                       // colours but no RC_PALETTE
      {0, kThemeRcPalette, 0, true, 0, false},           // palette bit, no colours
      {256, kThemeRcPalette, 236, true, 1, true},        // 8-bit palette device
      {256, kThemeRcPalette, 0, true, 0, false},         // realisation mapped nothing
      {256, kThemeRcPalette, kThemeGdiError, true, 0, false},
      {256, kThemeRcPalette, kThemeGdiError, false, 1, true},
  };
  for (const Row& row : rows) {
    FakeDevice device{row.numColors, row.rasterCaps, row.realize, &previous};
    EXPECT_EQ(RealizeHalftonePalette(reinterpret_cast<TDC*>(&device), row.check), row.expected)
        << row.numColors << " colours, caps " << row.rasterCaps << ", realised " << row.realize;
    EXPECT_EQ(device.selected, row.keepsHalftone ? static_cast<void*>(&services.palette) : &previous);
  }
  EXPECT_EQ(services.paletteMade, 1);
  EXPECT_EQ(RealizeHalftonePalette(nullptr, true), 0);
}

}  // namespace
}  // namespace kvn
