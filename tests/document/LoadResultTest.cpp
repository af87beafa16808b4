// One file per result code of the loaders: each fixture is damaged (or
// made) at the one place that code names, and the readers must answer
// exactly that code. Then the dispatcher's own codes and its messages.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "document/OpenDrawingFile.h"
#include "document/ProgressMonitor.h"
#include "document/ResultCodes.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/OutFileStream.h"
#include "model/ObjectTypes.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/support/RecordFixtures.h"
#include "tests/support/TestData.h"

namespace kvn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A single-sheet stream: magic, the raw header text, then what `body` writes.
Bytes SingleSheetRaw(const std::string& header, const std::function<void(ArchiveWriter&)>& body = nullptr) {
  return Archive([&](ArchiveWriter& w) {
    w.Write("QUARN-S1\r\n", 10);
    w.Write(header.data(), std::uint32_t(header.size()));
    if (body) body(w);
  });
}

// The start of a current container, up to and including the attribute
// list and the two document words: nothing follows.
Bytes ContainerUpToAttributes() {
  return Archive([](ArchiveWriter& w) {
    w.Write("QUARN-S1\r\nVersion=3111\r\n", 24);
    w.WriteByte(0);
    w.WriteUInt16(0);  // empty comment
    w.WriteByte(0);    // not a library
    w.WriteByte(0);    // not compressed
    w.WriteBit(false);
    w.WriteUInt16(0);
    w.WriteCompactU32(0);
    w.WriteCompactU32(0);  // no attributes
    w.WriteRaw32(0);
    w.WriteRaw32(0);
  });
}

// An uncompressed current container of one sheet with the sheet changed.
Bytes OneSheet(const std::function<void(FixtureSheet&)>& change, int version = 3111) {
  FixtureDocument doc;
  doc.version = version;
  doc.compressed = false;
  FixtureSheet sheet;
  sheet.name = u"A";
  sheet.lines.push_back(FixtureLine{{0, 0}, {1, 1}});
  change(sheet);
  doc.sheets.push_back(sheet);
  return WriteNativeFile(doc);
}

// A pre-3050 line whose line type announces a symbol block (flag 0x04), and
// the symbol block index that the list reader reads after it.
void OldSymbolLine(ArchiveWriter& w, std::uint16_t symbolBlock) {
  w.WriteByte(kTypeLine);
  w.WriteByte(0);        // level
  w.WriteRaw32(0);       // colour
  WriteFloat(w, 0.25);   // width
  w.WriteByte(0x81);     // solid, with the old pattern values following
  WriteFloat(w, 0.0);    // old pattern length
  WriteFloat(w, 2.0);
  WriteFloat(w, 1.0);
  w.WriteByte(0);
  WriteFloatPoint(w, 0, 0);
  WriteFloatPoint(w, 10, 0);
  w.WriteUInt16(symbolBlock);
}

struct CodeCase {
  const char* what;
  int expected;
  Bytes bytes;
  bool attributesOnly = false;
};

