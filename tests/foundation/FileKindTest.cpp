// What a name is before anything opens it, and the streams' answer to a
// name that is no file to read: a named pipe or a socket is refused at once
// with the program's own reason, never waited on; a folder keeps Windows's
// "access denied" in the stream, and its own reason where a kind is asked.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>

#include "foundation/FileSystem.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/OutFileStream.h"
#include "foundation/SystemError.h"
#include "tests/support/TestData.h"
#include "tests/support/UnopenableFiles.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

WString PathOf(const fs::path& p) { return WString::FromUtf8(p.string()); }

TEST(FileKind, EachKindIsToldAndOnlyARegularFileOpensToRead) {
  test::ScratchDir dir;
  struct Case {
    const char* name;
    std::function<bool(const fs::path&)> make;
    FileKind kind;
    std::uint32_t kindError;    // FileKindError
    std::uint32_t streamError;  // InFileStream's LastError; 0: it opens
  } cases[] = {
      {"plan.dxf", [](const fs::path& p) { return bool(std::ofstream(p) << "0\nEOF\n"); }, FileKind::kRegular,
       kErrorSuccess, kErrorSuccess},
      {"folder.dxf", [](const fs::path& p) { return fs::create_directory(p); }, FileKind::kFolder,
       kErrorDirectoryNotSupported, kErrorAccessDenied},
      {"pipe.dxf", test::MakePipe, FileKind::kOther, kErrorBadFileType, kErrorBadFileType},
      {"socket.dxf", test::MakeSocket, FileKind::kOther, kErrorBadFileType, kErrorBadFileType},
      {"missing.dxf", [](const fs::path&) { return true; }, FileKind::kNone, kErrorSuccess, kErrorFileNotFound},
      // A link is what it leads to.
      {"link.dxf", test::LinkTo("plan.dxf"), FileKind::kRegular, kErrorSuccess, kErrorSuccess},
      {"zero.dxf", test::LinkTo("/dev/zero"), FileKind::kOther, kErrorBadFileType, kErrorBadFileType},
      {"loop.dxf", test::LinkTo("loop.dxf"), FileKind::kNone, kErrorSuccess, kErrorCantResolveFilename},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = dir / c.name;
    ASSERT_TRUE(c.make(path));
    EXPECT_EQ(GetFileKind(PathOf(path)), c.kind);
    EXPECT_EQ(IsRegularFile(PathOf(path)), c.kind == FileKind::kRegular);
    EXPECT_EQ(FileKindError(c.kind), c.kindError);
    // Read-only and read-write alike; a pipe is freed should an open wait.
    for (const bool readOnly : {true, false}) {
      test::PipeWatchdog watchdog(path, 3s);
      const InFileStream in(PathOf(path), readOnly);
      EXPECT_FALSE(watchdog.Fired()) << "the open waited for a writer";
      EXPECT_EQ(in.IsOpen(), c.streamError == kErrorSuccess);
      EXPECT_EQ(in.LastError(), c.streamError);
    }
  }
}

TEST(FileKind, TheReasonsAreTheProgramsOwnTextsAndWritingToADeviceStillWorks) {
  for (const int language : {kLanguageCzech, kLanguageSlovak, kLanguageEnglish}) {
    SetLanguageIndex(language);
    InvalidateLangTable();
    EXPECT_EQ(std::string(GetSystemErrorText(kErrorDirectoryNotSupported).View()),
              LoadLangString(kStrIsAFolder).ToUtf8());
    EXPECT_EQ(std::string(GetSystemErrorText(kErrorBadFileType).View()), LoadLangString(kStrNotAFile).ToUtf8());
    EXPECT_FALSE(LoadLangString(kStrNotAFile).IsEmpty());
  }
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
  EXPECT_EQ(LoadLangString(kStrIsAFolder).ToUtf8(), "This is a folder, not a file.");
  // Only reading refuses what is not a regular file.
  OutFileStream out(WString(u"/dev/null"));
  EXPECT_TRUE(out.IsGood());
}

}  // namespace
}  // namespace kvn
