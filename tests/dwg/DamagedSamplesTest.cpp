// Damaged copies of the DWG (R11 to R2018) and DGN sample drawings, made
// here by changing bytes or cutting the file: every open either shows the
// whole drawing or tells the user what it lost, never an untold loss; the
// R11/R12 samples also with runs of their own bytes put in or taken out,
// and three such copies that once lost objects untold. Then
// the losses named one by one: an R14 polyline, an R11 insert whose block
// index is wrong (check word mended), an R11 value changed under its check
// word, an R11 drawing all of whose entities are damaged, and one whose
// writer left the check words out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "document/DwgLoadReport.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "dwg/container/DwgLoader.h"
#include "dwg/objects/DwgCrc.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "import/dgn/DgnReader.h"
#include "import/records/ImportLosses.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What one open showed and told.
struct Opened {
  bool ok = false;
  std::uint64_t objects = 0;  // on every sheet's top block
  bool partial = false;
  std::vector<std::string> warnings;
  std::uint64_t damaged = 0;  // records counted lost to damage
  DwgLoadReport report;
  // What shows, by kind: top-level objects and the objects of the block
  // definitions by type code, the block definitions, and the records the
  // reader handed to the import by type.
  std::map<std::string, std::uint64_t> shown;
};

// The reasons under which the readers count a record lost to damage.
bool IsDamage(const std::string& type, const std::string& reason) {
  static const std::set<std::string> kDamage = {"CRC mismatch",    "overrun",    "data end missed",
                                                "handler failed",  "cut short",  "bad block index"};
  return kDamage.count(reason) || (reason == "not emitted" && type != "BLOCK" && type != "ENDBLK");
}

Opened Open(const Bytes& bytes, bool dgn, const test::ScratchDir& scratch) {
  const std::filesystem::path path = scratch / (dgn ? "copy.dgn" : "copy.dwg");
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  Opened o;
  const WString name = WString::FromUtf8(path.string());
  DocumentResult result = dgn ? LoadDgnFile(name, nullptr, &o.report) : LoadDwgFile(name, nullptr, &o.report);
  o.ok = result.Ok();
  if (!o.ok) return o;
  const cDrawingDoc& document = *result.Document();
  for (std::uint32_t s = 0; s < document.SheetCount(); ++s) {
    cSheet& sheet = *document.GetSheet(s);
    for (cOutObj* obj = sheet.TopBlock().FirstObject(); obj; obj = obj->next) {
      ++o.objects;
      ++o.shown["top " + std::to_string(obj->TypeCode())];
    }
    const cDrawingData& data = *sheet.Data();
    o.shown["blocks"] += data.BlockCount();
    for (std::uint32_t b = 0; b < data.BlockCount(); ++b) {
      for (cOutObj* obj = data.GetBlock(b)->FirstObject(); obj; obj = obj->next) {
        ++o.shown["in block " + std::to_string(obj->TypeCode())];
      }
    }
  }
  for (const auto& [type, count] : o.report.dispatched) o.shown["dispatched " + type] += count;
  o.partial = result.Partial();
  for (const WString& w : result.Warnings()) o.warnings.push_back(w.ToUtf8());
  for (const auto& [type, reasons] : o.report.skippedReasons) {
    for (const auto& [reason, count] : reasons) {
      if (IsDamage(type, reason)) o.damaged += count;
    }
  }
  return o;
}

std::string RecordsText(std::uint64_t n) {
  return FormatPercentS(LoadLangString(kStrLostDamagedRecords), WString::FromUtf8(std::to_string(n))).ToUtf8();
}

bool Has(const std::vector<std::string>& warnings, const std::string& text) {
  for (const std::string& w : warnings) {
    if (w == text) return true;
  }
  return false;
}

struct Sample {
  const char* file;
  bool dgn;
  int copies;
};

