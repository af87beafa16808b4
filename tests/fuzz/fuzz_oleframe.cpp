// The data of an OLE2FRAME from arbitrary bytes: the frame header, the
// compound file inside it, the streams and pictures it holds, the placed
// picture and the record's spool form.
#include <string>
#include <vector>

#include "foundation/InFileStream.h"
#include "foundation/OutFileStream.h"
#include "import/records/ImportMatrix.h"
#include "import/records/PictureRecords.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/OleFixtures.h"

using namespace kvn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  YxxfGroupRecord group;
  group.AddInt(70, 2);
  group.AddInt(90, std::int32_t(size));
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (std::size_t at = 0; at < size; at += 127) group.AddString(310, bytes.substr(at, 127));
  cOLE record(&group, entity::kOle2Frame);
  ImportMatrix identity;
  ObjectChain made = record.MakeObject(&identity, nullptr, nullptr);
  ByteArray spool;
  OutFileStream out = OutFileStream::ToMemory(spool);
  record.WriteSpool(out);
  out.Flush();
  InFileStream in = InFileStream::FromMemory(spool);
  ReadSpooledRecord(in);
  return 0;
}

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  using test::OleNode;
  const Vec3 corners[4] = {{0, 10, 0}, {20, 10, 0}, {20, 0, 0}, {0, 0, 0}};
  const std::string bmp = test::SmallBmpFile(5, 4, 0x123456);
  std::vector<std::vector<std::uint8_t>> seeds;
  for (const auto& tree : {std::vector<OleNode>{OleNode::Stream("\001Ole10Native", "SIZE" + bmp)},
                           std::vector<OleNode>{OleNode::Stream("CONTENTS", test::SmallEmf())},
                           std::vector<OleNode>{OleNode::Storage(
                               "OcPart1", {OleNode::Stream("\002OlePres000", std::string(40, 'p') + bmp)})}}) {
    const std::string data = test::OleFrameData(corners, test::WriteOleTree(tree));
    seeds.emplace_back(data.begin(), data.end());
  }
  return seeds;
}
