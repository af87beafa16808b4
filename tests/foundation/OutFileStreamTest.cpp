#include "foundation/OutFileStream.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "foundation/InFileStream.h"
#include "foundation/MsgBox.h"
#include "foundation/SystemError.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

WString PathOf(const std::filesystem::path& p) { return WString::FromUtf8(p.string()); }

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> Bytes(const ByteArray& a) { return {a.begin(), a.end()}; }

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint32_t seed = 1) {
  std::vector<std::uint8_t> v(n);
  std::mt19937 rng(seed);
  for (auto& b : v) b = std::uint8_t(rng());
  return v;
}

class RecordingBackend : public MessageBoxBackend {
 public:
  int Show(const cMsgDlg*, const WString& text, const WString&, std::uint32_t) override {
    texts.push_back(text.ToUtf8());
    return kIdOk;
  }
  std::vector<std::string> texts;
};

class NullOwner : public cMsgDlg {
 public:
  void* GetWindowHandle() const override { return nullptr; }
  void* GetOwnerWindow() const override { return nullptr; }
};

TEST(OutFileStream, WritesAroundABufferBoundaryKeepEveryByte) {
  test::ScratchDir dir;
  auto data = Pattern(3 + 8192 + 5);
  {
    OutFileStream out(PathOf(dir / "a.bin"));
    ASSERT_TRUE(out.IsGood());
    out.Write(data.data(), 3);
    out.Write(data.data() + 3, 8192);
    out.Write(data.data() + 8195, 5);
    EXPECT_EQ(out.Position(), data.size());
    EXPECT_EQ(out.Size(), data.size());
  }
  EXPECT_EQ(ReadFile(dir / "a.bin"), data);
}

// Random chunks, seeks and windows against a reference, for files (fresh and
// appended, with pooled, small external and no buffer) and memory sinks.
TEST(OutFileStream, RandomWritesMatchTheReference) {
  test::ScratchDir dir;
  for (int kind = 0; kind < 6; ++kind) {
    SCOPED_TRACE(kind);
    auto path = dir / std::to_string(kind);
    std::vector<std::uint8_t> expected;
    if (kind == 1) {
      expected = Pattern(1000, 99);  // an unaligned start
      std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(expected.data()), 1000);
    }
    ByteArray sink;
    std::uint8_t external[100];
    {
      OutFileStream out(PathOf(path), true, false, kind != 3, kind == 1, kind == 5 ? &sink : nullptr);
      if (kind == 4) out.SetExternalBuffer(external, sizeof external);
      ASSERT_TRUE(out.IsGood());
      EXPECT_EQ(out.Position(), expected.size());
      std::mt19937 rng(kind);
      for (int step = 0; step < 200; ++step) {
        auto chunk = Pattern(rng() % 3 == 0 ? rng() % 40000 : rng() % 500, step);
        if (kind != 5 && rng() % 10 == 0) {
          std::uint64_t to = rng() % (expected.size() + 1);
          ASSERT_TRUE(out.Seek(to));
          expected.resize(std::max<std::size_t>(expected.size(), to));
        }
        std::uint64_t pos = out.Position();
        if (rng() % 5 == 0 && out.IsBuffered()) {
          std::uint32_t length = 0;
          std::uint8_t* window = out.GetWriteWindow(length);
          ASSERT_NE(window, nullptr);
          std::uint32_t n = std::min<std::uint32_t>(length, std::uint32_t(chunk.size()));
          std::memcpy(window, chunk.data(), n);
          ASSERT_TRUE(out.CommitWritten(n));
          chunk.resize(n);
        } else {
          out.Write(chunk.data(), std::uint32_t(chunk.size()));
        }
        if (expected.size() < pos + chunk.size()) expected.resize(pos + chunk.size());
        std::copy(chunk.begin(), chunk.end(), expected.begin() + std::ptrdiff_t(pos));
        ASSERT_EQ(out.Position(), pos + chunk.size());
        ASSERT_EQ(out.Size(), expected.size());
      }
      EXPECT_TRUE(out.IsGood());
    }
    EXPECT_EQ(kind == 5 ? Bytes(sink) : ReadFile(path), expected);
  }
}

