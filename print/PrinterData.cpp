#include "print/PrinterData.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "document/cDrawing.h"
#include "foundation/TextFormat.h"
#include "model/cDrawingData.h"

namespace kvn {

namespace {

// Measuring a set-up is what printing asks for on every preview page and
// dialog refresh; the last set-up of each pass is remembered with what it
// gave. The key is the queue's name and the set-up's bytes.
struct MeasureSlot {
  bool used = false;
  std::vector<std::uint8_t> key;
  PageMeasure values;
  bool failed = false;
};
std::array<MeasureSlot, 2>& MeasureSlots() {
  static std::array<MeasureSlot, 2> slots;
  return slots;
}

constexpr double kA4Width = 210, kA4Height = 297;
constexpr int kA4PaperId = 9;

}  // namespace

MyPrinterDataStruct__::MyPrinterDataStruct__() {
  const Margins& m = DefaultMargins();
  marginLeft = m.left;
  marginTop = m.top;
  marginRight = m.right;
  marginBottom = m.bottom;
}

bool MyPrinterDataStruct__::GetPlacement(double& x, double& y) const {
  x = positionX;
  y = positionY;
  return false;
}

bool MyPrinterDataStruct__::Landscape() const {
  return GetFormatMode() == 2 ? !(formatHeight > formatWidth) : orientationMode != 0;
}

void MyPrinterDataStruct__::Update(PrinterInfo* printer) {
  PrintQuality& quality = PrintQualityGlobals();
  if (valid && !quality.settingsChanged) return;
  devmodeCopy.reset();
  valid = 1;
  quality.settingsChanged = false;
  scale = 1.0;
  foundPaperId = -1;
  paperName = WString();
  resolutionX = resolutionY = 600;
  bitsPerPixel = 24;
  if (!printer || !printer->LoadDevMode()) {
    UpdateWithoutPrinter();
    return;
  }
  UpdateOnPrinter(*printer);
  if (fitToPaper)
    PlaceToFit();
  else
    PlaceWithoutFit();
}

void MyPrinterDataStruct__::UpdateWithoutPrinter() {
  PrintQuality& quality = PrintQualityGlobals();
  NormalizePrintResolution();
  if (requestedPaperId == kA4PaperId) foundPaperId = kA4PaperId;
  paperWidth = kA4Width;
  paperHeight = kA4Height;
  printableOffsetX = printableOffsetY = 7.5;
  printableWidth = 195;
  printableHeight = 282;
  paperName = WString(u"A4");
  if (Landscape()) {
    std::swap(paperWidth, paperHeight);
    std::swap(printableWidth, printableHeight);
    std::swap(printableOffsetX, printableOffsetY);
  }
  if (fullResolution) {
    resolutionX = resolutionY = 1200;
  } else if (requestedResolution != 0) {
    resolutionX = resolutionY = requestedResolution;
  } else {
    NormalizePrintResolution();
    resolutionX = resolutionY = static_cast<int>(std::floor(quality.resolution + 0.5));
  }
  int colour = colorModeIndex >= 0 ? colorModeIndex : quality.colorMode;
  if (colour < 0 || colour > 4) colour = 2;
  ColorModeBits(colour, bitsPerPixel, monochrome);

  if (!fitToPaper) {
    PlaceWithoutFit();
    return;
  }
  marginLeft = marginTop = marginRight = marginBottom = 0;
  positionX = positionY = 0;
  scale = 1.0;
  if (!(formatWidth > 0) || !(formatHeight > 0)) {
    formatWidth = 195;
    formatHeight = 282;
  }
  paperWidth = printableWidth = formatWidth;
  paperHeight = printableHeight = formatHeight;
  // The page is the format itself: nothing of it is unprintable.
  printableOffsetX = printableOffsetY = 0;
  const bool formatLandscape = formatHeight < formatWidth;
  if ((maxFormatHeight < maxFormatWidth) != formatLandscape) std::swap(maxFormatWidth, maxFormatHeight);
  if (formatWidth > maxFormatWidth || formatHeight > maxFormatHeight) {
    if (maxFormatWidth == 0 && maxFormatHeight == 0) {
      maxFormatWidth = formatLandscape ? 282 : 195;
      maxFormatHeight = formatLandscape ? 195 : 282;
    }
    scale = std::min(maxFormatWidth / formatWidth, maxFormatHeight / formatHeight);
    paperWidth = printableWidth = formatWidth * scale;
    paperHeight = printableHeight = formatHeight * scale;
  }
  paperName = FormatPercentD2(WString(u"%d x %d mm"), static_cast<int>(std::floor(paperWidth + 0.5)),
                              static_cast<int>(std::floor(paperHeight + 0.5)));
}

void MyPrinterDataStruct__::UpdateOnPrinter(PrinterInfo& printer) {
  printer.LoadPapers();
  const PrinterSettings& devmode = *printer.GetDevMode();
  if (const PrinterPaper* paper = printer.FindPaper(devmode.paperSize)) paperName = paper->name;
  if (requestedPaperId != 0) {
    if (const PrinterPaper* paper = printer.FindPaper(requestedPaperId)) {
      foundPaperId = requestedPaperId;
      paperName = paper->name;
    }
  }
  const std::string queue = printer.QueueName();
  for (int pass = 0; pass < 2; ++pass) {
    int wanted = 0;
    PrinterSettings settings = MakeDevModeCopy(printer, wanted, *this, pass == 1);
    std::vector<std::uint8_t> key = settings.Serialize();
    key.push_back(0);
    key.insert(key.end(), queue.begin(), queue.end());
    MeasureSlot& slot = MeasureSlots()[static_cast<std::size_t>(pass)];
    if (!slot.used || slot.key != key) {
      slot.used = true;
      slot.key = std::move(key);
      slot.failed = !printer.Measure(settings, slot.values);
      if (slot.failed) {
        PageMeasure a4;
        a4.paperWidth = kA4Width;
        a4.paperHeight = kA4Height;
        a4.printableWidth = 190;
        a4.printableHeight = 277;
        if (Landscape()) {
          std::swap(a4.paperWidth, a4.paperHeight);
          std::swap(a4.printableWidth, a4.printableHeight);
        }
        a4.offsetX = a4.offsetY = 10;
        a4.resolutionX = a4.resolutionY = 300;
        slot.values = a4;
      }
    }
    if (slot.failed) foundPaperId = -1;
    const PageMeasure& m = slot.values;
    printableWidth = m.printableWidth;
    printableHeight = m.printableHeight;
    printableOffsetX = m.offsetX;
    printableOffsetY = m.offsetY;
    paperWidth = m.paperWidth;
    paperHeight = m.paperHeight;
    resolutionX = m.resolutionX;
    resolutionY = m.resolutionY;
    bitsPerPixel = m.bits;
    monochrome = m.monochrome;
    const bool portraitDevmode = settings.orientation == kDmOrientPortrait;
    devmodeCopy = std::make_unique<PrinterSettings>(std::move(settings));
    if (wanted == 0 || (printableWidth < printableHeight) == portraitDevmode) break;
  }
}

void MyPrinterDataStruct__::PlaceToFit() {
  double left = marginLeft, top = marginTop, right = marginRight, bottom = marginBottom;
  bool centred = true;
  double x0 = 0, y0 = 0;
  if (GetPlacement(x0, y0)) {
    left = x0;
    top = y0;
    centred = false;
  }
  left = std::min(left, paperWidth / 3);
  right = std::min(right, paperWidth / 3);
  top = std::min(top, paperHeight / 3);
  bottom = std::min(bottom, paperHeight / 3);
  left = std::max(left, printableOffsetX);
  top = std::max(top, printableOffsetY);
  right = std::max(right, paperWidth - printableOffsetX - printableWidth);
  bottom = std::max(bottom, paperHeight - printableOffsetY - printableHeight);

  const double availableWidth = paperWidth - left - right;
  const double availableHeight = paperHeight - top - bottom;
  double placedWidth = formatWidth, placedHeight = formatHeight;
  if (formatWidth != 0 && formatHeight != 0 && availableWidth != 0 && availableHeight != 0) {
    const double f = std::min(availableWidth / formatWidth, availableHeight / formatHeight);
    if (UsesFitToPage() || f < 1.0) {
      scale = f;
      placedWidth = formatWidth * f;
      placedHeight = formatHeight * f;
    }
  }
  if (!centred) {
    positionX = left;
    positionY = top;
    return;
  }
  const double cx = std::min(std::max((paperWidth - placedWidth) / 2, left), left + availableWidth - placedWidth);
  const double cy = std::min(std::max((paperHeight - placedHeight) / 2, top), top + availableHeight - placedHeight);
  switch (PrintQualityGlobals().alignment) {
    case 1: positionX = left, positionY = cy; break;
    case 2: positionX = left + availableWidth - placedWidth, positionY = cy; break;
    case 3: positionX = cx, positionY = top; break;
    case 4: positionX = cx, positionY = top + availableHeight - placedHeight; break;
    default: positionX = cx, positionY = cy; break;
  }
}

void MyPrinterDataStruct__::PlaceWithoutFit() {
  if (printableWidth < formatWidth || !(formatWidth > 0)) formatWidth = printableWidth;
  if (printableHeight < formatHeight || !(formatHeight > 0)) formatHeight = printableHeight;
  double x = positionX, y = positionY;
  if (GetPlacement(x, y)) {
    positionX = x;
    positionY = y;
  }
  positionX = std::min(positionX, printableWidth + printableOffsetX - formatWidth);
  positionY = std::min(positionY, printableHeight + printableOffsetY - formatHeight);
  positionX = std::max(positionX, printableOffsetX);
  positionY = std::max(positionY, printableOffsetY);
}

bool MyPrinterDataStruct__Kvn::UsesFitToPage() const {
  return fit || (drawing_.Data() && drawing_.Data()->Scale() == 0.0);
}

bool MyPrinterDataStruct__Kvn::GetPlacement(double& x, double& y) const {
  MyPrinterDataStruct__::GetPlacement(x, y);
  if (drawing_.printMargins.x >= 0 && drawing_.printMargins.y >= 0) {
    x = drawing_.printMargins.x;
    y = drawing_.printMargins.y;
    return true;
  }
  return false;
}

PrinterSettings MakeDevModeCopy(PrinterInfo& printer, int& wanted, const MyPrinterDataStruct__& record, bool flip) {
  wanted = 0;
  const PrinterSettings* devmode = printer.GetDevMode();
  PrinterSettings copy = devmode ? *devmode : PrinterSettings{};
  bool landscape = copy.orientation == kDmOrientLandscape;
  switch (record.GetFormatMode()) {
    case 0: landscape = false; break;
    case 1: landscape = true; break;
    case 2:
      if (record.autoRotate) {
        landscape = !(record.formatHeight > record.formatWidth);
        wanted = landscape ? 2 : 1;
      }
      break;
    default: break;
  }
  copy.orientation = static_cast<std::int16_t>((flip ? !landscape : landscape) + 1);
  if (record.foundPaperId != -1) {
    copy.paperSize = static_cast<std::int16_t>(record.foundPaperId);
    if (const PrinterPaper* paper = printer.FindPaper(record.foundPaperId)) copy.media = paper->medium.name;
  }
  return copy;
}

void GetPaperGeometry(PrinterInfo* printer, int paperId, PaperSizeMm& size, Margins& margins, WString& name) {
  MyPrinterDataStruct__ portrait, landscape;
  portrait.requestedPaperId = landscape.requestedPaperId = paperId;
  portrait.orientationMode = 0;
  landscape.orientationMode = 1;
  portrait.Update(printer);
  landscape.Update(printer);
  size.width = std::floor(portrait.paperWidth * 10 + 0.5) / 10;
  size.height = std::floor(portrait.paperHeight * 10 + 0.5) / 10;
  const double printW = std::floor(std::min(portrait.printableWidth, landscape.printableHeight));
  const double printH = std::floor(std::min(portrait.printableHeight, landscape.printableWidth));
  margins.left = std::ceil(std::max(portrait.printableOffsetX, landscape.printableOffsetY) * 10) / 10;
  margins.top = std::ceil(std::max(portrait.printableOffsetY, landscape.printableOffsetX) * 10) / 10;
  margins.right = size.width - printW - margins.left;
  margins.bottom = size.height - printH - margins.top;
  name = portrait.paperName;
}

void ResetPrinters() {
  FreeChosenPrinter();
  GetPrinterList().Clear();
  MeasureSlots() = {};
}

}  // namespace kvn
