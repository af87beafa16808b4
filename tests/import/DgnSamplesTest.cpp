// The sample DGN files of the shared test data against a peer reader (the
// DGN driver of gdal-bin through ogrinfo; tools/gen_dgn_ogr_oracle.py,
// data/dgn_ogr_oracle.txt): element counts by type, levels, colours and
// first points agree; the seed file opens empty, the V8 file is refused;
// the largest sample cut short or with flipped bits ends cleanly; padding,
// swallowing counts, tag data, user data and unnamed elements are told or
// quiet, for every element of every sample; deleted elements are told when
// their counts cover live elements or the end marker.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "document/DwgLoadReport.h"
#include "document/FormatReader.h"
#include "document/OpenDrawingFile.h"
#include "document/OpenFailureMessage.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "import/ImportReaders.h"
#include "import/dgn/DgnConvert.h"
#include "import/dgn/DgnElements.h"
#include "import/dgn/DgnFormat.h"
#include "import/dgn/DgnReader.h"
#include "import/records/YxxfReader.h"
#include "model/cBlock.h"
#include "model/cOutObj.h"
#include "tests/support/DgnWriter.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

struct PeerFeature {
  std::string type;
  int level = 0, color = 0;
  std::string rgb;
  Vec3 point;
};

struct PeerFile {
  std::map<std::string, std::uint64_t> counts;
  std::set<int> levels;
  std::vector<PeerFeature> features;
};

std::map<std::string, PeerFile> ReadOracle() {
  std::map<std::string, PeerFile> out;
  std::ifstream in(std::string(KVN_IMPORT_TEST_DIR) + "/data/dgn_ogr_oracle.txt");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    std::string kind, file;
    if (line.empty() || line[0] == '#' || !(s >> kind >> file)) continue;
    PeerFile& peer = out[file];
    if (kind == "count") {
      std::string type;
      std::uint64_t n = 0;
      s >> type >> n;
      peer.counts[type] = n;
    } else if (kind == "levels") {
      std::string list;
      s >> list;
      std::istringstream l(list);
      for (std::string item; std::getline(l, item, ',');) {
        if (item != "-") peer.levels.insert(std::stoi(item));
      }
    } else if (kind == "feature") {
      PeerFeature f;
      s >> f.type >> f.level >> f.color >> f.rgb >> f.point.x >> f.point.y >> f.point.z;
      peer.features.push_back(f);
    }
  }
  return out;
}

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every element of the file through the parser alone, with the info as the
// TCB and colour tables leave it.
struct Walked {
  cDGNInfo info;
  std::vector<std::unique_ptr<DGNElemCore>> elements;
};

Walked Walk(const std::vector<std::uint8_t>& bytes) {
  Walked w;
  w.info.dimension = !bytes.empty() && bytes[0] == 0xC8 ? 3 : 2;
  std::size_t at = 0;
  while (at + 4 <= bytes.size() && !(bytes[at] == 0xFF && bytes[at + 1] == 0xFF)) {
    const std::size_t size = 4 + 2 * std::size_t(bytes[at + 2] | bytes[at + 3] << 8);
    if (size > bytes.size() - at) break;
    w.elements.push_back(ReadDgnElement(w.info, std::span(bytes.data() + at, size)));
    at += size;
  }
  return w;
}

// Whether the element has the point: a text its origin, a multi-point
// element among its vertices (the peer gives curves as the stroked curve,
// which starts at their third vertex).
bool HasPoint(const DGNElemCore& e, const Vec3& p) {
  const double tolerance = 1e-5 * std::max(1.0, std::fabs(p.x) + std::fabs(p.y));
  auto near = [&](const Vec3& q) {
    return std::fabs(q.x - p.x) <= tolerance && std::fabs(q.y - p.y) <= tolerance && std::fabs(q.z - p.z) <= tolerance;
  };
  if (const auto* m = dynamic_cast<const DGNElemMultiPoint*>(&e)) {
    if (m->vertices.empty()) return false;
    if (m->type != dgn::kCurve) return near(m->vertices[0]);
    for (const Vec3& v : m->vertices) {
      if (near(v)) return true;
    }
    return false;
  }
  if (const auto* t = dynamic_cast<const DGNElemText*>(&e)) return near(t->origin);
  return false;
}

