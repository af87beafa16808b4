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

void SortByDrawOrder(OwnedArray<cOneObjRec>& records, const GrowArray<std::uint64_t>& table) {
  if (table.Count() < 2) return;
  std::vector<std::unique_ptr<cOneObjRec>> list;
  list.reserve(records.Count());
  while (records.Count() > 0) list.emplace_back(records.DetachAt(records.Count() - 1));
  std::reverse(list.begin(), list.end());
  auto byHandle = [](const std::unique_ptr<cOneObjRec>& a, const std::unique_ptr<cOneObjRec>& b) {
    return a->handle < b->handle;
  };
  std::stable_sort(list.begin(), list.end(), byHandle);
  auto find = [&](std::uint64_t handle) -> std::int64_t {
    auto it = std::lower_bound(list.begin(), list.end(), handle,
                               [](const std::unique_ptr<cOneObjRec>& r, std::uint64_t h) { return r->handle < h; });
    return it != list.end() && (*it)->handle == handle ? it - list.begin() : -1;
  };

  const std::uint32_t pairs = table.Count() / 2;
  std::vector<std::uint64_t> missing;
  for (std::uint32_t p = 0; p < pairs; ++p) {
    if (find(table[2 * p + 1]) < 0) missing.push_back(table[2 * p + 1]);
  }
  std::sort(missing.begin(), missing.end());
  missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
  for (std::uint64_t h : missing) {
    auto placeholder = std::make_unique<cOneObjRec>();
    placeholder->handle = h;
    list.push_back(std::move(placeholder));
  }
  if (!missing.empty()) std::stable_sort(list.begin(), list.end(), byHandle);

  constexpr std::uint32_t kNoKey = 0xFFFFFFFFu;
  const std::size_t n = list.size();
  std::vector<std::uint32_t> key(n, kNoKey);
  std::vector<std::int64_t> slot(n);
  for (std::size_t i = 0; i < n; ++i) slot[i] = std::int64_t(i);
  bool applied = false;
  for (std::uint32_t p = 0; p < pairs; ++p) {
    std::int64_t first = find(table[2 * p]);
    std::int64_t s = find(table[2 * p + 1]);
    if (first < 0 || s < 0) continue;
    key[std::size_t(first)] = std::uint32_t(s);
    slot[std::size_t(s)] = first;
    applied = true;
  }
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t holder = std::size_t(slot[i]);
    if (key[holder] == kNoKey) key[holder] = std::uint32_t(i);
  }
  // A record moved out of its slot without a key of its own sorts last.
  for (std::size_t i = 0; i < n; ++i) list[i]->orderKey = key[i];
  if (applied) {
    std::stable_sort(list.begin(), list.end(),
                     [](const std::unique_ptr<cOneObjRec>& a, const std::unique_ptr<cOneObjRec>& b) {
                       return a->orderKey < b->orderKey;
                     });
  }
  for (auto& r : list) records.Add(r.release());
}

void SplitRecordList(OwnedArray<cOneObjRec>& withoutFlag, OwnedArray<cOneObjRec>& withFlag,
                     OwnedArray<cOneObjRec>& source, bool invert) {
  std::vector<cOneObjRec*> taken;
  taken.reserve(source.Count());
  while (source.Count() > 0) taken.push_back(source.DetachAt(source.Count() - 1));
  for (auto it = taken.rbegin(); it != taken.rend(); ++it) {
    bool flag = ((*it)->paperSpace != 0) != invert;
    (flag ? withFlag : withoutFlag).Add(*it);
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