std::vector<CodeCase> FormatFaultCases() {
  std::vector<CodeCase> cases;
  cases.push_back({"single-sheet stream without the magic", kLoadNoMagic, Bytes(40, 'x')});
  cases.push_back({"data ends inside a header line", kLoadHeaderLineCut, SingleSheetRaw("Version=3060")});
  cases.push_back({"CR not followed by LF", kLoadHeaderLineBadEnd, SingleSheetRaw("Version=3060\rX\r\n")});
  cases.push_back({"data ends after a tagged record", kLoadTaggedSectionCut,
                   SingleSheetRaw(std::string("Version=3045\r\n") + '\0', [](ArchiveWriter& w) {
                     w.WriteByte(1);
                     w.WriteByte(4);
                     WriteFloat(w, 2.0);
                   })});
  cases.push_back({"tagged record shorter than its length", kLoadTaggedRecordCut,
                   SingleSheetRaw(std::string("Version=3045\r\n") + '\0', [](ArchiveWriter& w) {
                     w.WriteByte(7);
                     w.WriteByte(8);
                     WriteFloat(w, 2.0);
                   })});
  cases.push_back({"first list of reals cut", kLoadFirstRealListCut, OneSheet([](FixtureSheet& s) {
                     s.guidesOverride = [](ArchiveWriter& w) { w.WriteCompactU16(60000); };
                   })});
  cases.push_back({"second list of reals cut", kLoadSecondRealListCut, OneSheet([](FixtureSheet& s) {
                     s.guidesOverride = [](ArchiveWriter& w) {
                       w.WriteCompactU16(1);
                       w.WriteReal(1.5);
                       w.WriteCompactU16(60000);
                     };
                   })});
  {
    SingleSheetFile file;
    file.version = 3050;
    file.attributesOverride = [](ArchiveWriter& w) { w.WriteRaw32(0x7FFFFFFF); };
    cases.push_back({"old 8-bit attribute text longer than the data", kLoadOldAttributeTextCut,
                     WriteSingleSheetFile(file)});
    file.version = 3060;
    cases.push_back({"attribute text longer than the data", kLoadAttributesBad, WriteSingleSheetFile(file)});
  }
  {
    FixtureDocument doc;
    doc.version = 3072;
    doc.attributesOverride = [](ArchiveWriter& w) { w.WriteRaw32(0x40000000); };
    cases.push_back({"container attribute text longer than the data", kLoadAttributesBad, WriteNativeFile(doc)});
  }
  cases.push_back({"attributes only, nothing after them", kLoadNothingAfterAttributes, ContainerUpToAttributes(),
                   true});
  cases.push_back({"old style section with an unknown record", kLoadOldStylesBad, OneSheet(
                                                                                       [](FixtureSheet& s) {
                                                                                         s.styleSectionOverride =
                                                                                             [](ArchiveWriter& w) {
                                                                                               w.WriteByte(9);
                                                                                             };
                                                                                       },
                                                                                       3070)});
  cases.push_back({"page records cut", kLoadPagesCut, OneSheet([](FixtureSheet& s) {
                     s.pagesOverride = [](ArchiveWriter& w) { w.WriteUInt16(60000); };
                   })});
  {
    FixtureDocument doc = TwoSheetDocument();
    doc.checksumDelta = 0x100;
    cases.push_back({"checksum mismatch", kLoadChecksumMismatch, WriteNativeFile(doc)});
    SingleSheetFile file;
    file.version = 3062;
    file.checksumDelta = 1;
    cases.push_back({"checksum mismatch of a single-sheet file", kLoadChecksumMismatch, WriteSingleSheetFile(file)});
  }
  cases.push_back({"content with an unknown record", kLoadContentBad, OneSheet([](FixtureSheet& s) {
                     s.contentOverride = [](ArchiveWriter& w) { w.WriteByte(7); };
                   })});
  cases.push_back({"object of a type code without a class", kLoadContentBad, OneSheet([](FixtureSheet& s) {
                     s.contentOverride = [](ArchiveWriter& w) {
                       w.WriteByte(2);
                       w.WriteByte(11);
                     };
                   })});
  {
    SingleSheetFile file;
    file.version = 3045;
    cases.push_back({"drawing older than 3048", kLoadTooOld, WriteSingleSheetFile(file)});
    file.version = 3112;
    file.headerLines = {"Comment=new", "Version=3112"};
    cases.push_back({"single-sheet drawing newer than 3111", kLoadTooNew, WriteSingleSheetFile(file)});
  }
  cases.push_back({"container newer than 3111", kLoadTooNew, WriteNativeFile(TwoSheetDocument(3112))});
  {
    SingleSheetFile file;
    file.version = 3049;
    file.sheet.contentOverride = [](ArchiveWriter& w) {
      w.WriteByte(2);
      OldSymbolLine(w, 5);
      w.WriteByte(255);
      w.WriteByte(255);
    };
    cases.push_back({"symbol block beyond the block table, quiet", kLoadBlocksDeclined, WriteSingleSheetFile(file)});
  }
  cases.push_back({"version 3086", kLoadVersion3086, WriteNativeFile(TwoSheetDocument(3086))});
  {
    FixtureDocument doc = TwoSheetDocument();
    doc.library = true;
    cases.push_back({"block library container", kLoadLibraryContainer, WriteNativeFile(doc)});
  }
  return cases;
}

