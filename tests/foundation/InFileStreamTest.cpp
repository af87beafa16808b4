#include "foundation/InFileStream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <chrono>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/LangTable.h"
#include "foundation/LongPathFiles.h"
#include "foundation/MsgBox.h"
#include "foundation/SystemError.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

// The interface language for one test, put back afterwards: system error
// texts follow it (Czech, the default, once its locale is installed).
class ScopedLanguage {
 public:
  explicit ScopedLanguage(int index) : saved_(GetLanguageIndex()) { SetLanguageIndex(index); }
  ~ScopedLanguage() { SetLanguageIndex(saved_); }
  ScopedLanguage(const ScopedLanguage&) = delete;
  ScopedLanguage& operator=(const ScopedLanguage&) = delete;

 private:
  int saved_;
};

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint32_t seed = 1) {
  std::vector<std::uint8_t> v(n);
  std::mt19937 rng(seed);
  for (auto& b : v) b = std::uint8_t(rng());
  return v;
}

void WriteFile(const std::filesystem::path& p, const std::vector<std::uint8_t>& bytes) {
  std::ofstream f(p, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

WString PathOf(const std::filesystem::path& p) { return WString::FromUtf8(p.string()); }

ByteArray ToArray(const std::vector<std::uint8_t>& v) {
  ByteArray a;
  a.AppendBytes(v.data(), std::int64_t(v.size()));
  return a;
}

// A source stream over a vector that records every read it serves.
class RecordingSource : public SourceStream {
 public:
  explicit RecordingSource(std::vector<std::uint8_t> data) : data_(std::move(data)) {}
  std::uint32_t Read(void* buffer, std::uint32_t n) override {
    reads.push_back(n);
    std::uint32_t got = std::uint32_t(std::min<std::uint64_t>(n, data_.size() - pos_));
    std::memcpy(buffer, data_.data() + pos_, got);
    pos_ += got;
    if (got < n) atEnd_ = true;
    return got;
  }
  bool Seek(std::uint64_t pos) override {
    if (pos > data_.size()) return false;
    pos_ = pos;
    atEnd_ = false;
    return true;
  }
  std::uint32_t Size() const override { return std::uint32_t(data_.size()); }
  bool AtEnd() const override { return atEnd_; }

  std::vector<std::uint32_t> reads;
  std::vector<std::uint8_t> data_;
  std::uint64_t pos_ = 0;
  bool atEnd_ = false;
};

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

TEST(InFileStream, ReadAcrossTheFirstBlockCopiesAndLoadsTheNext) {
  test::ScratchDir dir;
  auto data = Pattern(20000);
  WriteFile(dir / "a.bin", data);
  InFileStream in(PathOf(dir / "a.bin"));
  ASSERT_TRUE(in.IsOpen());
  EXPECT_EQ(in.Size(), 20000u);
  ASSERT_TRUE(in.Seek(100));
  std::vector<std::uint8_t> got(10000);
  ASSERT_EQ(in.Read(got.data(), 10000), 10000u);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin() + 100));
  EXPECT_EQ(in.Position(), 10100u);
}

TEST(InFileStream, LargeReadsGoStraightToTheCallerInWholeBlocks) {
  RecordingSource source(Pattern(50000));
  auto in = InFileStream::FromSource(source);
  ASSERT_TRUE(in.Seek(100));
  std::vector<std::uint8_t> got(10000);
  ASSERT_EQ(in.Read(got.data(), 10000), 10000u);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), source.data_.begin() + 100));
  // Block 0 for the seek, then block 1: 1908 bytes left is no whole block.
  EXPECT_EQ(source.reads, (std::vector<std::uint32_t>{8192, 8192}));

  source.reads.clear();
  got.resize(30000);
  ASSERT_EQ(in.Read(got.data(), 30000), 30000u);  // from 10100: 6284 copied, 16384 direct, 7332 from the next block
  EXPECT_TRUE(std::equal(got.begin(), got.end(), source.data_.begin() + 10100));
  EXPECT_EQ(source.reads, (std::vector<std::uint32_t>{16384, 8192}));
  EXPECT_EQ(in.Position(), 40100u);
  // The last block is short: 50000 - 40960.
  got.resize(20000);
  EXPECT_EQ(in.Read(got.data(), 20000), 9900u);
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + 9900, source.data_.begin() + 40100));
  EXPECT_TRUE(in.Eof());
  EXPECT_EQ(in.Read(got.data(), 1), 0u);
}

