#include "print/dialogs/PrinterProperties.h"

#include "foundation/MsgBox.h"
#include "foundation/TextFormat.h"
#include "platform/ui/Messages.h"

namespace kvn {

namespace {

constexpr int kTitle = 2100, kMedia = 2101, kPortrait = 2102, kLandscape = 2103, kResolution = 2104,
              kColour = 2105;

void ShowError(TWindow* parent, std::uint32_t code) {
  parent->MessageBox(WString::FromUtf8(GetSystemErrorText(code).View()), nullptr, kMbOk | kMbIconError);
}

}  // namespace

TPrinterPropertiesDialog::TPrinterPropertiesDialog(TWindow* parent, PrinterInfo& printer,
                                                   const SpoolerChoices& choices, PrinterSettings& copy)
    : TDialogTr(parent, kResourceId), printer_(printer), choices_(choices), copy_(copy) {
  title = new TMyStaticText(this, kTitle);
  media = new TComboBox(this, kMedia);
  portrait = new TRadioButton(this, kPortrait);
  landscape = new TRadioButton(this, kLandscape);
  resolution = new TComboBox(this, kResolution);
  colour = new TCheckBox(this, kColour);
}

void TPrinterPropertiesDialog::SetupWindow() {
  TDialogTr::SetupWindow();
  title->SetText(printer_.GetDisplayName());
  media->ClearList();
  for (std::size_t i = 0; i < choices_.media.size(); ++i) {
    media->AddString(WString::FromUtf8(choices_.media[i].displayName));
    if (choices_.media[i].name == copy_.media) media->SetSelIndex(static_cast<int>(i));
  }
  const bool land = copy_.orientation == kDmOrientLandscape && choices_.landscape;
  portrait->SetCheck(land ? kBstUnchecked : kBstChecked);
  landscape->SetCheck(land ? kBstChecked : kBstUnchecked);
  landscape->EnableWindow(choices_.landscape);
  resolution->ClearList();
  for (std::size_t i = 0; i < choices_.resolutions.size(); ++i) {
    const auto [x, y] = choices_.resolutions[i];
    resolution->AddString(x == y ? FormatPercentD(WString(u"%d dpi"), x)
                                 : FormatPercentD2(WString(u"%d x %d dpi"), x, y));
    if (x == copy_.resolutionX && y == copy_.resolutionY) resolution->SetSelIndex(static_cast<int>(i));
  }
  resolution->EnableWindow(!choices_.resolutions.empty());
  colour->SetCheck(choices_.color && copy_.color == kDmColorColor ? kBstChecked : kBstUnchecked);
  colour->EnableWindow(choices_.color);
}

bool TPrinterPropertiesDialog::CanClose() {
  if (!TDialogTr::CanClose()) return false;
  const int m = media->GetSelIndex();
  if (m >= 0 && static_cast<std::size_t>(m) < choices_.media.size()) {
    copy_.media = choices_.media[static_cast<std::size_t>(m)].name;
    copy_.paperSize = 0;
    printer_.LoadPapers();
    for (const auto& paper : printer_.Papers()) {
      if (paper->medium.name == copy_.media) {
        copy_.paperSize = static_cast<std::int16_t>(paper->id);
        break;
      }
    }
    copy_.fields |= kDmPaperSize;
  }
  copy_.orientation = landscape->GetCheck() == kBstChecked ? kDmOrientLandscape : kDmOrientPortrait;
  copy_.fields |= kDmOrientation;
  const int r = resolution->GetSelIndex();
  if (r >= 0 && static_cast<std::size_t>(r) < choices_.resolutions.size()) {
    copy_.resolutionX = choices_.resolutions[static_cast<std::size_t>(r)].first;
    copy_.resolutionY = choices_.resolutions[static_cast<std::size_t>(r)].second;
    copy_.fields |= kDmPrintQuality | kDmYResolution;
  }
  if (choices_.color) {
    copy_.color = colour->GetCheck() == kBstChecked ? kDmColorColor : kDmColorMonochrome;
    copy_.fields |= kDmColor;
  }
  return true;
}

bool RunPrinterProperties(TWindow* parent, PrinterInfo& printer) {
  const PrinterSettings* current = printer.GetDevMode();
  if (!current) {
    ShowError(parent, printer.LastError());
    return false;
  }
  SpoolerChoices choices;
  std::uint32_t error = 0;
  if (!CurrentSpooler().QueueChoices(printer.QueueName(), choices, error)) {
    ShowError(parent, error);
    return false;
  }
  PrinterSettings copy = *current;
  if (copy.fields & kDmCopies) copy.copies = 1;
  TPrinterPropertiesDialog dialog(parent, printer, choices, copy);
  if (dialog.Execute() != int(kIdcOk)) return false;
  if (copy.fields & kDmCopies) copy.copies = 1;
  printer.ReplaceDevMode(copy);
  PrintQualityGlobals().settingsChanged = true;
  return true;
}

}  // namespace kvn
