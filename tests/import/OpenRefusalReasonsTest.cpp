// Names that are no drawing to read, given to the open dispatcher: a
// folder, a named pipe, a socket and a file without read permission are
// each refused at once with what is wrong, in the viewer's one message;
// and a picture a drawing shows that may not be read, or is no file at all,
// is told as not opened, with the reason the drawing's own open gives,
// never as damaged or not found.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "document/OpenDrawingFile.h"
#include "document/OpenFailureMessage.h"
#include "document/ResultCodes.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "dwg/InstallReaders.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/SystemError.h"
#include "foundation/TextFormat.h"
#include "import/records/ImportLosses.h"
#include "model/cBlock.h"
#include "render/PictureServicesImpl.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/OleFixtures.h"
#include "tests/support/TestData.h"
#include "tests/support/UnopenableFiles.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

WString PathOf(const fs::path& p) { return WString::FromUtf8(p.string()); }
std::u16string Reason(std::uint32_t code) {
  return std::u16string(WString::FromUtf8(GetSystemErrorText(code).View()).View());
}

bool SaveText(const fs::path& path, const std::string& text) { return bool(std::ofstream(path) << text); }

// Whether this thread cannot open the file to read (root reads anything
// unless held to permissions).
bool Unreadable(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) ::close(fd);
  return fd < 0;
}

class OpenRefusalReasons : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallRendererPictureServices();
    InstallReaders(registry_);
  }
  DocumentResult Open(const fs::path& path) {
    OpenRequest request;
    request.quiet = true;
    return OpenDrawing(PathOf(path), request, registry_);
  }
  // Opens `path`, which must be refused at once: 5001, the reason as the
  // detail, and the message "Cannot open the file:", the name and the
  // reason after an empty line.
  void ExpectRefused(const fs::path& path, std::uint32_t reason) {
    test::PipeWatchdog watchdog(path, 3s);
    const DocumentResult result = Open(path);
    EXPECT_FALSE(watchdog.Fired()) << "the open waited for a writer";
    ASSERT_FALSE(result.Ok());
    EXPECT_EQ(result.Code(), kOpenNotReadable);
    EXPECT_EQ(std::u16string(result.Detail().View()), Reason(reason));
    const std::u16string message(MakeOpenFailureMessage(result, PathOf(path)).text.View());
    EXPECT_EQ(message, std::u16string(LoadLangString(kStrCannotOpenFile).View()) + u"\n" +
                           std::u16string(PathOf(path).View()) + u"\n\n" + Reason(reason));
  }
  FormatRegistry registry_;
  test::ScratchDir dir_;
};

// A line and two IMAGEs of one definition, whose file is `stored`.
std::string TwoImagesDrawing(const std::string& stored) {
  test::DxfWriter w;
  w.Section("ENTITIES").Line("0", 0, 0, 1, 1);
  for (const double x : {0.0, 10.0}) {
    w.Str(0, "IMAGE").Str(8, "0").Point(10, x, 0).Point(11, 1, 0, 0).Point(12, 0, 1, 0).Real(13, 4).Real(23, 3);
    w.Str(340, "2A");
  }
  w.EndSection();
  w.Section("OBJECTS").Str(0, "IMAGEDEF").Str(5, "2A").Str(1, stored).EndSection().Eof();
  return w.Bytes();
}

std::size_t PicturesShown(const DocumentResult& result) {
  std::size_t n = 0;
  for (cOutObj* o = result.Document()->GetSheet(0)->TopBlock().FirstObject(); o; o = o->next)
    n += o->AsBitmap() ? 1 : 0;
  return n;
}

std::string OneLineDrawing() {
  return test::DxfWriter().Section("ENTITIES").Line("0", 0, 0, 1, 1).EndSection().Eof().Bytes();
}

// A folder is never "Permission denied"; a pipe never keeps the open waiting.
TEST_F(OpenRefusalReasons, WhatIsNoFileToReadIsRefusedAtOnceByWhatItIs) {
  const struct {
    const char* name;
    std::function<bool(const fs::path&)> make;
    std::uint32_t reason;
  } cases[] = {
      {"folder.dxf", [](const fs::path& p) { return fs::create_directory(p); }, kErrorDirectoryNotSupported},
      {"pipe.dxf", test::MakePipe, kErrorBadFileType},
      {"pipe.wmf", test::MakePipe, kErrorBadFileType},
      {"socket.dwg", test::MakeSocket, kErrorBadFileType},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(c.make(dir_ / c.name));
    ExpectRefused(dir_ / c.name, c.reason);
  }
}

