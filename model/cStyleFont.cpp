#include "model/cStyleFont.h"

#include <algorithm>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/FontList.h"
#include "model/VersionedString.h"

namespace kvn {

namespace {

constexpr std::uint32_t kGlyphRecordMin = 6;  // code, advance, length

bool IsArialNarrowCe(const WString& name) {
  const std::u16string_view want = u"ARIAL NARROW CE";
  if (std::size_t(name.Length()) != want.size()) return false;
  for (int i = 0; i < name.Length(); ++i) {
    const char16_t c = name[i] >= u'a' && name[i] <= u'z' ? char16_t(name[i] - 32) : name[i];
    if (c != want[std::size_t(i)]) return false;
  }
  return true;
}

// One face slot of a kind-2 record. False when the record ran out.
bool ReadFaceSlot(ArchiveReader& r, TrueTypeFace& face) {
  face.capHeight = r.ReadCompactDouble();
  const std::uint16_t m = r.ReadUInt16();
  std::vector<std::uint8_t> block;
  if (!r.ReadIntoVector(block, m)) return false;
  // A block shorter than its fixed part, or claiming more than it holds, is
  // no metrics at all.
  if (OutlineMetricsView(block).Valid()) face.metrics = std::move(block);
  const std::uint16_t count = r.ReadUInt16();
  if (r.HasError() || !r.CanRead(count, kGlyphRecordMin)) return false;
  // Read in file order and sorted once: inserting each glyph at its place
  // moved the rest of the list every time, up to 65,535 glyphs a face.
  std::vector<std::unique_ptr<FontGlyph>> read;
  read.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    auto glyph = std::make_unique<FontGlyph>();
    glyph->code = r.ReadUInt16();
    glyph->advance = r.ReadUInt16();
    const std::uint16_t k = r.ReadUInt16();
    if (!r.ReadIntoVector(glyph->outline, k) || r.HasError()) return false;
    read.push_back(std::move(glyph));
  }
  const auto byCode = [](const std::unique_ptr<FontGlyph>& a, const std::unique_ptr<FontGlyph>& b) {
    return a->code < b->code;
  };
  const auto sameCode = [](const std::unique_ptr<FontGlyph>& a, const std::unique_ptr<FontGlyph>& b) {
    return a->code == b->code;
  };
  // A repeated code keeps the first: the face's own glyphs, then file order.
  std::stable_sort(read.begin(), read.end(), byCode);
  read.erase(std::unique(read.begin(), read.end(), sameCode), read.end());
  std::vector<std::unique_ptr<FontGlyph>> merged;
  merged.reserve(face.glyphs.size() + read.size());
  auto kept = face.glyphs.begin();
  for (auto& glyph : read) {
    while (kept != face.glyphs.end() && (*kept)->code < glyph->code) merged.push_back(std::move(*kept++));
    if (kept != face.glyphs.end() && (*kept)->code == glyph->code) continue;
    merged.push_back(std::move(glyph));
  }
  while (kept != face.glyphs.end()) merged.push_back(std::move(*kept++));
  face.glyphs = std::move(merged);
  return !r.HasError();
}

// The body of a kind-2 record after the character set. False when it ran out.
bool ReadStoredOutlines(ArchiveReader& r, TrueTypeFaceSet& set) {
  set.outlinesStored = 1;
  set.rangesKnown = r.ReadBit() ? 1 : 0;
  if (!set.rangesKnown) return !r.HasError();
  set.capFromTables = r.ReadBit() ? 1 : 0;
  const std::uint16_t count = r.ReadUInt16();
  if (r.HasError() || !r.CanRead(count, 4)) return false;
  set.ranges.resize(count);
  for (UnicodeRange& range : set.ranges) {
    range.first = r.ReadUInt16();
    range.count = r.ReadUInt16();
  }
  for (int style = 0; style < 4; ++style) {
    if (!r.ReadBit()) continue;
    if (r.HasError() || !ReadFaceSlot(r, *set.CreateFace(style))) return false;
  }
  return !r.HasError();
}

bool SlotIsPresent(const TrueTypeFace* face) {
  if (!face || face->metrics.empty() || face->glyphs.empty()) return false;
  // Just the family's default character carries nothing.
  const TextMetric tm = OutlineMetricsView(face->metrics).Text();
  return !(face->glyphs.size() == 1 && face->glyphs[0]->code == tm.defaultChar);
}

void WriteFaceSlot(ArchiveWriter& w, const TrueTypeFace& face) {
  w.WriteCompactDouble(face.capHeight);
  w.WriteUInt16(std::uint16_t(face.metrics.size()));
  w.Write(face.metrics.data(), std::uint32_t(face.metrics.size()));
  const std::size_t count = std::min<std::size_t>(face.glyphs.size(), 0xFFFF);
  w.WriteUInt16(std::uint16_t(count));
  for (std::size_t i = 0; i < count; ++i) {
    const FontGlyph& g = *face.glyphs[i];
    const std::size_t k = std::min<std::size_t>(g.outline.size(), 0xFFFF);
    w.WriteUInt16(g.code);
    w.WriteUInt16(g.advance);
    w.WriteUInt16(std::uint16_t(k));
    w.Write(g.outline.data(), std::uint32_t(k));
  }
}

}  // namespace

