// Dialog templates: the layout of every dialog of the program, declared in
// resources/dialogs/*.dlg and turned into the tables below at build time by
// tools/mkdialogs (the source syntax is described there). The behaviour of a
// dialog is written in its own class (Dialog.h); the template only says which
// controls exist, where, with which text and style.
//
// Units and numbers are those of a Win32 dialog template, because the
// program's code compares and stores them: positions and sizes in dialog
// units (a quarter of the average character width horizontally, an eighth of
// the character height vertically, of the dialog's font), styles as Win32
// style bits, texts as language tokens (LangTable.h) translated when the
// dialog is set up. Control id -1 is a control the code never names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/gdi/GdiTypes.h"

namespace kvn {

// The window class of a template control, standing for the Win32 class names.
enum class DialogControlClass : std::uint8_t {
  Button,    // "Button": push buttons, check boxes, radio buttons, group boxes
  Static,    // "Static"
  Edit,      // "Edit"
  ListBox,   // "ListBox"
  ComboBox,  // "ComboBox"
  ListView,  // "SysListView32"
  Progress,  // "msctls_progress32"
  UpDown,    // "msctls_updown32"
};

// The Win32 class name of a control class.
const char16_t* DialogControlClassName(DialogControlClass cls);

// --- style bits (Win32 values) -------------------------------------------------------
inline constexpr std::uint32_t kWsGroup = 0x00020000;

inline constexpr std::uint32_t kBsPushButton = 0x0;
inline constexpr std::uint32_t kBsDefPushButton = 0x1;
inline constexpr std::uint32_t kBsCheckBox = 0x2;
inline constexpr std::uint32_t kBsAutoCheckBox = 0x3;
inline constexpr std::uint32_t kBsRadioButton = 0x4;
inline constexpr std::uint32_t kBs3State = 0x5;
inline constexpr std::uint32_t kBsAuto3State = 0x6;
inline constexpr std::uint32_t kBsGroupBox = 0x7;
inline constexpr std::uint32_t kBsAutoRadioButton = 0x9;
inline constexpr std::uint32_t kBsOwnerDraw = 0xB;
inline constexpr std::uint32_t kBsTypeMask = 0xF;
inline constexpr std::uint32_t kBsLeftText = 0x20;

inline constexpr std::uint32_t kSsLeft = 0x0;
inline constexpr std::uint32_t kSsCenter = 0x1;
inline constexpr std::uint32_t kSsRight = 0x2;
inline constexpr std::uint32_t kSsEtchedHorz = 0x10;
inline constexpr std::uint32_t kSsEtchedVert = 0x11;
inline constexpr std::uint32_t kSsTypeMask = 0x1F;
inline constexpr std::uint32_t kSsNoPrefix = 0x80;
inline constexpr std::uint32_t kSsSunken = 0x1000;

inline constexpr std::uint32_t kEsCenter = 0x1;
inline constexpr std::uint32_t kEsRight = 0x2;
inline constexpr std::uint32_t kEsMultiline = 0x4;
inline constexpr std::uint32_t kEsPassword = 0x20;
inline constexpr std::uint32_t kEsAutoHScroll = 0x80;
inline constexpr std::uint32_t kEsReadOnly = 0x800;
inline constexpr std::uint32_t kEsWantReturn = 0x1000;
inline constexpr std::uint32_t kEsNumber = 0x2000;

inline constexpr std::uint32_t kLbsNotify = 0x1;
inline constexpr std::uint32_t kLbsSort = 0x2;
inline constexpr std::uint32_t kLbsMultipleSel = 0x8;
inline constexpr std::uint32_t kLbsOwnerDrawFixed = 0x10;
inline constexpr std::uint32_t kLbsHasStrings = 0x40;
inline constexpr std::uint32_t kLbsExtendedSel = 0x800;

inline constexpr std::uint32_t kCbsSimple = 0x1;
inline constexpr std::uint32_t kCbsDropDown = 0x2;
inline constexpr std::uint32_t kCbsDropDownList = 0x3;
inline constexpr std::uint32_t kCbsTypeMask = 0x3;
inline constexpr std::uint32_t kCbsOwnerDrawFixed = 0x10;
inline constexpr std::uint32_t kCbsOwnerDrawVariable = 0x20;
inline constexpr std::uint32_t kCbsSort = 0x100;

inline constexpr std::uint32_t kLvsReport = 0x1;
inline constexpr std::uint32_t kLvsSingleSel = 0x4;
inline constexpr std::uint32_t kLvsNoColumnHeader = 0x4000;

inline constexpr std::uint32_t kPbsSmooth = 0x1;

inline constexpr std::uint32_t kUdsWrap = 0x1;
inline constexpr std::uint32_t kUdsAlignRight = 0x4;
inline constexpr std::uint32_t kUdsArrowKeys = 0x20;
inline constexpr std::uint32_t kUdsHorz = 0x40;
inline constexpr std::uint32_t kUdsNoThousands = 0x80;
inline constexpr std::uint32_t kUdsHotTrack = 0x100;

// Dialog styles.
inline constexpr std::uint32_t kDsModalFrame = 0x80;
inline constexpr std::uint32_t kDsCenter = 0x800;

// One control of a template.
struct DialogControlData {
  DialogControlClass cls = DialogControlClass::Static;
  std::int32_t id = -1;
  const char16_t* text = u"";  // language tokens or a fixed text
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  std::uint32_t style = 0;
};

struct DialogTemplateData {
  std::int32_t id = 0;
  const char16_t* caption = u"";
  std::int16_t cx = 0, cy = 0;  // client size in dialog units
  std::uint32_t style = 0;
  const DialogControlData* controls = nullptr;
  std::size_t controlCount = 0;

  std::span<const DialogControlData> Controls() const { return {controls, controlCount}; }
  // The control of the id; null for -1 and for ids the template lacks.
  const DialogControlData* FindControl(int controlId) const;
};

// Every template the program carries, in the order of their sources.
std::span<const DialogTemplateData> AllDialogTemplates();
// The template of the id; null when there is none.
const DialogTemplateData* FindDialogTemplate(int id);

// Dialog units to pixels with the dialog font's base units (average
// character width and character height in pixels), rounding as Win32's
// MapDialogRect does: x * baseX / 4 and y * baseY / 8, each rounded to the
// nearest pixel (halves away from zero).
TRect DialogUnitsToPixels(const TRect& units, int baseX, int baseY);
int DialogUnitsToPixelsX(int x, int baseX);
int DialogUnitsToPixelsY(int y, int baseY);

// Test seam: while one lives, FindDialogTemplate and AllDialogTemplates
// answer these templates in place of the built-in ones. Overrides nest;
// the newest wins. The templates must outlive the override.
class ScopedDialogTemplates {
 public:
  explicit ScopedDialogTemplates(std::span<const DialogTemplateData> templates);
  ~ScopedDialogTemplates();
  ScopedDialogTemplates(const ScopedDialogTemplates&) = delete;
  ScopedDialogTemplates& operator=(const ScopedDialogTemplates&) = delete;

 private:
  std::span<const DialogTemplateData> previous_;
  bool hadPrevious_;
};

namespace dialog_data {
// Written by tools/mkdialogs into the generated DialogTemplates.cpp.
extern const DialogTemplateData* const kDialogTemplates;
extern const std::size_t kDialogTemplateCount;
}  // namespace dialog_data

}  // namespace kvn