TEST(LoadResult, EachFormatFaultHasItsCode) {
  NativeReadOptions quiet;
  quiet.quiet = true;
  for (const CodeCase& c : FormatFaultCases()) {
    SCOPED_TRACE(c.what);
    ReadOutcome read = ReadNativeBytes(c.bytes, quiet, c.attributesOnly);
    EXPECT_EQ(read.result, c.expected);
    // A failed body leaves no sheet behind.
    if (c.expected != kLoadOk && c.expected != kLoadNothingAfterAttributes && c.expected != kLoadChecksumMismatch) {
      EXPECT_EQ(read.document->SheetCount(), 0u);
    }
  }
}

// ---- the dispatcher ----

class Owner : public cMsgDlg {
 public:
  void* GetWindowHandle() const override { return nullptr; }
  void* GetOwnerWindow() const override { return nullptr; }
};

class RecordingBackend : public MessageBoxBackend {
 public:
  RecordingBackend() : previous_(SetMessageBoxBackend(this)) {}
  ~RecordingBackend() override { SetMessageBoxBackend(previous_); }
  int Show(const cMsgDlg*, const WString& text, const WString&, std::uint32_t style) override {
    texts.emplace_back(text.View());
    styles.push_back(style);
    return answer;
  }
  std::vector<std::u16string> texts;
  std::vector<std::uint32_t> styles;
  int answer = kIdOk;

 private:
  MessageBoxBackend* previous_;
};

class Dispatcher : public ::testing::Test {
 protected:
  WString Save(const std::string& name, const Bytes& bytes) {
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(SaveBytes(path, bytes));
    return WString::FromUtf8(path);
  }
  // Result code of the dispatcher (0 with a document).
  int Open(const WString& path, OpenRequest request = {}, bool wantLibrary = false) {
    OpenOutcome outcome;
    outcome.wantLibraryFlag = wantLibrary;
    auto document = OpenDrawingFile(path, request, outcome);
    EXPECT_EQ(document == nullptr, outcome.errorCode != 0);
    return outcome.errorCode;
  }
  ScratchDir dir_;
};

Bytes OldLibraryDrawing() {
  // Before 3054 a drawing without a level table is a block library.
  SingleSheetFile file;
  file.version = 3053;
  file.sheet.levelTable = false;
  return WriteSingleSheetFile(file);
}

TEST_F(Dispatcher, ResultCodesOfTheDispatcher) {
  OpenRequest quiet;
  quiet.quiet = true;
  EXPECT_EQ(Open(Save("good.kvn", WriteNativeFile(TwoSheetDocument())), quiet), 0);
  EXPECT_EQ(Open(WString::FromUtf8((dir_ / "missing.kvn").string()), quiet), kOpenNotReadable);
  EXPECT_EQ(Open(Save("old.kvn", WriteOleCompoundFile({{"Contents", "old drawing"}})), quiet), kLoadTooOld);
  EXPECT_EQ(Open(Save("old.KNI", WriteOleCompoundFile({{"Contents", "old library"}})), quiet), kLoadTooOld);
  // An OLE file with any other extension is no drawing: the picture import.
  EXPECT_EQ(Open(Save("old.doc", WriteOleCompoundFile({{"Contents", "x"}})), quiet), kOpenPictureFailed);
  EXPECT_EQ(Open(Save("plan.DGN", Bytes(100, 0)), quiet), kOpenDgnFailed);
  Bytes dwg = {'A', 'C', '1', '0', '1', '5', 0, 0};
  EXPECT_EQ(Open(Save("plan.dwg", dwg), quiet), kOpenNotReadable);
  EXPECT_EQ(Open(Save("notes.txt", Bytes(50, 'a')), quiet), kOpenPictureFailed);
  EXPECT_EQ(Open(Save("lib.kvn", OldLibraryDrawing()), quiet), kLoadIsLibraryDrawing);
  EXPECT_EQ(Open(Save("lib2.kvn", OldLibraryDrawing()), quiet, true), kOpenLibraryDetected);
  FixtureDocument library = TwoSheetDocument();
  library.library = true;
  EXPECT_EQ(Open(Save("parts.kni", WriteNativeFile(library)), quiet), kLoadLibraryContainer);
  EXPECT_EQ(Open(Save("bad.kvn", OneSheet([](FixtureSheet& s) {
                        s.contentOverride = [](ArchiveWriter& w) { w.WriteByte(7); };
                      })),
                 quiet),
            kLoadContentBad);
}

