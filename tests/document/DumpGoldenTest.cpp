// kvn-dump on the two-sheet fixture prints exactly the golden JSON, and on
// a damaged file still prints one document with the result code.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "document/ResultCodes.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/TestData.h"

namespace kvn::test {
namespace {

// Standard output of kvn-dump and its exit status.
std::string RunDump(const std::string& path, int* status) {
  const std::string command = std::string(KVN_DUMP_PATH) + " '" + path + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  if (!pipe) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  *status = pclose(pipe);
  return out;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(KvnDump, TwoSheetFixtureMatchesTheGoldenJson) {
  ScratchDir dir;
  const std::string path = (dir / "two-sheets.kvn").string();
  ASSERT_TRUE(SaveBytes(path, WriteNativeFile(TwoSheetDocument())));
  int status = -1;
  const std::string out = RunDump(path, &status);
  EXPECT_EQ(status, 0);
  const std::string golden = ReadText(std::string(KVN_GOLDEN_DIR) + "/kvn-dump-two-sheets.json");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(out, golden);
}

TEST(KvnDump, NestedInsertsMatchTheGoldenJson) {
  ScratchDir dir;
  const std::string path = (dir / "inserts.kvn").string();
  ASSERT_TRUE(SaveBytes(path, WriteNativeFile(NestedInsertDocument(3111))));
  int status = -1;
  const std::string out = RunDump(path, &status);
  EXPECT_EQ(status, 0);
  const std::string golden = ReadText(std::string(KVN_GOLDEN_DIR) + "/kvn-dump-inserts.json");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(out, golden);
}

TEST(KvnDump, PicturesAndMetafilesTellTheirSource) {
  KVN_REQUIRE_TESTDATA(data);
  int status = -1;
  const std::string tiff = RunDump((data / "raster/imagers_fax4.tiff").string(), &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(tiff.find("\"objects\": {\"cBitmap\": 1}"), std::string::npos) << tiff;
  EXPECT_NE(tiff.find("\"source\": {\"format\": \"TIFF\", \"width\": 460, \"height\": 307, "
                      "\"bitsPerPixel\": 1, \"frames\": 1}"),
            std::string::npos)
      << tiff;
  // A cut PNG is refused, and still says what it is.
  const std::string cut = RunDump((data / "raster/bad_truncated_basn6a16.png").string(), &status);
  EXPECT_EQ(cut.rfind("{\"result\": " + std::to_string(kOpenPictureFailed), 0), 0u) << cut;
  EXPECT_NE(cut.find("\"format\": \"PNG\""), std::string::npos) << cut;
  EXPECT_NE(cut.find("The PNG picture data are damaged"), std::string::npos) << cut;
  // A Windows metafile: its own records, its translation, what the
  // interpreter passed over and the objects it made.
  const std::string wmf = RunDump((data / "metafile/libwmf_text.wmf").string(), &status);
  EXPECT_NE(wmf.find("\"format\": \"WMF\", \"entities\": {"), std::string::npos) << wmf;
  EXPECT_NE(wmf.find("\"WMR_SETTEXTCHAREXTRA\": 1, \"WMR_SETTEXTCOLOR\": 1, \"WMR_TEXTOUT\": 22}"),
            std::string::npos)
      << wmf;
  EXPECT_NE(wmf.find("\"converted\": {"), std::string::npos) << wmf;
  EXPECT_NE(wmf.find("\"skipped\": {\"EMR_SETBKCOLOR\": {\"not read\": 1}}"), std::string::npos) << wmf;
  EXPECT_NE(wmf.find("\"exploded\": {\"cText\": 22}"), std::string::npos) << wmf;
  // An EMF+ picture: its comments passed over.
  const std::string plus = RunDump((data / "metafile/libuemf_test_libuemf_p_ref.emf").string(), &status);
  EXPECT_NE(plus.find("\"EMR_COMMENT\": {\"EMF+ records\": 2033}"), std::string::npos) << plus;
}

TEST(KvnDump, DxfFilesTellTheirSource) {
  KVN_REQUIRE_TESTDATA(data);
  int status = -1;
  const std::string binary = RunDump((data / "dxf/ezdxf_bin_dxf_r12.dxf").string(), &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(binary.find("\"objects\": {\"cLine\": 3}"), std::string::npos) << binary;
  EXPECT_NE(binary.find("\"source\": {\"format\": \"DXF\", \"version\": \"AC1009\", \"encoding\": \"binary\", "
                        "\"entities\": {\"LINE\": 3}, \"layers\": 1, \"blocks\": 2, \"skipped\": {}, \"paper\": {}, "
                        "\"blockEntities\": {}, \"subEntities\": {}, \"skippedReasons\": {}, \"readError\": null}"),
            std::string::npos)
      << binary;
  // A file cut short opens with what was read and says so.
  const std::string cut = RunDump((data / "dxf/bad_truncated_example_r12.dxf").string(), &status);
  EXPECT_EQ(cut.rfind("{\"result\": 0", 0), 0u) << cut;
  EXPECT_NE(cut.find("\"readError\": \""), std::string::npos) << cut;
  EXPECT_NE(cut.find("\"warnings\": [\""), std::string::npos) << cut;
}

// Styles naming fonts nobody has: each font says it was not found and what
// draws it instead (an installed family of the machine's configuration; the
// built-in simplex font for an SHX file); the built-in romans is found.
TEST(KvnDump, FontsNobodyHasNameTheirSubstitutes) {
  ScratchDir dir;
  DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "STYLE").Int(70, 3);
  const char* files[3] = {"ariblk.ttf", "nosuchfont.shx", "romans.shx"};
  for (int i = 0; i < 3; ++i)
    w.Str(0, "STYLE").Str(2, "S" + std::to_string(i)).Int(70, 0).Real(40, 0.0).Real(41, 1.0).Str(3, files[i]);
  w.Str(0, "ENDTAB").EndSection().Section("ENTITIES");
  for (int i = 0; i < 3; ++i)
    w.Str(0, "TEXT").Str(8, "0").Point(10, 0.0, 10.0 * i).Real(40, 2.5).Str(1, "Text").Str(7, "S" + std::to_string(i));
  w.EndSection().Eof();
  const std::string path = (dir / "fonts.dxf").string();
  ASSERT_TRUE(SaveBytes(path, std::vector<std::uint8_t>(w.Bytes().begin(), w.Bytes().end())));
  int status = -1;
  const std::string out = RunDump(path, &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("{\"name\": \"ariblk\", \"kind\": \"outlines\", \"found\": false, \"substitute\": \""),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("{\"name\": \"Nosuchfont.shx\", \"kind\": \"shx\", \"found\": false, "
                     "\"substitute\": \"Simplex.shx\"}"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("{\"name\": \"Romans.shx\", \"kind\": \"shx\", \"found\": true}"), std::string::npos) << out;
}

// A DWG's source: model-space entities as the file holds them by DXF name
// (class objects by their class's name, types the import drops included),
// then what did not become an object and why.
TEST(KvnDump, DwgFilesTellTheirSource) {
  KVN_REQUIRE_TESTDATA(data);
  int status = -1;
  const std::string out = RunDump((data / "dwg/acadsharp_sample_AC1024.dwg").string(), &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("\"source\": {\"format\": \"DWG\", \"version\": \"AC1024\", \"headerChecked\": true, "
                     "\"entities\": {\"3DFACE\": 1, \"3DSOLID\": 2, \"ACAD_TABLE\": 2, \"ARC\": 1, "),
            std::string::npos)
      << out;
  for (const char* part : {"\"MULTILEADER\": 15", "\"IMAGE\": 1", "\"WIPEOUT\": 1", "\"POINT\": 6",
                           "\"skipped\": {", "\"paper\": {", "\"skippedReasons\": {",
                           "\"POINT\": {\"type not drawn\": 40}", "\"VISUALSTYLE\": {\"no handler\": 24}"}) {
    EXPECT_NE(out.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(out.find("\"TYPE_5"), std::string::npos) << out;
}

TEST(KvnDump, DamagedFileStillPrintsItsResult) {
  ScratchDir dir;
  FixtureDocument doc = TwoSheetDocument();
  doc.checksumDelta = 1;
  const std::string path = (dir / "damaged.kvn").string();
  ASSERT_TRUE(SaveBytes(path, WriteNativeFile(doc)));
  int status = -1;
  const std::string out = RunDump(path, &status);
  EXPECT_EQ(status, 0);
  // The failure's message follows the result, as the viewer would show it.
  const std::string damaged =
      "{\"result\": " + std::to_string(kLoadChecksumMismatch) + ", \"version\": null, \"sheets\": [], \"message\": \"";
  ASSERT_GT(out.size(), damaged.size());
  EXPECT_EQ(out.substr(0, damaged.size()), damaged);
  EXPECT_NE(out.find("damaged.kvn"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 3), "\"}\n");
  const std::string missing = RunDump((dir / "missing.kvn").string(), &status);
  const std::string notReadable =
      "{\"result\": " + std::to_string(kOpenNotReadable) + ", \"version\": null, \"sheets\": [], \"message\": \"";
  EXPECT_EQ(missing.substr(0, notReadable.size()), notReadable);
  EXPECT_NE(missing.find("missing.kvn"), std::string::npos);
}

}  // namespace
}  // namespace kvn::test
