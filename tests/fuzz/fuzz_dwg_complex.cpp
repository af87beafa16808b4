// The complex entity handlers (hatch, spline, leader, multiline, viewport,
// image and its definition, OLE frame, multileader) on one arbitrary object
// of a chosen release under a 4 KiB budget; the record, whatever the
// object's fate, is handed to a fresh reader context's dispatcher.
// Seeded with the test writer's objects of every release and the objects of
// these types in the R13-R2000 sample drawings.
// Byte 0: release (bits 0-2, modulo 7), the type a class number stands for
// (bits 3-4: image, image definition, multileader, multileader); byte 1: the
// class number less 500; the rest: the object.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <span>
#include <string>

#include "dwg/container/DwgLoader.h"
#include "dwg/objects/DwgByteSource.h"
#include "dwg/objects/DwgReader.h"
#include "foundation/InFileStream.h"
#include "import/records/YxxfGroupRecord.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/DwgComplexWriter.h"

using namespace kvn;

namespace {

constexpr int kReleases[] = {14, 15, 18, 21, 24, 27, 32};
constexpr int kReleaseCount = 7;
constexpr std::uint32_t kBudget = 4096;
constexpr const char* kClassTypes[] = {"IMAGE", "IMAGEDEF", "MULTILEADER", "MULTILEADER"};

const std::set<std::string>& ComplexTypes() {
  static const std::set<std::string> types = {"HATCH",    "SPLINE",    "LEADER",      "TYPE_47", "VIEWPORT", "IMAGE",
                                              "IMAGEDEF", "OLE2FRAME", "MULTILEADER", "MLEADER"};
  return types;
}

std::filesystem::path SampleFolder() { return KvnFuzzSampleFolder("dwg"); }

// The raw type number of an R13-R2000 object: its BS after the size.
int RawType(std::span<const std::uint8_t> object, int release) {
  DwgMemorySource source(object);
  DwgReader reader(WString(), release);
  reader.SetSource(&source);
  reader.SetBudget(std::uint32_t(object.size()));
  reader.ReadModularShort();
  reader.ResetCursor();
  return reader.ReadBitShort();
}

// The objects of this target's types in the R13-R2000 sample drawings.
void AddSampleObjects(std::vector<std::vector<std::uint8_t>>& seeds) {
  const std::filesystem::path folder = SampleFolder();
  if (folder.empty()) return;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::vector<std::uint8_t> file;
    {
      std::ifstream in(entry.path(), std::ios::binary);
      file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (file.size() < 6) continue;
    const std::string version(file.begin(), file.begin() + 6);
    const int slot = version == "AC1015" ? 1 : (version == "AC1012" || version == "AC1014") ? 0 : -1;
    if (slot < 0) continue;
    const WString path = WString::FromUtf8(entry.path().string());
    InFileStream in(path);
    DwgReader reader(path, kReleases[slot], version == "AC1012");
    DwgStreamSource source(in);
    reader.SetSource(&source);
    DwgLocator locators[kDwgLocators];
    if (!ReadDwgFileHeaderR13(reader, in, locators) || !in.Seek(locators[1].address) ||
        !reader.ReadDwgClasses(locators[1].size) || !in.Seek(locators[2].address) ||
        !reader.ReadDwgHandleMap(locators[2].size)) {
      continue;
    }
    std::vector<std::uint32_t> locations;
    for (const DwgMapEntry& e : reader.objectMap) locations.push_back(e.location);
    std::sort(locations.begin(), locations.end());
    for (std::size_t i = 0; i < locations.size(); ++i) {
      const std::size_t from = locations[i];
      const std::size_t to = std::min<std::size_t>(i + 1 < locations.size() ? locations[i + 1] : file.size(),
                                                   std::min(file.size(), from + kBudget));
      if (from >= to) continue;
      const std::span<const std::uint8_t> object(file.data() + from, to - from);
      DwgMemorySource objectSource(object);
      reader.SetSource(&objectSource);
      reader.ReadDwgObject(std::uint32_t(object.size()));
      reader.SetSource(&source);
      const std::string name = reader.TypeName();
      if (!ComplexTypes().count(name)) continue;
      const int type = RawType(object, kReleases[slot]);
      int choice = 0;
      for (int k = 0; k < 3; ++k) {
        if (name == kClassTypes[k]) choice = k;
      }
      std::vector<std::uint8_t> seed = {std::uint8_t(slot | choice << 3 | (version == "AC1012" ? 0x20 : 0)),
                                        std::uint8_t(type >= 500 ? type - 500 : 0)};
      seed.insert(seed.end(), object.begin(), object.end());
      seeds.push_back(std::move(seed));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int release = kReleases[(data[0] & 7) % kReleaseCount];
  const char* classType = kClassTypes[(data[0] >> 3) & 3];
  std::span<const std::uint8_t> object(data + 2, std::min<std::size_t>(size - 2, kBudget));
  DwgMemorySource source(object);
  DwgReader reader(WString(), release, (data[0] & 0x20) != 0);
  reader.SetSource(&source);
  reader.AddDwgClass(std::uint16_t(500 + data[1]), classType, std::string(classType) != "IMAGEDEF");
  reader.ReadDwgObject(std::uint32_t(object.size()));
  YxxfReader context(WString(), 0);
  YxxfGroupRecord group;
  const std::uint16_t code = RecordBufferToGroupRecord(group, reader.TakeRecord(), 0);
  context.DispatchEntity(group, code);
  return 0;
}

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  std::vector<std::vector<std::uint8_t>> seeds;
  for (int i = 0; i < kReleaseCount; ++i) {
    for (const test::DwgSampleObject& sample : test::DwgComplexSampleObjects(kReleases[i])) {
      int choice = 0, number = 0;
      if (sample.typeName == "IMAGE") number = test::kImageClass - 500;
      if (sample.typeName == "IMAGEDEF") choice = 1, number = test::kImageDefClass - 500;
      if (sample.typeName == "MULTILEADER") choice = 2, number = test::kMultiLeaderClass - 500;
      std::vector<std::uint8_t> seed = {std::uint8_t(i | choice << 3), std::uint8_t(number)};
      seed.insert(seed.end(), sample.bytes.begin(), sample.bytes.end());
      seeds.push_back(std::move(seed));
    }
  }
  AddSampleObjects(seeds);
  return seeds;
}