TEST(DamagedSamples, EveryOpenShowsAllOrTellsItsLoss) {
  KVN_REQUIRE_TESTDATA(dir);
  InvalidateLangTable();
  const Sample samples[] = {
      {"dwg/libredwg_r11_entities-2d.dwg", false, 24}, {"dwg/libredwg_r11_ACEB10.dwg", false, 16},
      {"dwg/libredwg_example_r13.dwg", false, 12},     {"dwg/libredwg_example_r14.dwg", false, 16},
      {"dwg/libredwg_example_2000.dwg", false, 16},    {"dwg/libredwg_example_2004.dwg", false, 12},
      {"dwg/libredwg_example_2010.dwg", false, 8},     {"dwg/libredwg_example_2018.dwg", false, 8},
      {"dgn/dgnlib_samp4.dgn", true, 16},              {"dgn/ezdxf_underlay.dgn", true, 16},
  };
  test::ScratchDir scratch;
  std::mt19937 random(82);
  int told = 0;
  for (const Sample& sample : samples) {
    const Bytes clean = ReadAll(dir / sample.file);
    ASSERT_FALSE(clean.empty()) << sample.file;
    const Opened whole = Open(clean, sample.dgn, scratch);
    ASSERT_TRUE(whole.ok) << sample.file;
    ASSERT_TRUE(whole.warnings.empty() && !whole.partial) << sample.file;
    std::set<std::size_t> elementTypeBytes;
    if (sample.dgn) {
      for (std::size_t p = 0; p + 4 <= clean.size() && !(clean[p] == 0xFF && clean[p + 1] == 0xFF);
           p += 4 + 2 * std::size_t(clean[p + 2] | clean[p + 3] << 8)) {
        elementTypeBytes.insert(p + 1);
      }
    }
    for (int k = 0; k < sample.copies; ++k) {
      Bytes copy = clean;
      std::string how;
      std::size_t at = std::string::npos;
      // Three copies in four change a byte, one in four is cut.
      if (k % 4 == 3) {
        copy.resize(std::uniform_int_distribution<std::size_t>(1, clean.size() - 1)(random));
        how = "cut at " + std::to_string(copy.size());
      } else {
        at = std::uniform_int_distribution<std::size_t>(0, clean.size() - 1)(random);
        copy[at] = std::uint8_t(copy[at] + std::uniform_int_distribution<int>(1, 255)(random));
        how = "byte " + std::to_string(at);
      }
      const Opened o = Open(copy, sample.dgn, scratch);
      if (!o.ok) continue;  // refused with its message
      if (o.damaged == 0 && o.objects >= whole.objects) continue;
      // A design file has no check words: a changed type byte (or deleted
      // flag) of an element reads as another element, as the file says.
      if (sample.dgn && at != std::string::npos && elementTypeBytes.count(at)) continue;
      ++told;
      EXPECT_TRUE(o.partial || !o.warnings.empty())
          << sample.file << ", " << how << ": " << o.objects << " of " << whole.objects << " objects, "
          << o.damaged << " records lost, and not told";
      if (o.damaged != 0) {
        EXPECT_TRUE(o.partial) << sample.file << ", " << how;
      }
      // The DWG readers tell every record they counted; the DGN reader the
      // short elements within the file (the one that passes its end ends
      // the read, which the notice tells).
      if (!sample.dgn && o.damaged != 0) {
        EXPECT_TRUE(Has(o.warnings, RecordsText(o.damaged))) << sample.file << ", " << how;
      }
    }
  }
  EXPECT_GT(told, 20);  // the copies do damage what they open
}

// Kinds of what shows of which `o` holds fewer than `whole`.
std::string FewerThan(const Opened& o, const Opened& whole) {
  std::string fewer;
  for (const auto& [kind, count] : whole.shown) {
    const auto it = o.shown.find(kind);
    const std::uint64_t got = it == o.shown.end() ? 0 : it->second;
    if (got < count) fewer += " " + kind + ": " + std::to_string(got) + " of " + std::to_string(count) + ";";
  }
  return fewer;
}

