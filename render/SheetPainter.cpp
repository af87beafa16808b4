#include "render/SheetPainter.h"

#include <memory>
#include <utility>
#include <vector>

#include "document/cDrawing.h"
#include "model/LevelTable.h"
#include "model/ObjectTypes.h"
#include "model/cAnyFill.h"
#include "model/cBlock.h"
#include "model/KeptExpansions.h"
#include "model/ObjectExtentIndex.h"
#include "model/cOutObj.h"
#include "platform/gdi/DeviceContext.h"
#include "render/DrawInfo.h"
#include "render/DrawPrefetch.h"
#include "render/InsertChildList.h"
#include "model/cInvRect.h"

namespace kvn {

namespace {

// Page record flag: the page's objects are shown on every page.
constexpr std::uint8_t kPageShownEverywhere = 0x02;

// Whether the extent misses the clip. Touching edges meet; a comparison with
// NaN is false, so an object whose extent is not a number is still drawn
// (its Draw maps through the saturating, NaN-safe mapping).
bool Misses(const DRect& extent, const DRect& clip) {
  return clip.x2 < extent.x1 || extent.x2 < clip.x1 || clip.y2 < extent.y1 || extent.y2 < clip.y1;
}

// The page record that a page id names (id = record index), or null.
const PageRecord* PageOfId(const cDrawing& drawing, std::uint16_t id) {
  return std::uint32_t(id) < drawing.PageCount() ? drawing.GetPage(id) : nullptr;
}

bool IsPrinting(const cDrawInfo& info) { return info.mapping.outputMode != OutputMode::Screen; }

// An area flagged 0x10 under an override colour or in grey mode is drawn
// through a copy whose fill is recoloured: white under the override (so the
// area shows as an outlined white area), its grey otherwise.
void DrawRecolouredCopy(cOutObj& object, cDrawInfo& info) {
  std::unique_ptr<cOutObj> copy(cOutObj::Create(object.TypeCode(), false));
  if (!copy) {
    object.Draw(&info);
    return;
  }
  copy->Assign(object);
  if (cAnyFill* fill = copy->AsAnyFill()) {
    const std::uint32_t color = fill->fill.fillColor;
    // An area without a solid layer keeps none: recolouring "no fill" would
    // paint the area (black in grey mode).
    if (!(color & 0x80000000u)) {
      const bool grey = info.colorMode == kColorModeGrey && info.overrideColor == -1;
      fill->fill.fillColor = grey ? info.MapFillColor(color) : 0xFFFFFFu;
    }
  }
  copy->Draw(&info);
}

}  // namespace

const InsertChildList* AsInsertChildList(const cOutObj& object) {
  if (object.TypeCode() != kTypeInsert) return nullptr;
  return dynamic_cast<const InsertChildList*>(&object);
}

InsertChildList* AsInsertChildList(cOutObj& object) {
  if (object.TypeCode() != kTypeInsert) return nullptr;
  return dynamic_cast<InsertChildList*>(&object);
}

void UpdateExtents(cOutObj& object, cDrawingData* data) {
  if (!object.HasFlag(kFlagDirty)) return;
  object.UpdateIfDirty(data);
  // Expanded only to be measured: nothing was drawn to keep.
  if (InsertChildList* insert = AsInsertChildList(object)) insert->DropChildren();
}

bool IsObjectOnCurrentPage(std::int32_t* color, const cOutObj& object, const cDrawing& drawing,
                           std::uint16_t currentPage) {
  if (drawing.PageCount() <= 1) return true;
  // Index 65535 has no id: it would wrap to id 0, "no page".
  if (currentPage != 0xFFFF && object.IsOnPage(PageIdOfIndex(currentPage))) return true;
  if (!object.PageList() && object.PageId() == kAllPages) return true;
  const std::uint32_t ids = object.PageList() ? object.PageList()->Count() : 1;
  for (std::uint32_t i = 0; i < ids; ++i) {
    const PageRecord* page = PageOfId(drawing, object.GetPageId(i));
    if (page && (page->kind & kPageShownEverywhere)) {
      if (color) *color = std::int32_t(page->color);
      return true;
    }
  }
  return false;
}

namespace {

// IsObjectVisible, with the object's full extent given when the caller
// knows it (from the drawing's extent index, for an object unchanged since).
bool IsVisibleWithExtent(const DRect* known, bool drawHidden, cOutObj& object, LevelTable* levels,
                         bool drawNonPrintable, cDrawInfo& info, bool levelColorsWhenPrinting,
                         bool pageColorsWhenPrinting, bool overrideOn, std::int32_t pageColor) {
  if (object.HasFlag(kFlagHidden)) return false;
  const bool printing = IsPrinting(info);
  const LevelRecord* level = nullptr;
  if (levels) {
    level = levels->GetLevel(object.Level());
    if (!drawHidden && !level->visible) return false;
    if (!drawNonPrintable && printing && !level->printable) return false;
  }
  DRect extent;
  if (known) {
    extent = *known;
  } else {
    object.GetFullExtent(info.data, extent);
  }
  if (Misses(extent, info.worldClip)) return false;
  if (overrideOn) {
    std::int32_t color = -1;
    if (level && std::int32_t(level->color) >= 0 && (!printing || levelColorsWhenPrinting)) {
      color = std::int32_t(level->color & 0x00FFFFFFu);
    }
    if (pageColor >= 0 && (!printing || pageColorsWhenPrinting)) color = pageColor & 0x00FFFFFF;
    if (printing && info.colorMode == kColorModeBlackWhite) color = 0;
    info.overrideColor = color;
  }
  return true;
}

}  // namespace

bool IsObjectVisible(bool drawHidden, cOutObj& object, LevelTable* levels, bool drawNonPrintable, cDrawInfo& info,
                     bool levelColorsWhenPrinting, bool pageColorsWhenPrinting, bool overrideOn,
                     std::int32_t pageColor) {
  return IsVisibleWithExtent(nullptr, drawHidden, object, levels, drawNonPrintable, info, levelColorsWhenPrinting,
                             pageColorsWhenPrinting, overrideOn, pageColor);
}

namespace {

// One object of the chain: steps 3.1 to 3.6 of the walk.
struct ChainStep {
  LevelTable* levels;
  cDrawingData* data;
  const cDrawing* drawing;
  std::uint16_t currentPage;
  cDrawInfo& info;
  const PaintChainOptions& options;
  std::int32_t pageColor;
  // Whether the drawing has pages to sort objects by (fixed for the walk).
  bool paged;
  bool drawn = false;
  // Only a printer's context has an abort procedure: a window's repaint
  // never looks at its context's state per object.
  const bool watched = info.Dc() && info.Dc()->GetAbortProc();

