#include "print/PrinterList.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "foundation/Registry.h"
#include "foundation/SystemError.h"
#include "foundation/UnicodeCase.h"
#include "foundation/WaitCursor.h"
#include "print/PaperTable.h"

namespace kvn {

namespace {

constexpr int kFirstDriverPaperId = 256;
const char16_t* const kValueConfigName = u"PrinterConfigName";
const char16_t* const kValueConfigData = u"PrinterConfigData";
const char16_t* const kValueSaveSettings = u"PRINT_SAVE_SET_1110";
const char16_t* const kValuePrinterName = u"PRINTER_NAME_1110";
const char16_t* const kValueMargins = u"PrnMrgnsD";

std::unique_ptr<PrinterChoice>& ChosenSlot() {
  static std::unique_ptr<PrinterChoice> chosen;
  return chosen;
}

// Area of a paper for sorting: the measured size when known, else the spooler's.
double PaperArea(const PrinterPaper& p) {
  if (p.measuredWidth > 0 && p.measuredHeight > 0) return double(p.measuredWidth) * p.measuredHeight;
  return double(p.width) * p.height;
}

int Tenths(int hundredths) { return (hundredths + 5) / 10; }

// Printer names are compared blind to case and accents: "TÉST" is "test".
char16_t NameKey(char16_t c) {
  char16_t u = UpperCaseW(c);
  if (!u) u = c;
  if (u >= 128) {
    if (char folded = FoldToAsciiW(u)) u = static_cast<char16_t>(folded >= 'a' && folded <= 'z' ? folded - 32 : folded);
  }
  return u;
}

bool SameName(const WString& a, const WString& b) {
  if (a.Length() != b.Length()) return false;
  for (int i = 0; i < a.Length(); ++i) {
    if (NameKey(a[i]) != NameKey(b[i])) return false;
  }
  return true;
}

}  // namespace

// ---- PrinterInfo -------------------------------------------------------------------------------

bool PrinterInfo::LoadDevMode() {
  if (devmodeLoaded_) return true;
  WaitCursor wait;
  PrinterSettings settings;
  std::uint32_t error = 0;
  if (!CurrentSpooler().QueueDefaults(QueueName(), settings, error)) {
    lastError_ = error ? error : kErrorInvalidPrinterName;
    return false;
  }
  LoadPapers();
  for (const auto& paper : papers_) {
    if (paper->medium.name == settings.media) {
      settings.paperSize = static_cast<std::int16_t>(paper->id);
      break;
    }
  }
  devmode_ = std::move(settings);
  devmodeLoaded_ = true;
  return true;
}

const PrinterSettings* PrinterInfo::GetDevMode() { return LoadDevMode() ? &*devmode_ : nullptr; }

void PrinterInfo::ReplaceDevMode(const PrinterSettings& settings) {
  devmode_ = settings;
  devmodeLoaded_ = true;
}

int TablePaperIdForMedium(const SpoolerMedium& medium) {
  if (medium.width <= 0 || medium.length <= 0) return 0;
  const double w = medium.width / 100.0, h = medium.length / 100.0;
  for (const PaperTableEntry& e : PaperTable()) {
    if (e.size.width <= 0 || e.size.height <= 0) continue;
    if ((std::fabs(e.size.width - w) < 0.5 && std::fabs(e.size.height - h) < 0.5) ||
        (std::fabs(e.size.width - h) < 0.5 && std::fabs(e.size.height - w) < 0.5))
      return e.id;
  }
  return 0;
}

void PrinterInfo::LoadPapers() {
  if (papersLoaded_) return;
  papersLoaded_ = true;
  std::vector<SpoolerMedium> media;
  if (!CurrentSpooler().QueueMedia(QueueName(), media)) return;
  int nextDriverId = kFirstDriverPaperId;
  for (SpoolerMedium& m : media) {
    auto paper = std::make_unique<PrinterPaper>();
    paper->name = WString::FromUtf8(m.displayName.empty() ? m.name : m.displayName);
    int id = TablePaperIdForMedium(m);
    // Each id names one paper of the printer; a second medium of that size
    // (another margin set, say) gets an id of its own.
    if (id == 0 || FindPaper(id)) id = nextDriverId++;
    paper->id = id;
    paper->width = m.width > 0 ? Tenths(m.width) : 0;
    paper->height = m.length > 0 ? Tenths(m.length) : 0;
    paper->medium = std::move(m);
    papers_.push_back(std::move(paper));
  }
  SortPapers();
}

void PrinterInfo::SortPapers() {
  std::stable_sort(papers_.begin(), papers_.end(),
                   [](const auto& a, const auto& b) { return PaperArea(*a) < PaperArea(*b); });
}

PrinterPaper* PrinterInfo::FindPaper(int id) {
  if (id < 1) return nullptr;
  for (auto& p : papers_) {
    if (p->id == id) return p.get();
  }
  return nullptr;
}

int PrinterInfo::IndexOfPaper(int id) {
  for (std::size_t i = 0; i < papers_.size(); ++i) {
    if (papers_[i]->id == id) return static_cast<int>(i);
  }
  return -1;
}

bool PrinterInfo::GetPaperIdAt(int index, int& id) const {
  if (index < 0 || static_cast<std::size_t>(index) >= papers_.size()) return false;
  id = papers_[static_cast<std::size_t>(index)]->id;
  return true;
}

int PrinterInfo::GetPaperSize(int index, double& width, double& height) const {
  if (index < 0 || static_cast<std::size_t>(index) >= papers_.size()) return 0;
  const PrinterPaper& p = *papers_[static_cast<std::size_t>(index)];
  width = p.width * 0.1;
  height = p.height * 0.1;
  return p.id;
}

bool PrinterInfo::Measure(const PrinterSettings& settings, PageMeasure& out) {
  LoadPapers();
  const PrinterPaper* paper = FindPaper(settings.paperSize);
  if (!paper && !settings.media.empty()) {
    for (const auto& p : papers_) {
      if (p->medium.name == settings.media) {
        paper = p.get();
        break;
      }
    }
  }
  if (!paper) return false;
  const SpoolerMedium& m = paper->medium;
  // A medium without a size cannot be measured (nothing is divided by it).
  if (m.width <= 0 || m.length <= 0) return false;
  PageMeasure r;
  r.paperWidth = m.width / 100.0;
  r.paperHeight = m.length / 100.0;
  r.offsetX = std::max(m.left, 0) / 100.0;
  r.offsetY = std::max(m.top, 0) / 100.0;
  r.printableWidth = (m.width - std::max(m.left, 0) - std::max(m.right, 0)) / 100.0;
  r.printableHeight = (m.length - std::max(m.top, 0) - std::max(m.bottom, 0)) / 100.0;
  if (r.printableWidth <= 0 || r.printableHeight <= 0) return false;
  r.resolutionX = settings.resolutionX > 0 ? settings.resolutionX : 600;
  r.resolutionY = settings.resolutionY > 0 ? settings.resolutionY : r.resolutionX;
  r.bits = 24;
  if (settings.orientation == kDmOrientLandscape) {
    std::swap(r.paperWidth, r.paperHeight);
    std::swap(r.printableWidth, r.printableHeight);
    std::swap(r.offsetX, r.offsetY);
    std::swap(r.resolutionX, r.resolutionY);
  }
  out = r;
  return true;
}

// ---- the list ----------------------------------------------------------------------------------

void PrinterList::Clear() {
  while (!printers.empty()) printers.pop_back();
  defaultIndex = -1;
}

PrinterList& GetPrinterList() {
  static PrinterList list;
  return list;
}

void LoadPrinterList() {
  PrinterList& list = GetPrinterList();
  if (list.Count() > 0) return;
  list.Clear();
  std::vector<std::string> names;
  int defaultIndex = -1;
  CurrentSpooler().ListQueues(names, defaultIndex);
  const WString defaultName =
      defaultIndex >= 0 && static_cast<std::size_t>(defaultIndex) < names.size()
          ? WString::FromUtf8(names[static_cast<std::size_t>(defaultIndex)])
          : WString();
  for (const std::string& n : names) {
    WString name = WString::FromUtf8(n);
    if (!defaultName.IsEmpty() && SameName(name, defaultName)) list.defaultIndex = list.Count();
    list.printers.push_back(std::make_unique<PrinterInfo>(std::move(name)));
  }
}

WString GetPrinterDisplayName(int index) {
  PrinterInfo* p = GetPrinterList().At(index);
  return p ? p->GetDisplayName() : WString();
}

int FindPrinterIndex(const WString& name) {
  const PrinterList& list = GetPrinterList();
  for (int i = 0; i < list.Count(); ++i) {
    if (SameName(list.At(i)->Name(), name)) return i;
  }
  return -1;
}

// ---- the chosen printer ------------------------------------------------------------------------

PrinterChoice::PrinterChoice(const WString& savedName) {
  LoadPrinterList();
  const PrinterList& list = GetPrinterList();
  index = FindPrinterIndex(savedName);
  if (index < 0) index = list.defaultIndex;
  if (index < 0) index = list.Count() > 0 ? 0 : -1;

  RegReadKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
  const WString configName = key.GetString(kValueConfigName, WString());
  bool copied = false;
  if (key.GetDword(kValueSaveSettings, 0) != 0) {
    PrinterInfo* printer = list.At(index >= 0 ? index : 0);
    if (printer && !configName.IsEmpty() && printer->Name() == configName && printer->LoadDevMode()) {
      ByteArray data;
      if (key.GetBinary(kValueConfigData, data) > 0) {
        // Only our own record of this version: anything else (another size,
        // another version, damaged bytes) is ignored.
        if (auto settings = PrinterSettings::Deserialize({data.Items(), data.Count()})) {
          printer->ReplaceDevMode(*settings);
          copied = true;
        }
      }
    }
  }
  if (!copied && !configName.IsEmpty()) {
    RegWriteKey write(kHkeyCurrentUser, WString(kProgramRegistryKey));
    write.SetString(kValueConfigName, nullptr);
  }
}

PrinterInfo* PrinterChoice::GetPrinter() {
  PrinterList& list = GetPrinterList();
  if (list.Count() == 0) return nullptr;
  if (!list.At(index)) index = 0;
  return list.At(index);
}

PrinterChoice& GetChosenPrinter() {
  std::unique_ptr<PrinterChoice>& chosen = ChosenSlot();
  if (!chosen) {
    RegReadKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
    chosen = std::make_unique<PrinterChoice>(key.GetString(kValuePrinterName, WString()));
  }
  return *chosen;
}

void SaveChosenPrinter() {
  PrinterInfo* printer = GetChosenPrinter().GetPrinter();
  RegWriteKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
  key.SetString(kValuePrinterName, printer ? printer->Name() : WString());
}

void FreeChosenPrinter() { ChosenSlot().reset(); }

void SavePrinterConfig(PrinterInfo& printer, bool save) {
  RegWriteKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
  const PrinterSettings* settings = printer.GetDevMode();
  if (!settings) return;
  if (save) {
    std::vector<std::uint8_t> bytes = settings->Serialize();
    key.SetBinary(kValueConfigData, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    key.SetString(kValueConfigName, printer.Name());
  } else {
    key.SetBinary(kValueConfigData, nullptr, 0);
    key.SetString(kValueConfigName, nullptr);
  }
}

// ---- margins and quality -----------------------------------------------------------------------

Margins& DefaultMargins() {
  static Margins margins;
  return margins;
}

void LoadDefaultMargins(const RegReadKey& key) {
  std::uint8_t bytes[32];
  if (key.GetBinaryFixed(kValueMargins, bytes, sizeof bytes) != sizeof bytes) return;
  double v[4];
  for (int i = 0; i < 4; ++i) {
    std::uint64_t bits = 0;
    for (int b = 7; b >= 0; --b) bits = (bits << 8) | bytes[i * 8 + b];
    v[i] = std::bit_cast<double>(bits);
  }
  DefaultMargins() = {v[0], v[1], v[2], v[3]};
}

void SaveDefaultMargins(RegWriteKey& key) {
  const Margins& m = DefaultMargins();
  const double v[4] = {m.left, m.top, m.right, m.bottom};
  std::uint8_t bytes[32];
  for (int i = 0; i < 4; ++i) {
    std::uint64_t bits = std::bit_cast<std::uint64_t>(v[i]);
    for (int b = 0; b < 8; ++b) bytes[i * 8 + b] = static_cast<std::uint8_t>(bits >> (8 * b));
  }
  key.SetBinary(kValueMargins, bytes, sizeof bytes);
}

PrintQuality& PrintQualityGlobals() {
  static PrintQuality quality;
  return quality;
}

void NormalizePrintResolution() {
  if (PrintQualityGlobals().resolution == 0) PrintQualityGlobals().resolution = 600;
}

void ResetPrintQuality() {
  PrintQualityGlobals().colorMode = 2;
  PrintQualityGlobals().resolution = 600;
}

void ColorModeBits(int index, std::uint8_t& bits, std::uint8_t& monochrome) {
  static constexpr std::uint8_t kBits[5] = {1, 8, 24, 4, 8};
  if (index < 0 || index > 4) {
    bits = 24;
    monochrome = 0;
    return;
  }
  bits = kBits[index];
  monochrome = index <= 1 ? 1 : 0;
}

}  // namespace kvn