DocumentResult Load(const std::vector<std::uint8_t>& bytes, DwgLoadReport* report = nullptr) {
  ByteArray array(8);
  array.Append(bytes.data(), std::uint32_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(array);
  return LoadDgnStream(in, WString(u"sample.dgn"), nullptr, report);
}

std::uint32_t TopObjects(const cDrawingDoc& document) {
  std::uint32_t n = 0;
  for (std::uint32_t s = 0; s < document.SheetCount(); ++s) {
    for (cOutObj* o = document.GetSheet(s)->TopBlock().FirstObject(); o; o = o->next) ++n;
  }
  return n;
}

TEST(DgnSamplesTest, CountsLevelsColoursAndPointsAgreeWithThePeer) {
  KVN_REQUIRE_TESTDATA(dir);
  const auto oracle = ReadOracle();
  ASSERT_GE(oracle.size(), 4u);
  int withFeatures = 0;
  for (const auto& [file, peer] : oracle) {
    SCOPED_TRACE(file);
    const std::vector<std::uint8_t> bytes = FileBytes(dir / "dgn" / file);
    ASSERT_FALSE(bytes.empty());
    DwgLoadReport report;
    DocumentResult result = Load(bytes, &report);
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(report.format, "DGN");
    EXPECT_TRUE(report.readError.empty());
    // The peer draws texts out of the plane too: they are skipped here, with
    // their count, and make up the difference.
    std::map<std::string, std::uint64_t> ours = report.entities;
    for (const auto& [type, reasons] : report.skippedReasons) {
      auto it = reasons.find(kDgnSkipNonPlanar);
      if (it != reasons.end()) ours[type] += it->second;
    }
    EXPECT_EQ(ours, peer.counts);

    const Walked walked = Walk(bytes);
    std::set<int> levels;
    for (const auto& e : walked.elements) {
      if (!e->deleted && peer.counts.count(DgnTypeName(e->type))) levels.insert(e->level);
    }
    EXPECT_EQ(levels, peer.levels);

    for (const PeerFeature& f : peer.features) {
      ++withFeatures;
      bool found = false;
      for (const auto& e : walked.elements) {
        if (e->deleted || DgnTypeName(e->type) != f.type || e->level != f.level || e->color != f.color ||
            !HasPoint(*e, f.point)) {
          continue;
        }
        found = true;
        // The peer keeps white entries white; this import blackens them.
        if (f.rgb != "ffffff" && f.rgb != "-") {
          char rgb[8];
          std::snprintf(rgb, sizeof(rgb), "%06x", DgnColorRgb(walked.info, e->color));
          EXPECT_EQ(rgb, f.rgb) << f.type << " colour " << f.color;
        }
        break;
      }
      EXPECT_TRUE(found) << f.type << " at " << f.point.x << ", " << f.point.y << ", " << f.point.z;
    }
  }
  EXPECT_GE(withFeatures, 20);
}

TEST(DgnSamplesTest, SeedFileOpensEmptyAndTheV8FileIsRefused) {
  KVN_REQUIRE_TESTDATA(dir);
  DwgLoadReport report;
  DocumentResult seed = Load(FileBytes(dir / "dgn/aspose_V7-Imperial-Arch-01-Seed2D.dgn"), &report);
  ASSERT_TRUE(seed.Ok());
  EXPECT_EQ(TopObjects(*seed.Document()), 0u);
  EXPECT_TRUE(report.entities.empty());
  EXPECT_EQ(report.layers.size(), 64u);

  FormatRegistry registry;
  RegisterImportReaders(registry);
  const WString v8 = WString::FromUtf8((dir / "dgn/bentley_2dMetricGeneral_V8.dgn").string());
  OpenRequest quiet;
  quiet.quiet = true;
  DocumentResult refused = OpenDrawing(v8, quiet, registry);
  EXPECT_EQ(refused.Code(), kOpenDgnFailed);
  EXPECT_EQ(int(refused.Code()), 5002);
  EXPECT_EQ(refused.Cause(), kOpenDgnV8);
  SetLanguageIndex(2);
  InvalidateLangTable();  // a table loaded earlier in the process may be another language's
  EXPECT_NE(MakeOpenFailureMessage(refused, v8).text.ToUtf8().find("DGN (V8 version) is not supported"),
            std::string::npos);
  InvalidateLangTable();

  DocumentResult samp4 = OpenDrawing(WString::FromUtf8((dir / "dgn/dgnlib_samp4.dgn").string()), quiet, registry);
  ASSERT_TRUE(samp4.Ok());
  EXPECT_GT(TopObjects(*samp4.Document()), 100u);
}

TEST(DgnSamplesTest, CutAndBitFlippedSampleEndsCleanly) {
  KVN_REQUIRE_TESTDATA(dir);
  const std::vector<std::uint8_t> whole = FileBytes(dir / "dgn/dgnlib_samp4.dgn");
  ASSERT_GT(whole.size(), 100000u);
  std::uint64_t previous = 0;
  for (int percent = 5; percent <= 95; percent += 5) {
    std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() * percent / 100));
    DwgLoadReport report;
    DocumentResult result = Load(cut, &report);
    ASSERT_TRUE(result.Ok()) << percent;
    std::uint64_t entities = 0;
    for (const auto& [type, n] : report.entities) entities += n;
    EXPECT_GE(entities, previous) << percent;
    previous = entities;
    // A cut inside an element is reported.
    EXPECT_EQ(report.readError.empty(), !result.Partial()) << percent;
  }
  std::mt19937 random(38);
  for (int round = 0; round < 40; ++round) {
    std::vector<std::uint8_t> flipped = whole;
    for (int k = 0; k < 1 + round % 8; ++k) {
      const std::size_t at = random() % flipped.size();
      flipped[at] ^= std::uint8_t(1u << (random() % 8));
    }
    DocumentResult result = Load(flipped);
    (void)result;  // any answer will do: the load must end without a fault
  }
}

