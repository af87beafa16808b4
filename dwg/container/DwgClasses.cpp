// The classes section: each class number of the file connected to its entry
// of the object type table by DXF name, so that objects of class numbers
// find their handler. A damaged section keeps what it mapped before the
// damage; the load goes on.
#include <deque>
#include <string>
#include <vector>

#include "dwg/objects/DwgCrc.h"
#include "dwg/objects/DwgReader.h"
#include "import/records/ImportWarnings.h"

namespace kvn {

namespace {

struct ClassRecord {
  std::uint16_t number;
  WString dxfName;
  std::uint16_t itemClassId;
};

constexpr std::uint16_t kEntityClassId = 0x1F2;

}  // namespace

bool DwgReader::ReadDwgClasses(std::uint32_t sectionSize) {
  ResetObjectState(sectionSize);
  const std::uint64_t sectionStart = GetSourcePosition();
  for (int i = 0; i < 16; ++i) ReadSourceByte();
  crc_ = kDwgCrcSeed;
  const std::uint64_t start = GetSourcePosition();
  std::uint64_t dataEnd = start + 4 + ReadRawLongAligned();
  if (DwgHasHighSizeField()) {
    ReadRawLongAligned();
    dataEnd += 4;
  }
  ResetCursor();
  if (release_ >= dwgrelease::kR2007) ReadRawLong();
  std::uint16_t largest = 65535;
  if (release_ >= dwgrelease::kR2004) {
    largest = ReadBitShort();
    ReadRawChar();
    ReadRawChar();
    ReadBit();
  }
  // From R2007 on the names are read after the classes, into the records
  // by address: a deque keeps them in place as it grows.
  std::deque<ClassRecord> read;
  bool ok = true;
  while (GetSourcePosition() < dataEnd) {
    if (overrun_) {
      ok = false;
      break;
    }
    ClassRecord& cls = read.emplace_back();
    cls.number = ReadBitShort();
    ReadBitShort();
    ReadText(nullptr, 0);
    ReadText(nullptr, 0);
    ReadText(&cls.dxfName, 0);
    ReadBit();
    cls.itemClassId = ReadBitShort();
    if (release_ >= dwgrelease::kR2004) {
      // Instance count, the class's DWG version and maintenance release,
      // two unknown longs. The version and maintenance release are bit
      // longs: the two encodings agree below 256, and some writers store a
      // maintenance release above it in the long's full 32 bits.
      for (int i = 0; i < 5; ++i) ReadBitLong();
    }
    if (cls.number >= largest) break;
  }
  if (overrun_ || GetSourcePosition() > sectionStart + sectionSize) ok = false;
  if (ok && release_ >= dwgrelease::kR2007 && !ResolveDeferredTexts()) ok = false;
  if (!ok) {
    // The drawing still opens; what the classes would have named is missing
    // from it, and the user is told so.
    warnings.push_back(ClassesUnreadWarning());
    // Texts of R2007 and later are unread then: only the classes read whole
    // before the damage count.
    if (release_ >= dwgrelease::kR2007) return false;
    if (!read.empty()) read.pop_back();
  }
  for (const ClassRecord& cls : read) {
    const std::string name = cls.dxfName.ToUtf8();
    if (name.empty()) continue;
    auto record = std::make_unique<YxxfClassRec>();
    record->name = AString(name.c_str());
    record->number = cls.number;
    classes.Add(record.release());
    AddDwgClass(cls.number, name.c_str(), cls.itemClassId == kEntityClassId);
  }
  if (!ok) return false;
  while (GetSourcePosition() < dataEnd) {
    if (overrun_) return false;
    ReadSourceByte();
  }
  ReadSourceByte();
  ReadSourceByte();
  return !overrun_ && crc_ == 0;
}

}  // namespace kvn