// A byte changed, a run of the file's own bytes put in again elsewhere
// (the kind of damage a bad copy or a writer's retry makes), a run taken
// out, or the file cut: whatever it does to the drawing, an open that shows
// less than the whole file does tells so.
TEST(DamagedSamples, OldDrawingsLoseNothingUntold) {
  KVN_REQUIRE_TESTDATA(dir);
  InvalidateLangTable();
  test::ScratchDir scratch;
  std::mt19937 random(86);
  int lossy = 0;
  for (const char* file : {"dwg/libredwg_r11_entities-2d.dwg", "dwg/acad1009_DIM1.DWG",
                           "dwg/libredwg_r11_ACEB10.dwg"}) {
    const Bytes clean = ReadAll(dir / file);
    ASSERT_GT(clean.size(), 2000u) << file;
    const Opened whole = Open(clean, false, scratch);
    ASSERT_TRUE(whole.ok) << file;
    ASSERT_TRUE(whole.warnings.empty() && !whole.partial) << file;
    EXPECT_TRUE(whole.report.headerChecked) << file;
    auto pick = [&](std::size_t below) { return std::uniform_int_distribution<std::size_t>(0, below - 1)(random); };
    for (int k = 0; k < 120; ++k) {
      Bytes copy = clean;
      const std::size_t at = pick(clean.size());
      const std::size_t run = 1 + pick(64);
      std::string how;
      switch (k % 4) {
        case 0:
          copy[at] = std::uint8_t(copy[at] + 1 + pick(255));
          how = "byte " + std::to_string(at) + " changed";
          break;
        case 1: {
          const std::size_t from = pick(clean.size() - run);
          copy.insert(copy.begin() + std::ptrdiff_t(at), clean.begin() + std::ptrdiff_t(from),
                      clean.begin() + std::ptrdiff_t(from + run));
          how = std::to_string(run) + " bytes of " + std::to_string(from) + " put in at " + std::to_string(at);
          break;
        }
        case 2:
          copy.erase(copy.begin() + std::ptrdiff_t(at), copy.begin() + std::ptrdiff_t(std::min(at + run, copy.size())));
          how = std::to_string(run) + " bytes taken out at " + std::to_string(at);
          break;
        default:
          copy.resize(at);
          how = "cut at " + std::to_string(at);
          break;
      }
      const Opened o = Open(copy, false, scratch);
      if (!o.ok) continue;  // refused with its message
      const std::string fewer = FewerThan(o, whole);
      if (fewer.empty()) continue;
      ++lossy;
      EXPECT_TRUE(o.partial) << file << ", " << how << ": shows fewer and is not told:" << fewer;
    }
  }
  EXPECT_GT(lossy, 20);  // the copies do lose what they open
}

// Copies of the R11 sample that once opened with objects lost and no word
// (or only that one object lay on no sheet).
TEST(DamagedSamples, OldDrawingLossesOnceUntoldAreTold) {
  KVN_REQUIRE_TESTDATA(dir);
  InvalidateLangTable();
  test::ScratchDir scratch;
  const Bytes clean = ReadAll(dir / "dwg/libredwg_r11_entities-2d.dwg");
  ASSERT_EQ(clean.size(), 5416u);
  const Opened whole = Open(clean, false, scratch);
  ASSERT_TRUE(whole.ok && whole.warnings.empty());
  struct Case {
    const char* how;
    std::size_t at;
    std::size_t put, from;   // bytes of the file itself put in at `at`
    std::uint8_t was, now;   // else the byte at `at` changed
    bool headerChecked;
    const char* type;        // the record left out, and why
    const char* reason;
    bool showsNothing;
    bool loses = true;
  };
  const Case cases[] = {
      // The file's first 45 bytes again in the header's last ones: the
      // records and tables lie where the header does not say; nothing shows.
      {"45 bytes of 0 put in at 1722", 1722, 45, 0, 0, 0, false, nullptr, nullptr, true},
      // The header's own last bytes twice: the header holds, but the first
      // record is cut by the copy, and all after it moves.
      {"45 bytes of 1722 put in at 1722", 1722, 45, 1722, 0, 0, true, "POINT", "CRC mismatch", true},
      // The first record of the block range, a BLOCK, read as an ENDBLK:
      // the blocks that follow would open under their neighbours' names.
      {"byte 4559 12 -> 13", 4559, 0, 0, 12, 13, true, "ENDBLK", "CRC mismatch", false},
      // The block range's start one byte early.
      {"byte 28 207 -> 206", 28, 0, 0, 207, 206, false, nullptr, nullptr, false},
      // The block range's end one record early: its last ENDBLK unread, the
      // model space lands in the last block; only the header tells.
      {"byte 36 110 -> 100", 36, 0, 0, 110, 100, false, nullptr, nullptr, true},
      // The first block's flags: nothing lost, but only the entry's check
      // word tells that its fields are not the file's.
      {"byte 2892 64 -> 4", 2892, 0, 0, 64, 4, true, nullptr, nullptr, false, false},
  };
  for (const Case& c : cases) {
    Bytes copy = clean;
    if (c.put != 0) {
      copy.insert(copy.begin() + std::ptrdiff_t(c.at), clean.begin() + std::ptrdiff_t(c.from),
                  clean.begin() + std::ptrdiff_t(c.from + c.put));
    } else {
      ASSERT_EQ(copy[c.at], c.was) << c.how;
      copy[c.at] = c.now;
    }
    Opened o = Open(copy, false, scratch);
    ASSERT_TRUE(o.ok) << c.how;
    EXPECT_EQ(FewerThan(o, whole).empty(), !c.loses) << c.how;
    EXPECT_TRUE(o.partial) << c.how;
    EXPECT_EQ(o.report.headerChecked, c.headerChecked) << c.how;
    if (c.type) {
      EXPECT_EQ(o.report.skippedReasons[c.type][c.reason], 1u) << c.how;
      EXPECT_TRUE(Has(o.warnings, RecordsText(o.damaged))) << c.how;
    }
    EXPECT_EQ(o.objects == 0, c.showsNothing) << c.how;
    // The assembly tells the entities it placed on no sheet instead.
    const bool onNoSheet = o.report.skippedReasons["LINE"].count("on no sheet") != 0;
    EXPECT_EQ(Has(o.warnings, LoadLangString(kStrDamagedShowsNothing).ToUtf8()), c.showsNothing && !onNoSheet)
        << c.how;
  }
  // Both ranges emptied in the header: nothing is read, and only the
  // header's check word tells why nothing shows.
  Bytes empty = clean;
  std::copy_n(clean.begin() + 0x18, 4, empty.begin() + 0x14);
  std::copy_n(clean.begin() + 0x24, 4, empty.begin() + 0x1C);
  const Opened nothing = Open(empty, false, scratch);
  ASSERT_TRUE(nothing.ok);
  EXPECT_EQ(nothing.objects, 0u);
  EXPECT_TRUE(nothing.partial);
  EXPECT_TRUE(Has(nothing.warnings, LoadLangString(kStrDamagedShowsNothing).ToUtf8()));
}