// The V7 design files of the shared test data, by name.
std::vector<std::filesystem::path> V7Samples(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> out;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "dgn")) {
    if (IsDgnV7Signature(FileBytes(entry.path()))) out.push_back(entry.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Offsets of the elements before the end marker, in file order.
std::vector<std::size_t> ElementStarts(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::size_t> out;
  std::size_t at = 0;
  while (at + 4 <= bytes.size() && !(bytes[at] == 0xFF && bytes[at + 1] == 0xFF)) {
    out.push_back(at);
    at += 4 + 2 * std::size_t(bytes[at + 2] | bytes[at + 3] << 8);
  }
  return out;
}

struct Opened {
  bool ok = false, partial = false;
  std::size_t warnings = 0;
  std::uint32_t objects = 0;
  std::map<std::string, std::uint64_t> entities, skipped;
};

Opened Open(const std::vector<std::uint8_t>& bytes) {
  DwgLoadReport report;
  DocumentResult result = Load(bytes, &report);
  Opened o;
  o.ok = result.Ok();
  if (!o.ok) return o;
  o.partial = result.Partial();
  o.warnings = result.Warnings().size();
  o.objects = TopObjects(*result.Document());
  o.entities = report.entities;
  o.skipped = report.skipped;
  return o;
}

// Whether the element loop alone finds the damage that marks an open
// partial (faster than a whole open, for many files).
bool LoopFindsDamage(const std::vector<std::uint8_t>& bytes) {
  ByteArray array(8);
  array.Append(bytes.data(), std::uint32_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(array);
  int dimension = 2;
  if (CheckDgnSignature(in, dimension) != kLoadOk) return false;
  YxxfReader reader(WString(u"sample.dgn"), 3);
  DgnReadOutcome outcome;
  EXPECT_TRUE(ReadDgnElements(in, dimension, reader, nullptr, outcome));
  return !outcome.readToEnd || outcome.overlong != 0;
}

TEST(DgnSamplesTest, ZeroSectorsAfterTheMarkerArePaddingAndAnEarlyMarkerIsTold) {
  KVN_REQUIRE_TESTDATA(dir);
  const auto samples = V7Samples(dir);
  ASSERT_GE(samples.size(), 4u);
  for (const auto& path : samples) {
    SCOPED_TRACE(path.filename().string());
    const std::vector<std::uint8_t> bytes = FileBytes(path);
    const Opened whole = Open(bytes);
    ASSERT_TRUE(whole.ok);
    EXPECT_FALSE(whole.partial);
    EXPECT_EQ(whole.warnings, 0u);
    for (std::size_t sectors : {1u, 3u, 9u}) {
      std::vector<std::uint8_t> padded = bytes;
      padded.resize(bytes.size() + 512 * sectors, 0);
      const Opened o = Open(padded);
      ASSERT_TRUE(o.ok) << sectors;
      EXPECT_FALSE(o.partial) << sectors;
      EXPECT_EQ(o.warnings, 0u) << sectors;
      EXPECT_EQ(o.objects, whole.objects) << sectors;
      EXPECT_EQ(o.entities, whole.entities) << sectors;
    }
    // A marker where an element starts halfway, as a damaged length lands
    // on one: the elements after it are data past the marker.
    const std::vector<std::size_t> starts = ElementStarts(bytes);
    ASSERT_GE(starts.size(), 8u);
    std::vector<std::uint8_t> early = bytes;
    early[starts[starts.size() / 2]] = early[starts[starts.size() / 2] + 1] = 0xFF;
    const Opened o = Open(early);
    ASSERT_TRUE(o.ok);
    EXPECT_TRUE(o.partial);
    EXPECT_LE(o.objects, whole.objects);
  }
}

// A word count raised to swallow the element after it, for the first and the
// last element of every type in every sample, is told; so is the word count
// of a B-spline weight in samp4 set to 41 41, which hid 33 objects.
TEST(DgnSamplesTest, AWordCountThatSwallowsTheNextElementIsTold) {
  KVN_REQUIRE_TESTDATA(dir);
  int tried = 0;
  std::set<int> types;
  for (const auto& path : V7Samples(dir)) {
    SCOPED_TRACE(path.filename().string());
    const std::vector<std::uint8_t> bytes = FileBytes(path);
    const std::vector<std::size_t> starts = ElementStarts(bytes);
    std::map<int, std::vector<std::size_t>> byType;  // indices into starts
    // The first element's word count is part of the signature.
    for (std::size_t i = 1; i + 1 < starts.size(); ++i) {
      if (!(bytes[starts[i] + 1] & 0x80)) byType[bytes[starts[i] + 1] & 0x7F].push_back(i);
    }
    for (const auto& [type, indices] : byType) {
      for (std::size_t i : {indices.front(), indices.back()}) {
        const std::size_t at = starts[i], next = starts[i + 1];
        const std::size_t words = (bytes[at + 2] | bytes[at + 3] << 8) + 2 + (bytes[next + 2] | bytes[next + 3] << 8);
        std::vector<std::uint8_t> damaged = bytes;
        damaged[at + 2] = std::uint8_t(words);
        damaged[at + 3] = std::uint8_t(words >> 8);
        EXPECT_TRUE(LoopFindsDamage(damaged)) << DgnTypeName(type) << " at " << at;
        ++tried;
        types.insert(type);
      }
    }
  }
  EXPECT_GE(types.size(), 20u);
  EXPECT_GE(tried, 60);

  std::vector<std::uint8_t> samp4 = FileBytes(dir / "dgn/dgnlib_samp4.dgn");
  ASSERT_EQ(samp4[59007] & 0x7F, 28);
  samp4[59008] = samp4[59009] = 0x41;
  const Opened o = Open(samp4);
  ASSERT_TRUE(o.ok);
  EXPECT_TRUE(o.partial);
  EXPECT_EQ(o.objects, 585u);
}


// The element at `at` with `extra` bytes of attribute data after its own,
// its word count and attribute flag set to match.
std::vector<std::uint8_t> WithAttributeData(const std::vector<std::uint8_t>& bytes, std::size_t at,
                                            const std::vector<std::uint8_t>& extra) {
  std::vector<std::uint8_t> out = bytes;
  const std::size_t words = (out[at + 2] | out[at + 3] << 8) + extra.size() / 2;
  out[at + 2] = std::uint8_t(words);
  out[at + 3] = std::uint8_t(words >> 8);
  out[at + 33] |= 0x08;
  out.insert(out.begin() + std::ptrdiff_t(at + 4 + 2 * words - extra.size()), extra.begin(), extra.end());
  return out;
}

// Linkages the reader cannot walk and elements of a type it has no name for
// are no damage: a tag block (8 bytes that open the attribute data of tagged
// elements, before the linkage whose first word is 0x8000) on the first
// top-level element of each type, and two unnamed 512-byte elements right
// after the design file header, leave every sample quiet (samp15's LINE at
// 6324 with the block opened with the damage notice). A word count that
// swallows whole elements, or runs past the next element's header into the
// middle of another, is damage whatever the type: samp15's LINE at 7104
// retyped to 0, 1 or 32 with 4,000 words hid 147 objects without a word.
TEST(DgnSamplesTest, UnwalkableLinkagesAndUnnamedTypesAreQuietTheirSwallowsTold) {
  KVN_REQUIRE_TESTDATA(dir);
  const std::vector<std::uint8_t> tagBlock = {0x03, 0x00, 0x12, 0x00, 0x0f, 0x02, 0x00, 0x01};
  std::vector<std::uint8_t> unnamed(512, 0);
  for (std::size_t i = 4; i < unnamed.size(); ++i) unnamed[i] = std::uint8_t(i * 13 + 5);
  unnamed[0] = 0;
  unnamed[1] = 56;
  unnamed[2] = std::uint8_t((unnamed.size() - 4) / 2);
  unnamed[3] = std::uint8_t((unnamed.size() - 4) / 2 >> 8);
  // Words 14-17 that, read as a display header, would end the data at byte 36.
  const std::uint8_t notADisplayHeader[8] = {0x01, 0x00, 0x02, 0x00, 0x0a, 0x00, 0xff, 0x7f};
  std::copy(std::begin(notADisplayHeader), std::end(notADisplayHeader), unnamed.begin() + 28);
  int tagged = 0;
  for (const auto& path : V7Samples(dir)) {
    SCOPED_TRACE(path.filename().string());
    const std::vector<std::uint8_t> bytes = FileBytes(path);
    const std::vector<std::size_t> starts = ElementStarts(bytes);
    ASSERT_GE(starts.size(), 4u);
    ASSERT_EQ(bytes[starts[2] + 1], 10);  // the level symbology ends the design file header
    std::vector<std::uint8_t> withUnnamed = bytes;
    for (int k = 0; k < 2; ++k) {
      withUnnamed.insert(withUnnamed.begin() + std::ptrdiff_t(starts[3]), unnamed.begin(), unnamed.end());
    }
    EXPECT_FALSE(LoopFindsDamage(withUnnamed));
    std::set<int> seen;
    for (std::size_t i = 3; i < starts.size(); ++i) {
      const std::size_t at = starts[i];
      const int type = bytes[at + 1];  // deleted ones (bit 0x80) are never judged
      const std::size_t size = 4 + 2 * std::size_t(bytes[at + 2] | bytes[at + 3] << 8);
      const std::span<const std::uint8_t> element(bytes.data() + at, size);
      if ((bytes[at] & 0x80) || element.size() < 36 || type == 9 || type == 8 || type == 10 || type == 1 ||
          DgnChainBytes(element) != 0 || !seen.insert(type).second) {
        continue;
      }
      EXPECT_FALSE(LoopFindsDamage(WithAttributeData(bytes, at, tagBlock))) << DgnTypeName(type) << " at " << at;
      ++tagged;
    }
  }
  EXPECT_GE(tagged, 12);

  const std::vector<std::uint8_t> samp15 = FileBytes(dir / "dgn/dgnlib_samp15.dgn");
  const Opened whole = Open(samp15);
  ASSERT_EQ(samp15[6325], 3);
  const Opened tagLine = Open(WithAttributeData(samp15, 6324, tagBlock));
  ASSERT_TRUE(tagLine.ok);
  EXPECT_FALSE(tagLine.partial);
  EXPECT_EQ(tagLine.warnings, 0u);
  EXPECT_EQ(tagLine.objects, whole.objects);
  const std::vector<std::size_t> samp15Starts = ElementStarts(samp15);
  // Counts that end on an element's start, and (the last three) in the
  // middle of an element, where the reader met a header of its own.
  struct Retyped {
    std::size_t at;
    std::uint8_t type;
    std::uint16_t words;
  };
  for (const Retyped& r : {Retyped{7104, 0, 4000}, Retyped{7104, 1, 4000}, Retyped{7104, 32, 4000},
                           Retyped{15264, 0, 6510}, Retyped{173786, 57, 12468}, Retyped{308030, 60, 15561}}) {
    SCOPED_TRACE(r.at);
    ASSERT_TRUE(std::binary_search(samp15Starts.begin(), samp15Starts.end(), r.at));
    std::vector<std::uint8_t> retyped = samp15;
    const std::uint8_t header[4] = {0x00, r.type, std::uint8_t(r.words), std::uint8_t(r.words >> 8)};
    std::copy(std::begin(header), std::end(header), retyped.begin() + std::ptrdiff_t(r.at));
    const Opened o = Open(retyped);
    ASSERT_TRUE(o.ok) << int(r.type);
    EXPECT_TRUE(o.partial) << int(r.type);
    EXPECT_LT(o.objects, whole.objects) << int(r.type);
    // Named types (a cell library header) are not among the losses.
    const auto it = o.skipped.find(DgnTypeName(r.type));
    EXPECT_GE(it == o.skipped.end() ? 0u : it->second, r.type == 1 ? 0u : 1u) << int(r.type);
  }
}


// The elements of a file as the loop meets them, each with the top-level
// element (index) whose cell or complex element it lies in, itself when it
// lies in none.
struct Layout {
  std::vector<std::size_t> starts, sizes, top;
  std::size_t end = 0;  // where the end marker is
};

Layout LayoutOf(const std::vector<std::uint8_t>& bytes) {
  Layout l;
  l.starts = ElementStarts(bytes);
  std::size_t chainEnd = 0, header = 0;
  for (std::size_t i = 0; i < l.starts.size(); ++i) {
    const std::size_t at = l.starts[i];
    const std::size_t size = 4 + 2 * std::size_t(bytes[at + 2] | bytes[at + 3] << 8);
    l.sizes.push_back(size);
    if (at >= chainEnd) {
      header = i;
      const std::size_t span = DgnChainBytes(std::span(bytes.data() + at, size));
      chainEnd = span > size ? at + span : 0;
    }
    l.top.push_back(header);
  }
  l.end = l.starts.empty() ? 0 : l.starts.back() + l.sizes.back();
  return l;
}

// A small file around element i: the design file header (the elements
// before the first top-level one after it, or before i's top-level element),
// i's top-level element and those after it to 256 bytes past the element after
// i, and the end marker. The cells and complex elements around i are whole,
// so that the slice opens quiet; `index` is i's index in the slice.
std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, const Layout& l, std::size_t i,
                                std::size_t& index) {
  const std::size_t top = l.top[i];
  const std::size_t head = std::min<std::size_t>(3, top);
  std::vector<std::uint8_t> out(bytes.begin(), bytes.begin() + std::ptrdiff_t(l.starts[head]));
  const std::size_t wanted = l.starts[i + 1] + l.sizes[i + 1] + 256;
  std::size_t last = i + 1;
  while (last < l.starts.size() && (l.top[last] != last || l.starts[last] < wanted)) ++last;
  const std::size_t to = last < l.starts.size() ? l.starts[last] : l.end;
  out.insert(out.end(), bytes.begin() + std::ptrdiff_t(l.starts[top]), bytes.begin() + std::ptrdiff_t(to));
  out.push_back(0xFF);
  out.push_back(0xFF);
  index = head + (i - top);
  return out;
}

// The file with the word count of element `index` raised by the size of
// the element after it; false when the count would not fit.
bool SwallowNext(std::vector<std::uint8_t>& bytes, std::size_t index) {
  const std::vector<std::size_t> starts = ElementStarts(bytes);
  if (index + 1 >= starts.size()) return false;
  const std::size_t at = starts[index], next = starts[index + 1];
  const std::size_t words = (bytes[at + 2] | bytes[at + 3] << 8) + 2 + (bytes[next + 2] | bytes[next + 3] << 8);
  if (words > 0xFFFF) return false;
  bytes[at + 2] = std::uint8_t(words);
  bytes[at + 3] = std::uint8_t(words >> 8);
  return true;
}

// For every element of every V7 sample but the first and the deleted ones:
// a word count raised to swallow exactly the element after it is told, and
// so is the same with an honest user-data linkage on the element (whose
// header the walk of that linkage must not read past: an arc, a text or any
// type with bit 0x10 reads as a user-data linkage); the linkage alone, a
// tag block (which no walk knows) alone, a user-data linkage that carries a
// copy of the element after it, and an element of a type without a name
// after a top-level element are quiet; a swallow after the copy is told.
// Each variant is a slice of the sample around the element, so that every
// element can be tried.
TEST(DgnSamplesTest, EverySwallowOfTheNextElementIsToldWithOrWithoutLinkagesAndIntactVariantsAreQuiet) {
  KVN_REQUIRE_TESTDATA(dir);
  const std::vector<std::uint8_t> userData = {0x03, 0x10, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
  const std::vector<std::uint8_t> tagBlock = {0x03, 0x00, 0x12, 0x00, 0x0f, 0x02, 0x00, 0x01};
  test::DgnElement unnamed(48, 0);
  for (std::size_t i = 4; i < unnamed.size(); ++i) unnamed[i] = std::uint8_t(i * 13 + 5);
  unnamed[1] = 56;
  unnamed[2] = std::uint8_t((unnamed.size() - 4) / 2);
  std::size_t swallows = 0, linked = 0, copied = 0;
  std::set<int> linkedTypes;
  for (const auto& path : V7Samples(dir)) {
    SCOPED_TRACE(path.filename().string());
    const std::vector<std::uint8_t> bytes = FileBytes(path);
    const Layout layout = LayoutOf(bytes);
    for (std::size_t i = 1; i + 1 < layout.starts.size(); ++i) {
      const std::size_t at = layout.starts[i];
      const int type = bytes[at + 1] & 0x7F;
      if (bytes[at + 1] & 0x80) continue;  // deleted: its count may span the space freed with it
      std::size_t index = 0;
      const std::vector<std::uint8_t> slice = Slice(bytes, layout, i, index);
      const std::string what = DgnTypeName(type) + " at " + std::to_string(at);
      ASSERT_FALSE(LoopFindsDamage(slice)) << what;
      std::vector<std::uint8_t> swallowed = slice;
      if (SwallowNext(swallowed, index)) {
        EXPECT_TRUE(LoopFindsDamage(swallowed)) << what;
        ++swallows;
      }
      auto on = [&](const std::vector<std::uint8_t>& attributes) {
        test::DgnFileEdit edit;
        edit.attributes = [&](std::size_t k, std::span<const std::uint8_t>) {
          return k == index ? attributes : std::vector<std::uint8_t>{};
        };
        return test::EditDgnFile(slice, edit);
      };
      // Attribute data only on elements with a display header.
      const bool displayHeader = layout.sizes[i] >= 36 && DgnTypeIsNamed(type) && type != dgn::kCellLibrary &&
                                 type != 8 && type != dgn::kTcb && type != 10;
      if (displayHeader) {
        const std::vector<std::uint8_t> withUserData = on(userData);
        EXPECT_FALSE(LoopFindsDamage(withUserData)) << what << " with user data";
        EXPECT_FALSE(LoopFindsDamage(on(tagBlock))) << what << " with a tag block";
        std::vector<std::uint8_t> swallowedAfterUserData = withUserData;
        if (SwallowNext(swallowedAfterUserData, index)) {
          EXPECT_TRUE(LoopFindsDamage(swallowedAfterUserData)) << what << " with user data";
          ++linked;
          linkedTypes.insert(type);
        }
        // User data that are a copy of the element after it, the linkage
        // as long as the copy and its header.
        const std::vector<std::size_t> sliceStarts = ElementStarts(slice);
        const std::size_t next = sliceStarts[index + 1];
        const std::size_t nextSize = 4 + 2 * std::size_t(slice[next + 2] | slice[next + 3] << 8);
        if (nextSize <= 510) {
          std::vector<std::uint8_t> copy = {std::uint8_t(nextSize / 2), 0x10};
          copy.insert(copy.end(), slice.begin() + std::ptrdiff_t(next), slice.begin() + std::ptrdiff_t(next + nextSize));
          const std::vector<std::uint8_t> withCopy = on(copy);
          EXPECT_FALSE(LoopFindsDamage(withCopy)) << what << " with a copy of the next element";
          std::vector<std::uint8_t> swallowedAfterCopy = withCopy;
          if (SwallowNext(swallowedAfterCopy, index)) {
            EXPECT_TRUE(LoopFindsDamage(swallowedAfterCopy)) << what << " with a copy of the next element";
            ++copied;
          }
        }
      }
      if (layout.top[i] == i && i >= 3) {
        test::DgnFileEdit edit;
        edit.after = [&](std::size_t k, std::span<const std::uint8_t>) {
          return k == index ? unnamed : test::DgnElement{};
        };
        EXPECT_FALSE(LoopFindsDamage(test::EditDgnFile(slice, edit))) << what << " with an unnamed element after it";
      }
    }
  }
  EXPECT_GE(swallows, 10000u);
  EXPECT_GE(linked, 9000u);
  EXPECT_GE(copied, 9000u);
  // Among them arcs and texts, whose headers read as user-data linkages.
  EXPECT_TRUE(linkedTypes.count(dgn::kArc) && linkedTypes.count(dgn::kText));
}

// The reproducers of three swallows and a broken chain that opened untold,
// each next to its intact neighbour: samp15's LINE at 9132 with an honest
// user-data linkage (quiet), then with its count raised by the 90 bytes of
// the TEXT after it; ezdxf_underlay's LINE at 251334 retyped to 32 with a
// count that ends in the zero padding after the end marker; its SHAPE at
// 101718 turned into a complex chain header, which drew the 229 elements
// after it into its path.
TEST(DgnSamplesTest, SwallowsPastLinkagesAndTheEndMarkerAndABrokenChainAreTold) {
  KVN_REQUIRE_TESTDATA(dir);
  const std::vector<std::uint8_t> samp15 = FileBytes(dir / "dgn/dgnlib_samp15.dgn");
  ASSERT_EQ(samp15[9133], 3);
  ASSERT_EQ(samp15[9134], 24);
  const std::vector<std::uint8_t> linked =
      WithAttributeData(samp15, 9132, {0x03, 0x10, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06});
  ASSERT_EQ(linked[9134], 28);
  ASSERT_EQ(linked[9132 + 33], 0x0E);
  ASSERT_EQ(linked[9132 + 60 + 1], 17);  // the TEXT after it
  const Opened whole = Open(samp15);
  const Opened quiet = Open(linked);
  ASSERT_TRUE(quiet.ok);
  EXPECT_FALSE(quiet.partial);
  EXPECT_EQ(quiet.objects, whole.objects);
  std::vector<std::uint8_t> swallowed = linked;
  swallowed[9134] = 73;
  const Opened told = Open(swallowed);
  ASSERT_TRUE(told.ok);
  EXPECT_TRUE(told.partial);
  EXPECT_EQ(told.objects, whole.objects - 1);

  const std::vector<std::uint8_t> ezdxf = FileBytes(dir / "dgn/ezdxf_underlay.dgn");
  const Opened intact = Open(ezdxf);
  ASSERT_EQ(ezdxf[251335], 3);
  std::vector<std::uint8_t> pastMarker = ezdxf;
  const std::uint8_t header[4] = {0x00, 32, std::uint8_t(47374 & 0xFF), std::uint8_t(47374 >> 8)};
  std::copy(std::begin(header), std::end(header), pastMarker.begin() + 251334);
  ASSERT_LT(251334 + 4 + 2 * 47374, pastMarker.size() - 2);
  const Opened padded = Open(pastMarker);
  ASSERT_TRUE(padded.ok);
  EXPECT_TRUE(padded.partial);

  ASSERT_EQ(ezdxf[101718], 0x26);
  ASSERT_EQ(ezdxf[101719], 6);
  std::vector<std::uint8_t> chain = ezdxf;
  chain[101718] = 0x4c;
  chain[101719] = 0x0c;
  const Opened broken = Open(chain);
  ASSERT_TRUE(broken.ok);
  EXPECT_TRUE(broken.partial);
  // Only the shape itself is lost: the elements after it are drawn.
  EXPECT_EQ(broken.objects, intact.objects - 1);
}

// A user-data linkage may carry any bytes: samp15's LINE at 9132 with one
// whose data are a copy of the TEXT after it (90 bytes, so that the linkage
// walk ends just where the copy ends) opens quiet with all its objects; with
// its count raised over that TEXT too, the file is told and the TEXT lost.
TEST(DgnSamplesTest, AUserDataLinkageCarryingACopyOfTheNextElementIsQuietAndASwallowAfterItTold) {
  KVN_REQUIRE_TESTDATA(dir);
  const std::vector<std::uint8_t> samp15 = FileBytes(dir / "dgn/dgnlib_samp15.dgn");
  ASSERT_EQ(samp15[9133], 3);
  ASSERT_EQ(samp15[9134], 24);
  ASSERT_EQ(samp15[9184 + 1], 17);
  ASSERT_EQ(samp15[9184 + 2], 43);  // the TEXT: 90 bytes
  std::vector<std::uint8_t> copy = {45, 0x10};
  copy.insert(copy.end(), samp15.begin() + 9184, samp15.begin() + 9184 + 90);
  const std::vector<std::uint8_t> linked = WithAttributeData(samp15, 9132, copy);
  ASSERT_EQ(linked[9134], 24 + 46);
  const Opened whole = Open(samp15);
  ASSERT_EQ(whole.objects, 4527u);
  const Opened quiet = Open(linked);
  ASSERT_TRUE(quiet.ok);
  EXPECT_FALSE(quiet.partial);
  EXPECT_EQ(quiet.warnings, 0u);
  EXPECT_EQ(quiet.objects, whole.objects);
  EXPECT_EQ(quiet.entities, whole.entities);
  std::vector<std::uint8_t> swallowed = linked;
  swallowed[9134] = 24 + 46 + 45;
  const Opened told = Open(swallowed);
  ASSERT_TRUE(told.ok);
  EXPECT_TRUE(told.partial);
  EXPECT_EQ(told.objects, whole.objects - 1);
}

// A deleted element's count may span its components (ezdxf_underlay's
// deleted cell at 283134 spans the 233 after it; the file opens quiet), but
// not live elements: its deleted ARC at 330266 with 108 words instead of 48
// covers the two LINEs after it; samp15's LINE at 325882, deleted, with its
// count run over the 374 elements after it and the end marker into the zero
// padding, up to the FF FF that ends the file. Each is told with what was
// read shown. Every deleted element of the samples with its count raised by
// the size of the element after it is told exactly when that element is live.
TEST(DgnSamplesTest, DeletedElementsCoveringLiveElementsOrTheEndMarkerAreTold) {
  KVN_REQUIRE_TESTDATA(dir);
  const std::vector<std::uint8_t> ezdxf = FileBytes(dir / "dgn/ezdxf_underlay.dgn");
  const std::vector<std::size_t> ezdxfStarts = ElementStarts(ezdxf);
  ASSERT_EQ(ezdxf[283134 + 1], 0x80 | dgn::kCellHeader);
  const auto cellEnd = std::upper_bound(ezdxfStarts.begin(), ezdxfStarts.end(), 283134);
  ASSERT_EQ(*cellEnd, 283134u + 23722);
  ASSERT_EQ(DgnChainBytes(std::span(ezdxf.data() + 283134, 23722)), 0u);  // deleted: no chain opened
  const Opened intact = Open(ezdxf);
  ASSERT_TRUE(intact.ok);
  EXPECT_FALSE(intact.partial);
  ASSERT_EQ(intact.objects, 2845u);
  std::vector<std::uint8_t> arc = ezdxf;
  ASSERT_EQ(arc[330266 + 1], 0x80 | dgn::kArc);
  ASSERT_EQ(arc[330266 + 2], 48);
  arc[330266 + 2] = 108;
  const Opened arcTold = Open(arc);
  ASSERT_TRUE(arcTold.ok);
  EXPECT_TRUE(arcTold.partial);
  EXPECT_EQ(arcTold.objects, 2843u);

  std::vector<std::uint8_t> samp15 = FileBytes(dir / "dgn/dgnlib_samp15.dgn");
  const std::vector<std::size_t> samp15Starts = ElementStarts(samp15);
  const std::size_t marker = samp15Starts.back() + 4 + 2 * std::size_t(samp15[samp15Starts.back() + 2]);
  ASSERT_EQ(samp15.size(), marker + 58);  // zeros, then FF FF
  ASSERT_EQ(samp15[325882 + 1], dgn::kLine);
  // The zeros after the count's end, read as empty elements, lead to the last FF FF.
  const std::size_t end = samp15.size() - 2 - 40;
  ASSERT_GT(end, marker + 2);
  samp15[325882 + 1] |= 0x80;
  samp15[325882 + 2] = std::uint8_t((end - 325882 - 4) / 2);
  samp15[325882 + 3] = std::uint8_t((end - 325882 - 4) / 2 >> 8);
  const Opened pastMarker = Open(samp15);
  ASSERT_TRUE(pastMarker.ok);
  EXPECT_TRUE(pastMarker.partial);
  EXPECT_EQ(pastMarker.objects, 4216u);

  std::size_t told = 0, quiet = 0;
  for (const auto& path : V7Samples(dir)) {
    SCOPED_TRACE(path.filename().string());
    const std::vector<std::uint8_t> bytes = FileBytes(path);
    const Layout layout = LayoutOf(bytes);
    for (std::size_t i = 1; i + 1 < layout.starts.size(); ++i) {
      if (!(bytes[layout.starts[i] + 1] & 0x80)) continue;
      std::size_t index = 0;
      std::vector<std::uint8_t> slice = Slice(bytes, layout, i, index);
      ASSERT_FALSE(LoopFindsDamage(slice)) << layout.starts[i];
      const bool live = !(bytes[layout.starts[i + 1] + 1] & 0x80);
      ASSERT_TRUE(SwallowNext(slice, index));
      EXPECT_EQ(LoopFindsDamage(slice), live) << layout.starts[i];
      ++(live ? told : quiet);
    }
  }
  EXPECT_GE(told, 10u);
  EXPECT_GE(quiet, 70u);
}


// The look-ahead keeps its window from element to element: samp15 with its
// elements repeated three times, a tag block on every element without
// linkages (each judged by the bytes after it, most of them in the window
// the one before fetched), or an unnamed element after each of them, opens
// quiet with what the plain copy shows; a count swallowing the element after
// a tagged one in the middle is told.
TEST(DgnSamplesTest, ManyTaggedOrUnnamedElementsInARowOpenQuietAndASwallowAmongThemIsTold) {
  KVN_REQUIRE_TESTDATA(dir);
  const std::vector<std::uint8_t> plain = test::RepeatDgnElements(FileBytes(dir / "dgn/dgnlib_samp15.dgn"), 4, 3);
  auto noLinkage = [](std::span<const std::uint8_t> e) {
    const int type = e[1] & 0x7F;
    return type >= 2 && type <= 27 && type != 8 && type != 9 && type != 10 && !(e[1] & 0x80) && e.size() >= 36 &&
           !(e[33] & 0x08);
  };
  test::DgnFileEdit tag;
  tag.attributes = [&](std::size_t, std::span<const std::uint8_t> e) {
    return noLinkage(e) ? std::vector<std::uint8_t>{0x03, 0x00, 0x12, 0x00, 0x0f, 0x02, 0x00, 0x01}
                        : std::vector<std::uint8_t>{};
  };
  test::DgnElement unnamed(48, 0);
  for (std::size_t i = 4; i < unnamed.size(); ++i) unnamed[i] = std::uint8_t(i * 13 + 5);
  unnamed[1] = 56;
  unnamed[2] = std::uint8_t((unnamed.size() - 4) / 2);
  test::DgnFileEdit after;
  after.after = [&](std::size_t, std::span<const std::uint8_t> e) {
    return noLinkage(e) ? unnamed : test::DgnElement{};
  };
  const Opened whole = Open(plain);
  ASSERT_TRUE(whole.ok);
  ASSERT_FALSE(whole.partial);
  const std::vector<std::uint8_t> tagged = test::EditDgnFile(plain, tag);
  ASSERT_GT(tagged.size(), plain.size() + 8 * 10000);
  for (const auto& copy : {tagged, test::EditDgnFile(plain, after)}) {
    const Opened o = Open(copy);
    ASSERT_TRUE(o.ok);
    EXPECT_FALSE(o.partial);
    EXPECT_EQ(o.objects, whole.objects);
    EXPECT_EQ(o.entities, whole.entities);
  }
  // A tagged top-level element halfway whose count covers the next one.
  const std::vector<std::size_t> starts = ElementStarts(tagged);
  std::size_t i = starts.size() / 2;
  while (i + 1 < starts.size() &&
         !(tagged[starts[i] + 1] == dgn::kLine && !(tagged[starts[i]] & 0x80) && !(tagged[starts[i + 1]] & 0x80))) {
    ++i;
  }
  ASSERT_LT(i + 1, starts.size());
  std::vector<std::uint8_t> swallowed = tagged;
  ASSERT_TRUE(SwallowNext(swallowed, i));
  EXPECT_TRUE(Open(swallowed).partial);
}

}  // namespace
}  // namespace kvn
