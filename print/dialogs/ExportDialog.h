// TExportDialog: the save chooser of the export command with the export
// options (template 19758) inside it. The filter picks the export type (BMP
// or EMF); the type's option set shows or hides the options; the extent
// buttons follow the document's pages and the drawing's tiles. The bound
// values (the export settings and the run's extent choices) are written only
// when the user confirms.
#pragma once

#include <cstdint>

#include "controls/FileDialogs.h"
#include "print/export/ExportSettings.h"

namespace kvn {

class cResolutionComboClass;
class cDrawingDoc;

inline constexpr int kExportTemplateId = 19758;
// The dialog's data block flags: OFN_OVERWRITEPROMPT, OFN_HIDEREADONLY,
// OFN_NOCHANGEDIR, OFN_PATHMUSTEXIST.
inline constexpr std::uint32_t kExportDialogFlags = 0x80E;
// Where the chooser keeps its folder and, in slot 3, its filter index.
inline constexpr const char16_t* kExportDialogFolder = u"CHD_EXP_VIEWER";
inline constexpr int kExportFilterSlot = 3;

// Control ids of the template.
inline constexpr int kIdActualTile = 5010;
inline constexpr int kIdActualPage = 5011;
inline constexpr int kIdAllPages = 5012;
inline constexpr int kIdAllElements = 5031;
inline constexpr int kIdSelectedElements = 5032;
inline constexpr int kIdVectorMode = 5530;
inline constexpr int kIdResolutionLabel = 5001;
inline constexpr int kIdResolutionCombo = 5002;
inline constexpr int kIdResolutionField = 5003;
inline constexpr int kIdColorMode = 5005;
inline constexpr int kIdSmoothing = 5006;
inline constexpr int kIdLineWidthLabel = 5111;
inline constexpr int kIdLineWidth = 16756;

class TExportDialog : public TAutoFileSaveDialog {
 public:
  // `settings` and `choices` are the bound values; `mode` says which extent
  // buttons exist.
  TExportDialog(cDrawingDoc* document, DialogFolder* folder, const WString& initialName, TWindow* parent,
                TData& data, const WString& caption, ExportSettings& settings, ExportExtentMode mode,
                ExportExtentChoices& choices);
  ~TExportDialog() override;

  // Shows, hides, enables and disables the options by the filter's type.
  void ApplyOptionSet(std::uint32_t filterIndex);
  ExportExtentMode ExtentMode() const { return mode_; }
  // A control of the options (the template's id), or null.
  TWindow* Option(int id) const;
  // The filter index whose option set is shown.
  std::uint32_t ShownFilterIndex() const { return shownFilter_; }

 protected:
  void SetupExtra() override;
  void TypeChange(std::uint32_t filterIndex) override;

 private:
  class ModeCombo;
  void Show(int id, bool show);

  cDrawingDoc* document_;
  ExportExtentMode mode_;
  cResolutionComboClass* resolution_ = nullptr;
  ModeCombo* vectorMode_ = nullptr;
  int resolutionEntry_ = 0;
  std::uint32_t shownFilter_ = 0;
};

}  // namespace kvn
