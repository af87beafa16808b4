#include "document/TitleFields.h"

#include <string>
#include <vector>

#include "document/TitleFieldsInternal.h"
#include "document/cDrawing.h"
#include "foundation/UnicodeCase.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLink.h"
#include "model/cTextFields.h"

namespace kvn {

namespace {

constexpr std::u16string_view kOpen = u"[/<";
constexpr std::u16string_view kClose = u">\\]";
// A list field inside the lines of a list field goes at most this deep.
constexpr int kMaxListDepth = 4;
// The layout keeps line starts in 16 bits: a list stops adding lines before
// the text would pass this length.
constexpr std::size_t kMaxListText = 65535;
// Longer reference numbers are refused rather than overflowing.
constexpr std::size_t kMaxReferenceDigits = 9;
constexpr std::size_t kPrefixDigitsRead = 20;

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The letter without case and accent. The sort key of WString's own
// comparison keeps the accent as a tie-breaker, so "NAZEV" and "název"
// would differ there; field names must match either way.
std::uint32_t PlainLetter(char16_t c) {
  char16_t u = UpperCaseW(c);
  if (!u) u = c;
  if (u >= 128) {
    if (const char folded = FoldToAsciiW(u)) return std::uint8_t(folded);
  }
  return u;
}

bool NameMatches(std::u16string_view content, const char16_t* name, bool whole) {
  if (!name) return false;
  const std::u16string_view want(name);
  if (content.size() < want.size() || (whole && content.size() != want.size())) return false;
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (PlainLetter(content[i]) != PlainLetter(want[i])) return false;
  }
  return true;
}

struct Expansion {
  cDrawingDoc* document;
  cDrawing& drawing;
  cDrawingData& data;
  WString* extraChars;
  int depth;
};

// Walks every row; a later matching row replaces the value of an earlier
// one. False when no row matched.
bool EvaluateRows(std::u16string& value, std::u16string_view content, FieldScratch& scratch, Expansion& e, cText* owner,
                  std::span<cOutObj* const> context, cOutObj* insert, FieldList& list) {
  bool matched = false;
  const std::span<const FieldRow> rows = FieldRows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const FieldRow& row = rows[i];
    const bool whole = (row.kind & 0x05) == 0;
    for (const char16_t* name : row.names) {
      if (!NameMatches(content, name, whole)) continue;
      std::u16string_view parameter;
      if (!whole) parameter = content.substr(std::char_traits<char16_t>::length(name));
      scratch.row = int(i);
      std::u16string out;
      FieldCall call{scratch, e.document, e.drawing, e.data, owner, context, e.extraChars, parameter, insert, list};
      row.evaluate(out, call);
      value = std::move(out);
      matched = true;
      break;
    }
  }
  return matched;
}

bool Expand(std::u16string& text, Expansion e, cText* owner, std::span<cOutObj* const> context, cOutObj* insert);

// The lines of a list field: the rest of the line once per item, each
// expanded with the item's objects, joined by CR LF. `budget` is what the
// whole text may still grow by.
std::u16string ListLines(const std::vector<FieldListItem>& items, std::u16string_view rest, const Expansion& e,
                         std::size_t budget) {
  std::u16string lines;
  // Too deep: the list shows as an empty one.
  if (e.depth >= kMaxListDepth) return lines;
  for (std::size_t i = 0; i < items.size(); ++i) {
    std::u16string line(rest);
    cOutObj* const objects[3] = {items[i][0], items[i][1], items[i][2]};
    cOutObj* current = FirstInsertOf(objects);
    Expansion inner{e.document, e.drawing, e.data, nullptr, e.depth + 1};
    Expand(line, inner, nullptr, objects, current);
    const std::size_t added = (i ? 2 : 0) + line.size();
    if (lines.size() + added > budget) break;
    if (i) lines += u"\r\n";
    lines += line;
  }
  return lines;
}

