#include "controls/CharacterPicker.h"

#include <wx/font.h>
#include <wx/window.h>

#include <algorithm>
#include <utility>

#include "foundation/LangTable.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

constexpr int kSetCombo = 1001, kCharacterList = 1002;
constexpr int kAnyCharDialogId = 1098;
constexpr int kStrSetNames = 1989;

// Code-point ranges (first, last) of each set; sets 1 to 5 take the
// Unicode blocks that hold them.
const std::vector<std::pair<char16_t, char16_t>>& SetRanges(int set) {
  static const std::vector<std::pair<char16_t, char16_t>> sets[kCharacterSetCount] = {
      {{0x2200, 0x22FF}},                                      // mathematical operators
      {{0x00BC, 0x00BE}, {0x2150, 0x215F}, {0x2189, 0x2189}},  // fractions
      {{0x00B2, 0x00B3}, {0x00B9, 0x00B9}, {0x2070, 0x2071}, {0x2074, 0x208E}},  // superscripts and subscripts
      {{0x2000, 0x206F}},                                      // general punctuation
      {{0x0391, 0x03A1}, {0x03A3, 0x03A9}},                    // Greek capitals (no U+03A2)
      {{0x03B1, 0x03C9}},                                      // Greek small letters
  };
  static const std::vector<std::pair<char16_t, char16_t>> none;
  return set >= 0 && set < kCharacterSetCount ? sets[set] : none;
}

int g_lastSet = 0;

}  // namespace

std::u16string CharacterSetText(int set) {
  std::u16string text;
  if (set < 0) {
    for (char16_t c = 32; c <= 127; ++c) text.push_back(c);
    for (char16_t c = 0xF080; c <= 0xF0FF; ++c) text.push_back(c);
    return text;
  }
  for (const auto& [first, last] : SetRanges(set)) {
    for (char32_t c = first; c <= last; ++c) text.push_back(char16_t(c));
  }
  return text;
}

char16_t& LastPickedCharacter() {
  static char16_t last = 0;
  return last;
}

// ---- the list -------------------------------------------------------------------------------------

TOneCharListBox::TOneCharListBox(TWindow* parent, char16_t* selected)
    : TListBox(parent, kCharacterList), selected_(selected) {}

void TOneCharListBox::SetCharacters(const std::u16string& text) {
  text_ = text;
  if (GetHandle()) Fill();
}

void TOneCharListBox::SetFaceName(const WString& face) {
  face_ = face;
  if (GetHandle()) ApplyFont();
}

void TOneCharListBox::SetupWindow() {
  TListBox::SetupWindow();
  ApplyFont();
  Fill();
}

// The characters in the face asked for, four rows filling the list.
void TOneCharListBox::ApplyFont() {
  wxWindow* peer = GetPeer();
  if (!peer || face_.IsEmpty()) return;
  const int rowHeight = std::max(peer->GetClientSize().y / 4, 8);
  wxFont font(wxFontInfo().FaceName(ToWx(face_)).Weight(wxFONTWEIGHT_NORMAL));
  font.SetPixelSize(wxSize(0, std::max(rowHeight - 2, 6)));
  if (font.IsOk()) peer->SetFont(font);
}

void TOneCharListBox::Fill() {
  ClearList();
  int selected = -1;
  for (std::size_t i = 0; i < text_.size(); ++i) {
    AddString(WString(std::u16string_view(&text_[i], 1)));
    if (text_[i] == LastPickedCharacter()) selected = int(i);
  }
  SetSelIndex(selected);
}

void TOneCharListBox::LoadFromVariable() {}

void TOneCharListBox::SaveToVariable() {
  const int index = GetSelIndex();
  if (index < 0 || std::size_t(index) >= text_.size()) return;
  if (selected_) *selected_ = text_[std::size_t(index)];
  LastPickedCharacter() = text_[std::size_t(index)];
}

// ---- the dialog ------------------------------------------------------------------------------------

TDialogAnyChar::TDialogAnyChar(TWindow* parent, const WString& faceName, bool withSets, char16_t* chosen)
    : TDialogTr(parent, kAnyCharDialogId), withSets_(withSets), set_(g_lastSet) {
  if (withSets_) {
    auto* sets = new TAutoCombo_(this, kSetCombo, &set_, 0);
    sets->itemText = LoadLangString(kStrSetNames);
    sets->callback = [](TAutoCombo_* control, int value) {
      if (auto* dialog = dynamic_cast<TDialogAnyChar*>(control->GetParentO())) dialog->SetChanged(value);
    };
  }
  list_ = new TOneCharListBox(this, chosen);
  list_->SetFaceName(faceName);
  list_->SetCharacters(CharacterSetText(withSets_ ? set_ : -1));
}

void TDialogAnyChar::SetupWindow() {
  TDialogTr::SetupWindow();
  // Without the set choice its place stays, empty.
  if (!withSets_) {
    if (TWindow* placeholder = GetDlgItem(kSetCombo)) placeholder->ShowWindow(kSwHide);
  }
}

void TDialogAnyChar::SetChanged(int set) {
  if (set < 0 || set >= kCharacterSetCount) return;
  set_ = set;
  list_->SetCharacters(CharacterSetText(set));
}

void TDialogAnyChar::CleanupWindow() {
  if (withSets_) g_lastSet = set_;
  TDialogTr::CleanupWindow();
}

char16_t PickCharacter(TWindow* parent, const WString& faceName, bool withSets) {
  char16_t chosen = 0;
  TDialogAnyChar dialog(parent, faceName, withSets, &chosen);
  return dialog.Execute() == kIdcOk ? chosen : 0;
}

}  // namespace kvn
