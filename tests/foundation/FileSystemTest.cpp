#include "foundation/FileSystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "foundation/FileErrorBox.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/PathNames.h"
#include "foundation/ProgramFolders.h"
#include "foundation/StoredPaths.h"
#include "foundation/SystemError.h"
#include "foundation/TempFiles.h"
#include "foundation/Utf16Lines.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

WString W(const fs::path& path) { return WString::FromUtf8(path.string()); }
std::string U(const WString& text) { return text.ToUtf8(); }
WString operator+(const WString& a, const char16_t* b) { return ConcatWStringCStr(a, b); }

void Touch(const fs::path& path, const std::string& contents = "x") {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << contents;
}

class EnvGuard {
 public:
  explicit EnvGuard(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) old_ = v;
  }
  ~EnvGuard() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  void Set(const std::string& value) { ::setenv(name_, value.c_str(), 1); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// --- names as text -----------------------------------------------------------------

std::string Safe(const char16_t* text, int maxLength = 64, bool forceAscii = false) {
  WString name(text);
  MakeSafeFileName(name, maxLength, forceAscii);
  return U(name);
}

TEST(PathNames, MakeSafeFileName) {
  EXPECT_EQ(Safe(u"com1"), "_");
  EXPECT_EQ(Safe(u"NUL"), "_");
  EXPECT_EQ(Safe(u"lpt9"), "_");
  EXPECT_EQ(Safe(u"com1.txt"), "com1_txt");  // the '.' goes first, so no device name is left
  EXPECT_EQ(Safe(u"a:b?.pdf."), "a_b__pdf");
  EXPECT_EQ(Safe(u"   "), "_");
  EXPECT_EQ(Safe(u""), "_");
  EXPECT_EQ(Safe(u"  Plan <1>|2 \"x\"  "), "Plan _1__2 _x_");
  EXPECT_EQ(Safe(u"a\tb\x01" u"c"), "a_b_c");
  EXPECT_EQ(Safe(u"cena 5\u20ac"), "cena 5_");
  EXPECT_EQ(Safe(u"abcdef  ", 3), "abc");
  EXPECT_EQ(Safe(u"ab cd", 3), "ab");  // cut, then trimmed again
  EXPECT_EQ(Safe(u"ab....", 64), "ab");
  // Accented letters stay on a file system that keeps them; folding is asked for here.
  EXPECT_EQ(Safe(u"V\u00fdkres \u010d. 1", 64, true), "Vykres c_ 1");
  if (FileSystemKeepsAccents()) {
    EXPECT_EQ(Safe(u"V\u00fdkres \u010d. 1"), "V\u00fdkres \u010d_ 1");
  }
  // Half of a surrogate pair is never kept, an unpaired one never written.
  const char16_t pair[] = {u'a', 0xD83D, 0xDE00, 0};
  EXPECT_EQ(Safe(pair, 2), "a");
  EXPECT_EQ(Safe(pair, 3), "a\xF0\x9F\x98\x80");
  const char16_t lone[] = {u'a', 0xDC00, u'b', 0};
  EXPECT_EQ(Safe(lone), "a_b");
}

TEST(PathNames, NormalizeDirectoryPath) {
  WString path(u"C:/");
  EXPECT_FALSE(NormalizeDirectoryPath(path));
  EXPECT_EQ(U(path), "C:/");
  path = u"C:\\dir\\";
  EXPECT_TRUE(NormalizeDirectoryPath(path));
  EXPECT_EQ(U(path), "C:/dir");
  path = u"/";
  EXPECT_FALSE(NormalizeDirectoryPath(path));
  path = u"/home/u/";
  EXPECT_TRUE(NormalizeDirectoryPath(path));
  EXPECT_EQ(U(path), "/home/u");
  EXPECT_FALSE(NormalizeDirectoryPath(path));

  WString folder(u"/a");
  AddTrailingBackslash(folder);
  EXPECT_EQ(U(folder), "/a/");
  AddTrailingBackslash(folder);
  EXPECT_EQ(U(folder), "/a/");
  WString empty;
  AddTrailingBackslash(empty);
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(PathNames, NamePartsAndExtensions) {
  EXPECT_EQ(U(GetFileNamePart(u"C:\\dir\\plan.kvn")), "plan.kvn");
  EXPECT_EQ(U(GetFileNamePart(u"/dir/plan.kvn")), "plan.kvn");
  EXPECT_EQ(U(GetFileNamePart(u"plan")), "plan");
  EXPECT_EQ(U(GetFileNamePart(u"/dir/")), "");
  EXPECT_EQ(U(GetFileExtension(u"/dir/plan.v2.kvn")), ".kvn");
  EXPECT_EQ(U(GetFileExtension(u"plan")), "");
  // A '.' in a folder name is no extension.
  EXPECT_EQ(U(GetFileExtension(u"a.b/c")), "");
  EXPECT_EQ(U(GetFileExtension(u"a.b\\c")), "");
  EXPECT_EQ(U(StripPathPrefix(u"/opt/kvn/prints/", u"/opt/kvn/")), "prints/");
  EXPECT_EQ(U(StripPathPrefix(u"/opt/KVN/prints/", u"/opt/kvn/")), "/opt/KVN/prints/");

  StringPair pair(u"name", u"one");
  StringPair copy = pair;
  copy.SetValue(u"two");
  EXPECT_EQ(U(pair.GetValue()), "one");
  EXPECT_EQ(U(copy.GetValue()), "two");
  EXPECT_EQ(U(copy.GetName()), "name");
}

TEST(PathNames, CollapsePath) {
  EXPECT_EQ(U(CollapsePath(u"/a/./b//c/../d")), "/a/b/d");
  EXPECT_EQ(U(CollapsePath(u"/a/b/")), "/a/b/");
  EXPECT_EQ(U(CollapsePath(u"/../..")), "/");
  EXPECT_EQ(U(CollapsePath(u"C:\\x\\..\\y")), "C:/y");
}

// --- files and folders ------------------------------------------------------------

class FileSystemTest : public ::testing::Test {
 protected:
  fs::path P(const std::string& name) const { return scratch_ / name; }
  test::ScratchDir scratch_;
};

TEST_F(FileSystemTest, AttributesAndExistence) {
  Touch(P("file.txt"));
  fs::create_directories(P("dir"));
  Touch(P(".hidden"));

  std::uint32_t error = 99;
  EXPECT_EQ(GetFileAttributesLong(W(P("file.txt")), &error), kFileAttributeNormal);
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(GetFileAttributesLong(W(P("dir")) + u"/"), kFileAttributeDirectory);
  EXPECT_EQ(GetFileAttributesLong(W(P(".hidden"))), kFileAttributeHidden);
  EXPECT_EQ(GetFileAttributesLong(W(P("missing")), &error), kInvalidFileAttributes);
  EXPECT_EQ(error, kErrorFileNotFound);
  EXPECT_EQ(GetFileAttributesLong(W(P("nodir/missing")), &error), kInvalidFileAttributes);
  EXPECT_EQ(error, kErrorPathNotFound);
  std::string tooLong = "/" + std::string(5000, 'a');
  EXPECT_EQ(GetFileAttributesLong(WString::FromUtf8(tooLong), &error), kInvalidFileAttributes);
  EXPECT_EQ(error, kErrorFilenameTooLong);

  EXPECT_TRUE(SetFileAttributesLong(W(P("file.txt")), kFileAttributeReadOnly));
  EXPECT_EQ(GetFileAttributesLong(W(P("file.txt"))), kFileAttributeReadOnly);
  EXPECT_TRUE(SetFileAttributesLong(W(P("file.txt")), kFileAttributeNormal));
  EXPECT_EQ(GetFileAttributesLong(W(P("file.txt"))), kFileAttributeNormal);

  // Backslashes are separators.
  EXPECT_TRUE(FileExists(W(scratch_.Path()) + u"\\file.txt"));
  EXPECT_FALSE(FileExists(W(P("dir"))));
  EXPECT_FALSE(FileExists(u""));
  EXPECT_TRUE(DirectoryExists(W(P("dir"))));
  EXPECT_FALSE(DirectoryExists(W(P("file.txt"))));
  EXPECT_TRUE(PathExists(W(P("dir"))));
  EXPECT_FALSE(PathExists(u""));
}

// Records every box instead of showing it.
class RecordingBackend : public MessageBoxBackend {
 public:
  int ShowBox(const MessageBoxRequest& request) override {
    texts.push_back(request.text);
    styles.push_back(request.style);
    return kIdOk;
  }
  std::vector<WString> texts;
  std::vector<std::uint32_t> styles;
};

class Owner : public cMsgDlg {
 public:
  void* GetWindowHandle() const override { return nullptr; }
  void* GetOwnerWindow() const override { return nullptr; }
};

class ReportTest : public FileSystemTest {
 protected:
  void SetUp() override { previous_ = SetMessageBoxBackend(&backend_); }
  void TearDown() override { SetMessageBoxBackend(previous_); }
  RecordingBackend backend_;
  MessageBoxBackend* previous_ = nullptr;
  Owner owner_;
};

TEST_F(ReportTest, FailuresShowABoxOnlyWithAnOwner) {
  std::uint32_t error = 0;
  WString missing = W(P("missing.txt"));
  EXPECT_FALSE(DeleteFileReport(missing, nullptr, &error));
  EXPECT_EQ(error, kErrorFileNotFound);
  EXPECT_TRUE(backend_.texts.empty());

  EXPECT_FALSE(DeleteFileReport(missing, &owner_, &error));
  ASSERT_EQ(backend_.texts.size(), 1u);
  EXPECT_EQ(backend_.texts[0], FileErrorText(kStrCannotDeleteFile, missing, nullptr, kErrorFileNotFound, false));
  EXPECT_TRUE(backend_.texts[0].View().starts_with(LoadLangString(kStrCannotDeleteFile).View()));
  EXPECT_NE(backend_.texts[0].Find(missing.CStr()), -1);
  EXPECT_TRUE(backend_.styles[0] & kMbIconError);

  Touch(P("a.txt"), "a");
  Touch(P("b.txt"), "b");
  EXPECT_FALSE(MoveFileReport(W(P("a.txt")), W(P("b.txt")), &owner_, &error));
  EXPECT_EQ(error, kErrorAlreadyExists);
  ASSERT_EQ(backend_.texts.size(), 2u);
  WString to = W(P("b.txt"));
  EXPECT_EQ(backend_.texts[1], FileErrorText(kStrCannotMoveFile, W(P("a.txt")), &to, kErrorAlreadyExists, true));
  EXPECT_NE(backend_.texts[1].Find(u"\n\n->\n\n"), -1);
}

TEST_F(ReportTest, LongPathHintOnlyForLongMissingPaths) {
  WString shortPath = W(P("x/y"));
  WString longPath = W(P(std::string(300, 'n') + "/y"));
  WString plain = FileErrorText(kStrCannotCreateFolder, shortPath, nullptr, kErrorPathNotFound, true);
  WString hinted = FileErrorText(kStrCannotCreateFolder, longPath, nullptr, kErrorPathNotFound, true);
  WString expected = FileErrorText(kStrCannotCreateFolder, longPath, nullptr, kErrorPathNotFound, false);
  AppendLongPathHint(kErrorPathNotFound, std::size_t(longPath.Length()), expected);
  EXPECT_EQ(hinted, expected);
  if (!LoadLangString(kStrLongPathHint).IsEmpty()) {
    EXPECT_NE(hinted, FileErrorText(kStrCannotCreateFolder, longPath, nullptr, kErrorPathNotFound, false));
  }
  WString noHint = FileErrorText(kStrCannotCreateFolder, shortPath, nullptr, kErrorPathNotFound, false);
  EXPECT_EQ(plain, noHint);
}

TEST_F(FileSystemTest, DeleteRemoveCreateMove) {
  std::uint32_t error = 0;
  Touch(P("f"));
  EXPECT_TRUE(DeleteFileReport(W(P("f")), nullptr, &error));
  EXPECT_FALSE(fs::exists(P("f")));

  EXPECT_TRUE(CreateDirectoryReport(W(P("d")), nullptr, &error));
  EXPECT_FALSE(CreateDirectoryReport(W(P("d")), nullptr, &error));
  EXPECT_EQ(error, kErrorAlreadyExists);
  EXPECT_FALSE(CreateDirectoryReport(W(P("no/d")), nullptr, &error));
  EXPECT_EQ(error, kErrorPathNotFound);

  Touch(P("d/inside"));
  EXPECT_FALSE(RemoveDirectoryReport(W(P("d")), nullptr, &error));
  EXPECT_EQ(error, kErrorDirNotEmpty);
  EXPECT_FALSE(DeleteFileReport(W(P("d")), nullptr, &error)) << "a folder is not a file";

  Touch(P("src.txt"), "payload");
  EXPECT_TRUE(MoveFileReport(W(P("src.txt")), W(P("d/dst.txt")), nullptr, &error));
  EXPECT_FALSE(fs::exists(P("src.txt")));
  EXPECT_TRUE(fs::exists(P("d/dst.txt")));
  EXPECT_FALSE(MoveFileReport(W(P("src.txt")), W(P("d/again.txt")), nullptr, &error));
  EXPECT_EQ(error, kErrorFileNotFound);
  EXPECT_TRUE(MoveFileReport(W(P("d")), W(P("e")), nullptr, &error)) << "folders move too";
  EXPECT_TRUE(fs::exists(P("e/dst.txt")));
  fs::remove(P("e/inside"));
  fs::remove(P("e/dst.txt"));
  EXPECT_TRUE(RemoveDirectoryReport(W(P("e")), nullptr, &error));
}

TEST_F(FileSystemTest, CreateDirectoryPathMakesEveryMissingParent) {
  WString deep = W(P("a/b\\c/d/"));
  EXPECT_TRUE(CreateDirectoryPath(deep, nullptr));
  EXPECT_TRUE(fs::is_directory(P("a/b/c/d")));
  EXPECT_TRUE(CreateDirectoryPath(deep, nullptr)) << "an existing folder is fine";
  EXPECT_TRUE(CreateDirectoryPath(W(P("a/x")), nullptr));
  EXPECT_TRUE(fs::is_directory(P("a/x")));
  Touch(P("file"));
  EXPECT_FALSE(CreateDirectoryPath(W(P("file/sub")), nullptr));
  EXPECT_FALSE(CreateDirectoryPath(u"nosep", nullptr));

  // Thousands of components must not exhaust the stack.
  std::string many;
  for (int i = 0; i < 1000; ++i) many += "/q";
  EXPECT_TRUE(CreateDirectoryPath(W(scratch_.Path()) + WString::FromUtf8(many).CStr(), nullptr));
}

TEST_F(FileSystemTest, FindFileIteratorMatchesLikeWindows) {
  Touch(P("list/a.dwg"));
  Touch(P("list/B.DWG"));
  Touch(P("list/c.txt"));
  Touch(P("list/noext"));
  Touch(P("list/[x].dwg"));
  fs::create_directories(P("list/sub.dwg"));

  auto list = [&](const WString& pattern) {
    std::set<std::string> names;
    FindFileIterator it(pattern);
    WString name;
    int isFile = -1;
    FindData data;
    while (it.Next(name, isFile, &data)) {
      names.insert(U(name) + (isFile ? "" : "/"));
      EXPECT_EQ(data.name, name);
      EXPECT_EQ(bool(data.attributes & kFileAttributeDirectory), !isFile);
      if (isFile) {
        EXPECT_EQ(data.size, 1u);
      }
      EXPECT_GT(data.lastWriteTime, kFileTimeUnixEpoch);
    }
    EXPECT_FALSE(it.IsOpen()) << "closed at the end";
    return names;
  };
  EXPECT_EQ(list(W(P("list")) + u"\\*.dwg"),
            (std::set<std::string>{"a.dwg", "B.DWG", "[x].dwg", "sub.dwg/"}));
  EXPECT_EQ(list(W(P("list/*.*"))).size(), 6u);
  EXPECT_EQ(list(W(P("list/?.txt"))), std::set<std::string>{"c.txt"});
  EXPECT_EQ(list(W(P("list/[x].dwg"))), std::set<std::string>{"[x].dwg"});

  FindFileIterator missing(W(P("nothing/*")));
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_EQ(missing.Error(), kErrorPathNotFound);
  WString name;
  int isFile;
  EXPECT_FALSE(missing.Next(name, isFile));

  EXPECT_TRUE(HasSubdirectories(W(P("list"))));
  EXPECT_FALSE(HasSubdirectories(W(P("list/sub.dwg"))));
  EXPECT_FALSE(HasSubdirectories(W(P("nothing"))));
}

TEST_F(FileSystemTest, FullPaths) {
  WString file;
  EXPECT_EQ(U(GetFullPath(u"/a/b/../c.kvn  ", &file)), "/a/c.kvn");
  EXPECT_EQ(U(file), "c.kvn");
  EXPECT_EQ(GetFullPath(u""), GetCurrentDirectoryPath());

  WString path(u"sub\\..\\plan.kvn");
  EXPECT_TRUE(MakeAbsolutePath(path, W(scratch_.Path()), &file));
  EXPECT_EQ(U(path), (scratch_.Path() / "plan.kvn").string());
  WString keep(u"x");
  EXPECT_FALSE(MakeAbsolutePath(keep, W(P("missing")), nullptr));
  EXPECT_EQ(U(keep), "x");

  Touch(P("prog/kvnviewer"));
  SetProgramDirectory(W(P("prog")), u"kvnviewer");
  WString program;
  EXPECT_EQ(U(GetProgramDirectory(&program)), P("prog").string() + "/");
  EXPECT_EQ(U(program), "kvnviewer");
  WString relative(u"fonts/a.shx");
  EXPECT_TRUE(ResolveFromProgramDirectory(relative));
  EXPECT_EQ(U(relative), P("prog/fonts/a.shx").string());
  SetProgramDirectory(WString(), WString());

  EXPECT_TRUE(FileExists(GetModulePath()));
  EXPECT_FALSE(IsProgramOnRemovableDrive());
}

TEST_F(FileSystemTest, NearestExistingDirectory) {
  fs::create_directories(P("a/b"));
  EXPECT_EQ(U(NearestExistingDirectory(W(P("a/b/c/d/")))), P("a/b").string() + "/");
  EXPECT_EQ(U(NearestExistingDirectory(W(P("a\\b")))), P("a/b").string() + "/");
  EXPECT_EQ(U(NearestExistingDirectory(u"/")), "/");
  EXPECT_TRUE(NearestExistingDirectory(u"no-such-relative").IsEmpty());
}

// --- temporary files ---------------------------------------------------------------

TEST_F(FileSystemTest, TempFilesGoToTheTemporaryFolder) {
  EnvGuard tmpdir("TMPDIR");
  tmpdir.Set(P("tmp").string());
  fs::create_directories(P("tmp"));
  EXPECT_EQ(U(GetTempDirectory()), P("tmp").string() + "/");
  WString name;
  {
    TempFile temp;
    name = temp.Name();
    ASSERT_FALSE(name.IsEmpty());
    EXPECT_EQ(U(name).rfind(P("tmp/QRN").string(), 0), 0u) << U(name);
    EXPECT_TRUE(U(name).ends_with(".TMP"));
    EXPECT_TRUE(FileExists(name));
  }
  EXPECT_FALSE(FileExists(name)) << "deleted with the object";
  tmpdir.Set(P("missing").string());
  EXPECT_EQ(U(GetTempDirectory()), "/tmp/");
}

TEST_F(FileSystemTest, TempFileFallbackNeverWritesIntoTheProgramFolder) {
  EnvGuard cache("XDG_CACHE_HOME");
  cache.Set(P("cache").string());
  fs::create_directories(P("prog"));
  SetProgramDirectory(W(P("prog")), u"kvnviewer");

  std::vector<WString> names;
  for (int i = 0; i < 3; ++i) names.push_back(CreateTempFileIn(W(P("unwritable-because-missing"))));
  SetProgramDirectory(WString(), WString());

  for (const WString& name : names) {
    ASSERT_FALSE(name.IsEmpty());
    fs::path path(U(name));
    EXPECT_EQ(path.parent_path(), P("cache/QUARN_KVN_Viewer"));
    EXPECT_TRUE(path.filename().string().starts_with("DummyFile"));
    EXPECT_TRUE(fs::exists(path));
  }
  EXPECT_NE(names[0], names[1]);
  EXPECT_TRUE(fs::is_empty(P("prog")));

  // An existing fallback name is stepped over, never reused.
  std::string last = fs::path(U(names[2])).filename().string();  // DummyFile<n>.TMP
  int n = std::stoi(last.substr(9));
  fs::path taken = P("cache/QUARN_KVN_Viewer") / ("DummyFile" + std::to_string(n + 1) + ".TMP");
  Touch(taken, "keep");
  EXPECT_EQ(fs::path(U(CreateTempFileIn(u""))).filename().string(), "DummyFile" + std::to_string(n + 2) + ".TMP");
  std::ifstream in(taken);
  std::string contents;
  in >> contents;
  EXPECT_EQ(contents, "keep");
}

TEST(TempFiles, AccentsProbe) {
  // /tmp on Linux (tmpfs, ext4) keeps any name; the answer is remembered.
  EXPECT_TRUE(FileSystemKeepsAccents());
  EXPECT_TRUE(FileSystemKeepsAccents());
}

// --- UTF-16 line lists --------------------------------------------------------------

std::string Utf16(const std::u16string& text, bool mark = true) {
  std::string bytes = mark ? std::string("\xFF\xFE", 2) : std::string();
  for (char16_t c : text) {
    bytes += char(c & 0xFF);
    bytes += char(c >> 8);
  }
  return bytes;
}

TEST_F(FileSystemTest, ReadUtf16Lines) {
  OwnedArray<WString> lines;
  Touch(P("lines.txt"), Utf16(u"first\r\n\u010dtvrt\n\nlast without LF") + "\x41");
  ASSERT_TRUE(ReadUtf16LinesFromFile(W(P("lines.txt")), lines));
  ASSERT_EQ(lines.Count(), 3u);
  EXPECT_EQ(U(*lines[0]), "first");
  EXPECT_EQ(*lines[1], WString(u"\u010dtvrt"));
  EXPECT_TRUE(lines[2]->IsEmpty());

  Touch(P("nomark.txt"), Utf16(u"a\nb\n", false));
  EXPECT_FALSE(ReadUtf16LinesFromFile(W(P("nomark.txt")), lines));
  EXPECT_EQ(lines.Count(), 0u);
  EXPECT_FALSE(ReadUtf16LinesFromFile(W(P("missing.txt")), lines));
  fs::create_directories(P("folder"));
  EXPECT_FALSE(ReadUtf16LinesFromFile(W(P("folder")), lines));

  ByteArray memory;
  std::string bytes = Utf16(u"x\ny\n");
  memory.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
  InFileStream stream = InFileStream::FromMemory(memory);
  ASSERT_TRUE(ReadUtf16Lines(stream, lines));
  EXPECT_EQ(lines.Count(), 2u);
}

// --- paths written on Windows --------------------------------------------------------

TEST_F(FileSystemTest, StoredWindowsPathsFindTheirFiles) {
  Touch(P("proj/XRef/Part.DWG"));
  Touch(P("proj/Plan.kvn"));
  WString base = W(P("proj"));
  WString found;
  const std::string part = P("proj/XRef/Part.DWG").string();

  EXPECT_TRUE(ResolveStoredPath(u"xref\\part.dwg", base, found));
  EXPECT_EQ(U(found), part);
  EXPECT_TRUE(ResolveStoredPath(u".\\XREF\\..\\xref\\PART.dwg", base, found));
  EXPECT_EQ(U(found), part);
  // A drive letter, then the path from the root (here: the scratch folder in full).
  EXPECT_TRUE(ResolveStoredPath(WString::FromUtf8("D:" + P("PROJ/xref/part.dwg").string()), WString(), found));
  EXPECT_EQ(U(found), part);
  // Drawn on another machine: its trailing folders below the base.
  EXPECT_TRUE(ResolveStoredPath(u"C:\\Users\\jan\\Projekty\\XRef\\Part.dwg", base, found));
  EXPECT_EQ(U(found), part);
  EXPECT_TRUE(ResolveStoredPath(u"\\\\server\\share\\plans\\plan.KVN", base, found));
  EXPECT_EQ(U(found), P("proj/Plan.kvn").string());
  EXPECT_TRUE(ResolveStoredPath(u"\\\\?\\C:\\x\\plan.kvn", base, found));
  EXPECT_TRUE(ResolveStoredPath(WString::FromUtf8(part), WString(), found));
  EXPECT_EQ(U(found), part);

  found = u"untouched";
  EXPECT_FALSE(ResolveStoredPath(u"xref\\other.dwg", base, found));
  EXPECT_FALSE(ResolveStoredPath(u"xref", base, found)) << "a folder is no file";
  EXPECT_FALSE(ResolveStoredPath(u"xref\\part.dwg", WString(), found)) << "relative without a base";
  EXPECT_FALSE(ResolveStoredPath(u"", base, found));
  EXPECT_FALSE(ResolveStoredPath(u"C:\\", base, found));
  EXPECT_EQ(U(found), "untouched");
}

TEST_F(FileSystemTest, StoredPathPrefersTheExactNameAndThenByteOrder) {
  Touch(P("case/Plan.kvn"), "upper");
  Touch(P("case/plan.kvn"), "lower");
  Touch(P("case/PLAN.KVN"), "all");
  WString found;
  ASSERT_TRUE(ResolveStoredPath(u"plan.kvn", W(P("case")), found));
  EXPECT_EQ(U(found), P("case/plan.kvn").string());
  ASSERT_TRUE(ResolveStoredPath(u"pLaN.kvn", W(P("case")), found));
  EXPECT_EQ(U(found), P("case/PLAN.KVN").string());
}

}  // namespace
}  // namespace kvn
