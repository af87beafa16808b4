// The sample drawing's title block on the screen: its texts are fields of
// the file, the drawing, the paper, the page, the sector and the insert's
// attribute, and the sector frame's labels are sector fields. The drawing
// window's pixels must equal an off-screen painting of the same sheet in
// which every field text was replaced by the value it must show, written
// out here by hand. Screenshots go to $KVN_GUI_ARTIFACTS.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "app/TestyFrameWindow.h"
#include "app/VectorWindow.h"
#include "document/BuiltinFontReader.h"
#include "document/OpenDrawingFile.h"
#include "document/TitleFields.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "dwg/InstallReaders.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cText.h"
#include "platform/fonts/FontLayerFaces.h"
#include "print/PaperNameField.h"
#include "render/GeometryServicesImpl.h"
#include "render/RasterSurface.h"
#include "tests/gui/GuiTestSupport.h"
#include "text/PatternGlyphs.h"
#include "text/ShxParsedFont.h"
#include "text/TrueTypeLine.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

std::filesystem::path SamplePath() {
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
}

std::unique_ptr<cDrawingDoc> OpenSample() {
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  auto doc = OpenDrawingFile(WString::FromUtf8(SamplePath().string()), request, outcome);
  EXPECT_NE(doc, nullptr) << "error " << outcome.errorCode;
  return doc;
}

// What each field text of the site must show: the file "sample", the
// second of two drawings named "Site" at 1:1 on A3 (420 x 297) without
// pages, the title block placed at (272, 225), in sector column 6
// (272 / 50) and row E (225 / 46), drawn by the insert's attribute.
std::map<std::u16string, std::u16string> TitleValues() {
  return {
      {u"File: [/<file:name>\\]", u"File: sample"},
      {u"Drawing: [/<drawing:name>\\]", u"Drawing: Site"},
      {u"Sheet: [/<drawing:order>\\]/[/<drawing:count>\\]", u"Sheet: 2/2"},
      {u"Scale: [/<drawing:scale>\\]", u"Scale: 1:1"},
      {u"Paper: [/<format:name>\\]   Page: [/<page:order>\\]", u"Paper: A3   Page: 1"},
      {u"Sector: [/<sector>\\]", u"Sector: 6E"},
      {u"Drawn by: [/<block:attribute:DRAWN>\\]", u"Drawn by: Ann Novak"},
  };
}

// A frame label shows the column (50 mm from x = 0, numbered from 1) or
// the row (46 mm from y = 0, lettered from A) its point lies in.
std::u16string FrameLabel(const cText& text) {
  if (text.GetText() == u"[/<sector:x>\\]") return std::u16string(1, char16_t(u'1' + int(text.point.x / 50)));
  if (text.GetText() == u"[/<sector:y>\\]") return std::u16string(1, char16_t(u'A' + int(text.point.y / 46)));
  return {};
}

// Replaces every field text of the site by its value; the count replaced.
int WriteValuesIn(cDrawingDoc& doc) {
  cSheet* site = doc.GetSheet(1);
  const auto values = TitleValues();
  int replaced = 0;
  auto visit = [&](const cBlock& block) {
    for (cOutObj* o = block.FirstObject(); o; o = o->next) {
      auto* text = dynamic_cast<cText*>(o);
      if (text == nullptr) continue;
      std::u16string value = FrameLabel(*text);
      if (auto it = values.find(std::u16string(text->GetText().View())); it != values.end()) value = it->second;
      if (value.empty()) continue;
      text->SetText(WString(value));
      ++replaced;
    }
  };
  visit(site->TopBlock());
  for (std::uint32_t i = 0; i < site->Data()->BlockCount(); ++i) visit(*site->Data()->GetBlock(i));
  site->TopBlock().MarkAllDirty(site->Data());
  return replaced;
}

class TitleBlockScreenshotTest : public test::SettingsFolderTest {};