cStyleFont::~cStyleFont() = default;

FontRecordKind cStyleFont::GetKind() const {
  if (shx && (shx->own || shx->shared)) return FontRecordKind::kShx;
  if (!trueType) return FontRecordKind::kNoData;
  const TrueTypeFaceSet* own = trueType->own.get();
  if (trueType->shared || !own) return FontRecordKind::kByName;
  if (own->memoryFont) return FontRecordKind::kFileCarried;
  if (own->outlinesStored) return FontRecordKind::kOutlinesCarried;
  return FontRecordKind::kByName;
}

void cStyleFont::SetOwnFaceSet(std::unique_ptr<TrueTypeFaceSet> set) {
  shx.reset();
  trueType = std::make_unique<TrueTypeFacePair>();
  trueType->own = set ? std::move(set) : std::make_unique<TrueTypeFaceSet>();
}

void cStyleFont::BindFace(std::unique_ptr<TrueTypeFaceSet> ownTrueType, std::unique_ptr<ShxFont> ownShx) {
  cStyleFont* entry = nullptr;
  if (!name.IsEmpty()) {
    FontList::Build();
    if (ownTrueType && IsArialNarrowCe(name)) name = WString(u"Arial Narrow");
    for (std::uint32_t i = 0; i < FontList::Count(); ++i) {
      cStyleFont* candidate = FontList::GetAt(i, true);
      if (!candidate || candidate == this || candidate->name.CompareNoCaseN(name.CStr(), -1) != 0) continue;
      const bool candidateShx = candidate->shx && candidate->shx->own;
      if ((!ownTrueType && !ownShx) || candidateShx == bool(ownShx)) {
        entry = candidate;
        break;
      }
    }
    if (entry) name = entry->name;
  }
  const bool asShx = ownShx || (!ownTrueType && entry && entry->shx && entry->shx->own);
  if (!asShx) {
    shx.reset();
    auto pair = std::make_unique<TrueTypeFacePair>();
    pair->own = ownTrueType ? std::move(ownTrueType) : std::make_unique<TrueTypeFaceSet>();
    if (pair->own && !pair->own->name.IsEmpty()) pair->own->name = name;
    if (entry && entry->trueType && entry->trueType->own) pair->shared = entry->trueType->own.get();
    trueType = std::move(pair);
  } else {
    trueType.reset();
    auto pair = std::make_unique<ShxFontPair>();
    pair->own = ownShx ? std::move(ownShx) : std::make_unique<ShxFont>();
    if (entry && entry->shx && entry->shx->own) pair->shared = entry->shx->own.get();
    shx = std::move(pair);
  }
}

