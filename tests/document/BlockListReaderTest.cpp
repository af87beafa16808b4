// The block and object list reader: end byte, factory, type-byte bits,
// presence mask of named blocks, symbol block references with placeholder
// blocks, progress steps and cancelling; and the link end re-pointing of
// exploded inserts.
#include <gtest/gtest.h>

#include "document/BlockListReader.h"
#include "document/ProgressMonitor.h"
#include "foundation/ArchiveWriter.h"
#include "model/ObjectTypes.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/ReadState.h"
#include "model/cLine.h"
#include "model/cInsert.h"
#include "model/cLink.h"
#include "tests/support/RecordFixtures.h"
#include "tests/support/SchematicRecords.h"

namespace kvn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct ListRead {
  explicit ListRead(const Bytes& bytes, int version) : archive(bytes) {
    data = new cDrawingData();
    data->AddRef();
    context.data = data;
    context.archive = &archive.Reader();
    context.version = version;
  }
  ~ListRead() { data->Release(); }
  bool Read(bool named = false) { return ReadBlockObjects(named, block, context); }
  std::size_t Count() const {
    std::size_t n = 0;
    for (cOutObj* o = block.FirstObject(); o; o = o->next) ++n;
    return n;
  }
  MemoryArchive archive;
  cDrawingData* data;
  BlockListContext context;
  cBlock block;
};

void CurrentLine(ArchiveWriter& w, double x, std::uint8_t sourceBits = 0) {
  cLine line;
  line.SetTypeByteSourceBits(sourceBits);
  line.stroke.lineStyle = 65535;
  line.start = {x, 0};
  line.end = {x, 1};
  line.Write(nullptr, w);
}

// A pre-3050 line announcing a symbol block, then the block index.
void OldSymbolLine(ArchiveWriter& w, std::uint16_t symbolBlock) {
  w.WriteByte(kTypeLine);
  w.WriteByte(0);
  w.WriteRaw32(0);
  WriteFloat(w, 0.25);
  w.WriteByte(0x81);
  WriteFloat(w, 0.0);
  WriteFloat(w, 2.0);
  WriteFloat(w, 1.0);
  w.WriteByte(0);
  WriteFloatPoint(w, 0, 0);
  WriteFloatPoint(w, 10, 0);
  w.WriteUInt16(symbolBlock);
}

TEST(BlockListReader, EndByteAloneIsAnEmptyList) {
  ListRead read(Archive([](ArchiveWriter& w) { w.WriteByte(255); }), 3111);
  EXPECT_TRUE(read.Read());
  EXPECT_EQ(read.block.FirstObject(), nullptr);
}

TEST(BlockListReader, TypeByteBitsSixAndSevenReachTheObject) {
  ListRead read(Archive([](ArchiveWriter& w) {
                  CurrentLine(w, 1.0, 0xC0);
                  CurrentLine(w, 2.0);
                  w.WriteByte(255);
                }),
                3111);
  ASSERT_TRUE(read.Read());
  ASSERT_EQ(read.Count(), 2u);
  cOutObj* first = read.block.FirstObject();
  EXPECT_EQ(first->TypeByte(), 0xC1);
  EXPECT_EQ(first->AsAnyLine()->AsLine()->start.x, 1.0);
  EXPECT_EQ(first->next->TypeByte(), kTypeLine);
  EXPECT_EQ(read.context.objectCount, 2u);
}

TEST(BlockListReader, FailuresKeepTheObjectsRead) {
  ListRead unknown(Archive([](ArchiveWriter& w) {
                     CurrentLine(w, 1.0);
                     w.WriteByte(11);  // no class has code 11
                     CurrentLine(w, 2.0);
                     w.WriteByte(255);
                   }),
                   3111);
  EXPECT_FALSE(unknown.Read());
  EXPECT_EQ(unknown.Count(), 1u);

  ListRead cut(Archive([](ArchiveWriter& w) { CurrentLine(w, 1.0); }), 3111);
  EXPECT_FALSE(cut.Read());
  EXPECT_EQ(cut.Count(), 1u);
}

TEST(BlockListReader, NamedBlocksFrom3105CarryTheirFields) {
  auto bytes = [](int) {
    return Archive([](ArchiveWriter& w) {
      w.WriteUInt16(kBlockName | kBlockColor);
      w.WriteString(WString(u"Door"));
      w.WriteColor(0x0000FF);
      CurrentLine(w, 3.0);
      w.WriteByte(255);
    });
  };
  ListRead read(bytes(3111), 3111);
  ASSERT_TRUE(read.Read(true));
  EXPECT_TRUE(read.block.name == u"Door");
  EXPECT_EQ(read.block.color, 0x0000FFu);
  EXPECT_EQ(read.Count(), 1u);
  // Before 3105 the same bytes are object records: the mask's bytes are
  // read as type codes without a class.
  ListRead old(bytes(3104), 3104);
  EXPECT_FALSE(old.Read(true));
}

