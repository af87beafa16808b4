// Every result of the open dispatcher has its one message, in each of the
// three languages: the texts of their own for libraries and old or newer
// versions, otherwise "Cannot open file.", the path and the reason, which
// differs by result and is translated.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "document/NativeFormat.h"
#include "document/OpenFailureMessage.h"
#include "document/ResultCodes.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"

namespace kvn::test {
namespace {

// Every code of the dispatcher's table and of the readers (ResultCodes.h),
// with the causes that change the message.
struct Case {
  LoadResult code;
  LoadResult cause;
  const char16_t* detail;
};
const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {kLoadNotOpened, kLoadNotOpened, nullptr},
      {kLoadNoMagic, kLoadNoMagic, nullptr},
      {kLoadHeaderLineCut, kLoadHeaderLineCut, nullptr},
      {kLoadHeaderLineBadEnd, kLoadHeaderLineBadEnd, nullptr},
      {kLoadTaggedSectionCut, kLoadTaggedSectionCut, nullptr},
      {kLoadTaggedRecordCut, kLoadTaggedRecordCut, nullptr},
      {kLoadFirstRealListCut, kLoadFirstRealListCut, nullptr},
      {kLoadSecondRealListCut, kLoadSecondRealListCut, nullptr},
      {kLoadOldAttributeTextCut, kLoadOldAttributeTextCut, nullptr},
      {kLoadAttributesBad, kLoadAttributesBad, nullptr},
      {kLoadNothingAfterAttributes, kLoadNothingAfterAttributes, nullptr},
      {kLoadOldStylesBad, kLoadOldStylesBad, nullptr},
      {kLoadPagesCut, kLoadPagesCut, nullptr},
      {kLoadChecksumMismatch, kLoadChecksumMismatch, nullptr},
      {kLoadContentBad, kLoadContentBad, nullptr},
      {kLoadReferenceGivenUp, kLoadReferenceGivenUp, nullptr},
      {kLoadIsLibraryDrawing, kLoadIsLibraryDrawing, nullptr},
      {kLoadTooOld, kLoadOleSignature, nullptr},
      {kLoadTooOld, kLoadTooOld, nullptr},
      {kLoadTooNew, kLoadTooNew, nullptr},
      {kLoadBlocksDeclined, kLoadBlocksDeclined, nullptr},
      {kLoadVersion3086, kLoadVersion3086, nullptr},
      {kLoadLibraryContainer, kLoadLibraryContainer, nullptr},
      {kOpenNotReadable, kOpenNotReadable, u"No such file or directory"},
      {kOpenNotReadable, kOpenUnsupportedFormat, u"DWG"},
      {kOpenNotReadable, kOpenNotReadable, nullptr},
      {kOpenNotReadable, LoadResult(0), nullptr},
      {kOpenDgnFailed, kOpenDgnFailed, nullptr},
      {kOpenDgnFailed, kOpenUnsupportedFormat, u"DGN"},
      {kOpenPictureFailed, kOpenPictureFailed, nullptr},
      {kOpenPictureFailed, kOpenUnsupportedFormat, u"PNG"},
      {kOpenPictureFailed, kOpenUnsupportedFormat, nullptr},
      {kOpenPictureFailed, kOpenEmptyFile, nullptr},
      {kOpenLibraryDetected, kOpenLibraryDetected, nullptr},
      {LoadResult(5003), LoadResult(5003), nullptr},
  };
  return cases;
}

DocumentResult Result(const Case& c) {
  return DocumentResult::Failure(c.code, c.cause, c.detail ? WString(c.detail) : WString());
}

std::u16string Text(const Case& c, const WString& path) {
  return std::u16string(MakeOpenFailureMessage(Result(c), path).text.View());
}

class OpenFailureMessages : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    SetLanguageIndex(GetParam());
    InvalidateLangTable();
  }
  void TearDown() override {
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
  }
};