TEST_F(Dispatcher, ForeignReadersAreReachedThroughTheirSlots) {
  struct Fakes {
    static std::unique_ptr<cDrawingDoc> Dwg(const WString&, const OpenRequest&, int* error) {
      *error = 5003;
      return nullptr;
    }
    static cOutObj* Picture(const WString&, cDrawingData*, const OpenRequest&) {
      return cOutObj::Create(kTypeLine, false);
    }
  };
  ForeignReaderSlots slots;
  slots.loadDwg = &Fakes::Dwg;
  slots.importPicture = &Fakes::Picture;
  ForeignReaderSlots previous = SetForeignReaderSlots(slots);
  OpenRequest quiet;
  quiet.quiet = true;
  EXPECT_EQ(Open(Save("a.dwg", Bytes{'A', 'C', '1', '0', '3', '2'}), quiet), 5003);
  OpenOutcome outcome;
  auto picture = OpenDrawingFile(Save("p.png", Bytes(20, 1)), quiet, outcome);
  ASSERT_NE(picture, nullptr);
  EXPECT_FALSE(outcome.native);
  EXPECT_EQ(picture->GetFirstSheet()->Data()->Scale(), 1.0);
  EXPECT_NE(picture->GetFirstSheet()->TopBlock().FirstObject(), nullptr);
  SetForeignReaderSlots(previous);
}

TEST_F(Dispatcher, MessagesOnlyWithAnOwnerAndWithoutQuiet) {
  RecordingBackend backend;
  Owner owner;
  OpenRequest loud;
  loud.owner = &owner;
  const WString ole = Save("old.kvn", WriteOleCompoundFile({{"Contents", "x"}}));
  EXPECT_EQ(Open(ole, loud), kLoadTooOld);
  ASSERT_EQ(backend.texts.size(), 1u);
  EXPECT_EQ(backend.texts[0], std::u16string(LoadLangString(kStrDrawingTooOld).View()));

  FixtureDocument library = TwoSheetDocument();
  library.library = true;
  EXPECT_EQ(Open(Save("parts.kni", WriteNativeFile(library)), loud), kLoadLibraryContainer);
  ASSERT_EQ(backend.texts.size(), 2u);
  EXPECT_EQ(backend.texts[1], std::u16string(LoadLangString(kStrLibraryRefused).View()));

  const WString bad = Save("bad.kvn", OneSheet([](FixtureSheet& s) {
    s.contentOverride = [](ArchiveWriter& w) { w.WriteByte(7); };
  }));
  EXPECT_EQ(Open(bad, loud), kLoadContentBad);
  ASSERT_EQ(backend.texts.size(), 3u);
  EXPECT_NE(backend.texts[2].find(LoadLangString(kStrCannotOpenDrawing).View()), std::u16string::npos);
  EXPECT_NE(backend.texts[2].find(bad.View()), std::u16string::npos);
  EXPECT_EQ(backend.styles[2] & kMbIconMask, kMbIconError);

  OpenRequest quiet = loud;
  quiet.quiet = true;
  EXPECT_EQ(Open(ole, quiet), kLoadTooOld);
  EXPECT_EQ(Open(bad), kLoadContentBad);  // no owner
  EXPECT_EQ(backend.texts.size(), 3u);
}

