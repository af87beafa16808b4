#include "dwg/objects/DecodeDwgObject.h"

#include "dwg/objects/DwgByteSource.h"
#include "dwg/objects/DwgReader.h"
#include "import/records/AciColors.h"
#include "import/records/YxxfGroupRecord.h"

namespace kvn {

std::unique_ptr<YxxfGroupRecord> DecodeDwgObject(const ProxyObjectData& data) {
  const int index = DwgObjectTypeIndexOfName(data.typeName);
  if (index < 0) return nullptr;
  const DwgObjectType* type = DwgObjectTypeAt(index);
  if (!type || !type->handler) return nullptr;
  DwgMemorySource source(data.bytes);
  DwgReader reader(WString(), data.version);
  reader.codePage = data.codePage;
  reader.SetSource(&source);
  reader.SetBudget(data.bytes.size() > 0xFFFFFFFFu ? 0xFFFFFFFFu : std::uint32_t(data.bytes.size()));
  reader.SetObjectHandle(data.handle);
  reader.SetSuppliedFrame(data.dataBits, data.handleBits);
  reader.SetPreReadHandles(data.handles);
  if ((reader.*(type->handler))() == 0) return nullptr;
  auto record = std::make_unique<YxxfGroupRecord>();
  RecordBufferToGroupRecord(*record, reader.TakeRecord(), data.codePage);
  return record;
}

void InstallDwgObjectDecoder() { SetProxyObjectDecoder(&DecodeDwgObject); }

std::uint32_t SwapRedBlue(std::uint32_t color) {
  return (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
}

std::uint32_t DwgColorToRgb(std::uint32_t value) {
  if (value & 0x01000000u) return SwapRedBlue(AciToRgb(std::uint16_t(value & 0xFF), -1));
  return value & 0xFFFFFF;
}

}  // namespace kvn