TEST(OutFileStream, TextModeWritesLineEndsAsCrLf) {
  test::ScratchDir dir;
  {
    OutFileStream out(PathOf(dir / "t.txt"), false);
    const char text[] = {'a', '\r', '\n', 'b', '\n'};
    out.Write(text, sizeof text);
    EXPECT_EQ(out.Position(), 6u);
    // A long text crosses the converter's chunks without losing a byte.
    std::string many(5000, '\n');
    out.WriteCStr(many.c_str());
  }
  std::vector<std::uint8_t> expected = {'a', '\r', '\n', 'b', '\r', '\n'};
  for (int i = 0; i < 5000; ++i) expected.insert(expected.end(), {'\r', '\n'});
  EXPECT_EQ(ReadFile(dir / "t.txt"), expected);
}

TEST(OutFileStream, AppendingToAMissingFileFailsWithTheErrorKept) {
  test::ScratchDir dir;
  OutFileStream out(PathOf(dir / "missing.txt"), true, false, true, true);
  EXPECT_FALSE(out.IsGood());
  EXPECT_EQ(out.LastError(), kErrorFileNotFound);
  out.Write("x", 1);
  EXPECT_EQ(out.Position(), 0u);
  EXPECT_FALSE(out.Close());
  EXPECT_FALSE(std::filesystem::exists(dir / "missing.txt"));
}

TEST(OutFileStream, AFullDeviceMakesTheStreamNotGoodAndFlushReportsIt) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  RecordingBackend backend;
  MessageBoxBackend* previous = SetMessageBoxBackend(&backend);
  NullOwner owner;
  {
    OutFileStream out(WString(u"/dev/full"));
    ASSERT_TRUE(out.IsGood());
    out.Write("abc", 3);
    EXPECT_TRUE(out.IsGood());  // still in the buffer
    EXPECT_FALSE(out.Flush(nullptr));
    EXPECT_TRUE(backend.texts.empty());
    EXPECT_EQ(out.LastError(), kErrorDiskFull);
    EXPECT_FALSE(out.Flush(&owner));
    ASSERT_EQ(backend.texts.size(), 1u);
    EXPECT_NE(backend.texts[0].find("/dev/full"), std::string::npos);
    EXPECT_FALSE(out.Commit(&owner));
    EXPECT_FALSE(out.CheckOpen(&owner));
    EXPECT_EQ(backend.texts.size(), 3u);
  }
  {
    // A large write fails at once on its direct part.
    OutFileStream out(WString(u"/dev/full"));
    auto data = Pattern(20000);
    out.Write(data.data(), std::uint32_t(data.size()));
    EXPECT_FALSE(out.IsGood());
    std::uint32_t length = 7;
    EXPECT_EQ(out.GetWriteWindow(length), nullptr);
    EXPECT_EQ(length, 0u);
  }
  SetMessageBoxBackend(previous);
}

TEST(OutFileStream, MemorySinksGrowToFitAndCountOnlyStreamsWriteNothing) {
  ByteArray sink(8);
  {
    auto out = OutFileStream::ToMemory(sink, false);
    out.Write("0123456789", 10);
    EXPECT_EQ(sink.Capacity(), 18u);  // step + bytes added
    out.Write("0123456789", 10);
    EXPECT_EQ(sink.Capacity(), 46u);  // twice the capacity + bytes added
    EXPECT_FALSE(out.Seek(0));
    EXPECT_TRUE(out.Close());
    EXPECT_TRUE(out.IsGood());
  }
  EXPECT_EQ(sink.Count(), 20u);

  ByteArray buffered;
  {
    auto out = OutFileStream::ToMemory(buffered);
    out.WriteCStr("hello");
    EXPECT_EQ(buffered.Count(), 0u);  // still in the buffer
    EXPECT_TRUE(out.Flush());
    EXPECT_EQ(buffered.Count(), 5u);
    out.WriteCStr(" world");
  }
  EXPECT_EQ(Bytes(buffered), (std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}));

  auto count = OutFileStream::CountOnly();
  auto data = Pattern(30000);
  count.Write(data.data(), 30000);
  EXPECT_TRUE(count.Seek(10));
  count.Write(data.data(), 5);
  EXPECT_EQ(count.Position(), 15u);
  EXPECT_EQ(count.Size(), 30000u);
  EXPECT_TRUE(count.IsGood());
  EXPECT_TRUE(count.Close());
}

