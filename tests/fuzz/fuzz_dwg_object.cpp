// One DWG object of a chosen release read from arbitrary bytes under a 4 KiB
// budget, and its record (whatever the object's fate, a failed check word
// included) handed to a fresh reader context's dispatcher. Every other input
// decodes the bytes as a single object of a named type instead, as the
// proxy entities of DXF files are decoded.
// Seeded with the test writer's objects and every object of the R13-R2000
// sample drawings.
// Byte 0: release (bits 0-2, modulo 6), decode mode (bit 3); byte 1: the type
// entry for the decode mode; the rest: the object.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>

#include "dwg/container/DwgLoader.h"
#include "dwg/objects/DecodeDwgObject.h"
#include "dwg/objects/DwgByteSource.h"
#include "dwg/objects/DwgReader.h"
#include "foundation/InFileStream.h"
#include "import/records/YxxfGroupRecord.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/DwgBitWriter.h"

using namespace kvn;

namespace {

constexpr int kReleases[] = {14, 15, 18, 21, 24, 32};
constexpr std::uint32_t kBudget = 4096;

void Dispatch(const std::vector<std::uint8_t>& record) {
  YxxfReader context(WString(), 0);
  YxxfGroupRecord group;
  const std::uint16_t code = RecordBufferToGroupRecord(group, record, 0);
  context.DispatchEntity(group, code);
}

// Every object of the R13-R2000 sample drawings, found through their
// object maps, as seeds of the release's slot.
void AddSampleObjects(std::vector<std::vector<std::uint8_t>>& seeds) {
  const std::filesystem::path folder = KvnFuzzSampleFolder("dwg");
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
    DwgReader reader(path, kReleases[slot]);
    DwgStreamSource source(in);
    reader.SetSource(&source);
    DwgLocator locators[kDwgLocators];
    if (!ReadDwgFileHeaderR13(reader, in, locators) || !in.Seek(locators[2].address) ||
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
      std::vector<std::uint8_t> seed = {std::uint8_t(slot), 0};
      seed.insert(seed.end(), file.begin() + std::ptrdiff_t(from), file.begin() + std::ptrdiff_t(to));
      seeds.push_back(std::move(seed));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int release = kReleases[(data[0] & 7) % 6];
  const bool decodeMode = (data[0] & 8) != 0;
  std::span<const std::uint8_t> object(data + 2, std::min<std::size_t>(size - 2, kBudget));
  if (decodeMode) {
    ProxyObjectData proxy;
    proxy.bytes = object;
    proxy.dataBits = object.size() * 8 / 2;
    proxy.handle = 0x20;
    proxy.typeName = DwgObjectTypeAt(data[1] % kDwgObjectTypes)->name;
    proxy.version = release;
    proxy.handles = {0x10, 0x11};
    if (std::unique_ptr<YxxfGroupRecord> record = DecodeDwgObject(proxy)) {
      YxxfReader context(WString(), 0);
      context.DispatchSection(*record, proxy.typeName, YxxfSection::Entities);
    }
    return 0;
  }
  DwgMemorySource source(object);
  DwgReader reader(WString(), release);
  reader.SetSource(&source);
  reader.AddDwgClass(500, "LWPOLYLINE", true);
  reader.AddDwgClass(501, "ACAD_TABLE", true);
  reader.AddDwgClass(502, "ARC_DIMENSION", true);
  reader.AddDwgClass(503, "ACDBWIDGET", true);
  reader.ReadDwgObject(std::uint32_t(object.size()));
  Dispatch(reader.TakeRecord());
  return 0;
}

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  std::vector<std::vector<std::uint8_t>> seeds;
  for (int i = 0; i < 6; ++i) {
    for (const test::DwgSampleObject& sample : test::DwgSampleObjects(kReleases[i])) {
      std::vector<std::uint8_t> seed = {std::uint8_t(i), 0};
      seed.insert(seed.end(), sample.bytes.begin(), sample.bytes.end());
      seeds.push_back(seed);
      // The same bytes decoded as a single object of the type.
      std::vector<std::uint8_t> decode = seed;
      decode[0] = std::uint8_t(i | 8);
      decode[1] = std::uint8_t(std::max(0, DwgObjectTypeIndexOfName(sample.typeName.c_str())));
      seeds.push_back(decode);
    }
  }
  AddSampleObjects(seeds);
  return seeds;
}
