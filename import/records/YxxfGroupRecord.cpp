#include "import/records/YxxfGroupRecord.h"

#include <algorithm>
#include <cstring>

#include "foundation/QuickHash.h"
#include "import/records/TextCodePage.h"
#include "import/records/TextNumbers.h"

namespace kvn {

namespace {

// A wide text reduced to ASCII (every unit of 128 and above becomes '?')
// into a fixed buffer: numbers never need more than its length.
int AsciiPrefix(const WString& text, char (&buffer)[64]) {
  int n = text.Length() < int(sizeof(buffer)) ? text.Length() : int(sizeof(buffer));
  for (int i = 0; i < n; ++i) {
    char16_t c = text[i];
    buffer[i] = c < 128 ? char(c) : '?';
  }
  return n;
}

}  // namespace

std::int32_t ItemToInt(const YxxfItem& item) {
  switch (item.type) {
    case ItemType::Int:
      return item.value.i;
    case ItemType::Narrow:
      return item.value.a ? ParseDecimalSaturated(item.value.a->CStr(), item.value.a->Length()) : 0;
    case ItemType::Wide: {
      if (!item.value.w) return 0;
      // Leading white space can be long; skip it before cutting the prefix.
      const WString& w = *item.value.w;
      int start = 0;
      while (start < w.Length() && (w[start] == ' ' || (w[start] >= '\t' && w[start] <= '\r'))) ++start;
      char buffer[64];
      int n = AsciiPrefix(w.Mid(start), buffer);
      return ParseDecimalSaturated(buffer, n);
    }
    default:
      return 0;
  }
}

double ItemToDouble(const YxxfItem& item) {
  switch (item.type) {
    case ItemType::Double:
      return item.value.d;
    case ItemType::Narrow:
      return item.value.a ? ParseDoubleOrZero(item.value.a->CStr(), item.value.a->Length()) : 0.0;
    case ItemType::Wide: {
      if (!item.value.w) return 0.0;
      AString ascii;
      item.value.w->ToAscii(ascii);
      return ParseDoubleOrZero(ascii.CStr(), ascii.Length());
    }
    default:
      return 0.0;
  }
}

YxxfGroupRecord::YxxfGroupRecord() : firstItems_(std::make_unique<FirstItem[]>(kIndexedSlots)) {}

void YxxfGroupRecord::Clear() {
  subRecord_ = 0;
  items_.Clear();
  nextWide_ = 0;
  nextNarrow_ = 0;
  if (++generation_ == 0) {
    // After 2^32 entities the old generations come round again.
    for (std::uint32_t i = 0; i < kIndexedSlots; ++i) firstItems_[i] = FirstItem{};
    generation_ = 1;
  }
}

void YxxfGroupRecord::NoteFirst(std::uint32_t index) {
  const YxxfItem& item = items_[index];
  const std::uint32_t slot = SlotOf(item.code);
  if (item.subRecord != 0 || slot == kIndexedSlots) return;
  FirstItem& first = firstItems_[slot];
  if (first.generation != generation_ || first.index > index) first = FirstItem{generation_, index};
}

void YxxfGroupRecord::ForgetFirst(std::uint32_t index) {
  const YxxfItem& item = items_[index];
  const std::uint32_t slot = SlotOf(item.code);
  if (item.subRecord != 0 || slot == kIndexedSlots) return;
  FirstItem& first = firstItems_[slot];
  if (first.generation != generation_ || first.index != index) return;
  // The next item of the code in id 0, if any, becomes the first.
  first = FirstItem{};
  for (std::uint32_t i = index + 1; i < items_.Count(); ++i) {
    if (items_[i].code == item.code && items_[i].subRecord == 0) {
      first = FirstItem{generation_, i};
      break;
    }
  }
}

void YxxfGroupRecord::SetLastSubRecord(std::uint8_t id) {
  const std::uint32_t count = items_.Count();
  if (count == 0) return;
  ForgetFirst(count - 1);
  items_[count - 1].subRecord = id;
  NoteFirst(count - 1);
}

void YxxfGroupRecord::RemoveLast() {
  const std::uint32_t count = items_.Count();
  if (count == 0) return;
  ForgetFirst(count - 1);
  const YxxfItem& last = items_[count - 1];
  if (last.type == ItemType::Narrow && nextNarrow_ != 0 && last.value.a == narrowPool_[nextNarrow_ - 1]) {
    --nextNarrow_;
  } else if (last.type == ItemType::Wide && nextWide_ != 0 && last.value.w == widePool_[nextWide_ - 1]) {
    --nextWide_;
  }
  items_.SetCount(count - 1);
}

YxxfItem& YxxfGroupRecord::Push(std::uint16_t code, ItemType type) {
  YxxfItem item;
  item.code = code;
  item.subRecord = subRecord_;
  item.type = type;
  items_.Add(item);
  const std::uint32_t index = items_.Count() - 1;
  NoteFirst(index);
  return items_[index];
}

WString& YxxfGroupRecord::NextWide() {
  if (nextWide_ == widePool_.Count()) widePool_.Add(new WString());
  return *widePool_[nextWide_++];
}

AString& YxxfGroupRecord::NextNarrow() {
  if (nextNarrow_ == narrowPool_.Count()) narrowPool_.Add(new AString());
  return *narrowPool_[nextNarrow_++];
}

void YxxfGroupRecord::AddInt(std::uint16_t code, std::int32_t value) { Push(code, ItemType::Int).value.i = value; }

void YxxfGroupRecord::AddDouble(std::uint16_t code, double value) { Push(code, ItemType::Double).value.d = value; }

void YxxfGroupRecord::AddPoint2(std::uint16_t code, double x, double y) {
  AddDouble(code, x);
  AddDouble(std::uint16_t(code + 10), y);
}

void YxxfGroupRecord::AddPoint3(std::uint16_t code, double x, double y, double z) {
  AddDouble(code, x);
  AddDouble(std::uint16_t(code + 10), y);
  AddDouble(std::uint16_t(code + 20), z);
}

void YxxfGroupRecord::AddHandle(std::uint16_t code, std::uint32_t low, std::uint32_t high) {
  Push(code, ItemType::Handle).value.h = std::uint64_t(high) << 32 | low;
}

void YxxfGroupRecord::AddWideString(std::uint16_t code, const WString& text) {
  WString& slot = NextWide();
  slot = text;
  Push(code, ItemType::Wide).value.w = &slot;
}

void YxxfGroupRecord::AddString(std::uint16_t code, const AString& text) {
  AString& slot = NextNarrow();
  slot = text;
  Push(code, ItemType::Narrow).value.a = &slot;
}

void YxxfGroupRecord::AddWideString(std::uint16_t code, std::u16string_view text) {
  WString& slot = NextWide();
  // Clear keeps a private buffer; Resize then grows it only when too small.
  slot.Clear();
  if (!text.empty()) {
    slot.Resize(std::int64_t(text.size()));
    std::memcpy(slot.Data(), text.data(), text.size() * sizeof(char16_t));
  }
  Push(code, ItemType::Wide).value.w = &slot;
}

void YxxfGroupRecord::AddString(std::uint16_t code, std::string_view bytes) {
  AString& slot = NextNarrow();
  slot.AssignUnits(bytes.data(), std::uint32_t(std::min<std::size_t>(bytes.size(), AString::kMaxLength)));
  Push(code, ItemType::Narrow).value.a = &slot;
}

std::int64_t YxxfGroupRecord::ScanItems(std::uint16_t code, std::uint32_t start, std::uint32_t limit) const {
  for (std::uint32_t i = start; i < items_.Count(); ++i) {
    if (i > limit) break;
    const YxxfItem& item = items_[i];
    if (item.code == code && item.subRecord == subRecord_) return i;
  }
  return -1;
}

std::int64_t YxxfGroupRecord::FindIndex(std::uint16_t code, std::uint32_t start, std::uint32_t limit) const {
  return Scan(code, start, limit);
}

bool YxxfGroupRecord::FindInt(std::int32_t& out, std::uint16_t code, std::uint32_t* index,
                              std::uint32_t limit) const {
  std::int64_t at = Scan(code, index ? *index : 0, limit);
  if (at < 0) {
    out = 0;
    return false;
  }
  out = ItemToInt(items_[std::uint32_t(at)]);
  if (index) *index = std::uint32_t(at + 1);
  return true;
}

bool YxxfGroupRecord::FindInt16(std::int16_t& out, std::uint16_t code, std::uint32_t* index,
                                std::uint32_t limit) const {
  std::int32_t v = 0;
  bool found = FindInt(v, code, index, limit);
  out = std::int16_t(std::uint16_t(v));
  return found;
}

bool YxxfGroupRecord::FindHandle(std::uint64_t& out, std::uint16_t code, std::uint32_t* index,
                                 std::uint32_t limit) const {
  out = 0;
  std::int64_t at = Scan(code, index ? *index : 0, limit);
  if (at < 0) return false;
  const YxxfItem& item = items_[std::uint32_t(at)];
  switch (item.type) {
    case ItemType::Int:
      out = std::uint64_t(std::int64_t(item.value.i));
      break;
    case ItemType::Handle:
      out = item.value.h;
      break;
    case ItemType::Narrow:
      out = item.value.a ? ParseHexHandle(item.value.a->CStr(), item.value.a->Length()) : 0;
      break;
    case ItemType::Wide: {
      if (item.value.w) {
        AString ascii;
        item.value.w->ToAscii(ascii);
        out = ParseHexHandle(ascii.CStr(), ascii.Length());
      }
      break;
    }
    default:
      return false;
  }
  if (index) *index = std::uint32_t(at + 1);
  return true;
}

WString YxxfGroupRecord::DecodeNarrow(const AString& text) const {
  const std::string_view bytes(text.CStr(), std::size_t(std::max(text.Length(), 0)));
  if (bytes.empty() || bytes.size() > kRecentTextBytes) return DecodeNarrowText(codePage_, text.CStr(), text.Length());
  RecentText& recent = recentTexts_[QuickHash(bytes) % kRecentTexts];
  if (recent.known && recent.codePage == codePage_ && recent.bytes == bytes) return recent.text;
  recent.text = DecodeNarrowText(codePage_, text.CStr(), text.Length());
  recent.bytes.assign(bytes);
  recent.codePage = codePage_;
  recent.known = true;
  return recent.text;
}

bool YxxfGroupRecord::FindString(WString& out, std::uint16_t code, std::uint32_t* index,
                                 std::uint32_t limit) const {
  out.Clear();
  std::int64_t at = Scan(code, index ? *index : 0, limit);
  if (at < 0) return false;
  const YxxfItem& item = items_[std::uint32_t(at)];
  if (item.type == ItemType::Wide) {
    if (item.value.w) out = *item.value.w;
  } else if (item.type == ItemType::Narrow) {
    if (item.value.a) out = DecodeNarrow(*item.value.a);
  } else {
    return false;
  }
  if (index) *index = std::uint32_t(at + 1);
  return true;
}

bool YxxfGroupRecord::FindNarrowString(AString& out, std::uint16_t code, std::uint32_t* index,
                                       std::uint32_t limit) const {
  out.Clear();
  std::int64_t at = Scan(code, index ? *index : 0, limit);
  if (at < 0) return false;
  const YxxfItem& item = items_[std::uint32_t(at)];
  if (item.type == ItemType::Narrow && item.value.a) out = *item.value.a;
  if (index) *index = std::uint32_t(at + 1);
  return true;
}

bool YxxfGroupRecord::FindBytes(ByteArray& out, std::uint16_t code, std::uint32_t* index,
                                std::uint32_t limit) const {
  out.Clear();
  std::int64_t at = Scan(code, index ? *index : 0, limit);
  if (at < 0) return false;
  const YxxfItem& item = items_[std::uint32_t(at)];
  if (item.type != ItemType::Narrow) return false;
  if (item.value.a) out.AppendBytes(item.value.a->CStr(), item.value.a->Length());
  if (index) *index = std::uint32_t(at + 1);
  return true;
}

bool YxxfGroupRecord::HasHandle(std::uint16_t code) const {
  std::int64_t at = Scan(code, 0, kNoLimit);
  return at >= 0 && items_[std::uint32_t(at)].type == ItemType::Handle;
}

std::int32_t YxxfGroupRecord::GetInt(std::uint16_t code, std::int32_t def, std::uint32_t start,
                                     std::uint32_t limit) const {
  std::int32_t v;
  return FindInt(v, code, &start, limit) ? v : def;
}

std::int16_t YxxfGroupRecord::GetInt16(std::uint16_t code, std::int16_t def, std::uint32_t start,
                                       std::uint32_t limit) const {
  std::int16_t v;
  return FindInt16(v, code, &start, limit) ? v : def;
}

double YxxfGroupRecord::GetDouble(std::uint16_t code, double def, std::uint32_t start, std::uint32_t limit) const {
  double v;
  return FindDouble(v, code, &start, limit) ? v : def;
}

std::uint64_t YxxfGroupRecord::GetHandle(std::uint16_t code, std::uint32_t start, std::uint32_t limit) const {
  std::uint64_t v;
  return FindHandle(v, code, &start, limit) ? v : 0;
}

WString YxxfGroupRecord::GetString(std::uint16_t code, const char16_t* def, std::uint32_t start,
                                   std::uint32_t limit) const {
  WString v;
  if (FindString(v, code, &start, limit)) return v;
  return WString(def);
}

AString YxxfGroupRecord::GetNarrowString(std::uint16_t code, const char* def, std::uint32_t start,
                                         std::uint32_t limit) const {
  AString v;
  if (FindNarrowString(v, code, &start, limit)) return v;
  return AString(def);
}

Vec3 YxxfGroupRecord::GetPoint3(std::uint16_t code, std::uint32_t start, std::uint32_t limit) const {
  Vec3 p;
  std::uint32_t at = start;
  FindDouble(p.x, code, &at, limit);
  if (FindDouble(p.y, std::uint16_t(code + 10), &at, limit)) FindDouble(p.z, std::uint16_t(code + 20), &at, limit);
  return p;
}

void YxxfGroupRecord::GetPoint2(double& x, double& y, std::uint16_t code, std::uint32_t start,
                                std::uint32_t limit) const {
  std::uint32_t at = start;
  FindDouble(x, code, &at, limit);
  FindDouble(y, std::uint16_t(code + 10), &at, limit);
}

WString YxxfGroupRecord::JoinStrings(std::uint16_t firstCode, std::uint16_t finalCode) const {
  AString narrow;
  WString wide;
  bool anyNarrow = false;
  for (std::int64_t at = Scan(firstCode, 0, kNoLimit); at >= 0; at = Scan(firstCode, std::uint32_t(at + 1), kNoLimit)) {
    const YxxfItem& item = items_[std::uint32_t(at)];
    if (item.type == ItemType::Narrow) {
      anyNarrow = true;
      if (item.value.a) narrow.Append(*item.value.a);
    } else if (item.type == ItemType::Wide) {
      if (item.value.w) wide.Append(*item.value.w);
    }
  }
  if (anyNarrow) {
    AString last;
    FindNarrowString(last, finalCode);
    narrow.Append(last);
    return DecodeNarrow(narrow);
  }
  WString last;
  FindString(last, finalCode);
  wide.Append(last);
  return wide;
}

}  // namespace kvn