TEST(OutFileStream, StringsAreWrittenAsTheirBytes) {
  ByteArray sink;
  {
    auto out = OutFileStream::ToMemory(sink);
    out.WriteAString(AString("ab"));
    out.WriteWString(WString(u"A\u010D"));
    out.WriteCStr(nullptr);
  }
  EXPECT_EQ(Bytes(sink), (std::vector<std::uint8_t>{'a', 'b', 0x41, 0x00, 0x0D, 0x01}));
}

TEST(OutFileStream, SeekTruncateAndWindowsWorkOnTheFile) {
  test::ScratchDir dir;
  auto path = dir / "s.bin";
  {
    OutFileStream out(PathOf(path));
    auto data = Pattern(100);
    out.Write(data.data(), 100);
    EXPECT_FALSE(out.Seek(101));
    ASSERT_TRUE(out.Seek(10));
    out.Write("XYZ", 3);
    ASSERT_TRUE(out.Truncate());
    EXPECT_EQ(out.Size(), 13u);

    std::uint32_t length = 0;
    std::uint8_t* window = out.GetWriteWindow(length);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(length, kStreamBufferSize);  // the truncate wrote the buffer out
    EXPECT_FALSE(out.CommitWritten(length + 1));
    window[0] = '!';
    ASSERT_TRUE(out.CommitWritten(1));
    EXPECT_EQ(out.Position(), 14u);
    EXPECT_TRUE(out.Commit());
    EXPECT_TRUE(out.Close());
    EXPECT_FALSE(out.IsGood());
    EXPECT_FALSE(out.Close());
  }
  auto got = ReadFile(path);
  ASSERT_EQ(got.size(), 14u);
  EXPECT_EQ(got[10], 'X');
  EXPECT_EQ(got[12], 'Z');
  EXPECT_EQ(got[13], '!');

  OutFileStream unbuffered(PathOf(dir / "u.bin"), true, false, false);
  std::uint32_t length = 3;
  EXPECT_EQ(unbuffered.GetWriteWindow(length), nullptr);
  EXPECT_FALSE(unbuffered.CommitWritten(0));
  unbuffered.EnableBuffer();
  EXPECT_NE(unbuffered.GetWriteWindow(length), nullptr);
  EXPECT_EQ(length, kStreamBufferSize);
}

TEST(OutFileStream, CloseAndDeleteRemovesTheFile) {
  test::ScratchDir dir;
  OutFileStream out(PathOf(dir / "d.bin"));
  out.Write("abc", 3);
  ASSERT_TRUE(std::filesystem::exists(dir / "d.bin"));
  out.CloseAndDelete();
  EXPECT_FALSE(out.IsGood());
  EXPECT_FALSE(std::filesystem::exists(dir / "d.bin"));
}

TEST(OutFileStream, FileTimesSurviveTheLastBufferedBytes) {
  test::ScratchDir dir;
  // 2001-02-03 04:05:06 UTC in FILETIME units.
  const std::uint64_t when = FileTimeFromUnix(981173106, 0);
  {
    OutFileStream out(PathOf(dir / "t.bin"));
    out.Write("abc", 3);
    ASSERT_TRUE(out.SetFileTime(nullptr, &when, &when));
  }
  InFileStream in(PathOf(dir / "t.bin"));
  std::uint64_t accessed = 0, written = 0;
  ASSERT_TRUE(in.GetFileTime(nullptr, &accessed, &written));
  EXPECT_EQ(written, when);
  EXPECT_EQ(in.Size(), 3u);
}

}  // namespace
}  // namespace kvn