// Random seeks and reads against the reference bytes, for every kind of source.
TEST(InFileStream, RandomSeeksAndReadsMatchTheData) {
  test::ScratchDir dir;
  auto data = Pattern(70001, 7);
  WriteFile(dir / "r.bin", data);
  ByteArray memory = ToArray(data);
  for (int kind = 0; kind < 6; ++kind) {
    SCOPED_TRACE(kind);
    bool noBuffer = kind % 2 == 1;
    RecordingSource source(data);
    InFileStream in = kind < 2   ? InFileStream(PathOf(dir / "r.bin"), true, nullptr, noBuffer)
                      : kind < 4 ? InFileStream::FromMemory(memory, noBuffer)
                                 : InFileStream::FromSource(source, noBuffer);
    ASSERT_TRUE(in.IsOpen());
    EXPECT_EQ(in.IsBuffered(), !noBuffer);
    std::mt19937 rng(kind);
    std::vector<std::uint8_t> got;
    for (int step = 0; step < 300; ++step) {
      if (rng() % 4 == 0) {
        std::uint64_t to = rng() % (data.size() + 1);
        ASSERT_TRUE(in.Seek(to));
      }
      std::uint64_t pos = in.Position();
      std::uint32_t n = rng() % 3 == 0 ? rng() % 30000 : rng() % 300;
      got.assign(n, 0);
      std::uint32_t expected = std::uint32_t(std::min<std::uint64_t>(n, data.size() - pos));
      if (rng() % 8 == 0 && n > 0) {
        // Byte by byte for a while.
        std::uint32_t k = std::min<std::uint32_t>(expected, 50);
        for (std::uint32_t i = 0; i < k; ++i) ASSERT_EQ(in.ReadByte(), data[pos + i]);
        continue;
      }
      ASSERT_EQ(in.Read(got.data(), n), expected);
      ASSERT_TRUE(std::equal(got.begin(), got.begin() + expected, data.begin() + pos));
      ASSERT_EQ(in.Position(), pos + expected);
    }
    EXPECT_FALSE(in.Seek(data.size() + 1));
  }
}

// A file read on block after block comes from the read-ahead; windows,
// bytes, reads across blocks and seeks back into or out of it all see the
// file's bytes, and a file that shrinks past the read-ahead still closes.
TEST(InFileStream, SequentialReadingIsServedAheadAndSeesTheFile) {
  test::ScratchDir dir;
  const auto data = Pattern(3 * 1024 * 1024 + 777, 11);
  WriteFile(dir / "big.bin", data);
  {
    InFileStream in(PathOf(dir / "big.bin"));
    std::vector<std::uint8_t> seen;
    std::mt19937 rng(5);
    while (!in.Eof()) {
      const std::uint32_t pick = rng() % 8;
      const std::uint64_t pos = in.Position();
      if (pick == 0) {
        seen.push_back(in.ReadByte());
      } else if (pick == 1) {
        std::vector<std::uint8_t> got(rng() % 20000);
        got.resize(in.Read(got.data(), std::uint32_t(got.size())));
        seen.insert(seen.end(), got.begin(), got.end());
      } else {
        std::uint32_t length = 0;
        const std::uint8_t* w = in.GetReadWindow(length);
        ASSERT_NE(w, nullptr);
        const std::uint32_t take = std::min<std::uint32_t>(length, 1 + rng() % 9000);
        seen.insert(seen.end(), w, w + take);
        ASSERT_TRUE(in.ConsumeWindow(take));
      }
      ASSERT_EQ(in.Position(), pos + (seen.size() - pos));
    }
    ASSERT_EQ(seen.size(), data.size());
    EXPECT_TRUE(seen == data);
    EXPECT_GT(in.BlocksReadAhead(), 300u);
    // Back into the read-ahead, then to the start and into the tail again.
    for (std::uint64_t to : {std::uint64_t(data.size() - 5000), std::uint64_t(0), std::uint64_t(2000000)}) {
      ASSERT_TRUE(in.Seek(to));
      std::vector<std::uint8_t> got(12000);
      const std::uint32_t n = in.Read(got.data(), 12000);
      ASSERT_EQ(n, std::min<std::uint64_t>(12000, data.size() - to));
      EXPECT_TRUE(std::equal(got.begin(), got.begin() + n, data.begin() + std::ptrdiff_t(to)));
    }
  }
  {
    // A few blocks are read alone before the read-ahead starts.
    InFileStream in(PathOf(dir / "big.bin"));
    std::vector<std::uint8_t> head(3 * kStreamBufferSize);
    for (std::uint8_t& b : head) b = in.ReadByte();
    EXPECT_EQ(in.BlocksReadAhead(), 0u);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), data.begin()));
  }
  {
    InFileStream in(PathOf(dir / "big.bin"));
    std::vector<std::uint8_t> got(100000);
    std::uint32_t length = 0;
    std::uint64_t delivered = 0;
    while (delivered < 100000 && in.GetReadWindow(length)) {
      in.ConsumeWindow(length);
      delivered += length;
    }
    std::filesystem::resize_file(dir / "big.bin", 2 * 1024 * 1024);
    while (in.GetReadWindow(length)) {
      ASSERT_TRUE(in.ConsumeWindow(length));
      delivered += length;
    }
    EXPECT_FALSE(in.IsOpen());
    EXPECT_EQ(in.LastError(), kErrorHandleEof);
    EXPECT_LE(delivered, 2u * 1024 * 1024);
  }
}

