#include "import/records/RecordUtilities.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <strings.h>
#include <vector>

#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"

namespace kvn {

namespace {

bool ItemText(const YxxfItem* item, AString& out) {
  if (!item) return false;
  if (item->type == ItemType::Narrow) {
    if (item->value.a) out = *item->value.a;
    return true;
  }
  if (item->type == ItemType::Wide) {
    if (item->value.w) item->value.w->ToAscii(out);
    return true;
  }
  return false;
}

WString UpperCopy(const WString& s) {
  WString u(s);
  u.MakeUpper();
  return u;
}

}  // namespace

double GetItemDouble(const YxxfItem* item) { return item ? ItemToDouble(*item) : 0.0; }

std::int32_t GetItemInt(const YxxfItem* item) { return item ? ItemToInt(*item) : 0; }

std::uint64_t ParseHexHandle(const char* text) { return text ? ParseHexHandle(text, int(std::strlen(text))) : 0; }

void FindContextBlocks(const YxxfGroupRecord& record, GrowArray<ItemRange>& out, const char* marker,
                       std::uint16_t code) {
  out.Clear();
  AString text;
  for (std::int64_t at = record.FindIndex(code); at >= 0; at = record.FindIndex(code, std::uint32_t(at + 1))) {
    if (!ItemText(record.Item(std::uint32_t(at)), text) || strcasecmp(text.CStr(), marker) != 0) continue;
    std::int64_t close = record.FindIndex(std::uint16_t(code + 1), std::uint32_t(at + 1));
    if (close < 0) continue;
    if (ItemText(record.Item(std::uint32_t(close)), text) && text == "}") {
      out.Add(ItemRange{std::uint32_t(at), std::uint32_t(close)});
    }
  }
}

bool IsOutsideRanges(std::uint32_t index, const GrowArray<ItemRange>& a, const GrowArray<ItemRange>& b,
                     const GrowArray<ItemRange>& c) {
  for (const GrowArray<ItemRange>* list : {&a, &b, &c}) {
    for (const ItemRange& r : *list) {
      if (index >= r.open && index <= r.close) return false;
    }
  }
  return true;
}

std::int64_t FindInContext(const YxxfGroupRecord& record, const ItemRange& context,
                           const GrowArray<ItemRange>& leaders, std::uint16_t code) {
  for (std::uint32_t i = context.open; i <= context.close && i < record.Count(); ++i) {
    const YxxfItem* item = record.Item(i);
    if (item->code != code || item->subRecord != record.SubRecord()) continue;
    bool inLeader = false;
    for (const ItemRange& r : leaders) inLeader = inLeader || (i >= r.open && i <= r.close);
    if (!inLeader) return i;
  }
  return -1;
}

namespace {

// A record with the attributes that follow it (an insert's values): what a
// sort table moves, and what a split keeps on one side, as one.
struct RecordUnit {
  std::uint32_t first = 0, count = 0;
};

std::vector<RecordUnit> UnitsOf(const std::vector<std::unique_ptr<cOneObjRec>>& list) {
  std::vector<RecordUnit> units;
  units.reserve(list.size());
  for (std::uint32_t i = 0; i < list.size(); ++i) {
    if (list[i]->entityCode == entity::kAttrib && !units.empty() && units.back().first + units.back().count == i) {
      ++units.back().count;
    } else {
      units.push_back(RecordUnit{i, 1});
    }
  }
  return units;
}

std::vector<std::unique_ptr<cOneObjRec>> DetachAll(OwnedArray<cOneObjRec>& records) {
  std::vector<std::unique_ptr<cOneObjRec>> list;
  list.reserve(records.Count());
  while (records.Count() > 0) list.emplace_back(records.DetachAt(records.Count() - 1));
  std::reverse(list.begin(), list.end());
  return list;
}

}  // namespace

void SortByDrawOrder(OwnedArray<cOneObjRec>& records, const GrowArray<std::uint64_t>& table) {
  if (table.Count() < 2) return;
  std::vector<std::unique_ptr<cOneObjRec>> list = DetachAll(records);
  std::vector<RecordUnit> units = UnitsOf(list);
  // Every record's handle names its unit: a pair that names an attribute
  // moves the insert it belongs to.
  struct Named {
    std::uint64_t handle;
    std::uint32_t unit;
  };
  std::vector<Named> named;
  named.reserve(list.size());
  for (std::uint32_t u = 0; u < units.size(); ++u) {
    for (std::uint32_t k = 0; k < units[u].count; ++k) named.push_back(Named{list[units[u].first + k]->handle, u});
  }
  auto byHandle = [](const Named& a, const Named& b) { return a.handle < b.handle; };
  std::stable_sort(named.begin(), named.end(), byHandle);
  auto unitOf = [&](std::uint64_t handle) -> std::int64_t {
    auto it = std::lower_bound(named.begin(), named.end(), handle,
                               [](const Named& n, std::uint64_t h) { return n.handle < h; });
    return it != named.end() && it->handle == handle ? std::int64_t(it->unit) : -1;
  };

  const std::uint32_t pairs = table.Count() / 2;
  std::vector<std::uint64_t> missing;
  for (std::uint32_t p = 0; p < pairs; ++p) {
    if (unitOf(table[2 * p + 1]) < 0) missing.push_back(table[2 * p + 1]);
  }
  std::sort(missing.begin(), missing.end());
  missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
  for (std::uint64_t h : missing) {
    auto placeholder = std::make_unique<cOneObjRec>();
    placeholder->handle = h;
    units.push_back(RecordUnit{std::uint32_t(list.size()), 1});
    named.push_back(Named{h, std::uint32_t(units.size() - 1)});
    list.push_back(std::move(placeholder));
  }
  if (!missing.empty()) std::stable_sort(named.begin(), named.end(), byHandle);

  // The units in the order of their first record's handle; `slotOf` is a
  // unit's place in that order.
  const std::size_t n = units.size();
  std::vector<std::uint32_t> order(n);
  for (std::uint32_t u = 0; u < n; ++u) order[u] = u;
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return list[units[a].first]->handle < list[units[b].first]->handle;
  });
  std::vector<std::uint32_t> slotOf(n);
  for (std::uint32_t i = 0; i < n; ++i) slotOf[order[i]] = i;

  constexpr std::uint32_t kNoKey = 0xFFFFFFFFu;
  std::vector<std::uint32_t> key(n, kNoKey);
  std::vector<std::uint32_t> slot(n);
  for (std::uint32_t i = 0; i < n; ++i) slot[i] = i;
  bool applied = false;
  for (std::uint32_t p = 0; p < pairs; ++p) {
    const std::int64_t first = unitOf(table[2 * p]);
    const std::int64_t second = unitOf(table[2 * p + 1]);
    if (first < 0 || second < 0) continue;
    const std::uint32_t f = slotOf[std::size_t(first)], s = slotOf[std::size_t(second)];
    key[f] = s;
    slot[s] = f;
    applied = true;
  }
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint32_t holder = slot[i];
    if (key[holder] == kNoKey) key[holder] = i;
  }
  // A unit moved out of its slot without a key of its own sorts last.
  for (std::uint32_t i = 0; i < n; ++i) {
    const RecordUnit& unit = units[order[i]];
    for (std::uint32_t k = 0; k < unit.count; ++k) list[unit.first + k]->orderKey = key[i];
  }
  if (applied) {
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
      return list[units[a].first]->orderKey < list[units[b].first]->orderKey;
    });
  }
  for (std::uint32_t u : order) {
    for (std::uint32_t k = 0; k < units[u].count; ++k) records.Add(list[units[u].first + k].release());
  }
}

