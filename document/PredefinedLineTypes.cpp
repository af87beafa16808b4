#include "document/PredefinedLineTypes.h"

#include <memory>
#include <span>

#include "document/NativeFormat.h"
#include "document/cDrawingDoc.h"
#include "foundation/InFileStream.h"
#include "foundation/Resources.h"
#include "model/cAnyLine.h"
#include "model/cDrawingData.h"
#include "model/cStyleLine.h"

namespace kvn {

namespace {

// Owned styles, destroyed last entry first at exit (OwnedArray) through
// their virtual destructors.
struct LineTypeList {
  OwnedArray<cStyleLine> styles{8};
};

LineTypeList& List() {
  static LineTypeList list;
  return list;
}

void ReadResourceStyles(LineTypeList& list) {
  const std::span<const std::uint8_t> bytes = FindResource(ResourceType::LinesTable, kLinesTableResourceId);
  if (bytes.empty()) return;
  ByteArray memory(8);
  memory.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(memory);
  auto document = std::make_unique<cDrawingDoc>();
  NativeReadOptions options;
  options.quiet = true;
  if (document->ReadNativeContainer(in, options) != 0) return;
  // The styles leave the document: destroying it frees them no more.
  for (std::uint32_t i = 0; i < document->SheetCount(); ++i) {
    cSheet* sheet = document->GetSheet(i);
    cDrawingData* data = sheet ? sheet->Data() : nullptr;
    if (!data) continue;
    LineStyleTable& table = data->LineStyles();
    while (table.Count() > 0) {
      std::unique_ptr<cStyleLine> style = table.Detach(0);
      if (style) list.styles.Add(style.release());
    }
  }
}

}  // namespace

void LoadLineTypes() {
  LineTypeList& list = List();
  if (list.styles.Count() > 0) return;
  ReadResourceStyles(list);
  if (list.styles.Count() == 0) {
    auto style = std::make_unique<cStyleLine>();
    style->lineType = kLineTypeSolid;
    style->width = 0.25;
    style->color = 0;
    list.styles.Add(style.release());
  }
}

std::uint32_t GetLineTypeCount() {
  LoadLineTypes();
  return kBuiltinDashTypes + List().styles.Count();
}

const cStyleLine* GetPredefinedLineType(std::uint32_t k) {
  LoadLineTypes();
  return List().styles.Get(k);
}

void UnloadLineTypesForTest() {
  List().styles.Clear();
}

}  // namespace kvn
