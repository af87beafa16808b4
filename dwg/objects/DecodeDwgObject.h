// One DWG object carried as group data (the object data of a proxy entity of
// a DXF file) decoded into an ordinary group-code record, and the colour
// helpers the dispatcher uses on DWG colour values.
#pragma once

#include <cstdint>
#include <memory>

#include "import/records/ProxyObjectDecoder.h"

namespace kvn {

class YxxfGroupRecord;

// A short-lived reader over the bytes runs the handler of the type named;
// null for an unknown name, a type without handler or a failing handler.
// The object's frame is the one given (data size, handle-data size, handle)
// and its handle references are taken from the handles given.
std::unique_ptr<YxxfGroupRecord> DecodeDwgObject(const ProxyObjectData& data);

// Makes the import core's dispatcher decode proxy entities with DecodeDwgObject.
void InstallDwgObjectDecoder();

// 0x00RRGGBB and 0x00BBGGRR into each other.
std::uint32_t SwapRedBlue(std::uint32_t color);
// Bit 24 set: the colour of the index in the low byte, red and blue
// exchanged; otherwise the low 24 bits.
std::uint32_t DwgColorToRgb(std::uint32_t value);

}  // namespace kvn
