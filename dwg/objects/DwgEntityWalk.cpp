// The entity walk: one entity's record handed to the dispatcher, followed by
// its vertices or attributes and the closing SEQEND, as a DXF file orders
// them. Each object is handed over at most once, so that a damaged drawing
// whose lists or chains come back to an object cannot loop.
#include "dwg/objects/DwgReader.h"
#include "import/records/YxxfGroupRecord.h"

namespace kvn {

namespace {

struct Links {
  std::uint64_t first = 0, last = 0, closing = 0, next = 0, owner = 0;
  bool hasOwner = false;
  std::vector<std::uint64_t> owned;
};

// `items` is scratch storage kept by the caller across entities.
Links LinksOf(const std::vector<std::uint8_t>& record, std::vector<std::pair<std::uint16_t, std::uint64_t>>& items) {
  Links links;
  RecordHandleItems(record, items);
  for (const auto& [code, handle] : items) {
    switch (code) {
      case kCodeOwnedEntry: links.owned.push_back(handle); break;
      case kCodeFirstEntity: links.first = handle; break;
      case kCodeLastEntity: links.last = handle; break;
      case kCodeClosingEntity: links.closing = handle; break;
      case kCodeNextEntity: links.next = handle; break;
      case kCodeOwnerHandle:
        if (!links.hasOwner) links.owner = handle;
        links.hasOwner = true;
        break;
      default: break;
    }
  }
  return links;
}

}  // namespace

// Hands the object over with the owner in its 32769 item; null when the
// drawing holds no such object or it was handed over before.
const DwgKeptObject* DwgReader::EmitObject(std::uint64_t handle, const DwgObjectLookup& lookup,
                                           YxxfGroupRecord& record, bool sub, std::uint64_t owner,
                                           bool hasOwner) {
  if (handle == 0 || !lookup) return nullptr;
  return EmitKept(lookup(handle), record, sub, owner, hasOwner);
}

const DwgKeptObject* DwgReader::EmitKept(const DwgKeptObject* kept, YxxfGroupRecord& record, bool sub,
                                         std::uint64_t owner, bool hasOwner) {
  if (!kept || kept->record.size() < 2) return nullptr;
  if (kept->emitted) return nullptr;
  kept->emitted = true;
  emitBytes_.assign(kept->record.begin(), kept->record.end());
  if (!sub || hasOwner) SetRecordHandle(emitBytes_, kCodeOwnerHandle, owner);
  const std::uint16_t code = RecordBufferToGroupRecord(record, emitBytes_, TextCodePage());
  DispatchEntity(record, code);
  ++dispatched_;
  return kept;
}

std::uint64_t DwgReader::WalkEntity(std::uint64_t handle, const DwgObjectLookup& lookup) {
  if (handle == 0 || !lookup) return 0;
  const DwgKeptObject* kept = lookup(handle);
  if (!kept) return 0;
  const Links links = LinksOf(kept->record, linkItems_);
  if (!emitRecord_) emitRecord_ = std::make_unique<YxxfGroupRecord>();
  YxxfGroupRecord& record = *emitRecord_;
  if (kept->linkKind == kLinkSubEntity) {
    // Vertices, attributes and SEQEND reach the dispatcher with their owner.
    if (kept->emitted) return 0;
    kept->emitted = true;
    const std::uint16_t code = RecordBufferToGroupRecord(record, kept->record, TextCodePage());
    DispatchEntity(record, code);
    ++dispatched_;
  } else if (!EmitKept(kept, record, false, links.owner, links.hasOwner)) {
    return 0;
  }
  const std::uint64_t owner = links.owner;
  if (kept->linkKind == kLinkOwnedList) {
    for (std::uint64_t sub : links.owned) EmitObject(sub, lookup, record, true, owner, true);
  } else if (kept->linkKind == kLinkFirstLast) {
    std::uint64_t at = links.first;
    // Each object is taken once, so the chain ends at the latest after every
    // kept object.
    while (at != 0) {
      const DwgKeptObject* sub = EmitObject(at, lookup, record, true, owner, true);
      if (!sub || at == links.last) break;
      at = LinksOf(sub->record, linkItems_).next;
    }
  }
  std::uint64_t seqendNext = 0;
  if (links.closing != 0) {
    if (const DwgKeptObject* seqend = EmitObject(links.closing, lookup, record, true, owner, true)) {
      seqendNext = LinksOf(seqend->record, linkItems_).next;
    }
  }
  switch (kept->linkKind) {
    case kLinkOwnedList: return 0;
    case kLinkFirstLast: return lookup(links.next) ? links.next : seqendNext;
    default: return links.next;
  }
}

}  // namespace kvn
