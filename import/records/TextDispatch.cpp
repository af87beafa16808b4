// The dispatch rows of texts: TEXT, MTEXT, ATTDEF, ATTRIB, and the texts of
// MLEADER context blocks.
#include "import/records/AciColors.h"
#include "import/records/RecordUtilities.h"
#include "import/records/TextCodes.h"
#include "import/records/TextRecord.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"

namespace kvn {

namespace {

// The colour word of MLEADER texts: the high byte says how it is given.
std::uint32_t MLeaderColor(std::int32_t value) {
  const std::uint32_t v = std::uint32_t(value);
  switch (v >> 24) {
    case 0xC0: return kColorByLayer;
    case 0xC1: return kColorByBlock;
    case 0xC2: return AciToRgb(1, std::int32_t(v & 0xFFFFFF));
    case 0xC3: return EntityColor(std::uint16_t(v & 0xFF), -1);
    default: return kColorByLayer;
  }
}

}  // namespace

void AppendMLeaderTexts(YxxfGroupRecord& record, std::vector<std::unique_ptr<cOneObjRec>>& out) {
  GrowArray<ItemRange> contexts, leaders, none;
  FindContextBlocks(record, contexts, "CONTEXT_DATA{", 300);
  FindContextBlocks(record, leaders, "LEADER{", 302);
  for (const ItemRange& range : contexts) {
    // The first item of the code in the context block but outside its leaders.
    auto find = [&](std::uint16_t code) -> std::int64_t {
      for (std::uint32_t i = range.open; i <= range.close && i < record.Count(); ++i) {
        const YxxfItem* item = record.Item(i);
        if (item->code == code && item->subRecord == record.SubRecord() && IsOutsideRanges(i, leaders, none, none)) {
          return i;
        }
      }
      return -1;
    };
    const std::int64_t hasText = find(290);
    if (hasText < 0 || GetItemInt(record.Item(std::uint32_t(hasText))) == 0) continue;
    auto text = std::make_unique<cOneText>(&record, 0);
    text->entityCode = entity::kMultiLeader;
    text->multiLine = 1;
    text->styleName = WString();
    if (std::int64_t i = find(60); i >= 0) text->invisible = GetItemInt(record.Item(std::uint32_t(i))) & 1;
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
