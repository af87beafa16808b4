// The installed printers: the process-wide printer list with the default
// printer, each printer's set-up (PrinterSettings in place of a DEVMODE) and
// paper list, the chosen printer, the default margins and the print-quality
// values the print dialogs share. Served by the spooler (platform/print).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/WString.h"
#include "platform/print/PrinterSettings.h"
#include "platform/print/Spooler.h"

namespace kvn {

class RegReadKey;
class RegWriteKey;

// One paper of a printer. Sizes in tenths of a millimetre.
struct PrinterPaper {
  WString name;
  int id = 0;              // paper-table id, or driver-defined from 256
  int width = 0, height = 0;                  // the spooler's size
  int measuredWidth = 0, measuredHeight = 0;  // 0 until measured
  SpoolerMedium medium;                       // name, size and margins
};

// What measuring a set-up gives: millimetres and dots per inch.
struct PageMeasure {
  double printableWidth = 0, printableHeight = 0;
  double offsetX = 0, offsetY = 0;
  double paperWidth = 0, paperHeight = 0;
  int resolutionX = 0, resolutionY = 0;
  std::uint8_t bits = 24;
  std::uint8_t monochrome = 0;
};

class PrinterInfo {
 public:
  explicit PrinterInfo(WString name) : name_(std::move(name)) {}

  // The queue's default set-up, loaded once; false (with LastError) when the
  // spooler cannot give it.
  bool LoadDevMode();
  // Loads when needed; null on failure.
  const PrinterSettings* GetDevMode();
  // The set-up of the properties dialog or of a remembered configuration.
  void ReplaceDevMode(const PrinterSettings& settings);
  std::uint32_t LastError() const { return lastError_; }

  // The paper list, loaded once and sorted by area.
  void LoadPapers();
  const std::vector<std::unique_ptr<PrinterPaper>>& Papers() const { return papers_; }
  std::vector<std::unique_ptr<PrinterPaper>>& Papers() { return papers_; }
  void SortPapers();
  // Null for an id below 1 or not listed.
  PrinterPaper* FindPaper(int id);
  int IndexOfPaper(int id);
  bool GetPaperIdAt(int index, int& id) const;
  // The paper id (0 outside the list); sizes in millimetres.
  int GetPaperSize(int index, double& width, double& height) const;

  // The page a set-up gives: the paper of its id (or of its medium name),
  // offsets = the medium's left and top margins, printable = the paper less
  // its margins, the set-up's resolution (600 dpi when it names none), all
  // turned for landscape. False when no listed paper fits or it has no size.
  bool Measure(const PrinterSettings& settings, PageMeasure& out);

  const WString& GetDisplayName() const { return name_; }
  const WString& Name() const { return name_; }
  std::string QueueName() const { return name_.ToUtf8(); }

 private:
  WString name_;
  WString port_;
  std::vector<std::unique_ptr<PrinterPaper>> papers_;
  bool papersLoaded_ = false;
  std::optional<PrinterSettings> devmode_;
  bool devmodeLoaded_ = false;
  std::uint32_t lastError_ = 0;
};

// The paper id of a medium: the paper-table entry within 0.5 mm either way
// round, else 0 (the caller then gives a driver-defined id).
int TablePaperIdForMedium(const SpoolerMedium& medium);

class PrinterList {
 public:
  std::vector<std::unique_ptr<PrinterInfo>> printers;
  int defaultIndex = -1;
  void Clear();
  int Count() const { return static_cast<int>(printers.size()); }
  PrinterInfo* At(int index) const {
    return index >= 0 && index < Count() ? printers[static_cast<std::size_t>(index)].get() : nullptr;
  }
};

PrinterList& GetPrinterList();
// Fills the list from the spooler when it is empty.
void LoadPrinterList();
// Empty for an index outside the list.
WString GetPrinterDisplayName(int index);
// The first printer of that name (case- and accent-blind), -1 when none.
int FindPrinterIndex(const WString& name);

// The chosen printer: an index into the printer list.
class PrinterChoice {
 public:
  // The printer of the saved name, else the default printer, else the first;
  // with the save-settings option on, a remembered configuration of that
  // printer is applied (and a stale one forgotten).
  explicit PrinterChoice(const WString& savedName);
  // The chosen entry; outside the list the first (the index becomes 0); null
  // when the list is empty.
  PrinterInfo* GetPrinter();
  int index = -1;
};

// The singleton behind "PRINTER_NAME_1110", made on first use.
PrinterChoice& GetChosenPrinter();
// Writes the name of the chosen printer to "PRINTER_NAME_1110".
void SaveChosenPrinter();
void FreeChosenPrinter();

// The remembered configuration: written with the save-settings check box on,
// else removed.
void SavePrinterConfig(PrinterInfo& printer, bool save);

// Default margins in millimetres.
struct Margins {
  double left = 0, top = 0, right = 0, bottom = 0;
};
Margins& DefaultMargins();
// "PrnMrgnsD": exactly 32 bytes, four little-endian doubles; anything else is ignored.
void LoadDefaultMargins(const RegReadKey& key);
void SaveDefaultMargins(RegWriteKey& key);

// Print quality values shared with the print dialog.
struct PrintQuality {
  double resolution = 600;     // dots per inch; 0 unset
  int colorMode = 2;
  int alignment = 0;           // 1 left, 2 right, 3 top, 4 bottom, else centred
  bool settingsChanged = false;
};
PrintQuality& PrintQualityGlobals();
void NormalizePrintResolution();
void ResetPrintQuality();
// Colour mode index -> bits per pixel and the monochrome flag.
void ColorModeBits(int index, std::uint8_t& bits, std::uint8_t& monochrome);

}  // namespace kvn
