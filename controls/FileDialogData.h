// The data block of the program's file dialogs and the rules that need no
// window: filters written with '|' or as a NUL-separated list, the extension
// of the chosen filter, and the layout of the extra controls beside the
// chooser's buttons.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "foundation/WString.h"

namespace kvn {

// OPENFILENAME flags, numbered as Windows numbers them.
inline constexpr std::uint32_t kOfnReadOnly = 0x1;
inline constexpr std::uint32_t kOfnOverwritePrompt = 0x2;
inline constexpr std::uint32_t kOfnHideReadOnly = 0x4;
inline constexpr std::uint32_t kOfnNoChangeDir = 0x8;
inline constexpr std::uint32_t kOfnEnableHook = 0x20;
inline constexpr std::uint32_t kOfnEnableTemplate = 0x40;
inline constexpr std::uint32_t kOfnAllowMultiSelect = 0x200;
inline constexpr std::uint32_t kOfnPathMustExist = 0x800;
inline constexpr std::uint32_t kOfnFileMustExist = 0x1000;
inline constexpr std::uint32_t kOfnExplorer = 0x80000;
inline constexpr std::uint32_t kOfnLongNames = 0x200000;
inline constexpr std::uint32_t kOfnEnableSizing = 0x800000;

// Characters of the file name buffer, its terminator included.
inline constexpr std::uint32_t kFileNameBufferSize = 32767;

struct FileDialogData {
  // A filter with '|' separators ("DXF|*.dxf|All|*.*") or a NUL-separated
  // list ending with two NULs; OFN_EXPLORER | OFN_LONGNAMES are always added.
  FileDialogData(std::uint32_t flags, const WString& filter, const WString& initialFolder = WString());

  // Either filter form; the list is kept NUL-separated with two NULs at its end.
  void SetFilter(const WString& filter);
  // At most kFileNameBufferSize - 1 characters; null empties the buffer.
  void SetFileName(const WString* name);
  void SetFileName(const WString& name) { SetFileName(&name); }

  // The (description, pattern) pairs of the filter, in order.
  std::vector<std::pair<WString, WString>> FilterPairs() const;
  // The pattern of the 1-based index; empty when there is none.
  WString FilterPattern(std::uint32_t index) const;

  std::vector<WString> chosenFiles;  // full paths, filled by Execute
  std::uint32_t flags;
  std::uint32_t error = 0;
  // As the system dialog leaves it: one full name, or (multiple selection)
  // the folder, a NUL, the names separated by NULs; `fileOffset` is where
  // the name of a single file begins.
  std::u16string fileName;
  std::uint32_t fileOffset = 0;
  std::u16string filter;
  std::uint32_t filterIndex = 1;
  WString initialFolder;
  std::uint32_t bufferSize = kFileNameBufferSize;
  WString defaultExtension;
};

// The extension a chosen filter's pattern gives a save name: from its last
// '.' on (".dxf" for "*.dxf"); empty without a '.', and empty when the
// extension is itself a wildcard ("*.*", "*.dx?"), which no name could end with.
WString FilterExtension(const WString& pattern);
// Ends with `extension` without regard to case.
bool EndsWithNoCase(const WString& name, const WString& extension);
// The name a save chooser shows once another file type is chosen: a name
// that ends with the previous type's extension ends with the new one's
// instead; any other name is left as typed.
WString NameForNewType(const WString& name, const WString& previousExtension, const WString& newExtension);
// The name a save chooser proposes, and the name it writes, for the type of
// the 1-based filter index: a name that ends with the extension of another
// type of the list ends with the chosen type's instead ("s.bmp" saved as a
// metafile is "s.emf", never "s.bmp.emf"); a name without the chosen
// type's extension gets it appended; a type without an extension of its own
// ("*.*") leaves the name as typed, and so does an empty name.
WString NameWithTypeExtension(const WString& name, const FileDialogData& data, std::uint32_t filterIndex);
// A name with its trailing blanks removed.
WString TrimTrailingBlanks(std::u16string_view name);

// The extra controls' rule when the dialog changes size: with a second
// control, the first ends at the midpoint m between its left edge and the
// right edge and the second runs from m + 3 to the right edge (a third
// moves to x = m + 3); without one, the first reaches the right edge.
struct ExtraControlsLayout {
  int firstLeft = 0;
  int firstWidth = 0;
  int secondLeft = 0;
  int secondWidth = 0;
  int thirdLeft = 0;
};
ExtraControlsLayout LayoutExtraControls(int firstLeft, int rightEdge, bool hasSecond);

}  // namespace kvn