TEST(InFileStream, CanReadIsFalseAtTheEndEvenForNothing) {
  ByteArray memory = ToArray(Pattern(100));
  auto in = InFileStream::FromMemory(memory);
  EXPECT_TRUE(in.CanRead(0, 8));
  EXPECT_TRUE(in.CanRead(25, 4));
  EXPECT_FALSE(in.CanRead(26, 4));
  // A product past 64 bits is never available.
  EXPECT_FALSE(in.CanRead(std::uint64_t(1) << 40, std::uint64_t(1) << 40));
  ASSERT_TRUE(in.Seek(100));
  EXPECT_TRUE(in.Eof());
  EXPECT_FALSE(in.CanRead(0, 0));
  EXPECT_FALSE(in.CanRead(0, 1));
}

TEST(InFileStream, AMissingFileKeepsTheErrorAndShowsTheNoticeOnlyWithAnOwner) {
  const ScopedLanguage english(kLanguageEnglish);
  test::ScratchDir dir;
  RecordingBackend backend;
  MessageBoxBackend* previous = SetMessageBoxBackend(&backend);
  InFileStream in(PathOf(dir / "missing.dwg"));
  EXPECT_FALSE(in.IsOpen());
  EXPECT_TRUE(in.Eof());
  EXPECT_EQ(in.LastError(), kErrorFileNotFound);
  std::uint8_t b[4];
  EXPECT_EQ(in.Read(b, 4), 0u);
  EXPECT_EQ(in.ReadByte(), 0);
  EXPECT_FALSE(in.Seek(0));
  std::uint32_t length = 99;
  EXPECT_EQ(in.GetReadWindow(length), nullptr);
  EXPECT_EQ(length, 0u);

  EXPECT_FALSE(in.CheckOpen(nullptr));
  EXPECT_TRUE(backend.texts.empty());
  NullOwner owner;
  EXPECT_FALSE(in.CheckOpen(&owner));
  ASSERT_EQ(backend.texts.size(), 1u);
  EXPECT_NE(backend.texts[0].find("missing.dwg"), std::string::npos);
  EXPECT_NE(backend.texts[0].find("No such file"), std::string::npos);
  SetMessageBoxBackend(previous);

  InFileStream folder(PathOf(dir.Path()));
  EXPECT_FALSE(folder.IsOpen());
  EXPECT_EQ(folder.LastError(), kErrorAccessDenied);
  // A missing folder on the way is "path not found", as Windows reports it.
  InFileStream deeper(PathOf(dir / "no" / "file"));
  EXPECT_EQ(deeper.LastError(), kErrorPathNotFound);
  InFileStream underFile(PathOf(dir / "missing.dwg" / "x"));
  EXPECT_FALSE(underFile.IsOpen());
}