TEST(BlockListReader, SymbolBlocksBeyondTheTableGetPlaceholders) {
  ListRead read(Archive([](ArchiveWriter& w) {
                  OldSymbolLine(w, 0);  // inside the table
                  OldSymbolLine(w, 7);
                  OldSymbolLine(w, 9);
                  w.WriteByte(255);
                }),
                3049);
  read.data->AddBlock(new cBlock());
  ASSERT_TRUE(read.Read());
  EXPECT_EQ(read.Count(), 3u);
  EXPECT_TRUE(read.context.placeholder);
  // Each reference beyond the table appends one more empty block.
  EXPECT_EQ(read.data->BlockCount(), 3u);
  EXPECT_EQ(read.data->GetBlock(2)->FirstObject(), nullptr);
}

TEST(BlockListReader, ReferencesAreRebasedOnTheBase) {
  ListRead read(Bytes{}, 3111);
  read.data->AddBlock(new cBlock());
  read.data->AddBlock(new cBlock());
  read.context.blockIndexBase = 1;
  EXPECT_EQ(CheckBlockReference(1, read.context), 1u);
  EXPECT_FALSE(read.context.placeholder);
  read.context.blockIndexBase = 2;
  EXPECT_EQ(CheckBlockReference(0, read.context), 1u);
  EXPECT_EQ(CheckBlockReference(1, read.context), 2u);  // beyond: a placeholder takes index 2
  EXPECT_TRUE(read.context.placeholder);
  EXPECT_EQ(read.data->BlockCount(), 3u);
}

class CountingMonitor : public ProgressMonitor {
 public:
  bool Step(int percent, bool) override {
    percents.push_back(percent);
    if (cancelAt >= 0 && int(percents.size()) > cancelAt) MarkCancelled();
    return !Cancelled();
  }
  std::vector<int> percents;
  int cancelAt = -1;
};

Bytes ManyLines(int n) {
  return Archive([n](ArchiveWriter& w) {
    for (int i = 0; i < n; ++i) CurrentLine(w, i * 1.5);
    w.WriteByte(255);
  });
}

TEST(BlockListReader, ProgressAtMostOncePer20000BytesAndCancel) {
  const Bytes bytes = ManyLines(8000);
  ASSERT_GT(bytes.size(), 60000u);
  {
    ListRead read(bytes, 3111);
    CountingMonitor monitor;
    ByteArray memory;
    memory.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
    InFileStream in = InFileStream::FromMemory(memory);
    ArchiveReader r(&in);
    read.context.archive = &r;
    read.context.input = &in;
    read.context.monitor = &monitor;
    ASSERT_TRUE(read.Read());
    EXPECT_EQ(read.Count(), 8000u);
    EXPECT_GE(monitor.percents.size(), 2u);
    EXPECT_LE(monitor.percents.size(), bytes.size() / 20000 + 1);
    for (std::size_t i = 1; i < monitor.percents.size(); ++i) EXPECT_GT(monitor.percents[i], monitor.percents[i - 1]);
  }
  {
    ListRead read(bytes, 3111);
    CountingMonitor monitor;
    monitor.cancelAt = 0;
    ByteArray memory;
    memory.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
    InFileStream in = InFileStream::FromMemory(memory);
    ArchiveReader r(&in);
    read.context.archive = &r;
    read.context.input = &in;
    read.context.monitor = &monitor;
    EXPECT_FALSE(read.Read());
    EXPECT_LT(read.Count(), 8000u);
  }
}

