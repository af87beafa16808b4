// The forecast of what a drawing will cost, taken from the import records
// before anything is converted (model/DrawingCost.h): a drawing whose blocks
// multiply past a ceiling is refused at once, not after its conversion has
// filled the heap. It counts what the conversion makes: for every nested
// placement, on every path that reaches it, a cInsert and the block
// generated for it; every array cell; the largest top-level placement's
// expansion whole; the texts, those of SHX fonts with their strokes; the
// attributes every placement of an insert keeps, drawn or not; and the
// pictures of IMAGE and OLE records, what each keeps once for each file they
// show, and what the largest load holds beside that while it decodes.
#include <algorithm>
#include <cstring>
#include <memory_resource>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "foundation/InFileStream.h"
#include "import/pictures/PictureImport.h"
#include "import/records/ImportFonts.h"
#include "import/records/InsertRecord.h"
#include "import/records/PictureRecords.h"
#include "import/records/TextRecord.h"
#include "import/records/ViewportRecord.h"
#include "import/records/YxxfReader.h"
#include "model/cBitmap.h"
#include "model/FontList.h"
#include "model/cStyleFont.h"
#include "model/cWmf.h"
#include "platform/image/PictureDecode.h"

namespace kvn {

namespace {

// What one placement of a block shows and keeps, or one sheet.
struct Cost {
  std::uint64_t walked = 0;    // objects a paint walks, nested placements among them
  std::uint64_t bytes = 0;     // bytes the open keeps
  std::uint64_t expansion = 0;  // bytes of the children an expansion makes of it

  void Add(const Cost& other) {
    walked = SaturatedPlus(walked, other.walked, kWalkCeiling);
    bytes = SaturatedPlus(bytes, other.bytes, kMemoryCeiling);
    expansion = SaturatedPlus(expansion, other.expansion, kMemoryCeiling);
  }
  bool Past() const { return walked > kWalkCeiling || bytes > kMemoryCeiling; }
};

// `cells` placements of what `each` shows and keeps, each with its insert
// and the block generated for it; an expansion enters each placement once.
Cost Placed(std::uint64_t cells, const Cost& each) {
  return Cost{SaturatedTimes(cells, std::min(each.walked, kWalkCeiling + 1) + 1, kWalkCeiling),
              SaturatedTimes(cells, std::min(each.bytes, kMemoryCeiling + 1) + kBytesPerInsert + kBytesPerBlock,
                             kMemoryCeiling),
              SaturatedTimes(cells, std::min(each.expansion, kMemoryCeiling + 1), kMemoryCeiling)};
}

// What loading an IMAGE's file will take (WeighPictureLoad), from its
// header: nothing for a file the loader refuses (too large, not a
// picture). The header is looked for in the first 64 KB, else in the whole
// file (a TIFF may keep it at the end).
PictureLoadWeight ProbedPictureLoad(const WString& path) {
  constexpr std::uint32_t kHeadBytes = 64 * 1024;
  InFileStream in(path, true);
  if (!in.IsOpen()) return {};
  const std::uint64_t size = in.Size();
  std::vector<std::uint8_t> bytes(std::size_t(std::min<std::uint64_t>(size, kHeadBytes)));
  bytes.resize(in.Read(bytes.data(), std::uint32_t(bytes.size())));
  PictureInfo info;
  PictureStatus status = ProbePicture(bytes.data(), bytes.size(), &info);
  if (status != PictureStatus::kOk && status != PictureStatus::kTooLarge && size > bytes.size() &&
      size <= kMaxDibImageBytes) {
    std::vector<std::uint8_t> whole(std::size_t(size - bytes.size()));
    whole.resize(in.Read(whole.data(), std::uint32_t(whole.size())));
    bytes.insert(bytes.end(), whole.begin(), whole.end());
    info = PictureInfo{};
    status = ProbePicture(bytes.data(), bytes.size(), &info);
  }
  // IMAGEs load their files as cOneBitmap does: no encoded bytes asked for.
  return status == PictureStatus::kOk ? WeighPictureLoad(info, path, size, false) : PictureLoadWeight{};
}

// The bytes that tell apart two top-level inserts whose placements may
// share one generated block: the block, the turn, scale and extrusion, and
// what the styling of the children takes from the insert.
std::pmr::string SharingKey(const YxxfBlockRec& block, const YxxfEntInsert& insert, std::pmr::memory_resource* memory) {
  std::pmr::string key(memory);
  auto add = [&key](const auto& value) { key.append(reinterpret_cast<const char*>(&value), sizeof value); };
  add(&block);
  add(insert.rotation);
  for (const Vec3& v : {insert.scale, insert.extrusion}) {
    add(v.x);
    add(v.y);
    add(v.z);
  }
  add(insert.color);
  add(insert.level);
  add(insert.lineTypeHandle);
  add(insert.lineTypeByHandle);
  const std::u16string_view name = insert.lineTypeName.View();
  key.append(reinterpret_cast<const char*>(name.data()), name.size() * sizeof(char16_t));
  return key;
}

// A hash of a sharing key by 8-byte words: the key's bytes are values, not
// text, and hashing them byte by byte cost more than the rest of the look-up.
struct SharingKeyHash {
  std::size_t operator()(const std::pmr::string& key) const {
    std::uint64_t h = key.size();
    std::size_t at = 0;
    for (; at + 8 <= key.size(); at += 8) {
      std::uint64_t word;
      std::memcpy(&word, key.data() + at, 8);
      h = (h ^ word) * 0x9E3779B97F4A7C15ull;
      h ^= h >> 29;
    }
    for (; at < key.size(); ++at) h = (h ^ std::uint8_t(key[at])) * 0x100000001B3ull;
    return std::size_t(h ^ (h >> 32));
  }
};

class Forecast {
 public:
  explicit Forecast(YxxfReader& reader) : reader_(reader) {}

