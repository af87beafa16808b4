// The printer data record: a printer, a paper and a format turned into the
// page geometry that printing, the preview and the paper dialogs use (paper
// size, printable area and its offset, resolution, colour depth, and the
// position and scale of the printed area). Millimetres throughout.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/WString.h"
#include "platform/print/PrinterSettings.h"
#include "print/PaperTable.h"
#include "print/PrinterList.h"

namespace kvn {

class cDrawing;

class MyPrinterDataStruct__ {
 public:
  MyPrinterDataStruct__();
  virtual ~MyPrinterDataStruct__() = default;
  MyPrinterDataStruct__(const MyPrinterDataStruct__&) = delete;
  MyPrinterDataStruct__& operator=(const MyPrinterDataStruct__&) = delete;

  virtual bool UsesFitToPage() const { return false; }
  // The record's position; true when the caller places the printed area itself.
  virtual bool GetPlacement(double& x, double& y) const;
  // 0 portrait, 1 landscape, 2 by the format's shape.
  virtual int GetFormatMode() const { return orientationMode; }

  // Computes the geometry for the printer (null: no printer, A4 defaults).
  // Nothing happens while the record is valid and no print setting changed.
  void Update(PrinterInfo* printer);

  double formatWidth = 0, formatHeight = 0;
  double positionX = 0, positionY = 0;
  int orientationMode = 0;
  int requestedPaperId = -1;
  int foundPaperId = -1;
  std::uint8_t fitToPaper = 0;
  double paperWidth = 0, paperHeight = 0;
  double scale = 1.0;
  double printableWidth = 0, printableHeight = 0;
  double printableOffsetX = 0, printableOffsetY = 0;
  std::uint8_t valid = 0;
  WString paperName;
  int resolutionX = 300, resolutionY = 300;
  int requestedResolution = 0;
  std::uint8_t bitsPerPixel = 24;
  std::uint8_t monochrome = 0;
  int colorModeIndex = -1;
  double maxFormatWidth = 2000.0, maxFormatHeight = 2000.0;
  double marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;
  std::uint8_t autoRotate = 1;
  // The set-up used for this page; empty until Update on a real printer.
  std::unique_ptr<PrinterSettings> devmodeCopy;
  std::uint8_t colorManagement = 0;
  std::uint8_t fullResolution = 0;
  std::uint8_t spare = 0;

 private:
  void UpdateWithoutPrinter();
  void UpdateOnPrinter(PrinterInfo& printer);
  void PlaceToFit();
  void PlaceWithoutFit();
  bool Landscape() const;
};

// The record the native drawing's print-out uses.
class MyPrinterDataStruct__Kvn : public MyPrinterDataStruct__ {
 public:
  explicit MyPrinterDataStruct__Kvn(const cDrawing& drawing) : drawing_(drawing) {}
  bool UsesFitToPage() const override;
  bool GetPlacement(double& x, double& y) const override;
  int GetFormatMode() const override { return 2; }
  std::uint8_t fit = 0;

 private:
  const cDrawing& drawing_;
};

// The printer's set-up for a record: orientation from the record (wanted gets
// 1 portrait / 2 landscape when the format's shape decides, else 0), turned
// once more with `flip`, and the found paper.
PrinterSettings MakeDevModeCopy(PrinterInfo& printer, int& wanted, const MyPrinterDataStruct__& record, bool flip);

// A paper's size, margins and name on a printer, from a portrait and a
// landscape record.
void GetPaperGeometry(PrinterInfo* printer, int paperId, PaperSizeMm& size, Margins& margins, WString& name);

// Forgets the printer list, the chosen printer and the measurement cache
// (tests, and a spooler whose queues changed).
void ResetPrinters();

}  // namespace kvn
