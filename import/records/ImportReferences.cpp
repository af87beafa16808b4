// External references of foreign drawings: the blocks that name another
// drawing file are loaded through the document's reference loader after the
// drawing's own sheets, and the view objects that stand for them are pointed
// at the sheets they became. A reference that cannot be loaded is left out
// with a warning; the drawing opens without it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/ExternalReference.h"
#include "document/FormatReader.h"
#include "document/LoadQuestions.h"
#include "document/NativeFormat.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "import/records/ImportWarnings.h"
#include "import/records/TableRecords.h"
#include "import/records/YxxfReader.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cSection.h"

namespace kvn {

namespace {

constexpr int kStrNestedReference = 18402;
constexpr int kStrLoadReferences = 18404;
// The caption of the references question: the formats' own names, the same
// in every language, so not a translated text.
constexpr char16_t kReferencesCaption[] = u"DWG/DXF";

// Every reference view of the sheets (top blocks and block tables) of the
// first `sheetCount` sheets: `keep` answers whether it stays; the others
// are deleted.
void ForEachReferenceView(cDrawingDoc& document, std::uint32_t sheetCount,
                          const std::function<bool(cSection&)>& keep) {
  auto filter = [&](cBlock& block) {
    if (block.flags & kBlockChainNotOwned) return;
    bool any = false;
    for (cOutObj* o = block.FirstObject(); o && !any; o = o->next) {
      const cSection* view = o->AsSection();
      any = view && view->referenceView;
    }
    if (!any) return;
    cOutObj* next = block.FirstObject();
    block.InitObjectList();
    ObjectChain kept;
    while (cOutObj* object = next) {
      next = object->next;
      object->next = nullptr;
      cSection* view = object->AsSection();
      if (view && view->referenceView && !keep(*view)) {
        delete object;
        continue;
      }
      kept.Append(object);
    }
    block.AppendChain(std::move(kept));
    block.InvalidateChecksum();
  };
  for (std::uint32_t s = 0; s < sheetCount; ++s) {
    cSheet* sheet = document.GetSheet(s);
    if (!sheet) continue;
    filter(sheet->TopBlock());
    if (cDrawingData* data = sheet->Data()) {
      for (std::uint32_t b = 0; b < data->BlockCount(); ++b)
        if (cBlock* block = data->GetBlock(b)) filter(*block);
    }
  }
}

bool HasObjects(const cSheet& sheet) { return sheet.TopBlock().FirstObject() != nullptr; }

}  // namespace

void YxxfReader::TakeQuestionsFrom(const FormatReadContext* context) {
  if (!context) return;
  questions = context->questions;
  quiet = context->quiet;
  referenceContext = context->referenceContext;
}

void YxxfReader::LoadReferences(cDrawingDoc& document, ProgressMonitor* monitor) {
  if (referenceBlocks.empty()) return;
  const std::uint32_t ownSheets = document.SheetCount();
  auto removeAll = [&]() { ForEachReferenceView(document, ownSheets, [](cSection&) { return false; }); };
  auto* context = static_cast<ReferenceContext*>(referenceContext);
  LoadQuestions* asker = quiet ? nullptr : questions;

  // A drawing loaded as a reference does not load references of its own;
  // the user hears of it once per load.
  if (context && context->depth > 0) {
    if (!context->nestingShown) {
      context->nestingShown = true;
      ReportNestedReference(asker, context->loading, referenceBlocks.front()->xrefPath);
    }
    warnings.push_back(LoadLangString(kStrNestedReference));
    removeAll();
    return;
  }
  if (asker &&
      !asker->GoOn(LoadQuestion{kStrLoadReferences, kMbOkCancel | kMbIconQuestion, {}, WString(kReferencesCaption)})) {
    removeAll();
    return;
  }

  // The references of this drawing share one context: a file given up is
  // not asked about again.
  ReferenceContext local;
  if (!context) context = &local;
  NativeReadOptions options;
  options.questions = asker;
  options.monitor = monitor;
  options.quiet = quiet;
  options.referenceContext = context;
  options.hostPath = fileName;
  std::vector<int> sheetOf(referenceBlocks.size(), -1);
  for (std::size_t k = 0; k < referenceBlocks.size(); ++k) {
    const YxxfBlockRec& block = *referenceBlocks[k];
    ExternalReferenceEntry entry;
    entry.sheetName = block.name;
    entry.storedPath = block.xrefPath;
    entry.kind = 2;
    entry.sheetIndex = 0;
    const std::uint32_t before = document.SheetCount();
    const bool loaded = LoadExternalReference(document, entry, options);
    // A file that did not open leaves an empty stand-in sheet: the
    // reference is left out instead.
    const bool shown = loaded && document.SheetCount() == before + 1 && HasObjects(*document.GetSheet(before));
    if (!shown) {
      while (document.SheetCount() > before) document.DetachSheet(document.SheetCount() - 1);
      warnings.push_back(ReferenceLeftOutWarning(block.xrefPath));
      continue;
    }
    if (before > 65535) {
      document.DetachSheet(before);
      continue;
    }
    sheetOf[k] = int(before);
    // Named by the block that refers to it: the referenced file's own
    // layout name ("Model", mostly) would tell one reference from another
    // by nothing.
    document.GetSheet(before)->Drawing().name = block.name;
  }
  ForEachReferenceView(document, ownSheets, [&](cSection& view) {
    const int sheet = view.sheetIndex < sheetOf.size() ? sheetOf[view.sheetIndex] : -1;
    if (sheet < 0) return false;
    view.sheetIndex = std::uint16_t(sheet);
    view.MarkDirty();
    return true;
  });
}

}  // namespace kvn