  // The pictures the records met so far place, each counted once: what
  // each keeps, and the most one of them holds beside that while it loads
  // (one file loads at a time).
  std::uint64_t PictureBytes() const { return SaturatedPlus(pictureBytes_, pictureLoading_, kMemoryCeiling); }

  // One sheet built from `block` in `mode`; each of its views walks
  // `viewed` objects (what the model shows).
  Cost OfSheet(YxxfBlockRec& block, int mode, std::uint64_t viewed) {
    const cOneObjRec* overall = OverallViewport(block);
    std::pmr::unordered_set<std::pmr::string, SharingKeyHash> shared(&arena_);
    Cost total;
    const std::uint32_t count = block.entities.Count();
    for (std::uint32_t i = 0; i < count && !total.Past(); ++i) {
      const cOneObjRec& record = *block.entities[i];
      if (&record == overall) continue;
      if ((mode == 1 && record.paperSpace) || (mode == 2 && !record.paperSpace)) continue;
      if (record.invisible || record.entityCode == entity::kAttrib) continue;
      // Every object at the top also has its entry in the paint's index.
      if (const_cast<cOneObjRec&>(record).AsViewPort()) {
        total.Add(Cost{viewed, kBytesPerObject + kBytesPerIndexEntry, 0});
        continue;
      }
      const YxxfEntInsert* insert = const_cast<cOneObjRec&>(record).AsInsert();
      if (!insert) {
        Cost object = OfObject(record);
        object.bytes += kBytesPerIndexEntry;
        total.Add(object);
        continue;
      }
      const std::uint32_t attributesEnd = AttributesEnd(block, i);
      YxxfBlockRec* target = Target(*insert);
      Cost each;
      const std::uint64_t cells = Placements(*insert, target, 0, block, i, attributesEnd, each);
      if (cells == 0) continue;
      largestPlacement_ = std::max(largestPlacement_, each.expansion);
      // Top-level inserts alike (and the cells of one array) place the
      // block generated for the first, which alone keeps it; an insert with
      // attributes has its own.
      if (attributesEnd == i + 1) {
        Cost placed{SaturatedTimes(cells, each.walked, kWalkCeiling),
                    SaturatedTimes(cells, kBytesPerInsert + kBytesPerIndexEntry, kMemoryCeiling), 0};
        if (shared.insert(SharingKey(*target, *insert, &arena_)).second) {
          placed.bytes = SaturatedPlus(SaturatedPlus(each.bytes, kBytesPerBlock, kMemoryCeiling), placed.bytes,
                                       kMemoryCeiling);
        }
        total.Add(placed);
      } else {
        Cost placed = Placed(cells, each);
        placed.bytes = SaturatedPlus(placed.bytes, SaturatedTimes(cells, kBytesPerIndexEntry, kMemoryCeiling),
                                     kMemoryCeiling);
        total.Add(placed);
      }
      i = attributesEnd - 1;
    }
    return total;
  }

