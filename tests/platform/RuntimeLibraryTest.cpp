// Libraries opened on first use: what a missing library or function gives,
// and the paths of a machine without libcups or libgsf, where printing finds
// no queues and fails with its message and no compound file opens.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/SystemError.h"
#include "platform/RuntimeLibrary.h"
#include "platform/ole/GsfLibrary.h"
#include "platform/ole/OleStorage.h"
#include "platform/print/CupsLibrary.h"
#include "platform/print/PrintDC.h"
#include "platform/print/Spooler.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

TEST(RuntimeLibrary, UsableOnlyWithTheLibraryAndEveryFunction) {
  struct Case {
    const char* soname;
    std::vector<const char*> functions;
    bool usable;
  };
  const Case cases[] = {
      {"libc.so.6", {"malloc", "free"}, true},
      {"libc.so.6", {"malloc", "kvn_no_such_function", "free"}, false},
      {"libkvn-no-such-library.so.1", {"malloc"}, false},
      {"libkvn-no-such-library.so.1", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.soname) + " with " + std::to_string(c.functions.size()) + " functions");
    RuntimeLibrary library(c.soname);
    for (const char* name : c.functions) {
      void (*function)() = &std::abort;  // overwritten, also when missing
      library.Resolve(function, name);
      const bool exists = std::string(c.soname) == "libc.so.6" && std::string(name) != "kvn_no_such_function";
      EXPECT_EQ(function != nullptr, exists) << name;
    }
    EXPECT_EQ(library.Usable(), c.usable);
  }
}

TEST(RuntimeLibrary, TheTestSeamHidesEveryLibraryWhileItLives) {
  RuntimeLibrary libc("libc.so.6");
  ASSERT_TRUE(libc.Usable());
  ASSERT_NE(Cups(), nullptr);
  ASSERT_NE(Gsf(), nullptr);
  {
    ScopedRuntimeLibrariesMissing outer;
    {
      ScopedRuntimeLibrariesMissing inner;
      EXPECT_FALSE(libc.Usable());
    }
    EXPECT_FALSE(libc.Usable());
    EXPECT_EQ(Cups(), nullptr);
    EXPECT_EQ(Gsf(), nullptr);
  }
  EXPECT_TRUE(libc.Usable());
  EXPECT_NE(Cups(), nullptr);
  EXPECT_NE(Gsf(), nullptr);
}

TEST(RuntimeLibrary, WithoutLibcupsThereAreNoQueuesAndAJobFailsWithItsWords) {
  ScopedRuntimeLibrariesMissing missing;
  std::unique_ptr<Spooler> cups = MakeCupsSpooler();

  std::vector<std::string> names{"stale"};
  int defaultIndex = 3;
  EXPECT_FALSE(cups->ListQueues(names, defaultIndex));
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(defaultIndex, -1);

  PrinterSettings settings;
  std::uint32_t error = 0;
  EXPECT_FALSE(cups->QueueDefaults("TEST", settings, error));
  EXPECT_EQ(error, kErrorInvalidPrinterName);
  std::vector<SpoolerMedium> media(2);
  EXPECT_FALSE(cups->QueueMedia("TEST", media));
  EXPECT_TRUE(media.empty());
  SpoolerChoices choices;
  error = 0;
  EXPECT_FALSE(cups->QueueChoices("TEST", choices, error));
  EXPECT_EQ(error, kErrorNotReady);

  int code = 1;
  std::string text;
  EXPECT_EQ(cups->StartJob(SpoolerJobRequest{"TEST", "x", PrinterSettings{}}, code, text), nullptr);
  EXPECT_EQ(code, kSpError);
  EXPECT_EQ(text, "no print server");

  // As a print job meets it: the document does not start, with the words.
  ScopedSpoolerOverride use(*cups);
  TPrintDC_ dc("TEST", PrinterSettings{}, PrintPageSetup{210, 297, 300, 300, 200, 287, 5, 5});
  EXPECT_EQ(dc.StartDoc(WString(u"x"), WString()), kSpError);
  EXPECT_EQ(dc.SystemText(), "no print server");
}

TEST(RuntimeLibrary, WithoutLibgsfNoCompoundFileOpens) {
  const auto bytes = test::WriteOleCompoundFile({{"Contents", "hello"}});
  test::ScratchDir dir;
  const std::string path = (dir / "old.kvn").string();
  ASSERT_TRUE(test::SaveBytes(path, bytes));
  auto opened = OleStorage::OpenBytes(bytes.data(), bytes.size());
  ASSERT_NE(opened, nullptr);
  {
    ScopedRuntimeLibrariesMissing missing;
    EXPECT_EQ(OleStorage::OpenBytes(bytes.data(), bytes.size()), nullptr);
    EXPECT_EQ(OleStorage::OpenPath(WString::FromUtf8(path)), nullptr);
    // A storage opened before keeps the functions it was opened with.
    const std::vector<OleElement> elements = opened->ListElements();
    ASSERT_EQ(elements.size(), 1u);
    ByteArray out;
    ASSERT_TRUE(opened->ReadWholeStream(out, elements[0]));
    EXPECT_EQ(std::string(out.begin(), out.end()), "hello");
  }
  EXPECT_NE(OleStorage::OpenPath(WString::FromUtf8(path)), nullptr);
}

}  // namespace
}  // namespace kvn
