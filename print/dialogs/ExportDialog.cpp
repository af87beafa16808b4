#include "print/dialogs/ExportDialog.h"

#include "controls/AutoControls.h"
#include "controls/AutoHideControl.h"
#include "foundation/LangTable.h"
#include "platform/ui/Messages.h"
#include "foundation/ModalStack.h"
#include "print/dialogs/PrinterControls.h"

namespace kvn {

namespace {

constexpr int kStrColorModes = 1119;  // "Black and white\tOnly grayscale\tIn color"
constexpr int kStrVectorModes = 18326;  // "Vector mode\tBitmap mode"
constexpr double kMaxExportDpi = 2400;

}  // namespace

// The vector/bitmap combo: a change shows the option set of the current
// filter again (type 8 shows the resolution by it).
class TExportDialog::ModeCombo : public TAutoCombo_ {
 public:
  ModeCombo(TWindow* parent, int* variable, TExportDialog* owner)
      : TAutoCombo_(parent, kIdVectorMode, variable, 0), owner_(owner) {
    itemText = LoadLangString(kStrVectorModes);
  }

 protected:
  void OnSelectionChange() override { owner_->ApplyOptionSet(owner_->Data().filterIndex); }

 private:
  TExportDialog* owner_;
};

TExportDialog::TExportDialog(cDrawingDoc* document, DialogFolder* folder, const WString& initialName,
                             TWindow* parent, TData& data, const WString& caption, ExportSettings& settings,
                             ExportExtentMode mode, ExportExtentChoices& choices)
    : TAutoFileSaveDialog(kExportFilterSlot, folder, initialName, parent, data, kExportTemplateId, caption),
      document_(document),
      mode_(mode) {
  TEmbeddedDialog* extra = Extra();
  switch (mode) {
    case ExportExtentMode::OnePageOneTile:
      new TAutoHideControl(extra, kIdActualTile);
      new TAutoHideControl(extra, kIdActualPage);
      new TAutoHideControl(extra, kIdAllPages);
      break;
    case ExportExtentMode::OnePageTiles:
      new TAutoHideControl(extra, kIdAllPages);
      new TAutoRadio(extra, kIdActualTile, 2, &choices.tileOrPage, 1);
      break;
    case ExportExtentMode::PagesOneTile:
      new TAutoHideControl(extra, kIdActualTile);
      new TAutoRadio(extra, kIdActualPage, 2, &choices.pageOrAll, 0);
      break;
    case ExportExtentMode::PagesAndTiles:
      new TAutoRadio(extra, kIdActualTile, 3, &choices.tilePageAll, 1);
      break;
  }
  new TAutoRadio(extra, kIdAllElements, 2, &choices.elements, 0);
  vectorMode_ = new ModeCombo(extra, &settings.vectorBitmapMode, this);
  resolution_ = CreateResolutionControls(extra, kIdResolutionCombo, &settings.resolution, kMaxExportDpi,
                                         &resolutionEntry_);
  auto* colors = new TAutoCombo_(extra, kIdColorMode, &settings.colorMode, 2);
  colors->itemText = LoadLangString(kStrColorModes);
  new TAutoCheck(extra, kIdSmoothing, &settings.smoothing, 0);
  auto* width = new TAutoDouble(3, extra, kIdLineWidth, &settings.minLineWidth, 0.125);
  width->SetRange(0, 10, 0.05);
}

TExportDialog::~TExportDialog() = default;

TWindow* TExportDialog::Option(int id) const { return Extra() ? Extra()->GetDlgItem(id) : nullptr; }

void TExportDialog::Show(int id, bool show) {
  TWindow* control = Option(id);
  if (control == nullptr) return;
  control->ShowWindow(show ? kSwShow : kSwHide);
  control->EnableWindow(show);
}

void TExportDialog::SetupExtra() {
  // The viewer has no selection to export: the element buttons never show.
  Show(kIdAllElements, false);
  Show(kIdSelectedElements, false);
  ApplyOptionSet(Data().filterIndex);
}

void TExportDialog::TypeChange(std::uint32_t filterIndex) {
  Data().filterIndex = filterIndex;
  ApplyOptionSet(filterIndex);
}

void TExportDialog::ApplyOptionSet(std::uint32_t filterIndex) {
  shownFilter_ = filterIndex;
  if (!Extra() || !Extra()->GetHandle()) return;
  const ExportOptionSet set = OptionSetOfType(OptionTypeOfFilter(filterIndex));
  // "Actual tile" keeps its visibility (the extent mode's); only while it
  // shows is it enabled or disabled.
  if (TWindow* tile = Option(kIdActualTile); tile && tile->IsWindowVisible())
    tile->EnableWindow(set.tileEnabled);
  bool resolution = set.resolution;
  if (set.resolutionWithBitmapModeOnly && vectorMode_ && vectorMode_->GetSelection() <= 0) resolution = false;
  Show(kIdResolutionLabel, resolution);
  Show(kIdResolutionCombo, resolution);
  if (resolution && resolution_) {
    resolution_->UpdateField();
  } else {
    Show(kIdResolutionField, false);
  }
  Show(kIdColorMode, set.color);
  Show(kIdSmoothing, set.smoothing);
  Show(kIdLineWidthLabel, set.widthAndMode);
  Show(kIdLineWidth, set.widthAndMode);
  Show(kIdVectorMode, set.widthAndMode);
}

}  // namespace kvn
