// Groups read ahead on a thread come out as the group reader gives them, in
// batches of any size, from text files with every kind of line end and from
// binary files, whole or damaged; and the reading thread stops whenever the
// reader is let go.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>
#include <string>
#include <vector>

#include "foundation/InFileStream.h"
#include "import/dxf/DxfReadAhead.h"
#include "import/dxf/DxfReader.h"
#include "import/records/YxxfGroupRecord.h"
#include "tests/support/DxfWriter.h"

namespace kvn {
namespace {

using test::DxfWriter;

ByteArray ToBytes(const std::string& text) {
  ByteArray bytes;
  bytes.AppendBytes(text.data(), std::int64_t(text.size()));
  return bytes;
}

// Every group read: its code, the record's item count and sub-record, the
// item added (type, value as double, integer and text); cleared every fifth
// group, as the section loop clears it.
template <class Groups>
std::string Transcript(Groups& groups) {
  std::ostringstream out;
  YxxfGroupRecord record;
  int code = 0, read = 0;
  std::string_view value;
  while (groups.ReadGroup(code, record, value)) {
    out << code << ":" << record.Count() << ":" << int(record.SubRecord());
    if (const YxxfItem* item = record.Count() ? record.Item(record.Count() - 1) : nullptr) {
      out << ":" << int(item->type) << ":" << ItemToDouble(*item) << ":" << ItemToInt(*item);
      if (item->type == ItemType::Narrow) out << ":" << std::string(value);
    }
    out << "\n";
    if (++read % 5 == 0) record.Clear();
  }
  return out.str();
}

std::string Drawing(DxfWriter::Form form) {
  DxfWriter w(form);
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1015").EndSection();
  w.Section("ENTITIES");
  for (int i = 0; i < 300; ++i) {
    w.Line("L" + std::to_string(i % 7), i * 0.125, -i * 3.5, i + 1e-9, 17.0 / (i + 1), i % 256);
    w.Str(0, "TEXT").Str(8, "0").Point(10, i, i).Real(40, 2.5).Str(1, std::string(std::size_t(i % 97), 'x'));
    w.Chunk(310, std::string(std::size_t(i % 40), char(i)));
    if (i % 50 == 0) w.Str(1, std::string(9000, 'y'));
  }
  w.EndSection().Eof();
  return w.Bytes();
}

std::string WithLineEnds(const std::string& text, const std::string& end) {
  std::string out;
  for (char c : text) out += c == '\n' ? end : std::string(1, c);
  return out;
}

TEST(DxfReadAheadTest, GroupsComeAsTheGroupReaderGivesThem) {
  struct Input {
    std::string name, bytes;
    bool binary = false, oneByte = false;
  };
  const std::string text = Drawing(DxfWriter::Form::Text);
  const std::string binary = Drawing(DxfWriter::Form::Binary).substr(22);
  const std::string oneByte = Drawing(DxfWriter::Form::BinaryOneByte).substr(22);
  std::vector<Input> inputs{
      {"lf", text},
      {"crlf", WithLineEnds(text, "\r\n")},
      {"cr", WithLineEnds(text, "\r")},
      {"long line", "1\n" + std::string(70000, 'z') + "\n10\n2.5\n"},
      {"carets and odd chunk", "1\na^Jb\n310\nabc\n310\n0a1f\n70\n 7\n"},
      {"letters for a code", text.substr(0, text.size() / 2) + "LINE\nx\n" + text.substr(text.size() / 2)},
      {"cut in a line", text.substr(0, text.size() / 3 + 1)},
      {"empty", ""},
      {"binary", binary, true},
      {"binary cut in a value", binary.substr(0, binary.size() / 2 + 5), true},
      {"binary unknown code", binary.substr(0, 4000) + std::string("\x10\x27", 2) + binary.substr(4000), true},
      {"one-byte codes", oneByte, true, true},
      {"one-byte cut", oneByte.substr(0, oneByte.size() - 3), true, true},
  };
  for (const Input& input : inputs) {
    ByteArray bytes = ToBytes(input.bytes);
    InFileStream direct = InFileStream::FromMemory(bytes);
    DxfGroupReader groups(direct, input.binary, input.oneByte);
    const std::string expected = Transcript(groups);
    ASSERT_FALSE(expected.empty() && input.name != "empty") << input.name;
    for (std::uint32_t batch : {1u, 2u, 7u, 0u}) {
      InFileStream in = InFileStream::FromMemory(bytes);
      DxfReadAhead ahead(in, input.binary, input.oneByte, batch);
      ASSERT_TRUE(ahead.Started());
      EXPECT_EQ(Transcript(ahead), expected) << input.name << " batch " << batch;
      EXPECT_TRUE(ahead.AtEnd()) << input.name;
      int code = 0;
      std::string_view value;
      YxxfGroupRecord record;
      EXPECT_FALSE(ahead.ReadGroup(code, record, value)) << input.name;
    }
  }
}

// Let go after a few groups (or none) of a file far longer than the queue,
// the reader ends its thread: the test would hang otherwise. Unbuffered
// streams read byte by byte.
TEST(DxfReadAheadTest, LettingGoStopsTheReadingThread) {
  const std::string text = Drawing(DxfWriter::Form::Text);
  std::string many;
  for (int i = 0; i < 20; ++i) many += text;
  ByteArray bytes = ToBytes(many);
  for (bool unbuffered : {false, true}) {
    for (int taken : {0, 1, 5, 100}) {
      InFileStream in = InFileStream::FromMemory(bytes, unbuffered);
      DxfReadAhead ahead(in, false, false, 3);
      YxxfGroupRecord record;
      int code = 0;
      std::string_view value;
      for (int i = 0; i < taken; ++i) ASSERT_TRUE(ahead.ReadGroup(code, record, value));
    }
  }
}

// The position the open's progress is taken from, after each group taken,
// is never past where the group reader stands after the same groups (the
// reading thread, ahead by up to four batches, is given time to run ahead
// first), nor further behind than one batch.
TEST(DxfReadAheadTest, ThePositionIsNeverAheadOfTheGroupsTaken) {
  std::string many;
  for (int i = 0; i < 4; ++i) many += Drawing(DxfWriter::Form::Text);
  ByteArray bytes = ToBytes(many);
  std::vector<std::uint64_t> after;  // the direct reader's position after each group
  {
    InFileStream direct = InFileStream::FromMemory(bytes);
    DxfGroupReader groups(direct, false, false);
    YxxfGroupRecord record;
    int code = 0;
    std::string_view value;
    while (groups.ReadGroup(code, record, value)) {
      after.push_back(direct.Position());
      record.Clear();
    }
  }
  ASSERT_GT(after.size(), 5000u);
  for (std::uint32_t batch : {1u, 7u, 64u, 0u}) {
    SCOPED_TRACE(::testing::Message() << "batches of " << batch);
    const std::uint32_t groupsPerBatch = DxfReadAhead::BatchGroupsFor(batch);
    InFileStream in = InFileStream::FromMemory(bytes);
    DxfReadAhead ahead(in, false, false, batch);
    ASSERT_TRUE(ahead.Started());
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    YxxfGroupRecord record;
    int code = 0;
    std::string_view value;
    std::size_t taken = 0, ahead_ = 0, behind = 0;
    while (ahead.ReadGroup(code, record, value)) {
      ASSERT_LT(taken, after.size());
      const std::uint64_t at = ahead.Position();
      if (at > after[taken]) ++ahead_;
      if (taken >= groupsPerBatch && at < after[taken - groupsPerBatch]) ++behind;
      ++taken;
      record.Clear();
    }
    EXPECT_EQ(taken, after.size());
    EXPECT_EQ(ahead_, 0u) << "groups after which the position was ahead of them";
    EXPECT_EQ(behind, 0u) << "groups after which the position was more than a batch behind";
  }
}

}  // namespace
}  // namespace kvn
