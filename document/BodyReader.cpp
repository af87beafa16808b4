// The drawing body reader: the order of the body's parts and the version
// gates between them. See BodyReader.h.
#include "document/BodyReader.h"

#include <cstring>
#include <string>
#include <vector>

#include "document/NativeFormat.h"
#include "document/ProgressMonitor.h"
#include "document/ResultCodes.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/ArchiveReader.h"
#include "foundation/InFileStream.h"
#include "document/LoadQuestions.h"
#include "foundation/MsgBox.h"
#include "foundation/PathNames.h"
#include "model/LevelTable.h"
#include "model/ReadState.h"
#include "model/VersionedString.h"
#include "model/cDrawingData.h"

namespace kvn {

namespace {

// Magic and header lines of a single-sheet stream. Result 0, 2, 3 or 4;
// `version` gets the version the "Version" line set (4 without one).
int ReadHeaderLines(BodyState& state, int& version) {
  ArchiveReader& r = state.r;
  std::uint8_t magic[kNativeMagicLength];
  if (r.Read(magic, kNativeMagicLength) != kNativeMagicLength || !IsNativeMagic(magic, kNativeMagicLength)) {
    return kLoadNoMagic;
  }
  HeaderKeyTarget target;
  target.document = state.args.document;
  target.drawing = &state.drawing;
  target.data = &state.data;
  std::string line;
  while (true) {
    line.clear();
    std::uint8_t b = 0;
    if (r.Read(&b, 1) != 1) return kLoadHeaderLineCut;
    if (b == 0) break;
    while (b != '\r') {
      line.push_back(char(b));
      if (r.Read(&b, 1) != 1) return kLoadHeaderLineCut;
    }
    if (r.Read(&b, 1) != 1) return kLoadHeaderLineCut;
    if (b != '\n') return kLoadHeaderLineBadEnd;
    if (state.args.document) ApplyHeaderLine(target, line.data(), line.size());
  }
  version = target.version;
  return kLoadOk;
}

// The document's packed attribute text. Result 0, 9 or 10.
int ReadDocumentAttributes(BodyState& state, cDrawingDoc& document) {
  ArchiveReader& r = state.r;
  const int v = state.version;
  (void)r.ReadByte();
  const std::uint32_t n = r.ReadRaw32();
  if (n == 0) {
    document.attributes.Clear();
  } else if (v >= 3052) {
    if (!r.CanRead(n, 2)) return kLoadAttributesBad;
    std::vector<char16_t> units(n);
    for (std::uint32_t i = 0; i < n; ++i) units[i] = char16_t(r.ReadUInt16());
    if (r.HasError()) return kLoadAttributesBad;
    document.attributes.Clear();
    document.attributes.ReadPackedWide(units.data(), units.size());
  } else {
    if (!r.CanRead(n, 1)) return kLoadOldAttributeTextCut;
    std::vector<std::uint8_t> bytes(n);
    if (r.Read(bytes.data(), n) != n) return kLoadOldAttributeTextCut;
    document.attributes.Clear();
    document.attributes.ReadPacked8(bytes.data(), bytes.size());
  }
  (void)r.ReadByte();
  if (v >= 3058 && v <= 3060) r.SkipBytes(8);
  document.fileVersion = std::uint16_t(v);
  return kLoadOk;
}

// The file-name part of a path without its extension.
WString FileTitleOf(const WString& path) {
  const WString name = GetFileNamePart(path);
  return name.Mid(0, int(name.Length()) - int(GetFileExtension(name).Length()));
}

// The question of a drawing whose blocks overflowed the table: true to go on.
bool ConfirmPlaceholderBlocks(const BodyReadArgs& args) {
  LoadQuestions* questions = args.options ? args.options->questions : nullptr;
  return questions && questions->GoOn(LoadQuestion{kStrTooManyBlocks, kMbOkCancel | kMbIconError});
}

}  // namespace

int ReadDrawingBody(const BodyReadArgs& args) {
  cSheet& sheet = *args.sheet;
  ArchiveReader& r = *args.archive;
  BodyState state{args, r, sheet, sheet.Drawing(), *sheet.Data(), args.version, args.version == 0, {}};
  cDrawing& d = state.drawing;
  cDrawingData& data = state.data;
  cDrawingDoc* document = args.document;
  ReadContext readContext;
  readContext.labelTextAttributes = d.oldTextAttributes.data();
  if (args.options) readContext.fileTitle = FileTitleOf(args.options->hostPath);
  state.readContext = &readContext;

  // 1. Reset.
  d.libraryFlag = 0;
  d.gridLeadBit = 1;
  d.pageFlags[0] = d.pageFlags[1] = 1;

  // 2. Magic and header lines.
  if (state.singleSheet) {
    int version = 4;
    const int header = ReadHeaderLines(state, version);
    if (header != kLoadOk) return header;
    state.version = version;
    if (version >= 3061) r.checksumOn = true;
  }
  const int v = state.version;
  if (args.versionRead) *args.versionRead = v;

  // 3. Comment and level table.
  if (v >= 3052) {
    if (document) document->comment = ReadArchiveWString(r);
    if (!data.Levels().Read(v, r) && v < 3054) d.libraryFlag = 1;
  }
  // 4. Settings.
  if (v >= 3061) {
    const int result = ReadFixedSettings(state);
    if (result != kLoadOk) return result;
  } else if (v >= 3041) {
    const int result = ReadTaggedSettings(state);
    if (result != kLoadOk) return result;
  }
  // 5-6. Document attributes.
  if (document && v >= 3042) {
    const int result = ReadDocumentAttributes(state, *document);
    if (result != kLoadOk) return result;
  }
  if (args.attributesOnly) return r.AtEnd() ? kLoadNothingAfterAttributes : kLoadOk;
  // 7. Versions this program refuses.
  if (document) {
    if (v > kProgramFileVersion) return kLoadTooNew;
    if (v < 3048) return kLoadTooOld;
  }
  // 8. Marker, old styles, pages.
  if (v > 3047) {
    if (state.singleSheet) r.checksumOn = true;
    if (document && r.ReadByte() != 1) (void)r.ReadByte();
  }
  if (v >= 3050) {
    if (v < 3077 && !ReadOldStyleSection(state)) return kLoadOldStylesBad;
    if (v >= 3059 && !ReadPageRecords(state)) return kLoadPagesCut;
  }
  // 9.
  if (v == 3086) return kLoadVersion3086;
  // 10. Content.
  const bool contentRead = ReadBodyContent(state);
  if (args.damagedRecordsDropped) *args.damagedRecordsDropped += readContext.damagedRecordsDropped;
  // 11. References beyond the block table.
  if (state.placeholderBlocks && !ConfirmPlaceholderBlocks(args)) return kLoadBlocksDeclined;
  // 12. Checksum of a single-sheet file.
  if (state.singleSheet) {
    const std::uint32_t stored = r.EndSubStreamAndReadWord();
    const bool readFailed = r.HasError();
    if (readFailed || stored != r.TakeChecksum()) return kLoadChecksumMismatch;
  }
  // 13-14.
  ConvertOldDrawing(state);
  data.Levels().SetCurrentIndex(d.currentLevel);
  if (v < 3104) {
    const DPoint p{double(state.old.intViewPosition[0]), double(state.old.intViewPosition[1])};
    d.viewPositions[0] = d.viewPositions[1] = p;
  }
  return contentRead ? kLoadOk : kLoadContentBad;
}

}  // namespace kvn