// The record bounds of an R11 entity range: (start of record, end before its check word).
std::vector<std::pair<std::size_t, std::size_t>> R11Records(const Bytes& b, std::size_t start, std::size_t end) {
  std::vector<std::pair<std::size_t, std::size_t>> records;
  for (std::size_t at = start; at + 4 <= end;) {
    const std::size_t length = b[at + 2] | b[at + 3] << 8;
    if (length < 6) break;
    records.emplace_back(at, at + length - 2);
    at += length;
  }
  return records;
}

std::uint32_t U32At(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

// The records of both entity ranges of an R11 file (its header names them at 0x14).
std::vector<std::pair<std::size_t, std::size_t>> AllR11Records(const Bytes& b) {
  auto records = R11Records(b, U32At(b, 0x1C), U32At(b, 0x24) - 32);
  const auto second = R11Records(b, U32At(b, 0x14), U32At(b, 0x18));
  records.insert(records.end(), second.begin(), second.end());
  return records;
}

// Where an R11 record's body starts: after type, flags, length, layer and
// options, the head fields its flags announce.
std::size_t R11BodyStart(const Bytes& b, std::size_t at) {
  const std::uint8_t type = b[at], flags = b[at + 1];
  std::size_t p = at + 8;
  std::uint8_t extra = 0;
  if (flags & 0x40) {
    extra = b[p++];
    if (extra & 2) p += 2 + (b[p] | b[p + 1] << 8);
  }
  if (flags & 0x01) p += 1;
  if (flags & 0x02) p += 2;
  if ((flags & 0x04) && type >= 3 && type != 22) p += 8;
  if (flags & 0x08) p += 8;
  if (flags & 0x20) p += 1 + (b[p] < 9 ? b[p] : 0);
  if (extra & 4) p += 2;
  return p;
}

void MendCheckWord(Bytes& b, std::pair<std::size_t, std::size_t> record) {
  const std::uint16_t crc = Crc16(kDwgCrcSeed, b.data() + record.first, record.second - record.first);
  b[record.second] = std::uint8_t(crc);
  b[record.second + 1] = std::uint8_t(crc >> 8);
}

TEST(DamagedSamples, LossesOfTheOldAndTheObjectReadersAreTold) {
  KVN_REQUIRE_TESTDATA(dir);
  InvalidateLangTable();
  test::ScratchDir scratch;

  // One byte of an R14 LWPOLYLINE: the polyline fails its check word, and
  // the entities its chain led to are not reached.
  Bytes r14 = ReadAll(dir / "dwg/libredwg_example_r14.dwg");
  ASSERT_GT(r14.size(), 146169u);
  r14[146169] ^= 0x55;
  Opened polyline = Open(r14, false, scratch);
  ASSERT_TRUE(polyline.ok);
  EXPECT_EQ(polyline.report.skippedReasons["LWPOLYLINE"]["CRC mismatch"], 1u);
  EXPECT_TRUE(polyline.partial);
  EXPECT_TRUE(Has(polyline.warnings, RecordsText(polyline.damaged))) << polyline.damaged;

  const Bytes r11 = ReadAll(dir / "dwg/libredwg_r11_entities-2d.dwg");
  const auto records = AllR11Records(r11);
  ASSERT_EQ(records.size(), 37u);  // as the sample holds them
  // An INSERT whose block index passes the table, its check word mended.
  std::size_t insert = 0;
  for (std::size_t i = 0; i < records.size() && !insert; ++i) {
    if (r11[records[i].first] == 14) insert = i + 1;
  }
  ASSERT_NE(insert, 0u);
  Bytes wrongBlock = r11;
  const std::size_t body = R11BodyStart(r11, records[insert - 1].first);
  wrongBlock[body] = 0x7F;  // the low byte of the block index
  wrongBlock[body + 1] = 0;
  MendCheckWord(wrongBlock, records[insert - 1]);
  Opened lostInsert = Open(wrongBlock, false, scratch);
  ASSERT_TRUE(lostInsert.ok);
  EXPECT_EQ(lostInsert.report.skippedReasons["INSERT"]["bad block index"], 1u);
  EXPECT_TRUE(lostInsert.partial);
  EXPECT_TRUE(Has(lostInsert.warnings, RecordsText(1)));

  // A value changed under the check word: the record is left out and told,
  // not drawn with what the damage made of it.
  Bytes changed = r11;
  std::size_t lineAt = records.size();
  for (std::size_t i = records.size(); i-- > 0;) {
    if (r11[records[i].first] == 1) lineAt = i;
  }
  ASSERT_LT(lineAt, records.size());
  const auto& line = records[lineAt];
  changed[line.second - 1] ^= 0x40;  // the high byte of its last coordinate
  Opened lostLine = Open(changed, false, scratch);
  ASSERT_TRUE(lostLine.ok);
  EXPECT_EQ(lostLine.report.skippedReasons["LINE"]["CRC mismatch"], 1u);
  EXPECT_TRUE(Has(lostLine.warnings, RecordsText(1)));

  // Every record damaged but the first (a BLOCK, whose check word shows
  // that the writer wrote them): the drawing shows nothing, and says why.
  ASSERT_EQ(r11[records[0].first], 12);
  Bytes everything = r11;
  for (std::size_t i = 1; i < records.size(); ++i) everything[records[i].second - 1] ^= 0x40;
  const Opened nothing = Open(everything, false, scratch);
  ASSERT_TRUE(nothing.ok);
  EXPECT_EQ(nothing.objects, 0u);
  EXPECT_TRUE(nothing.partial);
  EXPECT_TRUE(Has(nothing.warnings, RecordsText(records.size() - 1)));
  EXPECT_TRUE(Has(nothing.warnings, LoadLangString(kStrDamagedShowsNothing).ToUtf8()));
  // The whole drawing tells nothing of the kind.
  const Opened whole = Open(r11, false, scratch);
  EXPECT_TRUE(whole.warnings.empty());
  EXPECT_EQ(whole.objects, 11u);
  // Nor does a writer that left every check word 0: no record matching its
  // own, none is taken for damaged.
  Bytes unchecked = r11;
  for (const auto& record : records) unchecked[record.second] = unchecked[record.second + 1] = 0;
  const Opened unwritten = Open(unchecked, false, scratch);
  ASSERT_TRUE(unwritten.ok);
  EXPECT_TRUE(unwritten.warnings.empty());
  EXPECT_FALSE(unwritten.partial);
  EXPECT_EQ(unwritten.objects, 11u);
}

}  // namespace
}  // namespace kvn
