// The character picker (dialog 1098): a list of characters shown in a
// given font, with or without a choice among character sets (mathematical
// operators, fractions, superscripts, general punctuation, Greek capitals
// and small letters). Offered by the dialog library; the viewer's own
// commands never open it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls/AutoControls.h"

namespace kvn {

// The characters of a set (0 to 5); without the set choice (set -1) the
// characters 32 to 127 and the symbol fonts' 0xF080 to 0xF0FF. Empty for an
// unknown set.
std::u16string CharacterSetText(int set);
inline constexpr int kCharacterSetCount = 6;

// The process-wide last chosen character.
char16_t& LastPickedCharacter();

// The list of characters (control 1002): one item per character of its
// text, the last chosen character selected.
class TOneCharListBox : public TListBox {
 public:
  TOneCharListBox(TWindow* parent, char16_t* selected);
  void SetCharacters(const std::u16string& text);
  void SetFaceName(const WString& face);
  const std::u16string& Characters() const { return text_; }

  void SaveToVariable() override;
  void LoadFromVariable() override;

 protected:
  void SetupWindow() override;

 private:
  void Fill();
  void ApplyFont();

  char16_t* selected_;
  std::u16string text_;
  WString face_;
};

class TDialogAnyChar : public TDialogTr {
 public:
  static constexpr int kResourceId = 1098;

  TDialogAnyChar(TWindow* parent, const WString& faceName, bool withSets, char16_t* chosen);
  // Deleted with its window still there, it remembers its set as itself.
  ~TDialogAnyChar() override { Destroy(); }
  int SetIndex() const { return set_; }
  TOneCharListBox& List() { return *list_; }
  // Changing the set refills the list.
  void SetChanged(int set);

 protected:
  void SetupWindow() override;
  void CleanupWindow() override;

 private:
  bool withSets_;
  int set_ = 0;
  TOneCharListBox* list_;
};

// Runs the picker; the chosen character, 0 when cancelled.
char16_t PickCharacter(TWindow* parent, const WString& faceName, bool withSets);

}  // namespace kvn