  // The bytes of the largest top-level placement's expansion met so far.
  std::uint64_t LargestPlacement() const { return largestPlacement_; }

 private:
  // A record that is no insert: one object, a text by its characters. A
  // picture's bitmap is shared by every object placed from its file (an
  // IMAGE) or its record (an OLE frame): counted apart, once.
  Cost OfObject(const cOneObjRec& record) {
    cOneObjRec& r = const_cast<cOneObjRec&>(record);
    const cOneText* text = r.AsText();
    const std::size_t characters = text ? text->text.View().size() : 0;
    if (record.Kind() == RecordKind::Bitmap) CountImage(static_cast<const cOneBitmap&>(record));
    if (record.Kind() == RecordKind::Ole) CountOle(static_cast<const cOLE&>(record));
    if (text) {
      const std::uint64_t perCharacter = kBytesPerCharacter + (DrawnInShx(*text) ? kBytesPerShxCharacter : 0);
      const std::uint64_t bytes = kBytesPerText + characters * perCharacter;
      return Cost{TextWalk(characters), bytes, bytes};
    }
    return Cost{1, kBytesPerObject, kBytesPerChild};
  }

  // Whether the conversion gives the text an SHX font, as the import style
  // decides (YxxfReader::FontOfImportStyle): a style naming an SHX file, or
  // a face the built-in SHX fonts know. An SHX file beside the drawing that
  // a style names without its extension is not looked for here.
  bool DrawnInShx(const cOneText& text) {
    // Texts come in runs of one style: the run's answer is reused without
    // building a key, which cost the open of a text-heavy drawing an
    // allocation and a hash a text.
    // The name as the last text wrote it comes first: comparing it as
    // written is cheaper than without case.
    if (lastStyle_ && text.styleHandle == lastStyle_->first.first &&
        (text.styleHandle != 0 || text.styleName.View() == lastName_ ||
         EqualsAsciiNoCase(text.styleName.View(), lastStyle_->first.second))) {
      return lastStyle_->second;
    }
    if (text.styleHandle == 0) lastName_.assign(text.styleName.View());
    std::u16string key = text.styleHandle == 0 ? AsciiUpperKey(text.styleName.View()) : std::u16string();
    const auto [at, fresh] = shxStyles_.try_emplace(std::pair{text.styleHandle, std::move(key)}, false);
    lastStyle_ = &*at;
    if (!fresh) return at->second;
    const YxxfStyleRec* style = nullptr;
    for (const YxxfStyleRec* s : reader_.styles) {
      if (text.styleHandle != 0 ? s->handle == text.styleHandle : EqualsAsciiNoCase(s->name.View(), at->first.second)) {
        style = s;
        break;
      }
    }
    if (!style) return false;
    auto builtInShx = [](const WString& name) {
      const cStyleFont* font = FontList::FindByName(name);
      return font && font->Shx();
    };
    const WString face = GetStyleFaceName(*style);
    WString withExtension = face;
    withExtension.Append(WString(u".shx"));
    at->second = NamesShxFile(*style) || builtInShx(withExtension) || builtInShx(face);
    return at->second;
  }

  // What one placement keeps of the attributes at records [first, end) of
  // `block`: an item each, with its tag, value and the prompt of the
  // target's definition of that tag (the longest prompt stands for it).
  std::uint64_t AttributeListBytes(YxxfBlockRec& block, std::uint32_t first, std::uint32_t end,
                                   YxxfBlockRec& target) {
    if (first >= end) return 0;
    auto [at, fresh] = longestPrompt_.try_emplace(&target, 0);
    if (fresh) {
      for (std::uint32_t d = 0; d < target.entities.Count(); ++d) {
        const cOneText* definition = target.entities[d]->AsText();
        if (definition && definition->entityCode == entity::kAttDef)
          at->second = std::max<std::uint64_t>(at->second, definition->prompt.View().size());
      }
    }
    const std::uint64_t prompt = at->second;
    std::uint64_t bytes = 0;
    for (std::uint32_t a = first; a < end; ++a) {
      const cOneText* attribute = block.entities[a]->AsText();
      if (!attribute) continue;
      const std::uint64_t characters = attribute->tag.View().size() + attribute->text.View().size() + prompt;
      bytes = SaturatedPlus(bytes, kBytesPerAttribute + characters * kBytesPerAttributeCharacter, kMemoryCeiling);
    }
    return bytes;
  }