TEST_P(OpenFailureMessages, EveryResultHasOneMessage) {
  const WString path(u"/drawings/plan.kvn");
  std::set<std::u16string> reasons;
  for (const Case& c : Cases()) {
    SCOPED_TRACE(testing::Message() << int(c.code) << " cause " << int(c.cause));
    const OpenFailureMessage message = MakeOpenFailureMessage(Result(c), path);
    const std::u16string text(message.text.View());
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(message.style, kMbIconError);
    EXPECT_EQ(text.find(u'~'), std::u16string::npos);  // no token left untranslated
    EXPECT_EQ(text.find(u"%"), std::u16string::npos);
    const std::u16string library(LoadLangString(kStrLibraryRefused).View());
    if (c.code == kLoadIsLibraryDrawing || c.code == kLoadLibraryContainer || c.code == kOpenLibraryDetected) {
      EXPECT_EQ(text, library);
      continue;
    }
    if (c.code == kLoadTooOld && c.cause == kLoadOleSignature) {
      EXPECT_EQ(text, std::u16string(LoadLangString(kStrDrawingTooOld).View()));
      continue;
    }
    EXPECT_NE(text.find(path.View()), std::u16string::npos);
    if (c.code == kLoadTooOld || c.code == kLoadTooNew) {
      const int id = c.code == kLoadTooOld ? kStrDrawingTooOld : kStrFileNewerVersion;
      EXPECT_EQ(text.find(LoadLangString(id).View()), 0u);
      continue;
    }
    const int first = c.code == kOpenNotReadable && c.cause == kOpenNotReadable ? kStrCannotOpenFile
                                                                                 : kStrCannotOpenDrawing;
    EXPECT_EQ(text.find(LoadLangString(first).View()), 0u);
    // The reason after the path and an empty line.
    const std::size_t gap = text.find(u"\n\n");
    if (c.code == kOpenNotReadable && c.cause == kOpenNotReadable && !c.detail) {
      EXPECT_EQ(gap, std::u16string::npos);  // the system gave no reason
      continue;
    }
    ASSERT_NE(gap, std::u16string::npos);
    const std::u16string reason = text.substr(gap + 2);
    EXPECT_FALSE(reason.empty());
    if (c.detail) {
      EXPECT_NE(reason.find(c.detail), std::u16string::npos);
    }
    reasons.insert(reason);
  }
  // Damaged data name their result; each reason differs.
  EXPECT_NE(Text({kLoadContentBad, kLoadContentBad, nullptr}, path).find(u"21"), std::u16string::npos);
  EXPECT_NE(Text({kLoadPagesCut, kLoadPagesCut, nullptr}, path).find(u"19"), std::u16string::npos);
  EXPECT_NE(Text({LoadResult(5003), LoadResult(5003), nullptr}, path).find(u"5003"), std::u16string::npos);
  EXPECT_EQ(reasons.size(), 28u);
}

TEST_P(OpenFailureMessages, SuccessAndTheUsersCancelShowNothing) {
  EXPECT_TRUE(MakeOpenFailureMessage(DocumentResult::Failure(kOpenCancelled), WString(u"a.kvn")).text.IsEmpty());
  DocumentResult ok(std::make_unique<cDrawingDoc>());
  EXPECT_TRUE(MakeOpenFailureMessage(ok, WString(u"a.kvn")).text.IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Languages, OpenFailureMessages,
                         ::testing::Values(kLanguageCzech, kLanguageSlovak, kLanguageEnglish));

// The reasons are translated: no two languages give the same text.
TEST(OpenFailureMessagesTranslated, TheReasonsDifferByLanguage) {
  const WString path(u"p.kvn");
  const Case damaged{kLoadContentBad, kLoadContentBad, nullptr};
  const Case empty{kOpenPictureFailed, kOpenEmptyFile, nullptr};
  std::set<std::u16string> texts;
  for (int language : {kLanguageCzech, kLanguageSlovak, kLanguageEnglish}) {
    SetLanguageIndex(language);
    InvalidateLangTable();
    texts.insert(Text(damaged, path));
    texts.insert(Text(empty, path));
  }
  EXPECT_EQ(texts.size(), 6u);
  EXPECT_EQ(Text(empty, path), u"Cannot open file.\np.kvn\n\nThe file is empty.");
}

}  // namespace
}  // namespace kvn::test
