// The reader registry and the open dispatcher over it: probe order by slot,
// replacement by name, a fake reader of a made-up signature opened through
// the dispatcher, its failure turned into one message by the dispatcher,
// and its questions answered by whoever the request names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "document/DocumentReaders.h"
#include "document/FormatReader.h"
#include "document/OpenDrawingFile.h"
#include "document/NativeFormat.h"
#include "document/OpenFailureMessage.h"
#include "document/ProgressMonitor.h"
#include "document/ResultCodes.h"
#include "dwg/InstallReaders.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/support/TestData.h"

namespace kvn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr char kFakeSignature[] = "FAKEDRAW";

bool ProbeFake(InFileStream& in, const WString&) {
  char head[8] = {};
  return in.Read(head, 8) == 8 && std::memcmp(head, kFakeSignature, 8) == 0;
}

// The ninth byte of a fake file says what the reader does: 'G' gives a
// drawing of one sheet, 'B' fails as damaged, 'Q' asks first and gives the
// drawing only when told to go on.
int g_questionsAsked = 0;
DocumentResult LoadFake(const WString& path, const FormatReadContext& context) {
  InFileStream in(path, true);
  char head[9] = {};
  if (in.Read(head, 9) != 9) return DocumentResult::Failure(kLoadContentBad);
  if (head[8] == 'B') return DocumentResult::Failure(kLoadContentBad);
  if (head[8] == 'Q') {
    ++g_questionsAsked;
    if (!context.questions->GoOn(LoadQuestion{kStrTooManyBlocks, kMbOkCancel | kMbIconQuestion})) {
      return DocumentResult::Failure(kLoadBlocksDeclined);
    }
  }
  auto document = std::make_unique<cDrawingDoc>();
  document->AddSheet(std::make_unique<cSheet>());
  document->name = path;
  return DocumentResult(std::move(document));
}

FormatReader FakeReader() { return FormatReader{"fake", FormatSlot::kDxf, &ProbeFake, &LoadFake}; }

Bytes FakeFile(char what) {
  Bytes bytes(kFakeSignature, kFakeSignature + 8);
  bytes.push_back(std::uint8_t(what));
  return bytes;
}

class Owner : public cMsgDlg {
 public:
  void* GetWindowHandle() const override { return nullptr; }
  void* GetOwnerWindow() const override { return nullptr; }
};

class Boxes : public MessageBoxBackend {
 public:
  Boxes() : previous_(SetMessageBoxBackend(this)) {}
  ~Boxes() override { SetMessageBoxBackend(previous_); }
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

class Answers : public LoadQuestions {
 public:
  bool GoOn(const LoadQuestion& question) override {
    asked.push_back(question.textId);
    return answer;
  }
  std::vector<int> asked;
  bool answer = true;
};

std::vector<std::string> Names(const FormatRegistry& registry) {
  std::vector<std::string> names;
  for (const FormatReader& r : registry.InProbeOrder()) names.push_back(r.name);
  return names;
}

class Registry : public ::testing::Test {
 protected:
  WString Save(const std::string& name, const Bytes& bytes) {
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(SaveBytes(path, bytes));
    return WString::FromUtf8(path);
  }
  ScopedFormatRegistry scoped_;
  ScratchDir dir_;
};

TEST_F(Registry, InstalledReadersKeepTheProbeOrderWhateverTheRegistrationOrder) {
  InstallReaders();
  EXPECT_EQ(Names(GetFormatRegistry()), (std::vector<std::string>{"DWG", "DXF", "DGN", "native", "picture"}));
  FormatRegistry registry;
  registry.Register(FormatReader{"picture", FormatSlot::kPicture});
  registry.Register(FormatReader{"native", FormatSlot::kNative});
  registry.Register(FormatReader{"metafile", FormatSlot::kMetafile});
  registry.Register(FormatReader{"DWG", FormatSlot::kDwg});
  registry.Register(FormatReader{"second native", FormatSlot::kNative});
  EXPECT_EQ(Names(registry),
            (std::vector<std::string>{"DWG", "native", "second native", "metafile", "picture"}));
  // The same name replaces, also when it moves to another slot.
  registry.Register(FormatReader{"second native", FormatSlot::kDgn});
  EXPECT_EQ(Names(registry), (std::vector<std::string>{"DWG", "second native", "native", "metafile", "picture"}));
  EXPECT_TRUE(registry.Remove("metafile"));
  EXPECT_FALSE(registry.Remove("metafile"));
  EXPECT_EQ(registry.Find("metafile"), nullptr);
  ASSERT_NE(registry.Find("native"), nullptr);
  EXPECT_EQ(registry.Find("native")->slot, FormatSlot::kNative);
}

TEST_F(Registry, AFakeReaderOpensItsSignatureThroughTheDispatcher) {
  const WString fake = Save("drawing.fake", FakeFile('G'));
  OpenRequest quiet;
  quiet.quiet = true;
  // Not registered: nothing takes the file.
  EXPECT_EQ(OpenDrawing(fake, quiet).Code(), kOpenPictureFailed);
  GetFormatRegistry().Register(FakeReader());
  DocumentResult result = OpenDrawing(fake, quiet);
  ASSERT_TRUE(result.Ok());
  EXPECT_EQ(result.Code(), kLoadOk);
  EXPECT_EQ(result.Document()->SheetCount(), 1u);
  EXPECT_TRUE(result.Warnings().empty());
  // The earlier form of the dispatcher reaches it too; native files still open.
  OpenOutcome outcome;
  EXPECT_NE(OpenDrawingFile(fake, quiet, outcome), nullptr);
  EXPECT_EQ(outcome.errorCode, 0);
  EXPECT_TRUE(OpenDrawing(Save("plan.kvn", WriteNativeFile(TwoSheetDocument())), quiet).Ok());
  // The slot decides who sees a file first: in the DXF slot the fake one
  // comes before the DGN extension test, in the metafile slot after it.
  const WString dgn = Save("plan.dgn", FakeFile('G'));
  EXPECT_EQ(OpenDrawing(dgn, quiet).Code(), kLoadOk);
  FormatReader later = FakeReader();
  later.slot = FormatSlot::kMetafile;
  GetFormatRegistry().Register(later);
  EXPECT_EQ(OpenDrawing(dgn, quiet).Code(), kOpenDgnFailed);
  EXPECT_EQ(OpenDrawing(fake, quiet).Code(), kLoadOk);
}

TEST_F(Registry, AFailingReaderReachesTheUserAsOneMessageOfTheDispatcher) {
  GetFormatRegistry().Register(FakeReader());
  const WString bad = Save("bad.fake", FakeFile('B'));
  Boxes boxes;
  Owner owner;
  OpenRequest loud;
  loud.owner = &owner;
  DocumentResult result = OpenDrawing(bad, loud);
  EXPECT_FALSE(result.Ok());
  EXPECT_EQ(result.Code(), kLoadContentBad);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], std::u16string(MakeOpenFailureMessage(result, bad).text.View()));
  EXPECT_EQ(boxes.texts[0].find(LoadLangString(kStrCannotOpenDrawing).View()), 0u);
  EXPECT_NE(boxes.texts[0].find(bad.View()), std::u16string::npos);
  EXPECT_EQ(boxes.styles[0] & kMbIconMask, kMbIconError);
  // Quiet, or without an owner: no box, the same result.
  OpenRequest quiet = loud;
  quiet.quiet = true;
  EXPECT_EQ(OpenDrawing(bad, quiet).Code(), kLoadContentBad);
  EXPECT_EQ(OpenDrawing(bad, OpenRequest{}).Code(), kLoadContentBad);
  EXPECT_EQ(boxes.texts.size(), 1u);
}