// Each kind of name that is no picture file: told once for its two IMAGEs,
// by the reason the same name gets when opened as a drawing; the drawing is
// shown without it, and no open waits on a pipe or reads a device.
TEST_F(OpenRefusalReasons, APictureThatIsNoFileIsToldByWhatItIsOnce) {
  const std::string bmp = test::SmallBmpFile(4, 3, 0x00FF00);
  const struct {
    const char* what;
    std::string stored;  // the definition's file name
    std::function<bool(const fs::path&)> make;
    std::uint32_t reason;  // kErrorSuccess: the picture shows
  } cases[] = {
      {"folder", "pic.bmp", [](const fs::path& p) { return fs::create_directory(p); }, kErrorDirectoryNotSupported},
      {"named pipe", "pic.bmp", test::MakePipe, kErrorBadFileType},
      {"socket", "pic.bmp", test::MakeSocket, kErrorBadFileType},
      {"device, by its Windows-written path", "\\dev\\zero", [](const fs::path&) { return true; },
       kErrorBadFileType},
      {"loop of links", "pic.bmp", test::LinkTo("pic.bmp"), kErrorCantResolveFilename},
      {"link to /dev/zero", "C:\\old\\pic.bmp", test::LinkTo("/dev/zero"), kErrorBadFileType},
      {"link to a picture", "pic.bmp", test::LinkTo("real.bmp"), kErrorSuccess},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path folder = dir_ / std::to_string(n++);
    ASSERT_TRUE(fs::create_directory(folder));
    ASSERT_TRUE(SaveText(folder / "real.bmp", bmp));
    ASSERT_TRUE(c.make(folder / "pic.bmp"));
    ASSERT_TRUE(SaveText(folder / "plan.dxf", TwoImagesDrawing(c.stored)));
    const fs::path picture = c.stored[0] == '\\' ? fs::path("/dev/zero") : folder / "pic.bmp";
    test::PipeWatchdog watchdog(picture, 3s);
    const DocumentResult result = Open(folder / "plan.dxf");
    EXPECT_FALSE(watchdog.Fired()) << "the open waited for a writer";
    ASSERT_TRUE(result.Ok());
    EXPECT_FALSE(result.Partial());
    std::vector<std::string> warnings;
    for (const WString& warning : result.Warnings()) warnings.push_back(warning.ToUtf8());
    if (c.reason == kErrorSuccess) {
      EXPECT_TRUE(warnings.empty());
      EXPECT_EQ(PicturesShown(result), 2u);
      continue;
    }
    EXPECT_EQ(PicturesShown(result), 0u);
    const std::string told =
        FormatPercentS2(LoadLangString(kStrPictureNotOpened), PathOf(picture), WString(Reason(c.reason))).ToUtf8();
    EXPECT_EQ(warnings, std::vector<std::string>{told});
    // The drawing's own open names the same reason.
    ExpectRefused(picture, c.reason);
  }
}

TEST_F(OpenRefusalReasons, AFileThatMayNotBeReadIsRefusedForWantOfPermission) {
  const fs::path path = dir_ / "locked.dxf";
  ASSERT_TRUE(SaveText(path, OneLineDrawing()));
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  test::PermissionsHold permissions;
  if (!permissions.Holds() || !Unreadable(path))
    GTEST_SKIP() << "file permissions do not hold for this process (root without capset)";
  ExpectRefused(path, kErrorAccessDenied);
}

TEST_F(OpenRefusalReasons, APictureThatMayNotBeReadIsToldAsNotOpenedNotAsDamaged) {
  const std::string bmp = test::SmallBmpFile(4, 3, 0x00FF00);
  const fs::path picture = dir_ / "pic.bmp";
  ASSERT_TRUE(SaveText(picture, bmp));
  ASSERT_EQ(::chmod(picture.c_str(), 0), 0);
  const fs::path drawing = dir_ / "plan.dxf";
  test::DxfWriter w;
  w.Section("ENTITIES").Line("0", 0, 0, 1, 1);
  w.Str(0, "IMAGE").Str(8, "0").Point(10, 0, 0).Point(11, 1, 0, 0).Point(12, 0, 1, 0).Real(13, 4).Real(23, 3);
  w.Str(340, "2A").EndSection();
  w.Section("OBJECTS").Str(0, "IMAGEDEF").Str(5, "2A").Str(1, "pic.bmp").EndSection().Eof();
  ASSERT_TRUE(SaveText(drawing, w.Bytes()));
  test::PermissionsHold permissions;
  if (!permissions.Holds() || !Unreadable(picture))
    GTEST_SKIP() << "file permissions do not hold for this process (root without capset)";
  const DocumentResult result = Open(drawing);
  ASSERT_TRUE(result.Ok());
  ASSERT_EQ(result.Warnings().size(), 1u);
  EXPECT_EQ(result.Warnings()[0].ToUtf8(),
            FormatPercentS2(LoadLangString(kStrPictureNotOpened), PathOf(picture),
                            WString::FromUtf8(GetSystemErrorText(kErrorAccessDenied).View()))
                .ToUtf8());
  EXPECT_FALSE(result.Partial());
}

}  // namespace
}  // namespace kvn