TEST(BlockListReader, RememberedLinkStyleLastsOneRecord) {
  // An old link drawn with a symbol line: its link style is remembered for
  // the symbol conversion behind its record, and forgotten at the next one.
  LinkFixture link;
  link.line.lineType = 0x83;
  auto oldLink = [&](ArchiveWriter& w) {
    w.WriteByte(kTypeLink);
    WriteLinkRecord(w, 3045, link);
    w.WriteUInt16(1);  // the symbol block
  };
  for (bool lineAfter : {false, true}) {
    SCOPED_TRACE(lineAfter);
    ListRead list(Archive([&](ArchiveWriter& w) {
                    oldLink(w);
                    if (lineAfter) {
                      w.WriteByte(kTypeLine);
                      w.WriteByte(0);
                      w.WriteRaw32(0);
                      WriteFloat(w, 0.25);
                      w.WriteByte(1);
                      WriteFloat(w, 0.0);
                      WriteFloatPoint(w, 0, 0);
                      WriteFloatPoint(w, 1, 1);
                    }
                    w.WriteByte(255);
                  }),
                  3045);
    ReadContext readContext;
    list.context.readContext = &readContext;
    ASSERT_TRUE(list.Read());
    ASSERT_NE(list.block.FirstObject(), nullptr);
    ASSERT_NE(list.block.FirstObject()->AsLink(), nullptr);
    EXPECT_EQ(list.block.FirstObject()->AsLink()->linkStyle, 0);
    EXPECT_EQ(readContext.rememberedLinkStyle, lineAfter ? kNoStyle : 0);
  }
}

TEST(BlockListReader, LinksJoinTheInsertsTheirNumbersName) {
  // Stored end numbers count the inserts of the whole read from 1; this list
  // follows one that held two inserts, so its inserts are numbers 3 and 4.
  auto insertRecord = [](ArchiveWriter& w) {
    cInsert insert(false);
    insert.blockIndex = 1;
    insert.Write(nullptr, w);
  };
  auto linkRecord = [](ArchiveWriter& w, std::uint32_t end1, std::uint32_t end2) {
    cLink link;
    link.end1WriteNumber = end1;
    link.end1Index = 2;
    link.end2WriteNumber = end2;
    link.end2Index = 1;
    link.Write(nullptr, w);
  };
  ListRead list(Archive([&](ArchiveWriter& w) {
                  insertRecord(w);
                  linkRecord(w, 4, 3);
                  insertRecord(w);
                  linkRecord(w, 2, 5);  // an insert of the other list, and none
                  w.WriteByte(255);
                }),
                3111);
  ReadContext readContext;
  readContext.insertsRead = 2;
  list.context.readContext = &readContext;
  ASSERT_TRUE(list.Read());
  EXPECT_EQ(readContext.insertsRead, 4u);
  std::vector<const cInsert*> inserts;
  std::vector<const cLink*> links;
  for (cOutObj* o = list.block.FirstObject(); o; o = o->next) {
    if (o->AsInsert()) inserts.push_back(o->AsInsert());
    if (o->AsLink()) links.push_back(o->AsLink());
  }
  ASSERT_EQ(inserts.size(), 2u);
  ASSERT_EQ(links.size(), 2u);
  EXPECT_NE(inserts[0]->RunningId(), 0u);
  EXPECT_EQ(links[0]->end1Number, inserts[1]->RunningId());
  EXPECT_EQ(links[0]->end1Index, 2);
  EXPECT_EQ(links[0]->end2Number, inserts[0]->RunningId());
  EXPECT_EQ(links[0]->end2Index, 1);
  EXPECT_EQ(links[1]->end1Number, 0u);
  EXPECT_EQ(links[1]->end1Index, 0);
  EXPECT_EQ(links[1]->end2Number, 0u);
  // What the record stores is unchanged.
  EXPECT_EQ(links[1]->end1WriteNumber, 2u);
  EXPECT_EQ(links[1]->end2WriteNumber, 5u);
}

TEST(LinkRepointing, EndsFollowTheCopiesOrBecomeZero) {
  const std::vector<std::uint32_t> sources = {11, 12, 13};
  const std::vector<std::uint32_t> copies = {21, 22, 23};
  std::uint32_t end1 = 12, end2 = 99;  // end 2 names an insert outside the block
  RepointLinkEnds(sources, copies, end1, end2);
  EXPECT_EQ(end1, 22u);
  EXPECT_EQ(end2, 0u);

  end1 = 13;
  end2 = 13;  // one source serves both ends
  RepointLinkEnds(sources, copies, end1, end2);
  EXPECT_EQ(end1, 23u);
  EXPECT_EQ(end2, 23u);

  end1 = 0;
  end2 = 0;  // a link that joins nothing is left alone
  RepointLinkEnds({}, {}, end1, end2);
  EXPECT_EQ(end1, 0u);

  end1 = 11;
  end2 = 12;  // no recorded inserts: both ends cleared
  RepointLinkEnds({}, {}, end1, end2);
  EXPECT_EQ(end1, 0u);
  EXPECT_EQ(end2, 0u);

  // A copy's id that equals another source's id is not re-pointed again.
  end1 = 11;
  end2 = 0;
  RepointLinkEnds({11, 21}, {21, 31}, end1, end2);
  EXPECT_EQ(end1, 21u);
}

}  // namespace
}  // namespace kvn::test