  // The context's device was aborted (a print job cancelled part-way): the
  // rest of the walk would draw nothing, so it ends here.
  bool Stopped() const { return watched && info.Dc()->Aborted(); }

  // The walk of slices (options.resume): told to stop before the next
  // object.
  bool StopWanted() const { return options.resume && options.resume->stopWanted; }
  // Where the next insert painted begins (the one the last slice stopped
  // in), and where an insert stopped in this one.
  int startPass = 0;
  std::size_t startChild = 0;
  bool stoppedInside = false;
  int stopPass = 0;
  std::size_t stopChild = 0;

  // `known`: the object's full extent from the index, trusted only while
  // the object has not been marked changed since.
  void Paint(cOutObj* object, const DRect* known) {
    if (object->HasFlag(kFlagHidden)) return;
    if (options.filter && !object->MatchesFilter(options.filter)) return;
    if (object->HasFlag(kFlagDirty)) known = nullptr;
    InsertChildList* insert = AsInsertChildList(*object);
    // An insert is expanded only when it is drawn: one of another page is
    // passed by as it is.
    if (!insert) object->UpdateIfDirty(data);
    std::int32_t color = pageColor;
    if (paged && !IsObjectOnCurrentPage(&color, *object, *drawing, currentPage)) return;
    if (insert) {
      PaintInsert(*object, *insert, color);
      return;
    }
    if (IsVisibleWithExtent(known, options.drawHidden, *object, levels, options.drawNonPrintable, info,
                            options.levelColorsWhenPrinting, options.pageColorsWhenPrinting, options.overrideOn,
                            color)) {
      object->Draw(&info);
      drawn = true;
    }
  }