  void CountImage(const cOneBitmap& image) {
    // Many IMAGEs may show one definition: its file is looked for once.
    if (!pictureDefinitions_.insert(image.imageDefHandle).second) return;
    const WString path = reader_.ImageFile(image.imageDefHandle);
    if (path.IsEmpty() || !pictureFiles_.insert(std::u16string(path.View())).second) return;
    const PictureLoadWeight load = ProbedPictureLoad(path);
    pictureBytes_ = SaturatedPlus(pictureBytes_, load.kept, kMemoryCeiling);
    pictureLoading_ = std::max(pictureLoading_, load.peak - std::min(load.peak, load.kept));
  }

  // The frame's picture was decoded as the file was read; the objects
  // placed from it share it.
  void CountOle(const cOLE& frame) {
    if (!frame.valid || !pictureRecords_.insert(&frame).second) return;
    std::uint64_t bytes = 0;
    if (frame.bitmap && frame.bitmap->StoredDib()) bytes += frame.bitmap->StoredDib()->PackedDibSize();
    if (frame.bitmap && frame.bitmap->GetAlphaMask()) bytes += frame.bitmap->GetAlphaMask()->PackedDibSize();
    if (frame.metafile && frame.metafile->Bits() && frame.metafile->Bits()->bytes)
      bytes += frame.metafile->Bits()->bytes->size();
    pictureBytes_ = SaturatedPlus(pictureBytes_, bytes, kMemoryCeiling);
  }

  // The paper's overall viewport, which the conversion skips: the one of
  // id 1, or the first when none has an id.
  static const cOneObjRec* OverallViewport(YxxfBlockRec& block) {
    if (block.viewportRecords == 0) return nullptr;
    const cOneObjRec* first = nullptr;
    bool anyId = false;
    for (std::uint32_t i = 0; i < block.entities.Count(); ++i) {
      const cOneViewPort* viewport = block.entities[i]->AsViewPort();
      if (!viewport) continue;
      if (!first) first = viewport;
      anyId = anyId || viewport->viewportId != 0;
      if (viewport->viewportId == 1) return viewport;
    }
    return anyId ? nullptr : first;
  }

  static std::uint32_t AttributesEnd(YxxfBlockRec& block, std::uint32_t i) {
    std::uint32_t end = i + 1;
    while (end < block.entities.Count() && block.entities[end]->entityCode == entity::kAttrib) ++end;
    return end;
  }

  YxxfBlockRec* Target(const YxxfEntInsert& insert) {
    return reader_.FindBlock(insert.handle, insert.blockName, insert.blockHandle);
  }

  // The cells of the insert at record `i` of `block` (0: it places
  // nothing) and, in `each`, what one cell shows and keeps: its block's
  // objects and its visible attributes. An external reference is one view.
  std::uint64_t Placements(const YxxfEntInsert& insert, YxxfBlockRec* target, std::uint32_t depth,
                           YxxfBlockRec& block, std::uint32_t i, std::uint32_t attributesEnd, Cost& each) {
    if (!target) return 0;
    if ((target->flags & 4) && !target->xrefPath.IsEmpty()) {
      each = Cost{1, kBytesPerObject, kBytesPerChild};
      return 1;
    }
    if (depth + 1 > reader_.maxInsertDepth) return 0;
    each = OfBlock(*target, depth + 1);
    for (std::uint32_t a = i + 1; a < attributesEnd; ++a) {
      const cOneObjRec& attribute = *block.entities[a];
      if (!attribute.invisible) each.Add(OfObject(attribute));
    }
    // Every cell keeps its own list of them, though none is drawn.
    each.bytes = SaturatedPlus(each.bytes, AttributeListBytes(block, i + 1, attributesEnd, *target), kMemoryCeiling);
    return std::uint64_t(insert.columns) * insert.rows;
  }

