// The view-direction question: asked only for a drawing that is not seen
// along an axis or whose content leaves the drawing plane. A flat drawing
// seen from above (direction (0, 0, 1), twist 0) opens without it, whatever
// its elevation.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "document/LoadQuestions.h"
#include "document/OpenDrawingFile.h"
#include "document/ViewDirection.h"
#include "document/cDrawingDoc.h"
#include "dwg/InstallReaders.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using test::DxfWriter;

class CountingQuestions : public LoadQuestions {
 public:
  bool GoOn(const LoadQuestion&) override { return false; }
  bool ChooseViewDirection(ViewDirectionChoice&) override {
    ++views;
    return true;
  }
  int views = 0;
};

int ViewQuestionsOf(const std::string& text) {
  ByteArray bytes;
  bytes.AppendBytes(text.data(), std::int64_t(text.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  CountingQuestions questions;
  FormatReadContext context;
  context.questions = &questions;
  DocumentResult result = LoadDxfStream(in, WString(u"flat.dxf"), nullptr, nullptr, &context);
  EXPECT_TRUE(result.Ok());
  return questions.views;
}

TEST(ViewQuestionTest, AFlatDrawingSeenFromAboveIsNotAsked) {
  struct Row {
    double elevation;
    bool upright;
    int expected;
  };
  for (const Row row : {Row{0.0, false, 0}, Row{5.0, false, 0}, Row{-2.5, false, 0}, Row{0.0, true, 1}}) {
    SCOPED_TRACE(row.elevation);
    DxfWriter w;
    w.Section("TABLES").Str(0, "TABLE").Str(2, "VPORT").Str(0, "VPORT").Str(2, "*Active").Point(16, 0, 0, 1);
    w.Real(51, 0).Str(0, "ENDTAB").EndSection();
    w.Section("ENTITIES");
    for (int i = 0; i < 12; ++i) {
      w.Str(0, "LINE").Str(8, "0").Point(10, i, 0, row.elevation);
      w.Point(11, i, 1, row.upright ? row.elevation + 10 : row.elevation);
    }
    w.EndSection().Eof();
    EXPECT_EQ(ViewQuestionsOf(w.Bytes()), row.expected);
  }
}

}  // namespace
}  // namespace kvn
