#include "document/BuiltinFontReader.h"

#include "document/NativeFormat.h"
#include "document/cDrawingDoc.h"
#include "foundation/InFileStream.h"
#include "model/FontList.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"

namespace kvn {

std::unique_ptr<cStyleFont> ReadBuiltinFontContainer(std::span<const std::uint8_t> container) {
  if (container.empty()) return nullptr;
  ByteArray memory(8);
  memory.AppendBytes(container.data(), std::int64_t(container.size()));
  InFileStream in = InFileStream::FromMemory(memory);
  auto document = std::make_unique<cDrawingDoc>();
  NativeReadOptions options;
  options.quiet = true;
  if (document->ReadNativeContainer(in, options) != 0 || document->SheetCount() == 0) return nullptr;
  cSheet* sheet = document->GetSheet(0);
  cDrawingData* data = sheet ? sheet->Data() : nullptr;
  if (!data || data->FontStyles().Count() == 0) return nullptr;
  return data->FontStyles().Detach(0);
}

void InstallBuiltinFontReader() { SetBuiltinFontReader(&ReadBuiltinFontContainer); }

}  // namespace kvn
