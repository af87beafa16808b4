#include "import/records/TableRecords.h"

#include <algorithm>
#include <cmath>
#include <strings.h>

#include "import/records/YxxfGroupRecord.h"

namespace kvn {

namespace {

void Split(std::uint64_t h, std::uint32_t& low, std::uint32_t& high) {
  low = std::uint32_t(h);
  high = std::uint32_t(h >> 32);
}

std::uint64_t Join(std::uint32_t low, std::uint32_t high) { return std::uint64_t(high) << 32 | low; }

// The text of an item equals `marker`, ignoring ASCII case.
bool ItemTextIs(const YxxfGroupRecord& r, std::uint32_t index, const char* marker) {
  const YxxfItem* item = r.Item(index);
  if (!item) return false;
  AString text;
  if (item->type == ItemType::Narrow && item->value.a) {
    text = *item->value.a;
  } else if (item->type == ItemType::Wide && item->value.w) {
    item->value.w->ToAscii(text);
  } else {
    return false;
  }
  return strcasecmp(text.CStr(), marker) == 0;
}

}  // namespace

// ---- layers ----

YxxfLayerRec::YxxfLayerRec(const WString& n, std::uint16_t c, std::int32_t tc, const WString& lt, std::uint8_t o,
                           std::uint8_t f, std::uint8_t l, std::uint32_t hl, std::uint32_t hh, std::uint32_t ll,
                           std::uint32_t lh)
    : name(n), lineTypeName(lt), colorIndex(c), trueColor(tc), off(o), frozen(f), locked(l), handle(Join(hl, hh)),
      lineTypeHandleLow(ll), lineTypeHandleHigh(lh) {}

std::unique_ptr<YxxfLayerRec> YxxfLayerRec::FromRecord(const YxxfGroupRecord& r) {
  std::int32_t color = r.GetInt(62, 256);
  std::uint8_t off = 0;
  if (color < 0) {
    off = 1;
    color = color == INT32_MIN ? INT32_MAX : -color;
  }
  std::int32_t trueColor = -1;
  if (r.FindInt(trueColor, 420)) {
    color = kLayerColorTrue;
  } else {
    trueColor = -1;
  }
  std::int32_t flags = r.GetInt(70);
  std::uint32_t hl, hh;
  Split(r.GetHandle(5), hl, hh);
  return std::make_unique<YxxfLayerRec>(r.GetString(2), std::uint16_t(color), trueColor, r.GetString(6), off,
                                        std::uint8_t(flags & 1), std::uint8_t((flags >> 2) & 1), hl, hh, 0, 0);
}

// ---- text styles ----

YxxfStyleRec::YxxfStyleRec(const WString& n, std::uint32_t hl, std::uint32_t hh, const WString& font,
                           const WString& family, std::uint32_t ttFlags, double h, double w, std::uint32_t gen)
    : name(n), fontFile(font), trueTypeFamily(family), trueTypeFlags(ttFlags), handle(Join(hl, hh)), height(h),
      widthFactor(w), generationFlags(gen) {}

std::unique_ptr<YxxfStyleRec> YxxfStyleRec::FromRecord(const YxxfGroupRecord& r) {
  WString family;
  std::uint32_t ttFlags = 0;
  for (std::int64_t at = r.FindIndex(1001); at >= 0; at = r.FindIndex(1001, std::uint32_t(at + 1))) {
    if (!ItemTextIs(r, std::uint32_t(at), "ACAD")) continue;
    // The application's data run up to the next 1001.
    std::int64_t next = r.FindIndex(1001, std::uint32_t(at + 1));
    std::uint32_t limit = next < 0 ? kNoLimit : std::uint32_t(next);
    std::uint32_t from = std::uint32_t(at + 1);
    r.FindString(family, 1000, &from, limit);
    from = std::uint32_t(at + 1);
    std::int32_t f = 0;
    if (r.FindInt(f, 1071, &from, limit)) ttFlags = std::uint32_t(f);
    break;
  }
  std::uint32_t hl, hh;
  Split(r.GetHandle(5), hl, hh);
  return std::make_unique<YxxfStyleRec>(r.GetString(2), hl, hh, r.GetString(3), family, ttFlags, r.GetDouble(40),
                                        r.GetDouble(41), std::uint32_t(r.GetInt(71)));
}

// ---- line types ----

YxxfLineTypeRec::YxxfLineTypeRec(const WString& n, const GrowArray<YxxfLineTypeElement>* source, std::uint32_t hl,
                                 std::uint32_t hh, const WString& d)
    : name(n), description(d), handle(Join(hl, hh)) {
  if (source) elements.Append(source->Items(), source->Count());
}

std::unique_ptr<YxxfLineTypeRec> YxxfLineTypeRec::FromRecord(const YxxfGroupRecord& r) {
  GrowArray<YxxfLineTypeElement> elements(8);
  std::int32_t count = r.GetInt(73);
  std::int64_t at = r.FindIndex(49);
  // Each element runs from its 49 up to the next; the count never creates
  // elements the record does not carry.
  for (std::int32_t i = 0; i < count && at >= 0; ++i) {
    std::int64_t next = r.FindIndex(49, std::uint32_t(at + 1));
    std::uint32_t from = std::uint32_t(at);
    std::uint32_t limit = next < 0 ? kNoLimit : std::uint32_t(next - 1);
    YxxfLineTypeElement e;
    e.dashLength = r.GetDouble(49, 0.0, from, limit);
    e.typeFlags = std::uint8_t(r.GetInt(74, 0, from, limit));
    std::int32_t shape = 0;
    std::uint32_t probe = from;
    if (r.FindInt(shape, 75, &probe, limit)) e.text[0] = char16_t(shape);
    WString text;
    probe = from;
    if (r.FindString(text, 9, &probe, limit)) {
      int n = std::min(text.Length(), 255);
      std::fill(std::begin(e.text), std::end(e.text), u'\0');
      for (int k = 0; k < n; ++k) e.text[k] = text[k];
    }
    e.styleHandle = r.GetHandle(340, from, limit);
    e.scale = r.GetDouble(46, 0.0, from, limit);
    e.rotation = r.GetDouble(50, 0.0, from, limit);
    e.xOffset = r.GetDouble(44, 0.0, from, limit);
    e.yOffset = r.GetDouble(45, 0.0, from, limit);
    elements.Append(e);
    at = next;
  }
  std::uint32_t hl, hh;
  Split(r.GetHandle(5), hl, hh);
  return std::make_unique<YxxfLineTypeRec>(r.GetString(2), &elements, hl, hh, r.GetString(3));
}

// ---- blocks ----

YxxfBlockRec::YxxfBlockRec(const WString& n, const Vec3& b, std::uint32_t hl, std::uint32_t hh, std::uint32_t ol,
                           std::uint32_t oh, std::uint8_t f)
    : name(n), base(b), handle(Join(hl, hh)), owner(Join(ol, oh)), flags(f) {}

std::unique_ptr<YxxfBlockRec> YxxfBlockRec::FromRecord(const YxxfGroupRecord& r) {
  std::uint32_t hl, hh, ol, oh;
  Split(r.GetHandle(5), hl, hh);
  Split(r.GetHandle(330), ol, oh);
  auto block = std::make_unique<YxxfBlockRec>(r.GetString(2), r.GetPoint3(10), hl, hh, ol, oh,
                                              std::uint8_t(r.GetInt(70)));
  block->xrefPath = r.GetString(1);
  return block;
}

std::unique_ptr<YxxfBlockTableRec> YxxfBlockTableRec::FromRecord(const YxxfGroupRecord& r) {
  auto rec = std::make_unique<YxxfBlockTableRec>();
  rec->handle = r.GetHandle(5);
  rec->name = r.GetString(2);
  rec->layoutHandle = r.GetHandle(340);
  return rec;
}

namespace {

// Where a DXF LAYOUT's own part begins (its subclass marker), 0 without one:
// its name (1) and block-table record (330) are read from there, since the
// plot settings before it have a 1 of their own (the page setup's name) and
// the object's first 330 is its owner dictionary.
std::uint32_t LayoutPart(const YxxfGroupRecord& r) {
  for (std::int64_t i = r.FindIndex(100); i >= 0; i = r.FindIndex(100, std::uint32_t(i) + 1)) {
    const AString marker = r.GetNarrowString(100, "", std::uint32_t(i), std::uint32_t(i));
    if (strcasecmp(marker.CStr(), "AcDbLayout") == 0) return std::uint32_t(i);
  }
  return 0;
}

}  // namespace

std::unique_ptr<YxxfLayoutRec> YxxfLayoutRec::FromRecord(const YxxfGroupRecord& r) {
  auto rec = std::make_unique<YxxfLayoutRec>();
  const std::uint32_t part = LayoutPart(r);
  rec->name = r.GetString(1, nullptr, r.FindIndex(1, part) >= 0 ? part : 0);
  rec->owner = r.GetHandle(330, r.FindIndex(330, part) >= 0 ? part : 0);
  rec->handle = r.GetHandle(5);
  rec->lastActiveViewport = r.GetHandle(331);
  return rec;
}

std::unique_ptr<YxxfViewportRec> YxxfViewportRec::FromRecord(const YxxfGroupRecord& r) {
  auto rec = std::make_unique<YxxfViewportRec>();
  rec->name = r.GetString(2);
  rec->target = r.GetPoint3(17);
  Vec3 d = r.GetPoint3(16);
  rec->direction = std::sqrt(d.LengthSq()) < 1e-10 ? Vec3{0, 0, 1} : d;
  rec->twist = r.GetDouble(51);
  rec->handle = r.GetHandle(5);
  r.GetPoint2(rec->lowerLeft[0], rec->lowerLeft[1], 10);
  r.GetPoint2(rec->upperRight[0], rec->upperRight[1], 11);
  r.GetPoint2(rec->centre[0], rec->centre[1], 12);
  rec->height = r.GetDouble(40);
  rec->aspect = r.GetDouble(41);
  return rec;
}

std::unique_ptr<YxxfUcsRec> YxxfUcsRec::FromRecord(const YxxfGroupRecord& r) {
  auto rec = std::make_unique<YxxfUcsRec>();
  rec->name = r.GetString(2);
  rec->origin = r.GetPoint3(10);
  rec->xAxis = r.GetPoint3(11);
  rec->yAxis = r.GetPoint3(12);
  return rec;
}

std::unique_ptr<YxxfImageDefRec> YxxfImageDefRec::FromRecord(const YxxfGroupRecord& r) {
  auto rec = std::make_unique<YxxfImageDefRec>();
  rec->fileName = r.GetString(1);
  rec->handle = r.GetHandle(5);
  return rec;
}

std::unique_ptr<YxxfSortTableRec> YxxfSortTableRec::FromRecord(const YxxfGroupRecord& r) {
  std::int64_t marker = -1;
  for (std::int64_t at = r.FindIndex(100); at >= 0; at = r.FindIndex(100, std::uint32_t(at + 1))) {
    if (ItemTextIs(r, std::uint32_t(at), "AcDbSortentsTable")) {
      marker = at;
      break;
    }
  }
  if (marker < 0) return nullptr;
  auto rec = std::make_unique<YxxfSortTableRec>();
  std::uint32_t from = std::uint32_t(marker + 1);
  rec->owner = r.GetHandle(330, from);
  std::uint32_t at = from;
  std::uint64_t entity = 0;
  while (r.FindHandle(entity, 331, &at)) {
    std::uint64_t sort = 0;
    if (!r.FindHandle(sort, 5, &at)) break;
    rec->handles.Add(entity);
    rec->handles.Add(sort);
  }
  return rec;
}

}  // namespace kvn
