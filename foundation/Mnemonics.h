// Accelerator letters for one menu level or one dialog after translation.
//
// Translated texts come from different table lines, so their '&' letters
// collide or are missing. A MnemonicList collects the texts whose token flag
// asks for it, gives them distinct letters (each from the item's own text,
// keeping a text's '&' letter where it can) and writes them back through a
// MnemonicTarget. Letters are distinct within one list only.
//
// Limits: at most kMaxMnemonicItems items of one list hold a letter (the
// search keeps one stack slot per holder), and a text takes part only when it
// has at most kMaxMnemonicText characters; items beyond either limit are
// written back without accelerator, never past a fixed buffer.
#pragma once

#include <array>
#include <cstdint>

#include "foundation/GrowArray.h"
#include "foundation/WString.h"

namespace kvn {

inline constexpr int kMaxMnemonicItems = 200;
// The text, the inserted '&' and a terminator fit 200 characters.
inline constexpr int kMaxMnemonicText = 198;

// Writes a text back to where it came from. Handles are opaque here: the
// window layer gives its own control and menu objects.
class MnemonicTarget {
 public:
  virtual ~MnemonicTarget() = default;
  // A dialog control.
  virtual void SetControlText(void* window, const WString& text) = 0;
  // Entry `position` of `menu`; commandId -1 marks an entry that opens a
  // submenu. The entry keeps its submenu, check mark and greyed state.
  virtual void SetMenuItemText(void* menu, int position, int commandId, const WString& text) = 0;
};

struct MnemonicItem {
  WString text;             // the text without its first '&'
  void* window = nullptr;   // dialog lists
  int markedPosition = -1;  // where the removed '&' stood; -1 none (or given up)
  int chosenPosition = -1;  // the accelerator's index in text; -1 none
  void* menu = nullptr;     // menu lists
  int menuPosition = 0;
  int commandId = 0;  // -1: the entry opens a submenu
  bool takesPart = false;
};

class MnemonicList {
 public:
  enum class Mode : std::uint8_t { Menu = 0, Dialog = 1 };

  MnemonicList(Mode mode, MnemonicTarget& target) : mode_(mode), target_(&target) {}
  ~MnemonicList() = default;
  MnemonicList(const MnemonicList&) = delete;
  MnemonicList& operator=(const MnemonicList&) = delete;

  // A dialog control; it always takes part.
  void AddControl(void* window, const WString& text);
  // A menu entry; `takesPart` is the flag its token carried.
  void AddMenuItem(void* menu, int position, int commandId, const WString& text, bool takesPart);

  // Assigns the letters and writes every item's text back, items without a
  // letter included (without any '&').
  void Apply();
  void SetItemText(const MnemonicItem& item, const WString& text);

  std::uint32_t Count() const { return items_.Count(); }
  const MnemonicItem* Item(std::uint32_t i) const { return items_.Get(i); }
  // The text Apply writes for an item: one '&' before the chosen character.
  static WString TextWithMnemonic(const MnemonicItem& item);

  // Finds letters for the items from `first` on, with `depth` letters held by
  // earlier items on the stack. Returns -1 on success, else the depth of the
  // item the search must jump back to. `conflictText` (optional) receives the
  // text of the item that failed. No allocation happens during the search.
  int AssignMnemonics(std::uint32_t first, std::array<char16_t, kMaxMnemonicItems>& stack, int depth,
                      const WString** conflictText);

 private:
  MnemonicItem& NewItem(const WString& text);
  bool TakesPart(const MnemonicItem& item) const;

  Mode mode_;
  MnemonicTarget* target_;
  OwnedArray<MnemonicItem> items_{8};
};

}  // namespace kvn
