// The complex entities of the sample drawings against their DXF twins: per
// handle, the items of each hatch, spline, multiline, viewport and
// multileader equal those taken from the twin by tools/dxf_twin_items.py
// (python3-ezdxf's tag reader; our own DXF reader is not there yet). The
// expected items live in tests/dwg/data/, one file per drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "document/DwgProbe.h"
#include "dwg/container/DwgLoader.h"
#include "dwg/container/DwgSection2004.h"
#include "dwg/objects/DwgReader.h"
#include "foundation/InFileStream.h"
#include "import/records/YxxfGroupRecord.h"
#include "tests/support/TestData.h"

#ifndef KVN_SOURCE_DIR
#define KVN_SOURCE_DIR "."
#endif

namespace kvn {
namespace {

// One item as text: the code and the value (doubles in full precision,
// handles in hexadecimal, texts in UTF-8).
struct Item {
  int code;
  char kind;  // d, i, h, s
  double d = 0;
  long long i = 0;
  std::string s;
};

using Items = std::vector<Item>;

struct Object {
  std::string type;
  Items items;
};

const std::set<std::string> kTypes = {"HATCH", "SPLINE", "TYPE_47", "VIEWPORT", "MULTILEADER"};

Items ItemsOf(const YxxfGroupRecord& r) {
  Items out;
  for (std::uint32_t k = 0; k < r.Count(); ++k) {
    const YxxfItem& it = *r.Item(k);
    Item item{it.code, 'i'};
    switch (it.type) {
      case ItemType::Double: item.kind = 'd', item.d = it.value.d; break;
      case ItemType::Handle: item.kind = 'h', item.i = static_cast<long long>(it.value.h); break;
      case ItemType::Wide: item.kind = 's', item.s = it.value.w->ToUtf8(); break;
      case ItemType::Narrow: item.kind = 's', item.s = it.value.a->CStr(); break;
      default: item.i = it.value.i; break;
    }
    out.push_back(item);
  }
  return out;
}

// The records of the types above, by handle.
std::map<std::uint64_t, Object> ReadSample(const std::filesystem::path& path) {
  std::map<std::uint64_t, Object> out;
  const WString name = WString::FromUtf8(path.string());
  InFileStream in(name);
  char head[7] = {};
  in.Read(head, 6);
  bool ac1012 = false;
  const int version = DetectDwgVersion(head, &ac1012);
  in.Seek(0);
  DwgReader reader(name, version, ac1012);
  reader.drawingVersion = 1000 + version;
  reader.objectRead = [&](DwgReader& r) {
    if (!kTypes.count(r.TypeName())) return;
    YxxfGroupRecord record;
    RecordBufferToGroupRecord(record, r.TakeRecord(), r.TextCodePage());
    out[r.ObjectHandle()] = {r.TypeName(), ItemsOf(record)};
  };
  const bool ok = version == 15 ? ReadDwgContainerR13(reader, in) : ReadDwgContainer2004(reader, in);
  EXPECT_TRUE(ok) << path;
  return out;
}

// Expected items: "handle type code kind value" per line.
std::map<std::uint64_t, Object> ReadExpected(const std::filesystem::path& path) {
  std::map<std::uint64_t, Object> out;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string handle, type;
    Item item{0, 'i'};
    fields >> handle >> type >> item.code >> item.kind;
    switch (item.kind) {
      case 'd': fields >> item.d; break;
      case 'h': fields >> std::hex >> item.i; break;
      case 's':
        fields.get();
        std::getline(fields, item.s);
        break;
      default: fields >> item.i; break;
    }
    Object& object = out[std::stoull(handle, nullptr, 16)];
    object.type = type;
    object.items.push_back(item);
  }
  return out;
}

bool Same(const Item& a, const Item& b) {
  if (a.kind == 'd' || b.kind == 'd') {
    const double x = a.kind == 'd' ? a.d : double(a.i), y = b.kind == 'd' ? b.d : double(b.i);
    return std::fabs(x - y) <= 1e-9 * std::max(1.0, std::fabs(y));
  }
  if (a.kind == 's' || b.kind == 's') return a.kind == b.kind && a.s == b.s;
  return a.i == b.i;
}

std::string Text(const Item& item) {
  std::ostringstream s;
  s << item.code << "=";
  switch (item.kind) {
    case 'd': s.precision(17), s << item.d; break;
    case 's': s << '"' << item.s << '"'; break;
    case 'h': s << std::hex << item.i; break;
    default: s << item.i; break;
  }
  return s.str();
}

// The items of each nesting block of a multileader, in order, by the path of
// markers that opens it; the DWG gives the leaders before the rest of the
// context data, the DXF inside it.
std::map<std::string, Items> Blocks(const Items& items) {
  std::map<std::string, Items> out;
  std::vector<std::string> path = {"entity"};
  std::map<std::string, int> seen;
  for (const Item& item : items) {
    if (item.kind == 's' && item.s.size() > 1 && item.s.back() == '{' && item.code >= 300 && item.code <= 304) {
      // Leaders are keyed apart from the context data that holds them in
      // the DXF form only.
      const std::string& parent = path.back();
      const std::string key =
          (parent == "entity" || parent.rfind("CONTEXT_DATA", 0) == 0 ? std::string() : parent + "/") + item.s;
      path.push_back(key + "#" + std::to_string(seen[key]++));
      continue;
    }
    if (item.kind == 's' && item.s == "}" && item.code >= 301 && item.code <= 305 && path.size() > 1) {
      path.pop_back();
      continue;
    }
    out[path.back()].push_back(item);
  }
  return out;
}

int IndexOf(const Items& items, int code) {
  for (std::size_t k = 0; k < items.size(); ++k) {
    if (items[k].code == code) return int(k);
  }
  return -1;
}

// Per code, the values in order.
std::map<int, Items> ByCode(const Items& items) {
  std::map<int, Items> out;
  for (const Item& item : items) out[item.code].push_back(item);
  return out;
}

// The expected items come first: each code of them must give the same
// values in the same order in ours. Codes the DWG handler adds (the common
// entity items, the dropped-or-kept flags the twin does not write) are
// listed by the script as "absent" lines and left out here.
void Compare(const std::string& where, const Items& ours, const Items& expected) {
  const auto mine = ByCode(ours);
  for (const auto& [code, values] : ByCode(expected)) {
    const auto found = mine.find(code);
    const std::size_t have = found == mine.end() ? 0 : found->second.size();
    EXPECT_EQ(have, values.size()) << where << " code " << code;
    for (std::size_t k = 0; k < std::min(have, values.size()); ++k) {
      EXPECT_TRUE(Same(found->second[k], values[k]))
          << where << " code " << code << " #" << k << ": ours " << Text(found->second[k]) << ", twin "
          << Text(values[k]);
    }
  }
}

// `unreachable`: a type the reader may not reach yet; compared when it does.
void CheckSample(const char* dwg, const char* expectedFile, const std::string& unreachable = {}) {
  KVN_REQUIRE_TESTDATA(dir);
  const auto ours = ReadSample(dir / "dwg" / dwg);
  const auto expected = ReadExpected(std::filesystem::path(KVN_SOURCE_DIR) / "tests/dwg/data" / expectedFile);
  ASSERT_FALSE(expected.empty()) << expectedFile;
  std::map<std::string, int> types;
  for (const auto& [handle, object] : expected) {
    if (object.type == unreachable && !ours.count(handle)) continue;
    std::ostringstream where;
    where << dwg << " " << object.type << " " << std::hex << handle;
    ++types[object.type];
    const auto found = ours.find(handle);
    if (found == ours.end()) {
      ADD_FAILURE() << where.str() << ": not read";
      continue;
    }
    if (object.type == "MULTILEADER") {
      const auto mine = Blocks(found->second.items);
      for (const auto& [block, items] : Blocks(object.items)) {
        const auto it = mine.find(block);
        if (it == mine.end()) {
          ADD_FAILURE() << where.str() << ": no block " << block;
          continue;
        }
        Compare(where.str() + " " + block, it->second, items);
      }
    } else {
      Compare(where.str(), found->second.items, object.items);
    }
  }
  // Every object of these types that the twin has was compared, and the
  // drawing has no other.
  std::map<std::string, int> read;
  for (const auto& [handle, object] : ours) ++read[object.type == "TYPE_47" ? "MLINE" : object.type];
  EXPECT_EQ(read, types) << dwg;
}

TEST(DwgComplexSamples, Example2000MatchesItsDxfTwin) {
  CheckSample("libredwg_example_2000.dwg", "libredwg_example_2000.items");
}

TEST(DwgComplexSamples, Example2018MatchesItsDxfTwin) {
  // The multileader too: it is typed by its class number, which the classes
  // section of R2007 and later maps.
  CheckSample("libredwg_example_2018.dwg", "libredwg_example_2018.items");
}

// No twin: the gradient items and the boundary of each hatch, as the file
// holds them (a blue-to-yellow gradient over a rounded outline of 53 bulged
// vertices and over a rectangle of four line edges).
TEST(DwgComplexSamples, GradientHatchesOfR2004) {
  KVN_REQUIRE_TESTDATA(dir);
  const auto ours = ReadSample(dir / "dwg" / "libredwg_2004_HatchG.dwg");
  ASSERT_EQ(ours.size(), 2u);
  std::vector<int> boundaries;
  for (const auto& [handle, object] : ours) {
    SCOPED_TRACE(handle);
    ASSERT_EQ(object.type, "HATCH");
    auto items = ByCode(object.items);
    ASSERT_EQ(items[450].size(), 1u);
    EXPECT_EQ(items[450][0].i, 1);
    EXPECT_EQ(items[452][0].i, 0);
    EXPECT_EQ(items[453][0].i, 2);
    ASSERT_EQ(items[421].size(), 2u);
    EXPECT_EQ(items[421][0].i, 0x0000FF);
    EXPECT_EQ(items[421][1].i, 0xFFFF00);
    EXPECT_EQ(items[70][0].i, 1);
    EXPECT_EQ(items[91][0].i, 1);
    // The gradient items come first, as in the DXF form.
    EXPECT_LT(IndexOf(object.items, 450), IndexOf(object.items, 91));
    boundaries.push_back(int(items[93][0].i));
    if (items[93][0].i == 53) {
      EXPECT_EQ(items[42].size(), 53u);
      EXPECT_EQ(items[72].size(), 0u);
    } else {
      EXPECT_EQ(items[72].size(), 4u);
    }
  }
  std::sort(boundaries.begin(), boundaries.end());
  EXPECT_EQ(boundaries, (std::vector<int>{4, 53}));
}

}  // namespace
}  // namespace kvn
