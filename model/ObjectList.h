// The object-list record: the objects of one block follow each other, each a
// type byte and its record, and the byte 255 ends the list.
#pragma once

#include <cstdint>

#include "model/ObjectChain.h"

namespace kvn {

class ArchiveReader;
class ArchiveWriter;
class cDrawingData;
class cOutObj;

inline constexpr std::uint8_t kEndOfObjectList = 255;

// Appends the objects read to `chain`. True when the end byte was found;
// false when the data ended first or a type code names no class (the objects
// read so far stay in the chain). A record that answers a replacement chain
// is destroyed and the replacement's objects are appended in its place.
bool ReadObjectList(ArchiveReader& r, cDrawingData* data, int version, ObjectChain& chain);

// Each object's record, then the end byte.
void WriteObjectList(ArchiveWriter& w, cDrawingData* data, const cOutObj* head);

}  // namespace kvn
