#include "print/export/ExportDrawing.h"

#include <cmath>
#include <vector>

#include "document/ProgressMonitor.h"
#include "document/cDrawingDoc.h"
#include "foundation/FileSystem.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/TextFormat.h"
#include "foundation/WaitCursor.h"
#include "model/cDrawingData.h"
#include "print/export/ExportFile.h"
#include "print/export/ExportNames.h"
#include "print/export/ExportSettings.h"
#include "print/export/RenderSheetToDib.h"
#include "print/export/WriteSheetAsEmf.h"
#include "render/DibConversion.h"

namespace kvn {

namespace {

// Replaces the first "%s" of the pattern.
WString FormatOne(const WString& pattern, const WString& value) {
  const int at = pattern.Find(u"%s");
  if (at < 0) return pattern;
  WString out = pattern.Mid(0, at);
  out.Append(value);
  out.Append(pattern.Mid(at + 2));
  return out;
}

// "Cannot save the file:", the path and, when known, why.
void ShowCannotSave(const cMsgDlg* owner, const WString& fileName, const WString& reason) {
  WString text = LoadLangString(kStrCannotSaveFile);
  text.AppendChar(u'\n');
  text.Append(fileName);
  if (!reason.IsEmpty()) {
    text.AppendCStr(u"\n\n");
    text.Append(reason);
  }
  ShowMessageBox(owner, text, nullptr, kMbOk | kMbIconError);
}

// The too-large message: the size the picture would have had and the
// highest resolution that fits.
WString TooLargeText(const DibRenderReport& report, double resolution) {
  const double side = std::max(report.width, report.height);
  const double fits = side > 0 ? std::floor(resolution * kMaxDibSide / side) : resolution;
  WString text = LoadLangString(kStrPictureTooLarge);
  text = FormatOne(text, IntToWString(std::int32_t(std::min(report.width, 2147483647.0))));
  text = FormatOne(text, IntToWString(std::int32_t(std::min(report.height, 2147483647.0))));
  text = FormatOne(text, IntToWString(std::int32_t(std::max(1.0, fits))));
  return text;
}

bool WriteBmp(const WString& fileName, const TDib& dib, const cMsgDlg* owner) {
  std::uint8_t header[kBmpFileHeaderSize] = {'B', 'M'};
  const std::uint32_t total = dib.PackedDibSize() + kBmpFileHeaderSize;
  header[2] = std::uint8_t(total), header[3] = std::uint8_t(total >> 8);
  header[4] = std::uint8_t(total >> 16), header[5] = std::uint8_t(total >> 24);
  const std::uint32_t bits = kBmpFileHeaderSize + dib.BitsOffset();
  header[10] = std::uint8_t(bits), header[11] = std::uint8_t(bits >> 8);
  header[12] = std::uint8_t(bits >> 16), header[13] = std::uint8_t(bits >> 24);
  return WriteExportFile(fileName,
                         {std::span<const std::uint8_t>(header, sizeof header),
                          std::span<const std::uint8_t>(dib.PackedDib(), dib.PackedDibSize())},
                         owner);
}

}  // namespace

void ShowScaleNotSetError(const cMsgDlg* owner, const cDrawingDoc& document) {
  const WString caption = document.GetDisplayName();
  ShowMessageBox(owner, LoadLangString(kStrScaleNotSet), caption.IsEmpty() ? nullptr : caption.CStr(),
                 kMbOk | kMbIconError);
}

bool ExportPage(const WString& fileName, int exportType, cDrawingDoc& document, const DRect* view, bool wholePage,
                bool pageGiven, std::uint32_t entry, const std::uint8_t* filter, double resolution, int colorMode,
                bool smoothing, ExportShell& shell) {
  std::uint32_t page = 0, sheetIndex = 0;
  cDrawing* drawing = document.EntryToDrawing(entry, &page, &sheetIndex);
  if (drawing == nullptr || sheetIndex == kAllPageEntries || drawing->Data() == nullptr) return false;
  cDrawingData* data = drawing->Data();
  if (data->Scale() == 0.0) {
    ShowScaleNotSetError(shell.owner, document);
    if (shell.openParameters) shell.openParameters(sheetIndex, page);
    return false;
  }
  const DRect* tileView = pageGiven && !wholePage ? view : nullptr;
  const std::uint16_t page16 = std::uint16_t(page);

  if (exportType == kExportTypeBmp) {
    WaitCursor wait;
    ColorModeDepth depth = DepthOfColorMode(colorMode);
    if (smoothing && depth.bitCount < 8) depth.bitCount = 8;
    DibRenderReport report;
    std::unique_ptr<TDib> dib =
        RenderSheetToDib(&data->Levels(), data, drawing->TopBlock(), tileView, data->Scale(), depth.bitCount,
                         resolution, filter, drawing, page16, depth.grey, -1, smoothing, true, 2, &report);
    if (!dib) {
      if (report.failure == DibRenderFailure::TooLarge)
        ShowCannotSave(shell.owner, fileName, TooLargeText(report, resolution));
      else
        ShowCannotSave(shell.owner, fileName, WString());
      return false;
    }
    CompressDibRle(*dib);
    return WriteBmp(fileName, *dib, shell.owner);
  }

  ByteArray bytes;
  if (!RecordSheetAsEmf(*drawing, tileView, resolution, filter, page16, bytes)) {
    ShowCannotSave(shell.owner, fileName, WString());
    return false;
  }
  return WriteExportFile(fileName, {std::span<const std::uint8_t>(bytes.Items(), bytes.Count())}, shell.owner);
}

bool ExportDrawing(cDrawingDoc& document, const DRect& view, const WString& fileName, const ExportOptions& options,
                   ExportShell& shell) {
  const std::uint32_t count = document.GetPageEntryCount();
  if (count < 2 || options.pageEntry != kAllPageEntries) {
    const std::uint32_t entry = options.pageEntry == kAllPageEntries ? 0 : options.pageEntry;
    return ExportPage(fileName, options.exportType, document, &view, options.wholePage, true, entry, nullptr,
                      options.resolution, options.colorMode, options.smoothing, shell);
  }

  std::vector<WString> names;
  names.reserve(count);
  for (std::uint32_t entry = 0; entry < count; ++entry)
    names.push_back(InsertPageSuffix(fileName, MakePageFileSuffix(document, entry)));
  for (const WString& name : names) {
    if (!FileExists(name)) continue;
    const WString caption = LoadLangString(kStrFileExistsCaption);
    const int answer = ShowMessageBox(shell.owner, FormatOne(LoadLangString(kStrFileExists), name), caption.CStr(),
                                      kMbOkCancel | kMbIconWarning);
    if (answer != kIdOk) return false;
  }

  ProgressMonitor monitor(shell.owner, LoadLangString(kStrExportCaption));
  ExportShell pageShell = shell;
  for (std::uint32_t entry = 0; entry < count; ++entry) {
    const WString detail = names[entry];
    if (!monitor.Step(entry * 100 / count, true, &detail, nullptr, true)) return false;
    pageShell.owner = monitor.GetMessageParent();
    if (!ExportPage(names[entry], options.exportType, document, nullptr, true, false, entry, nullptr,
                    options.resolution, options.colorMode, options.smoothing, pageShell))
      return false;
  }
  monitor.Step(100, true, nullptr, nullptr, true);
  return true;
}

}  // namespace kvn
