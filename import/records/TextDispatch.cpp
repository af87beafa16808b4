// The dispatch rows of texts: TEXT, MTEXT, ATTDEF, ATTRIB, and the texts of
// MLEADER context blocks.
#include <cmath>
#include <string>
#include <string_view>

#include "import/records/AciColors.h"
#include "import/records/RecordUtilities.h"
#include "import/records/TextCodes.h"
#include "import/records/TextRecord.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"

namespace kvn {

void AppendMLeaderTexts(YxxfGroupRecord& record, std::vector<std::unique_ptr<cOneObjRec>>& out) {
  GrowArray<ItemRange> contexts, leaders;
  FindContextBlocks(record, contexts, "CONTEXT_DATA{", 300);
  FindContextBlocks(record, leaders, "LEADER{", 302);
  for (const ItemRange& range : contexts) {
    auto find = [&](std::uint16_t code) { return FindInContext(record, range, leaders, code); };
    const std::int64_t hasText = find(290);
    if (hasText < 0 || GetItemInt(record.Item(std::uint32_t(hasText))) == 0) continue;
    auto text = std::make_unique<cOneText>(&record, 0);
    text->entityCode = entity::kMultiLeader;
    text->multiLine = 1;
    text->styleName = WString();
    if (std::int64_t i = find(60); i >= 0) text->invisible = GetItemInt(record.Item(std::uint32_t(i))) & 1;
    // The base record gave the entity's own colour.
    text->frameColor = text->color;
    if (std::int64_t i = find(90); i >= 0) text->color = MLeaderColor(GetItemInt(record.Item(std::uint32_t(i))));
    if (std::int64_t i = find(41); i >= 0) text->height = GetItemDouble(record.Item(std::uint32_t(i)));
    if (std::int64_t i = find(43); i >= 0) text->width = GetItemDouble(record.Item(std::uint32_t(i)));
    if (std::int64_t i = find(12); i >= 0) text->insertion = record.GetPoint3(12, std::uint32_t(i), range.close);
    if (std::int64_t i = find(13); i >= 0) text->second = record.GetPoint3(13, std::uint32_t(i), range.close);
    if (text->second == Vec3{}) text->second = Vec3{1, 0, 0};
    std::int32_t attachment = 1;
    if (std::int64_t i = find(171); i >= 0) attachment = GetItemInt(record.Item(std::uint32_t(i)));
    text->flags[1] = attachment == 2 || attachment == 3 ? attachment : 1;
    if (std::int64_t i = find(340); i >= 0) {
      std::uint32_t at = std::uint32_t(i);
      record.FindHandle(text->styleHandle, 340, &at, range.close);
    }
    if (std::int64_t i = find(304); i >= 0) {
      WString raw, stripped;
      std::uint32_t at = std::uint32_t(i);
      record.FindString(raw, 304, &at, range.close);
      bool hasSpace = false;
      StripMtextCodes(stripped, raw, hasSpace);
      ConvertPercentCodes(text->text, stripped, true);
    }
    if (std::int64_t i = find(172); i >= 0 && GetItemInt(record.Item(std::uint32_t(i))) == 3) {
      std::u16string line;
      const std::u16string_view lines = text->text.View();
      for (std::size_t k = 0; k < lines.size(); ++k) {
        const bool pair = lines[k] == u'\r' && k + 1 < lines.size() && lines[k + 1] == u'\n';
        if (!pair) line.push_back(lines[k] == u'\n' || lines[k] == u'\r' ? u' ' : lines[k]);
      }
      text->text = WString(line);
      text->width = 0.0;
    }
    // The frame: the entity's flag after its context data (the context's
    // own 292 is the background's), at the landing gap from the text.
    if (record.GetInt(292, 0, range.close + 1) != 0) {
      text->framed = 1;
      if (std::int64_t i = find(145); i >= 0) text->frameGap = std::fabs(GetItemDouble(record.Item(std::uint32_t(i))));
    }
    out.push_back(std::move(text));
  }
}

void YxxfReader::DispatchText(YxxfGroupRecord& record, int code, const std::string& name) {
  auto text = std::make_unique<cOneText>(&record, std::uint16_t(code));
  switch (code) {
    case entity::kAttDef:
      // Attribute definitions stay with their block for the assembly.
      AddEntity(record, std::move(text), false, name);
      return;
    case entity::kAttrib:
      // Part of its insert: counted with it, kept in memory beside it.
      AddRecord(record, std::move(text), false);
      statistics.CountApart(name);
      return;
    default:
      AddEntity(record, std::move(text), true, name);
      return;
  }
}

}  // namespace kvn
