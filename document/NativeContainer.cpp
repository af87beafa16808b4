// The native container: the text header, then the checksummed archive
// stream with the document fields, one drawing body or external reference
// per sheet, the current position, and the checksum word. See NativeFormat.h.
#include <cstring>
#include <memory>
#include <vector>

#include "document/BodyReader.h"
#include "document/ExternalReference.h"
#include "document/NativeFormat.h"
#include "document/HandOvers.h"
#include "document/ResultCodes.h"
#include "document/cDrawingDoc.h"
#include "foundation/ArchiveReader.h"
#include "foundation/InFileStream.h"
#include "foundation/MsgBox.h"
#include "model/VersionedString.h"

namespace kvn {

namespace {

// Four ASCII digits as a decimal number; the digits before the first
// character that is not one.
int ParseVersionDigits(const std::uint8_t* digits) {
  int value = 0;
  for (int i = 0; i < 4 && digits[i] >= '0' && digits[i] <= '9'; ++i) value = value * 10 + (digits[i] - '0');
  return value;
}

// Magic and "Version=" at the stream's position; the version, or -1.
int ReadContainerHeader(InFileStream& in) {
  std::uint8_t head[kNativeMagicLength + kVersionKeyLength + 4];
  if (in.Read(head, sizeof head) != sizeof head) return -1;
  if (!IsNativeMagic(head, kNativeMagicLength)) return -1;
  if (std::memcmp(head + kNativeMagicLength, kVersionKey, kVersionKeyLength) != 0) return -1;
  return ParseVersionDigits(head + kNativeMagicLength + kVersionKeyLength);
}

// The document's attribute list. False when unreadable.
bool ReadContainerAttributes(ArchiveReader& r, int v, AttributeList& attributes) {
  if (v >= 3073) return attributes.Read(r, v, false) && !r.HasError();
  const std::uint32_t n = r.ReadRaw32();
  if (r.HasError() || !r.CanRead(n, 2)) return false;
  // Parsed strictly within the n units read.
  std::vector<char16_t> units(n);
  for (std::uint32_t i = 0; i < n; ++i) units[i] = char16_t(r.ReadUInt16());
  if (r.HasError()) return false;
  attributes.Clear();
  attributes.ReadPackedWide(units.data(), units.size());
  return true;
}

void ReadContainerEntries(ArchiveReader& r, std::vector<ContainerEntry>& entries) {
  const std::uint8_t count = r.ReadOptionalByte();
  entries.assign(count, ContainerEntry{});
  for (ContainerEntry& entry : entries) {
    if (!r.ReadBit()) continue;
    entry.present = 1;
    entry.number = std::uint16_t(r.ReadCompactU32());
    r.Read(entry.bytes.data(), std::uint32_t(entry.bytes.size()));
    entry.value = r.ReadCompactDouble();
  }
}

}  // namespace

bool IsNativeMagic(const std::uint8_t* bytes, std::uint32_t length) {
  return length == kNativeMagicLength && std::memcmp(bytes, kNativeMagic, kNativeMagicLength) == 0;
}

int ReadLibraryHeader(InFileStream& in, WString& comment) {
  const int version = ReadContainerHeader(in);
  if (version < 3070) return 1;
  if (version > kProgramFileVersion) return 2;
  ArchiveReader r(&in);
  std::uint8_t skipped[3];
  r.Read(skipped, 3);
  comment = ReadArchiveWString(r);
  if (r.ReadByte() == 0) return 3;
  std::uint8_t further[6];
  r.Read(further, 2);
  r.Read(further + 2, 4);
  return 0;
}

int cDrawingDoc::ReadNativeContainer(InFileStream& in, const NativeReadOptions& options) {
  const std::uint64_t start = in.Position();
  const int v = ReadContainerHeader(in);

  if (v < kFirstContainerVersion) {
    // Single-sheet form: the body reader reads the magic and header lines.
    in.Seek(start);
    ArchiveReader r(&in);
    AddSheet(std::make_unique<cSheet>());
    BodyReadArgs args;
    args.sheet = GetSheet(SheetCount() - 1);
    args.document = this;
    args.options = &options;
    args.archive = &r;
    args.input = &in;
    args.version = options.assumedVersion;
    args.attributesOnly = attributesOnly != 0;
    int versionRead = options.assumedVersion;
    args.versionRead = &versionRead;
    args.damagedRecordsDropped = &damagedRecordsDropped;
    const int result = ReadDrawingBody(args);
    if (result != kLoadOk) {
      DestroySheets();
      return result;
    }
    if (versionRead < 3088) FixOldTurnedPictures(*this);
    if (versionRead < 3068) AddPrintAreaSheets(*this);
    return kLoadOk;
  }

  if (v > kProgramFileVersion) return kLoadTooNew;

  ArchiveReader r(&in);
  std::uint8_t skipped[3];
  r.Read(skipped, 3);
  r.checksumOn = true;
  fileVersion = std::uint16_t(v);

  // 1-5. Comment, library and compression markers, unused fields.
  comment = ReadArchiveWString(r);
  if (v >= 3070 && r.ReadByte() != 0) return kLoadLibraryContainer;
  if (v >= 3073 && r.ReadByte() != 0) r.BeginInflate(1);
  (void)r.ReadBit();
  (void)r.ReadInt16();
  (void)r.ReadCompactU32();
  // 6-7. Attributes and the two document words.
  if (!ReadContainerAttributes(r, v, attributes)) return kLoadAttributesBad;
  if (v >= 3080) {
    containerWords[0] = r.ReadInt32();
    containerWords[1] = r.ReadInt32();
  }
  if (attributesOnly) return r.AtEnd() ? kLoadNothingAfterAttributes : kLoadOk;

  // 8-9. Sheets. The references of one load share one context (a missing
  // file asked about once, nesting told once).
  ReferenceContext localReferences;
  NativeReadOptions referenceOptions = options;
  if (!referenceOptions.referenceContext) referenceOptions.referenceContext = &localReferences;
  const std::uint32_t sheetCount = v < 3102 ? r.ReadByte() : r.ReadUInt16();
  for (std::uint32_t i = 0; i < sheetCount; ++i) {
    WString sheetName;
    if (v < 3073) {
      sheetName = ReadArchiveWString(r);
    } else {
      r.ReadString(sheetName, false);
    }
    const bool isReference = v >= 3082 && r.ReadBit();
    if (isReference) {
      ExternalReferenceEntry entry;
      entry.sheetName = sheetName;
      r.ReadString(entry.storedPath, false);
      entry.kind = v < 3084 ? 2 : (r.ReadBit() ? 1 : 0);
      entry.sheetIndex = v < 3101 ? 0 : v == 3101 ? r.ReadByte() : r.ReadUInt16();
      if (!LoadExternalReference(*this, entry, referenceOptions)) return kLoadReferenceGivenUp;
      continue;
    }
    auto sheet = std::make_unique<cSheet>();
    sheet->name = sheetName;
    sheet->Drawing().name = sheetName;
    cSheet* raw = sheet.get();
    AddSheet(std::move(sheet));
    BodyReadArgs args;
    args.sheet = raw;
    args.options = &options;
    args.archive = &r;
    args.input = &in;
    args.version = v;
    args.damagedRecordsDropped = &damagedRecordsDropped;
    const int result = ReadDrawingBody(args);
    if (result != kLoadOk) {
      DestroySheets();
      return result;
    }
    if (firstSheetOnly) return kLoadOk;
  }

  // 10-11. Current position and the entry list.
  if (v < 3102) {
    currentEntry = r.ReadOptionalByte();
    if (currentEntry < SheetCount()) {
      currentPage = GetSheet(currentEntry)->Drawing().storedCurrentPage;
    } else {
      currentEntry = 0;
    }
  } else {
    currentEntry = r.ReadCompactU16();
    currentPage = r.ReadCompactU16();
  }
  if (v >= 3099) ReadContainerEntries(r, entries);

  // 12. The checksum word after the stream.
  const std::uint32_t stored = r.EndSubStreamAndReadWord();
  if (r.HasError() || stored != r.TakeChecksum()) return kLoadChecksumMismatch;

  if (!options.keepSummary && v >= 3082) {
    for (std::uint32_t i = 0; i < SheetCount(); ++i) GetSheet(i)->Drawing().InvalidateSummary(0);
  }
  if (v < 3088) FixOldTurnedPictures(*this);
  if (v < 3068) AddPrintAreaSheets(*this);
  if (currentEntry >= GetPageEntryCount()) currentEntry = 0;
  std::uint32_t page = 0;
  const cDrawing* current = EntryToDrawing(currentEntry, &page, nullptr);
  if (!current || currentPage >= current->PageCount()) currentPage = 0;
  return kLoadOk;
}

}  // namespace kvn