TEST_F(Registry, QuestionsGoToTheRequestsAnswererOrToAMessageBoxOfTheOwner) {
  GetFormatRegistry().Register(FakeReader());
  const WString asking = Save("asking.fake", FakeFile('Q'));
  Boxes boxes;
  Answers answers;
  OpenRequest request;
  request.questions = &answers;
  g_questionsAsked = 0;
  EXPECT_TRUE(OpenDrawing(asking, request).Ok());
  answers.answer = false;
  EXPECT_EQ(OpenDrawing(asking, request).Code(), kLoadBlocksDeclined);
  EXPECT_EQ(answers.asked, (std::vector<int>{kStrTooManyBlocks, kStrTooManyBlocks}));
  EXPECT_TRUE(boxes.texts.empty());
  // Quiet with nobody named: "stop" without a box.
  OpenRequest quiet;
  quiet.quiet = true;
  EXPECT_EQ(OpenDrawing(asking, quiet).Code(), kLoadBlocksDeclined);
  EXPECT_TRUE(boxes.texts.empty());
  // An owner: the question is its message box, and the answer counts.
  Owner owner;
  OpenRequest loud;
  loud.owner = &owner;
  EXPECT_TRUE(OpenDrawing(asking, loud).Ok());
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], std::u16string(LoadLangString(kStrTooManyBlocks).View()));
  EXPECT_EQ(g_questionsAsked, 4);
}

// A drawing of a newer version, or one older than the first body this
// program reads, was refused with the reader's own box and then the
// dispatcher's "Cannot open file." box: now one box says both.
TEST_F(Registry, ARefusedVersionShowsOneBox) {
  Boxes boxes;
  Owner owner;
  OpenRequest loud;
  loud.owner = &owner;
  const WString newer = Save("newer.kvn", WriteNativeFile(TwoSheetDocument(3112)));
  EXPECT_EQ(OpenDrawing(newer, loud).Code(), kLoadTooNew);
  SingleSheetFile old;
  old.version = 3045;
  const WString older = Save("older.kvn", WriteSingleSheetFile(old));
  EXPECT_EQ(OpenDrawing(older, loud).Code(), kLoadTooOld);
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_EQ(boxes.texts[0], std::u16string(LoadLangString(kStrFileNewerVersion).View()) + u"\n" +
                                std::u16string(newer.View()));
  EXPECT_EQ(boxes.texts[1], std::u16string(LoadLangString(kStrDrawingTooOld).View()) + u"\n" +
                                std::u16string(older.View()));
}

// A load the user cancelled is a failure of its own, without a message
// (the earlier dispatcher answered it with the code of success).
class CancellingMonitor : public ProgressMonitor {
 public:
  bool Step(int, bool) override {
    MarkCancelled();
    return false;
  }
};

TEST_F(Registry, ACancelledLoadIsNoSuccessAndShowsNothing) {
  Boxes boxes;
  Owner owner;
  CancellingMonitor monitor;
  OpenRequest request;
  request.owner = &owner;
  request.monitor = &monitor;
  FixtureDocument doc;
  doc.compressed = false;
  doc.sheets.push_back(MakeLineGridSheet(u"big", 5000));
  const WString path = Save("big.kvn", WriteNativeFile(doc));
  DocumentResult result = OpenDrawing(path, request);
  EXPECT_FALSE(result.Ok());
  EXPECT_EQ(result.Code(), kOpenCancelled);
  OpenOutcome outcome;
  EXPECT_EQ(OpenDrawingFile(path, request, outcome), nullptr);
  EXPECT_EQ(outcome.errorCode, kOpenCancelled);
  EXPECT_TRUE(boxes.texts.empty());
}

}  // namespace
}  // namespace kvn::test
