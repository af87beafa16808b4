// The bodies of the hand-over points; see HandOvers.h.
#include "document/HandOvers.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <numbers>
#include <set>
#include <vector>

#include "document/BlockListReader.h"
#include "document/BodyReader.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/PathNames.h"
#include "foundation/TextFormat.h"
#include "foundation/LangTable.h"
#include "foundation/DRect.h"
#include "model/ObjectChain.h"
#include "model/LevelTable.h"
#include "model/SortedValueList.h"
#include "model/cAnyFill.h"
#include "model/cAnyLine.h"
#include "model/BlockCopy.h"
#include "model/BlockPath.h"
#include "model/ReadState.h"
#include "model/cBitmap.h"
#include "model/cWmf.h"
#include "model/FontList.h"
#include "model/Geometry.h"
#include "model/ObjectTypes.h"
#include "model/cDistance.h"
#include "model/InsertLabel.h"
#include "model/ObjectEntry.h"
#include "model/cBlock.h"
#include "model/cStyleFill.h"
#include "model/cStyleFont.h"
#include "model/cStyleLine.h"
#include "model/cStyleLink.h"
#include "model/cStyleText.h"
#include "model/cStyleWall.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLink.h"
#include "model/cSection.h"
#include "model/cText.h"

namespace kvn {

std::uint32_t* InsertBlockIndexOf(cOutObj& object) {
  cInsert* insert = object.AsInsert();
  return insert ? &insert->blockIndex : nullptr;
}

void ConvertOldSymbolLine(cOutObj& object, std::uint32_t symbolBlock, BlockListContext& context) {
  ReadContext* read = context.readContext;
  cDrawingData* data = context.data;
  if (!read || !read->lineHolder || !data) return;
  auto style = std::make_unique<cStyleLine>();
  style->name = WString(u"X");
  style->SetFromObject(*read->lineHolder, read->lineHolder->stroke, data);
  style->hasSymbol = 1;
  // The symbol: the block's objects with every insert flattened, less the
  // kinds a symbol cannot draw (inserts, walls, links, section views).
  if (cBlock* block = symbolBlock < data->BlockCount() ? data->GetBlock(symbolBlock) : nullptr) {
    ObjectChain flat = FlattenChainCopy(*data, block->FirstObject());
    for (cOutObj* o = flat.Head(); o; o = o->next) {
      const std::uint8_t code = o->TypeCode();
      if (code == 0 || code == 5 || code == 22 || code == 25) continue;
      if (cOutObj* copy = cOutObj::Clone(*o)) style->symbol.Append(copy);
    }
  }
  const OldPatternValues& old = read->oldPattern;
  style->repeatLength = old.repeatLength;
  style->startOffset = old.startOffset;
  // The old byte's bits say what the symbol does not take from the line.
  std::uint8_t symbolByte = 3;
  if (old.symbolByte & 1) symbolByte = 1;
  if (old.symbolByte & 2) symbolByte = (old.symbolByte & 1) ? 0 : 2;
  style->symbolByte = symbolByte;
  if (!(style->patternScale > 0.0)) style->patternScale = 1.0;
  style->NormalizeSymbolScale();

  LineStyleTable& lines = data->LineStyles();
  style->name = read->fileTitle;
  style->name.Append(FormatPercentD(WString(u"%d"), int(lines.Count() + 1)));
  LinkStyleTable& links = data->LinkStyles();
  const std::uint16_t remembered = read->rememberedLinkStyle;
  if (cStyleLink* linkStyle = links.Get(remembered)) linkStyle->name = style->name;
  const std::uint16_t k = lines.Add(std::move(style));
  if (k == kNoStyle) return;

  if (cAnyLine* line = object.AsAnyLine()) {
    line->SetTypeByteSourceBits(std::uint8_t(line->TypeByte() | kTypeStyledStroke));
    line->stroke.lineStyle = k;
  }
  cLink* link = object.AsLink();
  if (!link || remembered == kNoStyle) return;
  for (std::uint32_t i = 0; i < links.Count(); ++i) {
    const cStyleLink* candidate = links.Get(i);
    if (i == remembered || !candidate || candidate->attributes.lineStyle != k) continue;
    link->linkStyle = std::uint16_t(i);
    // The remembered style was made for this link alone.
    if (remembered + 1u == links.Count()) links.Detach(remembered);
    break;
  }
  if (cStyleLink* named = links.Get(link->linkStyle)) named->attributes.lineStyle = k;
  link->MarkDirty();
}

void ConnectLinksToInserts(const std::vector<cOutObj*>& links, const std::vector<cOutObj*>& inserts,
                           std::uint32_t firstInsertNumber) {
  // A file's numbers are the inserts' places in the reading order, which are
  // their running ids only when a fresh process reads its first file; the
  // ends get the running ids the inserts have now.
  auto runningIdOf = [&](std::uint32_t stored) -> std::uint32_t {
    if (stored <= firstInsertNumber) return 0;
    const std::uint64_t i = std::uint64_t(stored) - firstInsertNumber - 1;
    if (i >= inserts.size()) return 0;
    const cInsert* insert = inserts[std::size_t(i)]->AsInsert();
    return insert ? insert->RunningId() : 0;
  };
  for (cOutObj* object : links) {
    cLink* link = object->AsLink();
    if (!link) continue;
    link->SetStartInsert(runningIdOf(link->end1Number), link->end1Index);
    link->SetEndInsert(runningIdOf(link->end2Number), link->end2Index);
  }
}

void ConvertOldSymbolTexts(cDrawingData& data) {
  // Texts of old drawings measure themselves from their glyphs, which the
  // symbols' own list reader does not load.
  for (cStyleLine* style : data.LineStyles()) {
    if (!style) continue;
    for (cOutObj* o = style->symbol.Head(); o; o = o->next) {
      cText* text = o->AsText();
      if (!text) continue;
      data.LoadGlyphsForText(*text);
      text->MarkDirty();
    }
    style->FreePatternCache();
  }
}
namespace {

// Names trimmed of blanks ("_" when nothing is left), then every later
// repeat of a name (case-blind) numbered 1, 2, ... in table order.
template <class Table>
void NormalizeStyleNames(Table& table) {
  std::vector<cAnyStyle*> styles;
  for (auto* style : table)
    if (style) styles.push_back(style);
  for (cAnyStyle* style : styles) {
    style->name.Trim(WString::TrimMode::Both);
    if (style->name.IsEmpty()) style->name = WString(u"_");
  }
  for (std::size_t i = 0; i < styles.size(); ++i) {
    int counter = 1;
    for (std::size_t j = i + 1; j < styles.size(); ++j) {
      const WString& a = styles[i]->name;
      const WString& b = styles[j]->name;
      if (a.Length() != b.Length() || a.CompareNoCaseN(b.CStr(), a.Length()) != 0) continue;
      styles[j]->name.Append(FormatPercentD(WString(u"%d"), counter++));
    }
  }
}

}  // namespace

void NormalizeOldStyleNames(cDrawingData& data) {
  NormalizeStyleNames(data.LineStyles());
  NormalizeStyleNames(data.FillStyles());
  NormalizeStyleNames(data.TextStyles());
  NormalizeStyleNames(data.WallStyles());
  NormalizeStyleNames(data.LinkStyles());
}
namespace {

struct ReanchorEntry {
  const cOutObj* source;
  int index;
};

// The texts of the insert's expansion that stand right-aligned on more
// than one line.
std::vector<ReanchorEntry> CollectRightAlignedTexts(cInsert& insert, cDrawingData& data) {
  std::vector<ReanchorEntry> list;
  const ObjectEntryArray& children = insert.Children();
  for (std::size_t i = 0; i < children.Count(); ++i) {
    const ObjectEntry& entry = children[i];
    cText* text = entry.object ? entry.object->AsText() : nullptr;
    if (text && (text->alignment & 15) % 3 == 2 && text->GetLineCount(&data) > 1)
      list.push_back(ReanchorEntry{entry.source, entry.index});
  }
  return list;
}

DPoint MovedByWidth(const DPoint& p, double width, double angleDegrees) {
  const double a = -angleDegrees * std::numbers::pi / 180.0;
  return DPoint{p.x + width * std::cos(a), p.y + width * std::sin(a)};
}

void ReanchorRightAlignedTexts(cBlock& block, const std::vector<ReanchorEntry>& list, cDrawingData& data,
                               BlockPath& path) {
  if (!path.Enter(&block)) return;
  for (cOutObj* o = block.FirstObject(); o; o = o->next) {
    if (cInsert* insert = o->AsInsert()) {
      for (const ReanchorEntry& entry : list) {
        if (entry.source != insert || entry.index < 0) continue;
        InsertLabel* label = insert->GetLabelSlotAt(entry.index);
        std::unique_ptr<cText> text = insert->MakeLabelText(entry.index, false, insert, &data);
        if (!label || !text) continue;
        text->UpdateIfDirty(&data);
        label->position = MovedByWidth(text->point, text->blockWidth, text->angle);
        label->alignment = 2;
        insert->MarkDirty();
        block.InvalidateChecksum();
      }
      if (cBlock* own = insert->blockIndex < data.BlockCount() ? data.GetBlock(insert->blockIndex) : nullptr)
        ReanchorRightAlignedTexts(*own, list, data, path);
    } else if (cText* text = o->AsText()) {
      bool listed = false;
      for (const ReanchorEntry& entry : list) listed = listed || entry.source == text;
      if (!listed) continue;
      text->UpdateIfDirty(&data);
      text->point = MovedByWidth(text->point, text->blockWidth, text->angle);
      // Alignment code 2 (right, top row), the angle flag kept.
      text->alignment = std::uint8_t((text->alignment & 0xF2) | 0x02);
      text->MarkDirty();
      block.InvalidateChecksum();
    }
  }
  path.Leave();
}

}  // namespace

void ReanchorOldRightAlignedTexts(BodyState& state) {
  ReanchorRightAlignedTextsOfDrawing(state.data, state.sheet.TopBlock());
}

void ReanchorRightAlignedTextsOfDrawing(cDrawingData& data, cBlock& top) {
  for (cOutObj* o = top.FirstObject(); o; o = o->next) {
    cInsert* insert = o->AsInsert();
    if (!insert) continue;
    insert->UpdateIfDirty(&data);
    const bool found = !CollectRightAlignedTexts(*insert, data).empty();
    // Looked at, the children go: the open keeps no copy of a block per
    // placement.
    insert->DropChildren();
    if (!found) continue;
    // The block is shared with other inserts: this one gets its own copy.
    insert->MakeOwnBlock(&top, &data, true);
    insert->MarkDirty();
    insert->UpdateIfDirty(&data);
    const std::vector<ReanchorEntry> list = CollectRightAlignedTexts(*insert, data);
    if (cBlock* block = insert->blockIndex < data.BlockCount() ? data.GetBlock(insert->blockIndex) : nullptr) {
      BlockPath path;
      ReanchorRightAlignedTexts(*block, list, data, path);
    }
    insert->DropChildren();
    // The block's texts moved since the insert was measured: its extents are
    // measured again when next asked for.
    insert->MarkDirty();
  }
}
namespace {

// The offset of a row of a styled text: half the style's height for the
// middle row, the whole height for the bottom row, none otherwise.
bool RowOffset(int row, double d, double& offset) {
  offset = row == 1 ? d * 0.5 : row == 2 ? d : 0.0;
  if (offset == 0.0) return false;
  RoundTo4Significant(offset);
  return true;
}

void ShiftStyledTextAnchors(cBlock& block, TextStyleTable& styles, double factor) {
  for (cOutObj* o = block.FirstObject(); o; o = o->next) {
    if (cDistance* dimension = o->AsDistance()) {
      if (dimension->textStyle >= styles.Count() || !styles.Get(dimension->textStyle)) continue;
      const double d = styles.Get(dimension->textStyle)->attributes.height * factor;
      double offset = 0.0;
      if (!RowOffset((dimension->dimensionFlags >> 4) / 3, d, offset)) continue;
      DPoint shift{0.0, offset};
      RotatePoint(shift, DPoint{0, 0}, -dimension->GetTextAngle());
      dimension->textPoint = {dimension->textPoint.x - shift.x, dimension->textPoint.y - shift.y};
    } else if (cText* text = o->AsText()) {
      const std::uint16_t style = text->attr.textStyle;
      if (text->attr.height != 0.0 || !(text->TypeByte() & kTypeStyledStroke) || style >= styles.Count() ||
          !styles.Get(style))
        continue;
      const double d = styles.Get(style)->attributes.height * factor;
      double offset = 0.0;
      if (d == 0.0 || !RowOffset((text->alignment & 15) / 3, d, offset)) continue;
      DPoint shift{0.0, offset};
      RotatePoint(shift, DPoint{0, 0}, -text->angle);
      text->SetAngle(text->angle);
      text->point = {text->point.x - shift.x, text->point.y - shift.y};
    } else {
      continue;
    }
    o->MarkDirty();
    block.InvalidateChecksum();
  }
}

}  // namespace

void ShiftOldStyledTextAnchors(BodyState& state) { ShiftStyledTextAnchorsOfDrawing(state.data, state.sheet.TopBlock()); }

void ShiftStyledTextAnchorsOfDrawing(cDrawingData& data, cBlock& top) {
  TextStyleTable& styles = data.TextStyles();
  if (!styles.Empty()) {
    ShiftStyledTextAnchors(top, styles, 1.0);
    // Blocks placed at one scale only; a block placed at two scales cannot
    // be shifted for both and is left alone.
    constexpr std::uintptr_t kConflicting = 1;
    std::map<std::uint32_t, std::uintptr_t> marks;  // block -> its first insert, or conflicting
    for (cOutObj* o = top.FirstObject(); o; o = o->next) {
      cInsert* insert = o->AsInsert();
      if (!insert || insert->blockIndex >= data.BlockCount()) continue;
      auto [it, added] = marks.emplace(insert->blockIndex, reinterpret_cast<std::uintptr_t>(insert));
      if (added || it->second == kConflicting) continue;
      const cInsert* first = reinterpret_cast<const cInsert*>(it->second);
      const DPoint* a = first->GetEffectiveScale(&data);
      const DPoint* b = insert->GetEffectiveScale(&data);
      if (!a || !b || a->x != b->x || a->y != b->y) it->second = kConflicting;
    }
    // Each block once, though several inserts of one scale place it.
    std::set<std::uint32_t> shifted;
    for (cOutObj* o = top.FirstObject(); o; o = o->next) {
      cInsert* insert = o->AsInsert();
      if (!insert) continue;
      const auto it = marks.find(insert->blockIndex);
      if (it == marks.end() || it->second == kConflicting || !shifted.insert(insert->blockIndex).second) continue;
      const DPoint* scale = insert->GetEffectiveScale(&data);
      if (!scale) continue;
      const double sx = std::fabs(scale->x), sy = std::fabs(scale->y);
      if (sx == sy && sx > 0.0)
        if (cBlock* block = data.GetBlock(insert->blockIndex)) ShiftStyledTextAnchors(*block, styles, 1.0 / sx);
    }
  }
  for (auto* style : styles)
    if (style) data.ResolveStyleFont(style->attributes);
  for (std::uint32_t i = 0; i < data.BlockCount(); ++i) {
    cBlock* block = data.GetBlock(i);
    if (!block) continue;
    block->InvalidateChecksum();
    for (cOutObj* o = block->FirstObject(); o; o = o->next) LoadGlyphsForObject(data, *o);
  }
  for (cOutObj* o = top.FirstObject(); o; o = o->next) LoadGlyphsForObject(data, *o);
}
void ConvertOldFontStyleNames(BodyState& state) {
  // The vertical-font prefix of old face names.
  for (auto* style : state.data.FontStyles())
    if (style && style->name.Length() > 0 && style->name[0] == u'@') style->name = style->name.TailFrom(1);
}
namespace {

PaperSizeLookup g_paperSize = nullptr;

// Damaged files give any value: out of range saturates, NaN gives 0.
std::int32_t ClampedInt32(double value) {
  if (!(value == value)) return 0;
  return std::int32_t(std::clamp(value, -2147483648.0, 2147483647.0));
}

}  // namespace

PaperSizeLookup SetPaperSizeLookup(PaperSizeLookup lookup) {
  const PaperSizeLookup previous = g_paperSize;
  g_paperSize = lookup;
  return previous;
}

void ConvertOldPrintSettings(BodyState& state) {
  cDrawing& d = state.drawing;
  const int v = state.version;
  d.InvalidateSummary(0);
  if (v >= 3068) return;
  // The two old format points: tags 2 and 3 of the tagged settings (below
  // 3058 the second already turned into scale x B + A), or the two points
  // of the fixed settings.
  const bool tagged = v < 3061;
  DPoint a = tagged ? state.old.viewOffset : d.oldFormatOrigin;
  DPoint b = tagged ? (v < 3058 ? d.viewCentre : state.old.viewPoint) : d.oldFormatSize;
  const double s = state.data.Scale() > 0.0 ? state.data.Scale() : 1.0;
  // Before 3057 a format of no width or height kept the view position
  // relative to the format origin; it becomes relative to the drawing.
  const double r = d.realAfterPrototypes;
  if (v < 3057 && r > 0.0 && (b.x - a.x == 0.0 || b.y - a.y == 0.0)) {
    std::int32_t* view = state.old.intViewPosition;
    a = {a.x * r, a.y * r};
    view[0] = ClampedInt32(double(view[0]) - std::floor(a.x + 0.5));
    view[1] = ClampedInt32(double(view[1]) - std::floor(a.y + 0.5));
    a = b = DPoint{};
    const DRect extent = d.GetExtent();
    view[0] = ClampedInt32(double(view[0]) + std::floor(r * extent.x1 + 0.5));
    view[1] = ClampedInt32(double(view[1]) + std::floor(r * extent.y1 + 0.5));
  }
  d.formatOrigin = a;
  const double w = (b.x - a.x) / s, h = (b.y - a.y) / s;
  DPoint& print = d.printFormatSize;
  const bool areaEmpty = !(d.printArea.x1 < d.printArea.x2) || !(d.printArea.y1 < d.printArea.y2);
  if ((w == 0.0 || h == 0.0) && areaEmpty) {
    print = {0.0, 0.0};
    d.tileOverlap = 0.0;
  }
  const double p = d.printScale;
  if (p != 100.0 && p > 0.0) print = {print.x * 100.0 / p, print.y * 100.0 / p};
  if (d.tileOverlap != 0.0 && p > 0.0) {
    const double t = d.tileOverlap * 2 * 100.0 / p;
    if (print.x > t && print.y > t) {
      print = {print.x - t, print.y - t};
      d.tileOverlap = d.tileOverlap * 100.0 / p;
    } else {
      d.tileOverlap = 0.0;
    }
  }
  if (w > 0 && h > 0) {
    if (print.x > 0 && print.y > 0 && (w > print.x || h > print.y)) {
      d.formatSize = {std::min(print.x, w), std::min(print.y, h)};
      d.tiles = {w / d.formatSize.x, h / d.formatSize.y};
    } else {
      d.formatSize = {w, h};
    }
  }
  // The format grows to the paper it was printed on, centred on it.
  if (d.paperId != 0 && g_paperSize) {
    double pw = 0.0, ph = 0.0;
    g_paperSize(d.paperId, pw, ph);
    const double fw = d.formatSize.x, fh = d.formatSize.y;
    if (pw > 0 && ph > 0 && fw > 0 && fh > 0) {
      DPoint grown = d.formatSize;
      if (pw > fw && ph > fh) {
        grown = {pw, ph};
      } else if (ph > fw && pw > fh) {
        grown = {ph, pw};
      }
      if (grown.x != fw || grown.y != fh) {
        d.formatSize = grown;
        d.formatMargins = {(grown.x - fw) * 0.5, (grown.y - fh) * 0.5};
      }
    }
  }
  // Formats near A4 without margins were meant as A4.
  const double fw = d.formatSize.x, fh = d.formatSize.y;
  if (fw > 0 && fh > 0 && d.formatMargins.x == 0.0 && d.formatMargins.y == 0.0) {
    if (fw > fh && fw >= 237 && fw <= 297 && fh >= 150 && fh <= 210) {
      d.formatSize = {297.0, 210.0};
      d.formatMargins = {(297.0 - fw) * 0.5, (210.0 - fh) * 0.5};
    } else if (fw >= 150 && fw <= 210 && fh >= 237 && fh <= 297) {
      d.formatSize = {210.0, 297.0};
      d.formatMargins = {(210.0 - fw) * 0.5, (297.0 - fh) * 0.5};
    }
  }
}

namespace {

void ScaleSortedList(SortedValueList& list, double factor) {
  std::vector<double> values(list.begin(), list.end());
  while (list.Count() > 0) list.RemoveAt(list.Count() - 1);
  for (double v : values) list.Insert(v * factor);
}

template <class Table>
void ScaleStyles(Table& table, double factor) {
  for (auto* style : table)
    if (style) style->Scale(factor);
}

}  // namespace

void RescaleDrawing(cDrawingData& data, cDrawing* drawing, cBlock& topBlock, double factor, bool wallStyles) {
  if (drawing) {
    for (SortedValueList& list : drawing->guideLines) ScaleSortedList(list, factor);
    // The two reals at the end of each setting record: the sectors' begin
    // and step.
    for (SectorSettings& sector : drawing->sectors) {
      sector.begin *= factor;
      sector.step *= factor;
    }
    if (cOutObj* object = drawing->PrototypeText())
      if (cText* text = object->AsText()) text->attr.height *= factor;
    // The prototype shape's sizes: pen width and pattern scale, hatch line
    // width and hatch scale.
    if (cOutObj* object = drawing->PrototypeShape()) {
      if (cAnyLine* line = object->AsAnyLine()) {
        line->stroke.width *= factor;
        line->stroke.patternScale *= factor;
      }
      if (cAnyFill* fill = object->AsAnyFill()) {
        fill->fill.hatchValue *= factor;
        fill->fill.hatchScale *= factor;
      }
    }
  }
  if (factor != 0.0) {
    LevelTable& levels = data.Levels();
    for (std::uint32_t i = 0; i < levels.Count(); ++i)
      if (LevelRecord* level = levels.FindLevel(std::uint16_t(i))) level->value *= factor;
  }
  DoneBlockList done;
  TransformContext context{&done, &data, nullptr};
  for (cOutObj* o = topBlock.FirstObject(); o; o = o->next) {
    o->Scale(context, DPoint{0, 0}, DPoint{factor, factor});
    o->ScaleLineWidths(context, factor);
  }
  for (std::uint32_t i = 0; i < data.BlockCount(); ++i) {
    cBlock* block = data.GetBlock(i);
    if (!block) continue;
    for (cOutObj* o = block->FirstObject(); o; o = o->next) o->ScaleLineWidths(context, factor);
    block->InvalidateChecksum();
  }
  ScaleStyles(data.LineStyles(), factor);
  ScaleStyles(data.TextStyles(), factor);
  if (wallStyles) ScaleStyles(data.WallStyles(), factor);
  ScaleStyles(data.LinkStyles(), factor);
  ScaleStyles(data.FillStyles(), factor);
}
void ScaleSectionsShowing(cBlock& block, const cDrawing& drawing, double factor) {
  const cDrawingDoc* document = drawing.Document();
  if (!document || !(factor != 0.0)) return;
  for (cOutObj* o = block.FirstObject(); o; o = o->next) {
    cSection* section = o->AsSection();
    if (!section) continue;
    const cSheet* shown = document->GetSheet(section->sheetIndex);
    if (!shown || &shown->Drawing() != &drawing) continue;
    // The shown drawing grew by the factor: the view keeps its size on this
    // sheet and looks at the same place of the drawing.
    section->scale /= factor;
    section->sourcePoint = {section->sourcePoint.x * factor, section->sourcePoint.y * factor};
    section->MarkDirty();
  }
}
void LoadGlyphsForObject(cDrawingData& data, cOutObj& object) {
  if (cText* text = object.AsText()) data.LoadGlyphsForText(*text);
}

namespace {

bool TurnedPicture(const cOutObj& child) {
  if (const cBitmap* bitmap = child.AsBitmap())
    return bitmap->frame.angle != 0.0 || bitmap->frame.width < 0 || bitmap->frame.height < 0;
  if (const cWmf* metafile = child.AsWmf()) return metafile->frame.angle != 0.0;
  return false;
}

void RotateBlockPictures(cInsert& insert, double addedAngle, cDrawingData& data, BlockPath& path) {
  cBlock* block = insert.blockIndex < data.BlockCount() ? data.GetBlock(insert.blockIndex) : nullptr;
  if (!block || !path.Enter(block)) return;
  const double total = insert.angle + addedAngle;
  for (cOutObj* o = block->FirstObject(); o; o = o->next) {
    if (cInsert* nested = o->AsInsert()) {
      RotateBlockPictures(*nested, total, data, path);
    } else if (o->AsBitmap() || o->AsWmf()) {
      DRect extent;
      o->GetExtentUpdated(nullptr, extent);
      o->Rotate(TransformContext{}, DPoint{(extent.x1 + extent.x2) / 2, (extent.y1 + extent.y2) / 2}, total);
    }
  }
  block->InvalidateChecksum();
  path.Leave();
}

}  // namespace

void FixOldTurnedPictures(cDrawingDoc& document) {
  for (std::uint32_t s = 0; s < document.SheetCount(); ++s) {
    cSheet* sheet = document.GetSheet(s);
    if (!sheet || !sheet->Data()) continue;
    cDrawingData& data = *sheet->Data();
    for (cOutObj* o = sheet->TopBlock().FirstObject(); o; o = o->next) {
      cInsert* insert = o->AsInsert();
      if (!insert) continue;
      insert->UpdateIfDirty(&data);
      bool needsFix = false;
      for (cOutObj* child : insert->GetChildren()) {
        if (child && TurnedPicture(*child)) {
          needsFix = true;
          break;
        }
      }
      // Looked at, the children go: the open keeps no copy of a block per
      // placement.
      insert->DropChildren();
      if (!needsFix) continue;
      // Older versions drew these pictures upright: a private block lets
      // them turn back without changing the other inserts of the block.
      insert->MakeOwnBlock(&sheet->TopBlock(), &data, true);
      BlockPath path;
      RotateBlockPictures(*insert, 0.0, data, path);
      insert->MarkDirty();
    }
  }
}
void AddPrintAreaSheets(cDrawingDoc& document) {
  const std::uint32_t sheetsAtStart = document.SheetCount();
  WString title = GetFileNamePart(document.filePath);
  if (const int dot = title.ReverseFindChar(u'.'); dot >= 0) title = title.Mid(0, dot);
  for (std::uint32_t index = 0; index < sheetsAtStart; ++index) {
    cSheet* sheet = document.GetSheet(index);
    if (!sheet || !sheet->TopBlock().FirstObject() || !sheet->Data()) continue;
    cDrawing& old = sheet->Drawing();
    DRect p = old.printArea;
    p.Normalize();
    const double s = sheet->Data()->Scale() > 0.0 ? sheet->Data()->Scale() : 1.0;
    DRect q;
    if (old.formatSize.x != 0.0 && old.formatSize.y != 0.0) {
      q.x1 = old.formatOrigin.x;
      q.y1 = old.formatOrigin.y;
      q.x2 = q.x1 + (old.formatSize.x - 2 * old.formatMargins.x) * s * old.tiles.x;
      q.y2 = q.y1 + (old.formatSize.y - 2 * old.formatMargins.y) * s * old.tiles.y;
    }
    const double pw = p.x2 - p.x1, ph = p.y2 - p.y1;
    const bool same = std::fabs(p.x1 - q.x1) < 1e-5 && std::fabs(p.y1 - q.y1) < 1e-5 && std::fabs(p.x2 - q.x2) < 1e-5 &&
                      std::fabs(p.y2 - q.y2) < 1e-5;
    if ((pw == 0.0 && ph == 0.0) || same) continue;

    auto added = std::make_unique<cSheet>();
    added->Data()->SetScale(sheet->Data()->Scale());
    cDrawing& view = added->Drawing();
    view.minStep = old.minStep;
    view.gridStep = old.gridStep;
    view.gridMode = old.gridMode;
    view.gridMode2 = old.gridMode2;
    view.gridTwoBits = old.gridTwoBits;
    view.gridInts[0] = old.gridInts[0];
    view.gridInts[1] = old.gridInts[1];
    view.paperId = old.paperId;
    view.printScale = old.printScale;
    view.printMargins = old.printMargins;
    view.formatOrigin = {p.x1, p.y1};
    view.formatSize = {pw / s, ph / s};
    view.formatMargins = {0.0, 0.0};
    view.tiles = {1.0, 1.0};
    const double w = pw / s, h = ph / s;
    const DPoint printFormat = old.printFormatSize;
    if (printFormat.x > 0 && printFormat.y > 0 && (w > printFormat.x || h > printFormat.y)) {
      view.tileOverlap = old.tileOverlap;
      view.formatSize = {std::min(printFormat.x, w), std::min(printFormat.y, h)};
      view.tiles = {w / view.formatSize.x, h / view.formatSize.y};
    }
    auto* section = new cSection;
    section->sheetIndex = std::uint16_t(index);
    section->page = old.storedCurrentPage;
    section->insertPoint = {p.x1, p.y1};
    section->framePoint = {p.x2, p.y2};
    section->scale = 1.0;
    section->angle = 0.0;
    section->sourcePoint = {(p.x1 + p.x2) / 2, (p.y1 + p.y2) / 2};
    ObjectChain chain;
    chain.Append(section);
    added->TopBlock().AppendChain(std::move(chain));

    old.formatSize = {old.formatSize.x * old.tiles.x, old.formatSize.y * old.tiles.y};
    old.formatMargins = {0.0, 0.0};
    old.tileOverlap = 0.0;
    old.tiles = {1.0, 1.0};
    old.printScale = 100.0;

    if (sheetsAtStart < 2 && old.name.IsEmpty()) old.name = title;
    view.name = old.name;
    view.name.AppendCStr(u" - ");
    view.name.Append(LoadLangString(18143));
    view.viewPositions[0] = view.viewPositions[1] = DPoint{};
    view.realAfterPrototypes = 0.0;
    view.InvalidateSummary(0);
    document.AddSheet(std::move(added));
  }
}

}  // namespace kvn
