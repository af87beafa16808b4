#include "print/PrinterData.h"

#include <gtest/gtest.h>

#include <cstring>

#include "document/cDrawing.h"
#include "foundation/Registry.h"
#include "model/cDrawingData.h"
#include "tests/print/FakeSpooler.h"

namespace kvn {
namespace {

using test::DefaultsFor;
using test::FakeQueue;
using test::Medium;

class PrinterDataTest : public ::testing::Test, public test::PrinterTestBase {
 protected:
  // One queue "TEST": A4 with 5 / 6 / 7 / 8 mm margins (left, top, right,
  // bottom), Letter without margins, a medium of no size and an odd one.
  void AddTestQueue() {
    FakeQueue q;
    q.name = "TEST";
    q.media = {Medium("na_letter_8.5x11in", "Letter", 21590, 27940),
               Medium("iso_a4_210x297mm", "A4", 21000, 29700, 500, 800, 700, 600),
               Medium("custom_zero", "Nothing", 0, 29700),
               Medium("custom_odd", "Odd", 10000, 10000, 100, 100, 100, 100)};
    q.defaults = DefaultsFor("iso_a4_210x297mm");
    spooler.queues.push_back(q);
  }
  PrinterInfo* Printer(int i = 0) {
    LoadPrinterList();
    return GetPrinterList().At(i);
  }
};

TEST_F(PrinterDataTest, WithoutPrinterA4Defaults) {
  MyPrinterDataStruct__ r;
  r.formatWidth = 100;
  r.formatHeight = 50;
  r.Update(nullptr);
  EXPECT_TRUE(r.valid);
  EXPECT_EQ(r.paperWidth, 210);
  EXPECT_EQ(r.paperHeight, 297);
  EXPECT_EQ(r.printableWidth, 195);
  EXPECT_EQ(r.printableHeight, 282);
  EXPECT_EQ(r.printableOffsetX, 7.5);
  EXPECT_EQ(r.printableOffsetY, 7.5);
  EXPECT_EQ(r.paperName, u"A4");
  EXPECT_EQ(r.foundPaperId, -1);
  EXPECT_EQ(r.resolutionX, 600);
  EXPECT_EQ(r.bitsPerPixel, 24);
  // Placed inside the printable area.
  EXPECT_EQ(r.positionX, 7.5);
  EXPECT_EQ(r.positionY, 7.5);

  MyPrinterDataStruct__ l;
  l.orientationMode = 1;
  l.requestedPaperId = 9;
  l.colorModeIndex = 0;
  l.requestedResolution = 150;
  l.formatWidth = 500;  // wider than the page: cut to the printable width
  l.Update(nullptr);
  EXPECT_EQ(l.foundPaperId, 9);
  EXPECT_EQ(l.paperWidth, 297);
  EXPECT_EQ(l.printableWidth, 282);
  EXPECT_EQ(l.formatWidth, 282);
  EXPECT_EQ(l.formatHeight, 195);
  EXPECT_EQ(l.resolutionX, 150);
  EXPECT_EQ(l.bitsPerPixel, 1);
  EXPECT_EQ(l.monochrome, 1);

  PrintQualityGlobals().resolution = 0;
  PrintQualityGlobals().colorMode = 9;
  MyPrinterDataStruct__ q;
  q.Update(nullptr);
  EXPECT_EQ(PrintQualityGlobals().resolution, 600);
  EXPECT_EQ(q.bitsPerPixel, 24);
  EXPECT_EQ(q.monochrome, 0);
  q.fullResolution = 1;
  q.Update(nullptr);  // valid and nothing changed: kept
  EXPECT_EQ(q.resolutionX, 600);
  PrintQualityGlobals().settingsChanged = true;
  q.Update(nullptr);
  EXPECT_EQ(q.resolutionX, 1200);
  EXPECT_FALSE(PrintQualityGlobals().settingsChanged);
}

TEST_F(PrinterDataTest, FitToPaperWithoutPrinter) {
  MyPrinterDataStruct__ r;
  r.fitToPaper = 1;
  r.marginLeft = 5;
  r.Update(nullptr);
  EXPECT_EQ(r.paperName, u"195 x 282 mm");
  EXPECT_EQ(r.paperWidth, 195);
  EXPECT_EQ(r.printableHeight, 282);
  EXPECT_EQ(r.marginLeft, 0);
  EXPECT_EQ(r.scale, 1.0);

  MyPrinterDataStruct__ big;
  big.fitToPaper = 1;
  big.formatWidth = 3000;
  big.formatHeight = 1000;
  big.Update(nullptr);
  EXPECT_DOUBLE_EQ(big.scale, 2.0 / 3.0);
  EXPECT_DOUBLE_EQ(big.paperWidth, 2000);
  EXPECT_NEAR(big.paperHeight, 666.667, 1e-3);
  EXPECT_EQ(big.paperName, u"2000 x 667 mm");

  MyPrinterDataStruct__ noMax;
  noMax.fitToPaper = 1;
  noMax.formatWidth = 400;
  noMax.formatHeight = 300;
  noMax.maxFormatWidth = noMax.maxFormatHeight = 0;
  noMax.Update(nullptr);
  EXPECT_DOUBLE_EQ(noMax.scale, 195.0 / 300.0);
  EXPECT_EQ(noMax.paperName, u"260 x 195 mm");
}

TEST_F(PrinterDataTest, PapersOfAQueueGetTableOrDriverIds) {
  AddTestQueue();
  spooler.queues[0].media.push_back(Medium("iso_a4_210x297mm.Borderless", "A4 borderless", 21000, 29700));
  PrinterInfo* p = Printer();
  ASSERT_NE(p, nullptr);
  p->LoadPapers();
  const auto& papers = p->Papers();
  ASSERT_EQ(papers.size(), 5u);
  // Sorted by area: the paper of no size first.
  EXPECT_EQ(papers[0]->name, u"Nothing");
  EXPECT_GE(papers[0]->id, 256);
  EXPECT_EQ(papers[1]->name, u"Odd");
  EXPECT_GE(papers[1]->id, 256);
  EXPECT_EQ(papers[2]->id, 1);  // Letter
  EXPECT_EQ(papers[3]->id, 9);  // A4
  EXPECT_EQ(papers[3]->width, 2100);
  EXPECT_EQ(papers[3]->height, 2970);
  EXPECT_GE(papers[4]->id, 256);  // a second A4 gets an id of its own
  EXPECT_NE(papers[4]->id, papers[0]->id);
  double w = 0, h = 0;
  EXPECT_EQ(p->GetPaperSize(3, w, h), 9);
  EXPECT_DOUBLE_EQ(w, 210);
  EXPECT_EQ(p->GetPaperSize(5, w, h), 0);
  EXPECT_EQ(p->FindPaper(0), nullptr);
  EXPECT_EQ(p->IndexOfPaper(1), 2);
  int id = 0;
  EXPECT_FALSE(p->GetPaperIdAt(-1, id));
  // The default medium names the set-up's paper.
  ASSERT_NE(p->GetDevMode(), nullptr);
  EXPECT_EQ(p->GetDevMode()->paperSize, 9);
}

TEST_F(PrinterDataTest, RealPrinterMeasuresTheMedium) {
  AddTestQueue();
  MyPrinterDataStruct__ r;
  r.formatWidth = 100;
  r.formatHeight = 100;
  r.Update(Printer());
  EXPECT_EQ(r.paperName, u"A4");
  EXPECT_DOUBLE_EQ(r.paperWidth, 210);
  EXPECT_DOUBLE_EQ(r.paperHeight, 297);
  EXPECT_DOUBLE_EQ(r.printableOffsetX, 5);
  EXPECT_DOUBLE_EQ(r.printableOffsetY, 6);
  EXPECT_DOUBLE_EQ(r.printableWidth, 198);
  EXPECT_DOUBLE_EQ(r.printableHeight, 283);
  EXPECT_EQ(r.resolutionX, 600);  // the queue names none
  ASSERT_NE(r.devmodeCopy, nullptr);
  EXPECT_EQ(r.devmodeCopy->orientation, kDmOrientPortrait);

  // Landscape turns paper, printable area and offsets; the requested paper is found.
  MyPrinterDataStruct__ l;
  l.orientationMode = 1;
  l.requestedPaperId = 1;
  l.Update(Printer());
  EXPECT_EQ(l.foundPaperId, 1);
  EXPECT_EQ(l.paperName, u"Letter");
  EXPECT_DOUBLE_EQ(l.paperWidth, 279.4);
  EXPECT_DOUBLE_EQ(l.paperHeight, 215.9);
  EXPECT_EQ(l.devmodeCopy->paperSize, 1);
  EXPECT_EQ(l.devmodeCopy->media, "na_letter_8.5x11in");
  EXPECT_EQ(l.devmodeCopy->orientation, kDmOrientLandscape);

  // The format's shape decides with auto-rotate.
  MyPrinterDataStruct__ a;
  a.orientationMode = 2;
  a.formatWidth = 300;
  a.formatHeight = 100;
  a.Update(Printer());
  EXPECT_DOUBLE_EQ(a.paperWidth, 297);
  EXPECT_DOUBLE_EQ(a.printableOffsetX, 6);
}

TEST_F(PrinterDataTest, ASecondPassFlipsWhenThePrintableAreaDisagreesWithTheOrientation) {
  FakeQueue q;
  q.name = "Square";
  // 100 x 100 mm with 10 mm at top and bottom: portrait leaves a wide area.
  q.media = {Medium("square", "Square", 10000, 10000, 0, 1000, 0, 1000)};
  q.defaults = DefaultsFor("square");
  spooler.queues.push_back(q);
  MyPrinterDataStruct__ r;
  r.orientationMode = 2;  // by the format's shape: portrait wanted
  r.formatWidth = 50;
  r.formatHeight = 100;
  r.Update(Printer());
  ASSERT_NE(r.devmodeCopy, nullptr);
  EXPECT_EQ(r.devmodeCopy->orientation, kDmOrientLandscape);
  EXPECT_DOUBLE_EQ(r.printableWidth, 80);
  EXPECT_DOUBLE_EQ(r.printableHeight, 100);
  EXPECT_DOUBLE_EQ(r.printableOffsetX, 10);
  // Without a shape to follow, one pass.
  MyPrinterDataStruct__ fixed;
  fixed.Update(Printer());
  EXPECT_EQ(fixed.devmodeCopy->orientation, kDmOrientPortrait);
  EXPECT_DOUBLE_EQ(fixed.printableWidth, 100);
}

TEST_F(PrinterDataTest, AMediumWithoutSizeTakesTheUnmeasurablePath) {
  AddTestQueue();
  PrinterInfo* p = Printer();
  p->LoadPapers();
  const int zeroId = p->Papers()[0]->id;
  MyPrinterDataStruct__ r;
  r.requestedPaperId = zeroId;
  r.Update(p);
  EXPECT_EQ(r.foundPaperId, -1);
  EXPECT_DOUBLE_EQ(r.paperWidth, 210);
  EXPECT_DOUBLE_EQ(r.paperHeight, 297);
  EXPECT_DOUBLE_EQ(r.printableWidth, 190);
  EXPECT_DOUBLE_EQ(r.printableHeight, 277);
  EXPECT_DOUBLE_EQ(r.printableOffsetX, 10);
  EXPECT_EQ(r.resolutionX, 300);
  // Asked again (from the remembered measurement): the same answer.
  MyPrinterDataStruct__ again;
  again.requestedPaperId = zeroId;
  again.Update(p);
  EXPECT_EQ(again.foundPaperId, -1);
  EXPECT_DOUBLE_EQ(again.printableWidth, 190);
}

TEST_F(PrinterDataTest, FitMarginsAreCappedAndRaisedAndAligned) {
  AddTestQueue();
  MyPrinterDataStruct__ r;
  r.fitToPaper = 1;
  r.formatWidth = 400;
  r.formatHeight = 400;
  r.marginLeft = 100;    // capped at 70
  r.marginRight = 1;     // raised to the unprintable 7
  r.marginTop = 0;       // raised to 6
  r.marginBottom = 200;  // capped at 99
  r.Update(Printer());
  const double aw = 210 - 70 - 7, ah = 297 - 6 - 99;
  const double f = std::min(aw / 400, ah / 400);
  EXPECT_DOUBLE_EQ(r.scale, f);
  // Alignment 0: centred, kept inside the available area.
  EXPECT_DOUBLE_EQ(r.positionX, std::min(std::max((210 - 400 * f) / 2, 70.0), 70 + aw - 400 * f));
  EXPECT_DOUBLE_EQ(r.positionY, std::min(std::max((297 - 400 * f) / 2, 6.0), 6 + ah - 400 * f));

  PrintQualityGlobals().alignment = 2;
  MyPrinterDataStruct__ right;
  right.fitToPaper = 1;
  right.formatWidth = 50;
  right.formatHeight = 50;
  right.Update(Printer());
  EXPECT_EQ(right.scale, 1.0);  // fits: no scaling without fit-to-page
  EXPECT_DOUBLE_EQ(right.positionX, 210 - 7 - 50.0);
  EXPECT_DOUBLE_EQ(right.positionY, (297 - 50) / 2.0);
}

TEST_F(PrinterDataTest, NativeRecordPlacesAtTheDrawingsLocationAndFitsWithoutScale) {
  AddTestQueue();
  cDrawingData data;
  data.SetScale(0.5);
  cDrawing drawing(nullptr, &data);
  MyPrinterDataStruct__Kvn r(drawing);
  EXPECT_EQ(r.GetFormatMode(), 2);
  EXPECT_FALSE(r.UsesFitToPage());
  double x = 0, y = 0;
  EXPECT_FALSE(r.GetPlacement(x, y));
  drawing.printMargins = {30, 40};
  EXPECT_TRUE(r.GetPlacement(x, y));
  EXPECT_EQ(x, 30);
  r.fitToPaper = 1;
  r.formatWidth = 100;
  r.formatHeight = 150;
  r.Update(Printer());
  // Placed at the location, not centred; it fits, so no scaling.
  EXPECT_EQ(r.positionX, 30);
  EXPECT_EQ(r.positionY, 40);
  EXPECT_EQ(r.scale, 1.0);
  // A drawing without scale always fits the page.
  data.SetScale(0.0);
  EXPECT_TRUE(r.UsesFitToPage());
  PrintQualityGlobals().settingsChanged = true;
  r.Update(Printer());
  EXPECT_DOUBLE_EQ(r.scale, std::min((210 - 30 - 7) / 100.0, (297 - 40 - 8) / 150.0));
}

TEST_F(PrinterDataTest, PaperGeometryFromBothOrientations) {
  AddTestQueue();
  PaperSizeMm size;
  Margins m;
  WString name;
  GetPaperGeometry(Printer(), 9, size, m, name);
  EXPECT_EQ(name, u"A4");
  EXPECT_DOUBLE_EQ(size.width, 210);
  EXPECT_DOUBLE_EQ(size.height, 297);
  EXPECT_DOUBLE_EQ(m.left, 5);
  EXPECT_DOUBLE_EQ(m.top, 6);
  EXPECT_DOUBLE_EQ(m.right, 7);
  EXPECT_DOUBLE_EQ(m.bottom, 8);
  GetPaperGeometry(nullptr, 9, size, m, name);
  EXPECT_DOUBLE_EQ(m.left, 7.5);
  EXPECT_DOUBLE_EQ(m.right, 7.5);
}

TEST_F(PrinterDataTest, DefaultMarginsOnlyFromExactly32Bytes) {
  const double values[4] = {1.5, 2.5, 3.5, 4.5};
  std::uint8_t bytes[32];
  std::memcpy(bytes, values, sizeof bytes);  // little-endian machine
  {
    RegWriteKey w(kHkeyCurrentUser, WString(kProgramRegistryKey));
    w.SetBinary(u"PrnMrgnsD", bytes, 31);
  }
  LoadDefaultMargins(RegReadKey(kHkeyCurrentUser, WString(kProgramRegistryKey)));
  EXPECT_EQ(DefaultMargins().left, 0);
  {
    RegWriteKey w(kHkeyCurrentUser, WString(kProgramRegistryKey));
    w.SetBinary(u"PrnMrgnsD", bytes, 32);
  }
  LoadDefaultMargins(RegReadKey(kHkeyCurrentUser, WString(kProgramRegistryKey)));
  EXPECT_EQ(DefaultMargins().left, 1.5);
  EXPECT_EQ(DefaultMargins().bottom, 4.5);
  MyPrinterDataStruct__ r;
  EXPECT_EQ(r.marginTop, 2.5);
  DefaultMargins() = {9, 8, 7, 6};
  {
    RegWriteKey w(kHkeyCurrentUser, WString(kProgramRegistryKey));
    SaveDefaultMargins(w);
  }
  DefaultMargins() = {};
  LoadDefaultMargins(RegReadKey(kHkeyCurrentUser, WString(kProgramRegistryKey)));
  EXPECT_EQ(DefaultMargins().right, 7);
}

}  // namespace
}  // namespace kvn