TEST_F(Dispatcher, TooManyBlocksQuestionLetsTheUserGoOn) {
  RecordingBackend backend;
  Owner owner;
  SingleSheetFile file;
  file.version = 3049;
  // Files before 3052 carry their levels in the header lines; without any
  // the drawing would be a block library.
  file.headerLines = {"Version=3049", "Levels=1"};
  file.sheet.contentOverride = [](ArchiveWriter& w) {
    w.WriteByte(2);
    OldSymbolLine(w, 5);
    w.WriteByte(255);
    w.WriteByte(255);
  };
  const WString path = Save("blocks.kvn", WriteSingleSheetFile(file));
  OpenRequest loud;
  loud.owner = &owner;
  OpenOutcome outcome;
  auto document = OpenDrawingFile(path, loud, outcome);
  ASSERT_NE(document, nullptr);
  ASSERT_EQ(backend.texts.size(), 1u);
  EXPECT_EQ(backend.texts[0], std::u16string(LoadLangString(kStrTooManyBlocks).View()));
  // The reference got an empty placeholder block.
  EXPECT_EQ(document->GetFirstSheet()->Data()->BlockCount(), 1u);
  backend.answer = kIdCancel;
  EXPECT_EQ(Open(path, loud), kLoadBlocksDeclined);
}

TEST_F(Dispatcher, MissingFileAllowedGivesAnEmptyDocumentAfterOk) {
  RecordingBackend backend;
  Owner owner;
  OpenRequest request;
  request.owner = &owner;
  request.allowMissing = true;
  cDrawingDoc document;
  const WString missing = WString::FromUtf8((dir_ / "gone.kvn").string());
  EXPECT_EQ(LoadWithRefs(document, missing, request, nullptr), kLoadOk);
  EXPECT_EQ(backend.texts.size(), 1u);
  backend.answer = kIdCancel;
  EXPECT_EQ(LoadWithRefs(document, missing, request, nullptr), kLoadNotOpened);
  request.owner = nullptr;
  EXPECT_EQ(LoadWithRefs(document, missing, request, nullptr), kLoadNotOpened);
}

class CancellingMonitor : public ProgressMonitor {
 public:
  explicit CancellingMonitor(cMsgDlg* parent) : ProgressMonitor(parent) {}
  bool Step(int, bool) override {
    ++steps;
    MarkCancelled();
    return false;
  }
  int steps = 0;
};

TEST_F(Dispatcher, CancelledMonitorEndsTheLoadWithoutAMessage) {
  RecordingBackend backend;
  Owner owner;
  CancellingMonitor monitor(&owner);
  OpenRequest request;
  request.owner = &owner;
  request.monitor = &monitor;
  FixtureDocument doc;
  doc.compressed = false;
  doc.sheets.push_back(MakeLineGridSheet(u"big", 5000));
  OpenOutcome outcome;
  auto document = OpenDrawingFile(Save("big.kvn", WriteNativeFile(doc)), request, outcome);
  EXPECT_EQ(document, nullptr);
  EXPECT_EQ(monitor.steps, 1);
  EXPECT_TRUE(backend.texts.empty());
}

}  // namespace
}  // namespace kvn::test

namespace kvn::test {
namespace {

TEST(OpenDialogFilter, PairsOfDescriptionAndPattern) {
  const std::u16string filter(MakeOpenDrawingFilter().View());
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  for (std::size_t bar; (bar = filter.find(u'|', start)) != std::u16string::npos; start = bar + 1) {
    parts.push_back(filter.substr(start, bar - start));
  }
  parts.push_back(filter.substr(start));
  ASSERT_EQ(parts.size(), 10u);
  EXPECT_EQ(parts[0], std::u16string(LoadLangString(18282).View()));
  EXPECT_EQ(parts[1], u"*.kvn;*.dxf;*.dxb;*.dwg;*.dgn;*.wmf;*.emf;*.bmp;*.jpg;*.jpeg;*.jif;*.tif;*.tiff;*.gif;*.png");
  EXPECT_EQ(parts[3], u"*.kvn");
  EXPECT_EQ(parts[4], u"AutoCAD - DWG/DXF (*.dwg *.dxf *.dxb)");
  EXPECT_EQ(parts[7], u"*.dgn");
  EXPECT_EQ(parts[8], std::u16string(LoadLangString(1124).View()) + u" - BMP,TIFF,JPEG,GIF,PNG,EMF,WMF");
}

}  // namespace
}  // namespace kvn::test