  // What one nested placement of `block` shows and keeps: its objects, and
  // each nested insert with the block generated for every one of its cells
  // (nested inserts share no block). Counted once per block; a block on
  // its own path counts nothing there, as the conversion skips it.
  Cost OfBlock(YxxfBlockRec& block, std::uint32_t depth) {
    auto [at, fresh] = blocks_.try_emplace(&block, kCounting);
    if (!fresh) return at->second.walked == kCounting.walked ? Cost{} : at->second;
    Cost total;
    const std::uint32_t count = block.entities.Count();
    for (std::uint32_t i = 0; i < count && !total.Past(); ++i) {
      const cOneObjRec& record = *block.entities[i];
      if (record.invisible || record.entityCode == entity::kAttrib || record.entityCode == entity::kAttDef) continue;
      const YxxfEntInsert* insert = const_cast<cOneObjRec&>(record).AsInsert();
      if (!insert) {
        total.Add(OfObject(record));
        continue;
      }
      const std::uint32_t attributesEnd = AttributesEnd(block, i);
      Cost each;
      const std::uint64_t cells = Placements(*insert, Target(*insert), depth, block, i, attributesEnd, each);
      total.Add(Placed(cells, each));
      i = attributesEnd - 1;
    }
    // The map may have grown since `at` was taken.
    blocks_[&block] = total;
    return total;
  }

  static constexpr Cost kCounting{~std::uint64_t(0), 0, 0};
  YxxfReader& reader_;
  // The entries of the maps below, a few for every insert, come from here
  // and go all at once with the forecast: one by one from the heap they
  // cost the open of 200,000 entities 0.6 % of its instructions.
  std::pmr::monotonic_buffer_resource arena_;
  std::pmr::unordered_map<const YxxfBlockRec*, Cost> blocks_{&arena_};
  struct StyleKeyHash {
    std::size_t operator()(const std::pair<std::uint64_t, std::u16string>& key) const {
      return std::hash<std::uint64_t>()(key.first) ^ std::hash<std::u16string>()(key.second);
    }
  };
  // By style handle, or by the name in capitals for a text without one.
  std::unordered_map<std::pair<std::uint64_t, std::u16string>, bool, StyleKeyHash> shxStyles_;
  // The entry of the last text's style (the map's entries stay put).
  const std::pair<const std::pair<std::uint64_t, std::u16string>, bool>* lastStyle_ = nullptr;
  // The style name of the text that set lastStyle_, as written.
  std::u16string lastName_;
  std::pmr::unordered_map<const YxxfBlockRec*, std::uint64_t> longestPrompt_{&arena_};
  std::uint64_t largestPlacement_ = 0;
  std::unordered_set<std::uint64_t> pictureDefinitions_;
  std::unordered_set<std::u16string> pictureFiles_;
  std::unordered_set<const cOneObjRec*> pictureRecords_;
  std::uint64_t pictureBytes_ = 0;
  std::uint64_t pictureLoading_ = 0;
};

}  // namespace

DrawingCost YxxfReader::ForecastCost(const std::vector<SheetSource>& sources) {
  Forecast forecast(*this);
  DrawingCost cost;
  std::uint64_t model = 1;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    // The model's own views show nothing more than an object each.
    const Cost sheet = forecast.OfSheet(*sources[i].block, sources[i].mode, model);
    if (i == 0) model = sheet.walked;
    cost.walked = std::max(cost.walked, sheet.walked);
    cost.bytes = SaturatedPlus(cost.bytes, sheet.bytes, kMemoryCeiling);
  }
  const std::uint64_t kept = SaturatedPlus(cost.bytes, forecast.PictureBytes(), kMemoryCeiling);
  cost.bytes = OpenBytes(SaturatedPlus(kept, kBytesPerImport, kMemoryCeiling), forecast.LargestPlacement());
  return cost;
}

DrawingCost YxxfReader::ForecastCost() {
  const YxxfLayoutRec* modelLayout = nullptr;
  const YxxfViewportRec* modelViewport = FindModelViewport(*this, &modelLayout);
  blockLookup_.Reset();
  return ForecastCost(SheetSources(modelLayout, modelViewport));
}

bool YxxfReader::ForeseeDrawing(const std::vector<SheetSource>& sources) {
  if (ForecastCost(sources).Within()) return true;
  if (stopMessage.IsEmpty()) stopMessage = DrawingTooLargeText();
  return false;
}

}  // namespace kvn
