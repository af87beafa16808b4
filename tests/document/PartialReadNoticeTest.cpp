// The notice of a drawing read in part, and the refusals that carry their
// reader's reason: the text of each case, in every language.
#include "document/PartialReadNotice.h"

#include <gtest/gtest.h>

#include <string>

#include "document/OpenFailureMessage.h"
#include "document/ResultCodes.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"

namespace kvn {
namespace {

class PartialReadNotices : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    SetLanguageIndex(GetParam());
    InvalidateLangTable();
  }
  void TearDown() override {
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
  }
  static std::u16string Text(int id) { return std::u16string(LoadLangString(id).View()); }
};

TEST_P(PartialReadNotices, OneTextNamesTheFileAndFollowsWithTheWarnings) {
  const WString path(u"/drawings/cut.dxf");
  const std::u16string notice =
      Text(kStrFileReadError) + u"\n/drawings/cut.dxf\n\n" + Text(kStrPartialReadShown);
  EXPECT_EQ(std::u16string(PartialReadText(path).View()), notice);
  const LoadQuestion question = PartialReadNotice(path);
  EXPECT_EQ(Text(question.textId) + std::u16string(question.detail.View()), notice);
  EXPECT_EQ(question.style & kMbIconMask, kMbIconError);

  struct Case {
    bool partial, told;
    std::vector<std::u16string> warnings;
    std::u16string expected;
  };
  const Case cases[] = {
      {false, false, {}, u""},
      {true, false, {}, notice},
      {true, true, {}, u""},
      {false, false, {u"a", u"b"}, u"a\nb"},
      {true, false, {u"a", u"b"}, notice + u"\n\na\nb"},
      {true, true, {u"a"}, u"a"},
  };
  for (const Case& c : cases) {
    DocumentResult result = DocumentResult::Failure(kOpenNotReadable);
    if (c.partial) result.MarkPartial(c.told);
    for (const std::u16string& w : c.warnings) result.AddWarning(WString(std::u16string_view(w)));
    EXPECT_EQ(std::u16string(OpenWarningText(result, path).View()), c.expected);
  }
  // Told already: kvn-dump still lists it.
  DocumentResult told = DocumentResult::Failure(kOpenNotReadable);
  told.MarkPartial(true);
  EXPECT_EQ(std::u16string(OpenWarningText(told, path, true).View()), notice);
}

TEST_P(PartialReadNotices, RefusalsCarryTheReadersReasonAfterThePath) {
  const WString path(u"/drawings/plan.dgn");
  const std::u16string notDgn(
      MakeOpenFailureMessage(DocumentResult::Failure(kOpenDgnFailed, kOpenDgnNotDgn), path).text.View());
  EXPECT_EQ(notDgn, Text(kStrDgnNotDgn) + u"\n/drawings/plan.dgn\n\n" + Text(kStrReasonNotDgn));

  const std::u16string png(
      MakeOpenFailureMessage(DocumentResult::Failure(kOpenPictureFailed, kOpenUnknownFileFormat, WString(u"PNG")),
                             path)
          .text.View());
  std::u16string damaged = Text(kStrReasonPictureDamaged);
  damaged.replace(damaged.find(u"%s"), 2, u"PNG");
  // Named as damaged, never as of an unknown format besides.
  EXPECT_EQ(png.substr(png.size() - damaged.size() - 2), u"\n\n" + damaged);
  EXPECT_EQ(png.find(Text(kStrReasonUnknownFileFormat)), std::u16string::npos);
  // Without a format named, the message ends with the bare reason.
  const std::u16string unnamed(
      MakeOpenFailureMessage(DocumentResult::Failure(kOpenPictureFailed, kOpenUnknownFileFormat), path).text.View());
  EXPECT_EQ(unnamed.substr(unnamed.size() - Text(kStrReasonUnknownFileFormat).size()),
            Text(kStrReasonUnknownFileFormat));

  // A DGN import stopped with the reader's reason shows that reason.
  const std::u16string stopped(MakeOpenFailureMessage(
      DocumentResult::Failure(kOpenDgnFailed, kOpenNotReadable, WString(u"too large")), path).text.View());
  EXPECT_EQ(stopped.substr(stopped.size() - 9), u"too large");
}

INSTANTIATE_TEST_SUITE_P(Languages, PartialReadNotices, ::testing::Values(0, 1, 2));

}  // namespace
}  // namespace kvn