  // The insert is opened into its children: each child is tested on its own
  // level, so an insert on a hidden level still shows children on visible
  // ones. The insert itself is neither tested nor drawn. A blank-out
  // rectangle ends the expansion's list but whitens what lies under the
  // insert, so it is painted before the other children (in list order it
  // would wipe them out). Drawn, the insert keeps its children for the next
  // repaint, within the budget of the kept expansions. They are held while
  // they are drawn: a view among them reports the inserts it draws to the
  // same list, which must not let these children go under the walk.
  void PaintInsert(cOutObj& object, InsertChildList& insert, std::int32_t color) {
    KeptExpansions& kept = KeptExpansions::Shared();
    const KeptExpansions::Hold hold(insert);
    const std::uint64_t heap = KeptExpansions::HeapNow();
    object.UpdateIfDirty(data);
    const std::span<cOutObj* const> children = insert.GetChildren();
    const int firstPass = std::exchange(startPass, 0);
    const std::size_t firstChild = std::exchange(startChild, 0);
    // A child cut short (its context aborted) is drawn again whole.
    auto stopAt = [&](int pass, std::size_t child) {
      stoppedInside = true;
      stopPass = pass;
      stopChild = child;
    };
    for (int pass = firstPass; pass < 2 && !stoppedInside && !Stopped(); ++pass) {
      for (std::size_t c = pass == firstPass ? firstChild : 0; c < children.size(); ++c) {
        cOutObj* child = children[c];
        if (Stopped()) break;
        if (!child || child->TypeCode() == kTypeConPoint) continue;
        if ((child->TypeCode() == cInvRect::kTypeCode) != (pass == 0)) continue;
        if (StopWanted()) {
          stopAt(pass, c);
          break;
        }
        if (IsObjectVisible(options.drawHidden, *child, levels, options.drawNonPrintable, info,
                            options.levelColorsWhenPrinting, options.pageColorsWhenPrinting, options.overrideOn,
                            color)) {
          child->Draw(&info);
          drawn = true;
          if (Stopped() && options.resume) {
            stopAt(pass, c);
            break;
          }
        }
      }
    }
    kept.Drawn(insert, heap, children.size());
  }
};

// The object at an index position when it is a text, told by the type the
// index keeps (the object itself is not read).
const cText* TextAt(const ObjectExtentIndex& index, std::uint32_t position) {
  return TextOfType(index.Object(position), index.TypeCode(position));
}

// The extent index of the drawing when `block` is its top chain and the
// drawing has one for that chain, made with the context's drawing data;
// null otherwise. The painter never builds it: that would bring every
// object up to date, hidden ones too.
const ObjectExtentIndex* IndexFor(const cDrawing* drawing, const cBlock* block, const cDrawInfo& info) {
  if (!drawing || !block || drawing->TopBlock() != block || drawing->Data() != info.data) return nullptr;
  const ObjectExtentIndex* index = drawing->ExtentIndex();
  return index && index->Head() == block->FirstObject() ? index : nullptr;
}

}  // namespace

bool PaintObjectChain(LevelTable* levels, cDrawingData* data, cBlock* block, const cDrawing* drawing,
                      std::uint16_t currentPage, cDrawInfo& info, const PaintChainOptions& options) {
  std::int32_t pageColor = -1;
  if (drawing && currentPage < drawing->PageCount()) pageColor = std::int32_t(drawing->GetPage(currentPage)->color);

  // Without pages every object is on the current one.
  // What this walk draws is one paint's: the expansions it keeps are not let
  // go for those it draws later.
  const KeptExpansions::Paint paint;
  ChainStep step{levels, data, drawing, currentPage, info, options, pageColor, drawing && drawing->PageCount() > 1};
  // Objects whose extent misses the world clip fail the view test whatever
  // else they are; the index leaves them out without visiting them. What
  // it hands out comes in chain order, so the output is the walk's. When it
  // declines (most of the drawing in view), the chain is walked, and the
  // index still spares each object the computing of its extent as long as
  // the two agree object for object.
  std::vector<std::uint32_t> positions;
  const ObjectExtentIndex* index = options.useExtentIndex ? IndexFor(drawing, block, info) : nullptr;
  // A walk of slices begins where the last one stopped and notes where it
  // stops: before an object when told to, or at the object (and the child
  // of an insert) that an aborted context cut short.
  ChainResume* resume = options.resume;
  const bool resumed = resume && resume->stopped;
  if (resumed) {
    step.startPass = resume->pass;
    step.startChild = resume->child;
  }
  if (resume) resume->stopped = false;
  auto stopAt = [&](const cOutObj* object, std::size_t listed, bool indexAgrees) {
    resume->stopped = true;
    resume->object = object;
    resume->listed = listed;
    resume->indexAgrees = indexAgrees;
    resume->pass = step.stoppedInside ? step.stopPass : 0;
    resume->child = step.stoppedInside ? step.stopChild : 0;
  };
  if (index && index->Query(info.worldClip, positions)) {
    for (std::size_t i = resumed ? resume->listed : 0; i < positions.size() && !step.Stopped(); ++i) {
      if (step.StopWanted()) {
        stopAt(nullptr, i, true);
        break;
      }
      PrefetchForDraw(
          [&](std::uint32_t k) { return i + k < positions.size() ? index->Object(positions[i + k]) : nullptr; },
          [&](std::uint32_t k) { return i + k < positions.size() ? TextAt(*index, positions[i + k]) : nullptr; });
      step.Paint(index->Object(positions[i]), index->KnownExtent(positions[i]));
      if (resume && (step.Stopped() || step.stoppedInside)) {
        stopAt(nullptr, i, true);
        break;
      }
    }
  } else {
    std::uint32_t next = 0;
    cOutObj* object = block ? block->FirstObject() : nullptr;
    if (resumed) {
      object = const_cast<cOutObj*>(resume->object);
      next = std::uint32_t(resume->listed);
      if (!resume->indexAgrees) index = nullptr;
    }
    for (; object && !step.Stopped(); object = object->next) {
      const std::uint32_t at = next;
      const bool agrees = index != nullptr;
      if (step.StopWanted()) {
        stopAt(object, at, agrees);
        break;
      }
      const DRect* known = nullptr;
      if (index && next < index->Size() && index->Object(next) == object) {
        PrefetchForDraw(
            [&](std::uint32_t k) { return next + k < index->Size() ? index->Object(next + k) : nullptr; },
            [&](std::uint32_t k) { return next + k < index->Size() ? TextAt(*index, next + k) : nullptr; });
        known = index->KnownExtent(next++);
      } else {
        index = nullptr;
      }
      step.Paint(object, known);
      if (resume && (step.Stopped() || step.stoppedInside)) {
        stopAt(object, at, agrees);
        break;
      }
    }
  }
  info.overrideColor = -1;
  return step.drawn;
}

void DrawObjectList(std::span<cOutObj* const> objects, cDrawInfo& mapping, cDrawInfo* drawing,
                    std::uint32_t outlineValue) {
  const DeviceRect& device = mapping.mapping.deviceClip;
  const DPoint a = mapping.mapping.DeviceToWorldPoint({device.left, device.top});
  const DPoint b = mapping.mapping.DeviceToWorldPoint({device.right, device.bottom});
  const DRect clip{a.x, a.y, b.x, b.y};
  for (cOutObj* object : objects) {
    if (!object) continue;
    if (outlineValue && object->HasFlag(kFlagGenerated)) continue;
    DRect extent;
    object->GetFullExtent(mapping.data, extent);
    if (object->TypeCode() == kTypeConPoint || Misses(extent, clip)) continue;
    if (drawing) {
      const bool recolour = drawing->overrideColor != -1 || drawing->colorMode == kColorModeGrey;
      if (recolour && object->HasFlag(kFlagRecoloured) && object->AsAnyFill()) {
        DrawRecolouredCopy(*object, *drawing);
      } else {
        object->Draw(drawing);
      }
    }
    if (outlineValue) object->DrawOutline(outlineValue, &mapping, false);
  }
}

}  // namespace kvn
