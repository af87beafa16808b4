// One object of the drawing: its frame (size, type, handle, extended data,
// check word) and the data every entity and every other object shares.
#include <limits>

#include "dwg/objects/DwgByteSource.h"
#include "dwg/objects/DwgCrc.h"
#include "dwg/objects/DwgReader.h"
#include "import/records/YxxfGroupRecord.h"

namespace kvn {

namespace {

std::string NameOfType(int type) { return "TYPE_" + std::to_string(type); }

}  // namespace

void DwgReader::SetSuppliedFrame(std::uint64_t dataEndBits, std::uint64_t handleSizeBits) {
  suppliedFrame_ = true;
  dataEndBits_ = dataEndBits;
  handleSizeBits_ = handleSizeBits;
  dataStart_ = GetSourcePosition();
  ResetCursor();
}

bool DwgReader::ReadDwgObject(std::uint32_t available) {
  DwgSkipReason reason = DwgSkipReason::Overrun;
  typeName_.clear();
  entitySpace_ = -1;
  entityOwner_ = 0;
  dxfName_.clear();
  bool ok = ReadDwgObjectBody(available, reason);
  if (typeName_.empty()) typeName_ = "(frame)";
  // What the file holds in model space counts whatever became of the
  // entity's own data.
  if (!dxfName_.empty()) {
    if (entitySpace_ == 2) objectStatistics.CountModelEntity(dxfName_);
    if (entitySpace_ == 1) objectStatistics.CountPaperEntity(dxfName_);
    if (entitySpace_ == 0) objectStatistics.CountBlockEntity(entityOwner_, dxfName_);
  }
  if (!ok) {
    if (overrun_ && reason != DwgSkipReason::CrcMismatch) reason = DwgSkipReason::Overrun;
    objectStatistics.CountSkipped(typeName_, reason);
  }
  preReadActive_ = false;
  // A second source serves one object only.
  stringSource_ = nullptr;
  stringSwitched_ = false;
  return ok;
}

bool DwgReader::ReadDwgObjectBody(std::uint32_t available, DwgSkipReason& reason) {
  record_.Clear();
  entityCode_ = 0;
  linkKind_ = 0;
  texts_.clear();
  handles_.clear();
  objectHandle_ = 0;
  crc_ = kDwgCrcSeed;
  budget_ = available;
  overrun_ = false;
  handleOwnStart_ = false;
  dataEndMissed_ = false;
  stringSwitched_ = false;
  suppliedFrame_ = false;
  preReadAt_ = 0;
  preReadActive_ = false;
  flags_ = EntityFlags{};

  std::uint32_t words = 0;
  const std::uint32_t size = ReadModularShort(&words);
  if (size == 0 || overrun_) return false;
  std::uint32_t mcBytes = 0;
  handleSizeBits_ = 0;
  dataEndBits_ = std::uint64_t(size) * 8;
  if (release_ >= dwgrelease::kR2010) {
    std::int64_t handleBits = 0;
    if (!ReadModularChar(handleBits, true, &mcBytes)) return false;
    if (std::uint64_t(handleBits) >= std::uint64_t(size) * 8) return false;
    handleSizeBits_ = std::uint64_t(handleBits);
    dataEndBits_ = std::uint64_t(size) * 8 - handleSizeBits_;
  }
  const std::uint64_t whole = std::uint64_t(size) + 2ull * words + mcBytes + 2;
  if (whole > available) return false;
  budget_ = size + 2;
  dataStart_ = GetSourcePosition();
  ResetCursor();

  int type;
  if (release_ < dwgrelease::kR2010) {
    type = ReadBitShort();
  } else {
    switch (ReadBitPair()) {
      case 0: type = ReadRawChar(); break;
      case 1: type = ReadRawChar() + 0x1F0; break;
      default: type = ReadRawShort(); break;
    }
  }
  if (release_ >= dwgrelease::kR2000 && release_ <= dwgrelease::kR2007) dataEndBits_ = ReadRawLong();
  objectHandle_ = ReadHandle(0);
  record_.AddHandle(5, objectHandle_);
  eedText_ = WString();
  if (!ReadExtendedData(true)) return false;

  // The entry of the type.
  int entry = -1;
  if (type == 498) {
    entry = DwgObjectTypeIndexOfName("ACAD_PROXY_ENTITY");
  } else if (type == 499) {
    entry = DwgObjectTypeIndexOfName("ACAD_PROXY_OBJECT");
  } else if (type < 500) {
    if (type >= 1 && type < kDwgFirstClassEntry) entry = type;
  } else {
    std::uint16_t ref = FindClassMapping(std::uint16_t(type));
    if (ref < kDwgFirstClassEntry) {
      entry = ref;
    } else if (ref >= 0x8000 && ref < 0x8000 + (kDwgObjectTypes - kDwgFirstClassEntry)) {
      entry = kDwgFirstClassEntry + (ref - 0x8000);
    }
  }
  const DwgObjectType* info = entry >= 0 ? DwgObjectTypeAt(entry) : nullptr;
  if (info && *info->name) {
    typeName_ = info->name;
  } else if (type >= 500) {
    for (const DwgClass& cls : dwgClasses_) {
      if (cls.number == type) typeName_ = cls.name.CStr();
    }
  }
  if (typeName_.empty()) typeName_ = NameOfType(type);
  if (const char* fixed = DwgDxfEntityNameOfType(type)) {
    dxfName_ = fixed;
  } else if (type >= 500) {
    dxfName_ = typeName_;
    for (const DwgClass& cls : dwgClasses_) {
      if (cls.number == type) dxfName_ = cls.name.CStr();
    }
  }

  bool handled = false;
  // The own fields of an entity failed, but its links were kept.
  bool linksOnly = false;
  lastIsEntity_ = info ? info->kind == DwgObjectKind::Entity : false;
  if (info && info->handler) {
    flags_ = EntityFlags{};
    if (info->kind == DwgObjectKind::Entity) {
      if (!ReadCommonEntityData()) {
        reason = DwgSkipReason::HandlerFailed;
        return false;
      }
    } else if (info->kind == DwgObjectKind::Object) {
      if (release_ <= dwgrelease::kR14) dataEndBits_ = ReadRawLong();
      ReadCommonObjectData();
    }
    const std::size_t commonEnd = record_.End();
    const std::uint32_t commonItems = record_.ItemCount();
    const EntityFlags commonFlags = flags_;
    if ((this->*info->handler)() == 0) {
      reason = overrun_          ? DwgSkipReason::Overrun
               : dataEndMissed_ ? DwgSkipReason::DataEndMissed
                                : DwgSkipReason::HandlerFailed;
      // The entities of a block are chained through their handle data up to
      // R2000: losing one entity's links would lose every entity after it.
      if (info->kind != DwgObjectKind::Entity || release_ > dwgrelease::kR2000 ||
          !KeepLinksOfFailedEntity(commonEnd, commonItems, commonFlags)) {
        return false;
      }
      linksOnly = true;
    } else {
      handled = true;
    }
  } else if (info ? info->kind == DwgObjectKind::Entity : type >= 500) {
    const DwgClass* found = nullptr;
    for (const DwgClass& cls : dwgClasses_) {
      if (cls.number == type) found = &cls;
    }
    // An entity whose own data is not read still carries the link to the
    // next entity of its block, which the chains of R13 to R2000 need.
    if (info || (found && found->isEntity)) {
      lastIsEntity_ = true;
      // The common data is read so that the entity keeps its layer and
      // owner; the class's own fields are stepped over.
      if (!ReadCommonEntityData()) {
        reason = DwgSkipReason::HandlerFailed;
        return false;
      }
      handleOwnStart_ = true;
      if (!FinishEntityData()) {
        reason = dataEndMissed_ ? DwgSkipReason::DataEndMissed : DwgSkipReason::HandlerFailed;
        return false;
      }
    }
  }

  // The check word: the bytes left before it are stepped over, at once
  // where the source lends them all (the check sums them as one run).
  if (budget_ < 2) return false;
  while (budget_ > 2) {
    const std::uint32_t n = budget_ - 2;
    DwgByteSource* from = ActiveSource();
    if (const std::uint8_t* run = from ? from->TakeRun(n) : nullptr) {
      crc_ = Crc16(crc_, run, n);
      budget_ -= n;
      break;
    }
    ReadSourceByte();
  }
  const std::uint16_t expected = crc_;
  const std::uint16_t stored = ReadRawShortAligned();
  if (overrun_) return false;
  if (stored != expected) {
    reason = DwgSkipReason::CrcMismatch;
    return false;
  }
  if (handled) {
    objectStatistics.CountRead(typeName_);
  } else if (linksOnly) {
    objectStatistics.CountSkipped(typeName_, reason);
  } else {
    bool knownClass = type < 500;
    for (const DwgClass& cls : dwgClasses_) knownClass = knownClass || cls.number == type;
    objectStatistics.CountSkipped(typeName_, knownClass ? DwgSkipReason::NoHandler : DwgSkipReason::UnknownClass);
  }
  return true;
}

bool DwgReader::KeepLinksOfFailedEntity(std::size_t commonEnd, std::uint32_t commonItems,
                                        const EntityFlags& commonFlags) {
  // The handle data starts at the data end: the cursor must not be past it,
  // and the bytes up to it must still be there (a count held against the
  // bits left fails before reading anything; a read past the object's
  // bytes leaves none).
  if (bitsCounted_ > dataEndBits_ || dataEndBits_ - bitsCounted_ > BitsLeft()) return false;
  overrun_ = false;
  dataEndMissed_ = false;
  record_.Truncate(commonEnd, commonItems);
  flags_ = commonFlags;
  handleOwnStart_ = true;
  if (!FinishEntityData()) return false;
  entityCode_ = 0;
  linkKind_ = 0;
  return true;
}

// ---- common data ----

void DwgReader::ReadCommonObjectData() {
  objectReactors_ = ReadBitLong();
  CountFits(objectReactors_, 8);
  objectXdict_ = release_ >= dwgrelease::kR2004 ? !ReadBit() : true;
  if (release_ >= dwgrelease::kR2013) ReadBit();
}

bool DwgReader::ReadCommonEntityData() {
  flags_ = EntityFlags{};
  if (ReadBit()) {
    std::uint32_t size = release_ < dwgrelease::kR2010 ? ReadRawLong() : ReadBitLongLong();
    if (!ReadByteRun(nullptr, size)) return false;
  }
  if (release_ <= dwgrelease::kR14) dataEndBits_ = ReadRawLong();
  ReadEntityBody();
  if (!overrun_) entitySpace_ = flags_.space;
  return !overrun_;
}

void DwgReader::ReadEntityBody() {
  flags_.space = ReadBitPair();
  switch (flags_.space) {
    case 0: flags_.hasOwner = true; break;
    case 1: record_.AddInt16(67, 1); break;
    default: break;
  }
  flags_.reactors = ReadBitLong();
  CountFits(flags_.reactors, 8);
  flags_.hasXdict = release_ >= dwgrelease::kR2004 ? !ReadBit() : true;
  if (release_ >= dwgrelease::kR2013) ReadBit();
  if (release_ <= dwgrelease::kR14) flags_.lineTypeByLayer = ReadBit() != 0;
  if (release_ <= dwgrelease::kR2000) flags_.noLinks = ReadBit() != 0;
  std::int32_t rgb = -1;
  std::uint16_t index = ReadEntityColor(flags_.colorBook, rgb);
  record_.AddInt16(62, std::int16_t(index));
  if (rgb >= 0) record_.AddInt32(420, rgb);
  EmitDouble(48, ReadBitDouble());
  if (release_ >= dwgrelease::kR2000) {
    flags_.lineTypeFlags = ReadBitPair();
    flags_.plotStyleFlags = ReadBitPair();
  }
  if (release_ >= dwgrelease::kR2007) {
    ReadBitPair();
    ReadRawChar();
  }
  if (release_ >= dwgrelease::kR2010) {
    ReadBit();
    ReadBit();
    ReadBit();
  }
  record_.AddInt16(60, std::int16_t(ReadBitShort()));
  if (release_ >= dwgrelease::kR2000) ReadRawChar();
}

bool DwgReader::IsDataEndReached() const {
  if (release_ < dwgrelease::kR2007) return bitsCounted_ == dataEndBits_;
  return (bitsCounted_ + 7) / 8 <= (dataEndBits_ + 7) / 8;
}

bool DwgReader::FinishEntityData() {
  if (handleOwnStart_ && bitsCounted_ < dataEndBits_) DropBits(dataEndBits_);
  if (!IsDataEndReached()) {
    dataEndMissed_ = true;
    return false;
  }
  if (!ReadEntityHandles()) return false;
  if (preReadSupplied_) preReadActive_ = true;
  return true;
}

bool DwgReader::ReadEntityHandles() {
  if (flags_.hasOwner) ReadHandleRef(4, &entityOwner_, kCodeOwnerHandle);
  for (std::uint32_t i = 0; i < flags_.reactors; ++i) {
    if (overrun_) return false;
    ReadHandleRef(4, nullptr, 0);
  }
  if (flags_.hasXdict) ReadHandleRef(3, nullptr, 0);
  if (release_ <= dwgrelease::kR14) {
    ReadHandleRef(5, nullptr, 8);
    if (flags_.lineTypeByLayer) {
      record_.AddHandle(6, byLayerLineType);
    } else {
      ReadHandleRef(5, nullptr, 6);
    }
  }
  if (release_ <= dwgrelease::kR2000) {
    if (flags_.noLinks) {
      record_.AddHandle(kCodeNextEntity, objectHandle_ + 1);
    } else {
      ReadHandleRef(4, nullptr, 0);
      ReadHandleRef(4, nullptr, kCodeNextEntity);
    }
  }
  if (flags_.colorBook) ReadHandleRef(5, nullptr, 0);
  if (release_ >= dwgrelease::kR2000) {
    ReadHandleRef(5, nullptr, 8);
    switch (flags_.lineTypeFlags) {
      case 0: record_.AddHandle(6, byLayerLineType); break;
      case 1: record_.AddHandle(6, byBlockLineType); break;
      case 2: record_.AddHandle(6, continuousLineType); break;
      default: ReadHandleRef(5, nullptr, 6); break;
    }
    if (flags_.plotStyleFlags == 3) ReadHandleRef(5, nullptr, 0);
  }
  return !overrun_;
}

bool DwgReader::ReadObjectHandles() {
  if (!IsDataEndReached()) {
    dataEndMissed_ = true;
    return false;
  }
  ReadHandleRef(4, nullptr, 0);
  for (std::uint32_t i = 0; i < objectReactors_; ++i) {
    if (overrun_) return false;
    ReadHandleRef(4, nullptr, 0);
  }
  if (objectXdict_) ReadHandleRef(3, nullptr, 0);
  if (preReadSupplied_) preReadActive_ = true;
  return !overrun_;
}

bool DwgReader::FinishObject() {
  if (release_ < dwgrelease::kR2007) return !overrun_;
  std::uint32_t mainBudget = budget_;
  std::uint16_t mainCrc = crc_;
  if (stringSource_ && !suppliedFrame_) {
    stringSwitched_ = true;
    dataEndBits_ = stringBits_;
    budget_ = stringBytes_;
    ResetCursor();
    dataStart_ = GetSourcePosition();
  }
  // The texts are stored before the handles but belong at the end of the
  // record, after the handle items.
  const std::size_t textsBegin = record_.ItemBytes().size();
  if (!handleOwnStart_ && !ResolveDeferredTexts()) return false;
  const std::size_t textsEnd = record_.ItemBytes().size();
  if (bitsCounted_ > dataEndBits_) {
    dataEndMissed_ = true;
    return false;
  }
  DropBits(dataEndBits_);
  if (overrun_) return false;
  if (!skipHandles_) {
    const std::uint64_t limit =
        release_ >= dwgrelease::kR2010 ? handleSizeBits_ : std::numeric_limits<std::uint64_t>::max();
    if (!ResolveDeferredHandles(limit)) return false;
  }
  record_.MoveToEnd(textsBegin, textsEnd);
  if (stringSwitched_) {
    // Back to the object's own bytes, whose check word closes it.
    stringSwitched_ = false;
    budget_ = mainBudget;
    crc_ = mainCrc;
  }
  return true;
}

int DwgReader::HandleNotRead() { return 2; }

int DwgReader::Finish(std::uint16_t entityCode) {
  if (!FinishEntityData() || !FinishObject()) return 0;
  entityCode_ = entityCode;
  return 1;
}

}  // namespace kvn
