#include "foundation/Mnemonics.h"

namespace kvn {

namespace {

// Only ASCII letters are folded: accented letters never become candidates.
char16_t Fold(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c; }

bool IsCandidate(char16_t folded) { return folded >= u'A' && folded <= u'Z'; }

std::uint32_t LetterBit(char16_t folded) { return 1u << (folded - u'A'); }

// Depth of the stack entry holding c, or -1.
int HeldAt(const std::array<char16_t, kMaxMnemonicItems>& stack, int depth, char16_t c) {
  for (int i = 0; i < depth; ++i) {
    if (stack[std::size_t(i)] == c) return i;
  }
  return -1;
}

}  // namespace

MnemonicItem& MnemonicList::NewItem(const WString& text) {
  auto* item = new MnemonicItem;
  item->text = text;
  int amp = text.FindChar(u'&');
  if (amp >= 0) item->text.Erase(amp, 1);
  item->markedPosition = amp;
  items_.Add(item);
  return *item;
}

void MnemonicList::AddControl(void* window, const WString& text) {
  MnemonicItem& item = NewItem(text);
  item.window = window;
  item.takesPart = true;
}

void MnemonicList::AddMenuItem(void* menu, int position, int commandId, const WString& text, bool takesPart) {
  MnemonicItem& item = NewItem(text);
  item.menu = menu;
  item.menuPosition = position;
  item.commandId = commandId;
  item.takesPart = takesPart;
}

int MnemonicList::AssignMnemonics(std::uint32_t first, std::array<char16_t, kMaxMnemonicItems>& stack, int depth,
                                  const WString** conflictText) {
  if (conflictText) *conflictText = nullptr;
  // The next item that takes part. Past the last stack slot nothing takes
  // part any more: those items stay without accelerator.
  std::uint32_t index = first;
  for (; index < items_.Count(); ++index) {
    MnemonicItem& skipped = *items_[index];
    if (skipped.takesPart && !skipped.text.IsEmpty() && skipped.text.Length() <= kMaxMnemonicText &&
        depth < kMaxMnemonicItems) {
      break;
    }
    skipped.chosenPosition = -1;
  }
  if (index >= items_.Count()) return -1;
  MnemonicItem& item = *items_[index];
  const WString& text = item.text;
  const std::size_t slot = std::size_t(depth);

  // The letter the text marked with '&' comes first.
  if (item.markedPosition != -1) {
    item.chosenPosition = -1;
    char16_t c = Fold(text[item.markedPosition]);
    int held = HeldAt(stack, depth, c);
    if (held >= 0) return held;
    stack[slot] = c;
    int result = AssignMnemonics(index + 1, stack, depth + 1, nullptr);
    if (result == -1) {
      item.chosenPosition = item.markedPosition;
      return -1;
    }
    item.chosenPosition = -1;
    if (result < depth) return result;
    // A later item needs this very letter: give the mark up for good.
    item.markedPosition = -1;
  }

  // General search, left to right over the text's letters.
  item.chosenPosition = -1;
  int deepestConflict = -1;
  int conflictPosition = -1;
  std::uint32_t tried = 0;
  const int length = text.Length();
  for (int p = 0; p < length; ++p) {
    char16_t c = Fold(text[p]);
    if (!IsCandidate(c) || (tried & LetterBit(c))) continue;
    tried |= LetterBit(c);
    int held = HeldAt(stack, depth, c);
    if (held >= 0) {
      if (held > deepestConflict) {
        deepestConflict = held;
        conflictPosition = p;
      }
      continue;
    }
    stack[slot] = c;
    item.chosenPosition = p;
    const WString* failed = nullptr;
    int result = AssignMnemonics(index + 1, stack, depth + 1, &failed);
    if (result == -1) return -1;
    if (result < depth) {
      if (conflictText) *conflictText = failed;
      return result;
    }
    // A later item failed because of this letter. Letters it also has would
    // fail it the same way: skip them.
    item.chosenPosition = -1;
    if (failed) {
      std::uint32_t failedLetters = 0;
      for (int q = 0; q < failed->Length(); ++q) {
        char16_t f = Fold((*failed)[q]);
        if (IsCandidate(f)) failedLetters |= LetterBit(f);
      }
      for (int q = p + 1; q < length; ++q) {
        char16_t f = Fold(text[q]);
        if (IsCandidate(f) && (failedLetters & LetterBit(f))) tried |= LetterBit(f);
      }
    }
  }

  if (deepestConflict == -1) {
    // No letter of this item is held by an earlier item, yet none works: it
    // goes without accelerator, and the items after it still get theirs.
    item.chosenPosition = -1;
    return AssignMnemonics(index + 1, stack, depth, conflictText);
  }
  if (conflictText) {
    *conflictText = &text;
    item.chosenPosition = conflictPosition;
  }
  return deepestConflict;
}

WString MnemonicList::TextWithMnemonic(const MnemonicItem& item) {
  WString text = item.text;
  if (item.chosenPosition >= 0 && item.chosenPosition < text.Length()) {
    text.Insert(item.chosenPosition, u"&");
  }
  return text;
}

void MnemonicList::Apply() {
  std::array<char16_t, kMaxMnemonicItems> stack{};
  AssignMnemonics(0, stack, 0, nullptr);
  for (MnemonicItem* item : items_) {
    SetItemText(*item, item->chosenPosition == -1 ? item->text : TextWithMnemonic(*item));
  }
}

void MnemonicList::SetItemText(const MnemonicItem& item, const WString& text) {
  if (mode_ == Mode::Dialog) {
    target_->SetControlText(item.window, text);
  } else {
    target_->SetMenuItemText(item.menu, item.menuPosition, item.commandId, text);
  }
}

}  // namespace kvn