void SplitRecordList(OwnedArray<cOneObjRec>& withoutFlag, OwnedArray<cOneObjRec>& withFlag,
                     OwnedArray<cOneObjRec>& source, bool invert) {
  std::vector<std::unique_ptr<cOneObjRec>> list = DetachAll(source);
  for (const RecordUnit& unit : UnitsOf(list)) {
    // The attributes go where their insert goes, whatever their own flag.
    const bool flag = (list[unit.first]->paperSpace != 0) != invert;
    for (std::uint32_t k = 0; k < unit.count; ++k) (flag ? withFlag : withoutFlag).Add(list[unit.first + k].release());
  }
}

void MakeNamesUnique(std::span<WString*> names) {
  if (names.size() < 2) return;
  std::vector<WString> upper;
  upper.reserve(names.size());
  for (WString* n : names) upper.push_back(UpperCopy(*n));
  std::vector<std::size_t> order(names.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return upper[a].View() < upper[b].View(); });
  auto taken = [&](const WString& candidateUpper) {
    for (const WString& u : upper) {
      if (u == candidateUpper) return true;
    }
    return false;
  };
  for (std::size_t i = 0; i < order.size();) {
    std::size_t j = i + 1;
    WString runName = upper[order[i]];
    while (j < order.size() && upper[order[j]] == runName) ++j;
    int suffix = 1;
    for (std::size_t k = i + 1; k < j; ++k) {
      WString candidate;
      for (;; ++suffix) {
        char tail[16];
        std::snprintf(tail, sizeof(tail), "_%d", suffix);
        candidate = *names[order[k]];
        candidate.Append(WString(0, tail));
        if (!taken(UpperCopy(candidate))) break;
      }
      ++suffix;
      *names[order[k]] = candidate;
      upper[order[k]] = UpperCopy(candidate);
    }
    i = j;
  }
}

void SetViewportVisibleLevels(GrowArray<std::uint16_t>& levels, bool& filterFlag, const YxxfReader& reader) {
  const std::uint16_t defaultLayer = reader.DefaultLayerIndex();
  bool defaultFrozen = false;
  std::vector<std::uint64_t> frozen;
  for (std::uint16_t index : levels) {
    if (index == defaultLayer && defaultLayer != kNoLayer) {
      defaultFrozen = true;
      continue;
    }
    if (const YxxfLayerRec* layer = reader.layers.Get(index)) frozen.push_back(layer->handle);
  }
  const bool anyFrozen = defaultFrozen || !frozen.empty();
  levels.Clear();
  for (std::uint32_t i = 0; i < reader.layers.Count(); ++i) {
    if (defaultFrozen && i == defaultLayer) continue;
    std::uint64_t h = reader.layers[i]->handle;
    if (std::find(frozen.begin(), frozen.end(), h) == frozen.end()) levels.Add(std::uint16_t(i));
  }
  if (!defaultFrozen) {
    if (!anyFrozen) {
      levels.Clear();
    } else {
      levels.Add(kNoLayer);
    }
  }
  filterFlag = levels.Count() > 0;
}

}  // namespace kvn