TEST(SystemError, ErrnoMapsToWin32CodesAndBackToItsText) {
  EXPECT_EQ(SystemErrorFromErrno(0), kErrorSuccess);
  EXPECT_EQ(SystemErrorFromErrno(ENOENT), kErrorFileNotFound);
  EXPECT_EQ(SystemErrorFromErrno(EACCES), kErrorAccessDenied);
  EXPECT_EQ(SystemErrorFromErrno(ENOSPC), kErrorDiskFull);
  EXPECT_EQ(SystemErrorFromErrno(ENAMETOOLONG), kErrorFilenameTooLong);
  EXPECT_EQ(SystemErrorFromErrno(EEXIST), kErrorFileExists);
  // An errno without a Win32 counterpart keeps its own text.
  std::uint32_t odd = SystemErrorFromErrno(EHOSTDOWN);
  EXPECT_EQ(odd, kErrnoCodeFlag | EHOSTDOWN);
  {
    // English texts are the C library's own (this process runs in "C").
    const ScopedLanguage english(kLanguageEnglish);
    EXPECT_EQ(GetSystemErrorText(odd), AString(std::strerror(EHOSTDOWN)));
    EXPECT_EQ(GetSystemErrorText(kErrorDiskFull), AString(std::strerror(ENOSPC)));
    EXPECT_EQ(GetSystemErrorText(kErrorPathNotFound), AString(std::strerror(ENOENT)));
    EXPECT_FALSE(GetSystemErrorText(kErrorHandleEof).IsEmpty());
    EXPECT_EQ(GetSystemErrorText(12345), AString("System error 12345."));
  }
  // The Czech and Slovak interfaces take the texts of their locales, which
  // scripts/install-deps.sh generates, with every accented letter: the C
  // library's own text under the whole UTF-8 locale. The C library keeps a
  // text once translated whatever character set asked for it, until a
  // locale is set: each text is asked for afresh.
  auto forget = [] {
    const std::string messages = std::setlocale(LC_MESSAGES, nullptr);
    std::setlocale(LC_MESSAGES, messages.c_str());
  };
  struct Language {
    int index;
    const char* locale;
  };
  for (const Language& language : {Language{kLanguageCzech, "cs_CZ.UTF-8"}, Language{kLanguageSlovak, "sk_SK.UTF-8"}}) {
    SCOPED_TRACE(language.locale);
    const ScopedLanguage scoped(language.index);
    locale_t whole = ::newlocale(LC_ALL_MASK, language.locale, locale_t(nullptr));
    ASSERT_NE(whole, locale_t(nullptr)) << "the " << language.locale
                                        << " locale is missing: run scripts/install-deps.sh";
    for (const auto& [code, err] : {std::pair{kErrorPathNotFound, ENOENT}, std::pair{kErrorDiskFull, ENOSPC}}) {
      forget();
      const AString shown = GetSystemErrorText(code);
      forget();
      const AString own(::strerror_l(err, whole));
      EXPECT_NE(own, AString(std::strerror(err))) << "no message catalogue";
      EXPECT_EQ(shown, own);
      // "Adresář nebo soubor neexistuje": accented, never '?'.
      const std::string_view text = shown.View();
      EXPECT_EQ(text.find('?'), std::string_view::npos) << text;
      EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](char c) { return (unsigned char)c >= 0x80; })) << text;
    }
    ::freelocale(whole);
  }
}

TEST(InFileStream, AFileThatShrinksClosesTheStream) {
  test::ScratchDir dir;
  WriteFile(dir / "s.bin", Pattern(30000));
  InFileStream in(PathOf(dir / "s.bin"));
  std::uint8_t buffer[100];
  ASSERT_EQ(in.Read(buffer, 100), 100u);
  std::filesystem::resize_file(dir / "s.bin", 5000);
  std::vector<std::uint8_t> big(20000);
  EXPECT_EQ(in.Read(big.data(), 20000), 0u);
  EXPECT_FALSE(in.IsOpen());
  EXPECT_EQ(in.LastError(), kErrorHandleEof);
  EXPECT_EQ(in.Read(buffer, 1), 0u);
}