TEST_F(TitleBlockScreenshotTest, TheSitesTitleBlockAndSectorFrameShowTheirFieldValues) {
  // As the application does at start-up.
  InstallRendererGeometryServices();
  InstallReaders();
  InstallBuiltinFontReader();
  InstallFontLayerFaces();
  InstallPatternGlyphSource();
  InstallShxFonts();
  InstallTrueTypeLineDrawer();
  InstallTitleFields();
  InstallPaperNameField();

  std::unique_ptr<cDrawingDoc> fields = OpenSample();
  std::unique_ptr<cDrawingDoc> values = OpenSample();
  ASSERT_TRUE(fields && values);
  ASSERT_EQ(fields->SheetCount(), 2u);
  // 7 rows of the title block and 28 frame labels.
  ASSERT_EQ(WriteValuesIn(*values), 7 + 28);

  auto frame = std::make_unique<TTestyFrameWindow>();
  auto* window = new cVectorWindow(fields.get(), 1, 0, frame.get());
  window->Mapping().scale = 0.45;  // 1.8 pixels per millimetre: the whole sheet
  frame->SetClientWindow(window);
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShow);
  test::Pump(500ms);
  ASSERT_NE(window->GetPeer(), nullptr);
  const TRect client = window->GetClientRect();
  const TPoint origin = window->ClientToScreen(TPoint{0, 0});

  // The same view of the drawing with the values written out, and with one
  // value wrong (which must show).
  auto paintView = [&](cDrawingDoc& doc, cRasterSurface& surface) {
    TTestyFrameWindow owner;
    auto* view = new cVectorWindow(&doc, 1, 0, &owner);
    owner.SetClientWindow(view);
    EXPECT_TRUE(owner.Create());
    view->Mapping() = window->Mapping();
    view->SetClientRect(client);
    EXPECT_TRUE(view->PaintInto(surface, client));
    surface.Flush();
    owner.Destroy();
  };
  cRasterSurface expected(false);
  paintView(*values, expected);
  std::unique_ptr<cDrawingDoc> wrong = OpenSample();
  ASSERT_TRUE(wrong);
  WriteValuesIn(*wrong);
  bool changed = false;
  for (cOutObj* o = wrong->GetSheet(1)->Data()->GetBlock(0)->FirstObject(); o; o = o->next) {
    if (auto* text = dynamic_cast<cText*>(o); text && text->GetText() == u"Sheet: 2/2") {
      text->SetText(WString(u"Sheet: 1/2"));
      changed = true;
    }
  }
  ASSERT_TRUE(changed);
  cRasterSurface wrongPicture(false);
  paintView(*wrong, wrongPicture);
  int differing = 0;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x) differing += *expected.PixelAt(x, y) != *wrongPicture.PixelAt(x, y);
  EXPECT_GT(differing, 5);

  int mismatches = -1, inked = 0;
  for (int attempt = 0; attempt < 20 && mismatches != 0; ++attempt) {
    window->GetPeer()->Refresh();
    window->GetPeer()->Update();
    test::Pump(200ms);
    const test::Screen screen = test::GrabScreen(test::ArtifactDir() / "title_block.png");
    ASSERT_FALSE(screen.pixels.empty()) << "cannot grab the screen";
    ASSERT_LE(origin.x + client.right, screen.width);
    ASSERT_LE(origin.y + client.bottom, screen.height);
    mismatches = 0;
    inked = 0;
    for (int y = 0; y < client.bottom; ++y)
      for (int x = 0; x < client.right; ++x) {
        const std::uint32_t actual = screen.At(origin.x + x, origin.y + y);
        mismatches += actual != (*expected.PixelAt(x, y) & 0xFFFFFF);
        inked += actual == 0x000000;
      }
  }
  EXPECT_EQ(mismatches, 0) << "screenshot in " << test::ArtifactDir();
  EXPECT_GT(inked, 1000);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