bool Expand(std::u16string& text, Expansion e, cText* owner, std::span<cOutObj* const> context, cOutObj* insert) {
  if (text.find(kOpen) == std::u16string::npos) return false;
  FieldScratch scratch;
  for (cOutObj* o : context) {
    if (cLink* link = o ? o->AsLink() : nullptr) {
      scratch.link = link;
      break;
    }
  }
  scratch.topBlock = e.drawing.TopBlock();

  bool replaced = false;
  std::size_t from = 0;
  for (;;) {
    const std::size_t open = text.find(kOpen, from);
    if (open == std::u16string::npos) break;
    const std::size_t close = text.find(kClose, open + kOpen.size());
    if (close == std::u16string::npos) break;
    std::size_t spanEnd = close + kClose.size();
    std::u16string_view content(text.data() + open + kOpen.size(), close - open - kOpen.size());

    std::u16string value;
    bool matched = false;
    bool unresolved = false;
    FieldList list;
    if (!content.empty() && content[0] == u'?') {
      value.assign(kOpen).append(content.substr(1)).append(kClose);
      matched = true;
    } else if (scratch.topBlock && scratch.topBlock->byteValue != 0) {
      matched = true;
    } else {
      std::span<cOutObj* const> fieldContext = context;
      cOutObj* fieldInsert = insert;
      cOutObj* referenced[1] = {nullptr};
      std::size_t digits = 0;
      while (digits < content.size() && digits < kPrefixDigitsRead && IsAsciiDigit(content[digits])) ++digits;
      if (digits < content.size() && content[digits] == u'#') {
        unresolved = true;
        const std::u16string_view number = content.substr(0, digits);
        content.remove_prefix(digits + 1);
        cInsert* own = FirstInsertOf(context);
        if (own && number.size() <= kMaxReferenceDigits) {
          std::uint64_t n = 0;
          for (char16_t c : number) n = n * 10 + std::uint64_t(c - u'0');
          if (cInsert* other = FindLinkedInsert(*own, scratch.topBlock, e.data, n)) {
            referenced[0] = other;
            fieldContext = referenced;
            if (insert == own) fieldInsert = other;
            unresolved = false;
          }
        }
      }
      matched = EvaluateRows(value, content, scratch, e, owner, fieldContext, fieldInsert, list);
    }

    if (!matched) {
      value = u"#ERROR#";
      list.reset();
    } else if (unresolved) {
      value = u"#REF_ERROR#";
      list.reset();
    }

    if (list) {
      std::size_t lineEnd = text.find(u'\n', spanEnd);
      if (lineEnd == std::u16string::npos) lineEnd = text.size();
      if (lineEnd > spanEnd && text[lineEnd - 1] == u'\r') --lineEnd;
      const std::u16string rest = text.substr(spanEnd, lineEnd - spanEnd);
      const std::size_t kept = text.size() - (lineEnd - open);
      const std::size_t budget = kept < kMaxListText ? kMaxListText - kept : 0;
      value = ListLines(*list, rest, e, budget);
      spanEnd = lineEnd;
    }

    text.replace(open, spanEnd - open, value);
    from = open + value.size();
    replaced = true;
  }
  return replaced;
}

bool ExpandOne(WString& text, cDrawingData* data, cText* owner, cOutObj* context, cOutObj* insert,
               WString* extraChars) {
  cOutObj* const objects[1] = {context};
  return ExpandTitleFields(text, data, owner, objects, insert, extraChars);
}

}  // namespace

bool ExpandTitleFields(WString& text, cDrawingData* data, cText* owner, std::span<cOutObj* const> context,
                       cOutObj* insert, WString* extraChars) {
  cDrawing* drawing = data ? data->GetDrawing() : nullptr;
  if (!drawing || text.View().find(kOpen) == std::u16string_view::npos) return false;
  std::u16string work(text.View());
  Expansion e{drawing->Document(), *drawing, *data, extraChars, 0};
  if (!Expand(work, e, owner, context, insert)) return false;
  text = WString(std::u16string_view(work));
  return true;
}

void InstallTitleFields() { SetFieldExpander(&ExpandOne); }

}  // namespace kvn