TEST(InFileStream, AMemorySourceNeverReadsPastItsCount) {
  ByteArray memory = ToArray(Pattern(20000));
  auto in = InFileStream::FromMemory(memory);
  std::uint8_t b[10];
  ASSERT_EQ(in.Read(b, 10), 10u);
  memory.SetCount(100);  // the owner shrank the array
  ASSERT_FALSE(in.Seek(12000));
  EXPECT_FALSE(in.IsOpen());
  EXPECT_EQ(in.Read(b, 10), 0u);
}

TEST(InFileStream, ASourceThatRunsDryEndsTheStream) {
  RecordingSource source(Pattern(20000));
  auto in = InFileStream::FromSource(source);
  source.data_.resize(9000);  // delivers less than it announced
  std::vector<std::uint8_t> got(20000);
  EXPECT_EQ(in.Read(got.data(), 20000), 0u);
  EXPECT_FALSE(in.IsOpen());
  EXPECT_TRUE(in.Eof());
}

TEST(InFileStream, ReadWindowsWalkTheBlocks) {
  ByteArray memory = ToArray(Pattern(20000, 3));
  auto in = InFileStream::FromMemory(memory);
  std::vector<std::uint32_t> lengths;
  std::vector<std::uint8_t> seen;
  for (;;) {
    std::uint32_t length = 0;
    const std::uint8_t* w = in.GetReadWindow(length);
    if (length == 0) break;
    lengths.push_back(length);
    // Take the window in two bites, refusing one byte too many first.
    EXPECT_FALSE(in.ConsumeWindow(length + 1));
    std::uint32_t half = length / 2;
    seen.insert(seen.end(), w, w + length);
    ASSERT_TRUE(in.ConsumeWindow(half));
    std::uint32_t rest = 0;
    EXPECT_EQ(in.GetReadWindow(rest), w + half);
    EXPECT_EQ(rest, length - half);
    ASSERT_TRUE(in.ConsumeWindow(rest));
  }
  EXPECT_EQ(lengths, (std::vector<std::uint32_t>{8192, 8192, 3616}));
  EXPECT_TRUE(std::equal(seen.begin(), seen.end(), memory.begin(), memory.end()));
  EXPECT_TRUE(in.Eof());
  EXPECT_EQ(in.BytesDelivered(), 20000u);

  in.Rewind();
  EXPECT_EQ(in.Position(), 0u);
  EXPECT_EQ(in.BytesDelivered(), 0u);
  EXPECT_EQ(in.ReadByte(), memory[0]);

  auto unbuffered = InFileStream::FromMemory(memory, true);
  std::uint32_t length = 5;
  EXPECT_EQ(unbuffered.GetReadWindow(length), nullptr);
  EXPECT_EQ(length, 0u);
}

TEST(InFileStream, BuffersGoBackToThePool) {
  ByteArray memory;
  { auto warm = InFileStream::FromMemory(memory); }
  std::uint32_t before = StreamBufferPoolCount();
  ASSERT_GE(before, 1u);
  {
    auto in = InFileStream::FromMemory(memory);
    EXPECT_EQ(StreamBufferPoolCount(), before - 1);
    auto unbuffered = InFileStream::FromMemory(memory, true);
    EXPECT_EQ(StreamBufferPoolCount(), before - 1);
  }
  EXPECT_EQ(StreamBufferPoolCount(), before);
}

TEST(InFileStream, FileTimesAreFileTimeUnits) {
  test::ScratchDir dir;
  WriteFile(dir / "t.bin", Pattern(10));
  InFileStream in(PathOf(dir / "t.bin"));
  std::uint64_t created = 0, accessed = 0, written = 0;
  ASSERT_TRUE(in.GetFileTime(&created, &accessed, &written));
  auto now = std::chrono::system_clock::now().time_since_epoch();
  std::uint64_t nowFileTime = FileTimeFromUnix(std::chrono::duration_cast<std::chrono::seconds>(now).count(), 0);
  // Within a minute of now, in 100 ns units since 1601.
  EXPECT_LT(written > nowFileTime ? written - nowFileTime : nowFileTime - written, 600'000'000u);
  EXPECT_LE(created, written + 10'000'000u);
  ByteArray memory;
  EXPECT_FALSE(InFileStream::FromMemory(memory).GetFileTime(&created, nullptr, nullptr));
}

}  // namespace
}  // namespace kvn