void cStyleFont::Write(ArchiveWriter& w, cDrawingData*) const {
  const FontRecordKind k = GetKind();
  w.WriteByte(std::uint8_t(k));
  if (k == FontRecordKind::kNoData) return;
  if (k == FontRecordKind::kShx) {
    const bool ownData = shx->shared == nullptr;
    w.WriteBit(ownData);
    if (ownData) {
      const ShxFont& font = *shx->own;
      w.WriteBit(font.flag != 0);
      w.WriteRaw32(std::uint32_t(font.bytes.size()));
      w.Write(font.bytes.data(), std::uint32_t(font.bytes.size()));
    }
    w.WriteCompactDouble(shx->penWidth);
    w.WriteBit(shx->penFlag & 1);
    return;
  }
  const TrueTypeFaceSet& set = *trueType->GetOverrideOrBase();
  w.WriteByte(set.pitchAndFamily);
  w.WriteByte(set.charSet);
  if (k == FontRecordKind::kFileCarried) {
    const std::vector<std::uint8_t>& bytes = set.memoryFont->bytes;
    w.WriteRaw32(std::uint32_t(bytes.size()));
    w.Write(bytes.data(), std::uint32_t(bytes.size()));
  } else if (k == FontRecordKind::kOutlinesCarried) {
    w.WriteBit(set.rangesKnown != 0);
    if (!set.rangesKnown) return;
    w.WriteBit(set.capFromTables != 0);
    const std::size_t count = std::min<std::size_t>(set.ranges.size(), 0xFFFF);
    w.WriteUInt16(std::uint16_t(count));
    for (std::size_t i = 0; i < count; ++i) {
      w.WriteUInt16(set.ranges[i].first);
      w.WriteUInt16(set.ranges[i].count);
    }
    for (int style = 0; style < 4; ++style) {
      const TrueTypeFace* face = set.faces[style].get();
      const bool present = SlotIsPresent(face);
      w.WriteBit(present);
      if (present) WriteFaceSlot(w, *face);
    }
  }
}

bool cStyleFont::Read(ArchiveReader& r, int version, cDrawingData*) {
  kind = FontRecordKind(std::int8_t(r.ReadByte()));
  switch (kind) {
    case FontRecordKind::kShx: {
      std::unique_ptr<ShxFont> font = std::make_unique<ShxFont>();
      if (r.ReadBit()) {
        font->flag = r.ReadBit() ? 1 : 0;
        const std::uint32_t n = r.ReadRaw32();
        // Short data leaves the font without bytes.
        if (!r.ReadIntoVector(font->bytes, n)) font->bytes.clear();
      }
      BindFace(nullptr, std::move(font));
      const double penWidth = r.ReadCompactDouble();
      const bool penFlag = r.ReadBit();
      if (shx) {
        shx->penWidth = penWidth;
        shx->penFlag = penFlag ? 1 : 0;
      }
      break;
    }
    case FontRecordKind::kNoData:
      break;
    case FontRecordKind::kByName:
    case FontRecordKind::kFileCarried:
    case FontRecordKind::kOutlinesCarried: {
      auto set = std::make_unique<TrueTypeFaceSet>(name);
      set->pitchAndFamily = r.ReadByte();
      if (!VersionBelow(version, 3108)) set->charSet = r.ReadByte();
      bool complete = !r.HasError();
      if (complete && kind == FontRecordKind::kFileCarried) {
        std::vector<std::uint8_t> bytes;
        complete = r.ReadIntoVector(bytes, r.ReadRaw32());
        if (complete) set->SetMemoryFont(RegisterMemoryFont(std::move(bytes)));
      } else if (complete && kind == FontRecordKind::kOutlinesCarried) {
        complete = ReadStoredOutlines(r, *set);
      }
      if (!complete) {
        BindFace(nullptr, nullptr);
        break;
      }
      TrueTypeFaceSet* own = set.get();
      BindFace(std::move(set), nullptr);
      // Old symbol-font records: the installed font's metrics and glyphs
      // replace the stored ones.
      if (VersionBelow(version, 3080) && trueType && trueType->own.get() == own) {
        for (auto& face : own->faces) {
          if (!face || face->metrics.empty()) continue;
          if (OutlineMetricsView(face->metrics).Text().charSet != kSymbolCharset || !own->IsAvailable()) continue;
          own->state = 2;
          (void)face->GetOutlineMetrics();
        }
      }
      break;
    }
    default:
      // No such kind: the rest of the stream cannot be followed.
      r.SetError();
      break;
  }
  return !r.HasError();
}

}  // namespace kvn
