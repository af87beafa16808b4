// Group-code records built from arbitrary bytes and dispatched through the
// reader context, then every entity record made into objects (with a
// transform drawn from the input, a degenerate one, and without), spooled
// and read back, and the blocks sorted by their draw-order tables. The
// geometry records (polylines, splines, texts, hatches) take part. The
// bytes are a little program:
// The first byte switches spooling (bit 0); then op % 8: 0 int, 1 double, 2 handle, 3 narrow text, 4 wide text (each with
//   a group code), 5 sub-record id, 6 dispatch by entity code, 7 dispatch by
//   entity name in a section; each dispatch clears the record.
// Group codes come from a list of the codes the import reads, or raw.
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "foundation/InFileStream.h"
#include "foundation/OutFileStream.h"
#include "import/records/ImportMatrix.h"
#include "import/records/RecordUtilities.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "model/ObjectChain.h"
#include "tests/fuzz/FuzzTarget.h"

using namespace kvn;

namespace {

constexpr std::uint16_t kCodes[] = {0,   1,   2,   3,   5,   6,   8,   9,   10,  11,  12,  13,   20,   21,   22,
                                    23,  30,  31,  32,  33,  40,  41,  42,  43,  44,  45,  46,   48,   49,   50,
                                    51,  60,  62,  66,  67,  70,  71,  72,  73,  74,  75,  90,   91,   93,   95,
                                    100, 210, 220, 230, 300, 301, 302, 303, 304, 305, 330, 331,  340,  420,  1000,
                                    1001, 1071, 32769, 32775, 32776, 16, 17, 26, 36, 37, 27, 38, 39,
                                    // the geometry records
                                    42, 47, 52, 53, 69, 76, 77, 78, 79, 92, 94, 95, 96, 97, 98, 171, 290,
                                    421, 450, 1010, 1020, 1030, 1040, 7, 14, 24, 34, 35, 4, 15, 25};
constexpr const char* kNames[] = {"LINE",   "ARC",     "CIRCLE", "SOLID",        "TRACE",        "ELLIPSE",
                                  "3DFACE", "LAYER",   "LTYPE",  "STYLE",        "BLOCK",        "ENDBLK",
                                  "VPORT",  "LAYOUT",  "INSERT", "ATTRIB",       "SEQEND",       "POLYLINE",
                                  "VERTEX", "POINT",   "UCS",    "BLOCK_RECORD", "SORTENTSTABLE", "IMAGEDEF",
                                  "ACAD_PROXY_ENTITY", "3DLINE", "MLEADER", "WIPEOUT", "LWPOLYLINE",
                                  "SPLINE", "HATCH", "TEXT", "MTEXT", "ATTDEF", "MLINE", "LEADER", "VIEWPORT"};

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool More() const { return at_ < size_; }
  std::uint8_t U8() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint64_t U(int n) {
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= std::uint64_t(U8()) << (8 * i);
    return v;
  }
  std::uint16_t Code() {
    std::uint8_t b = U8();
    if (b < 224) return kCodes[b % (sizeof(kCodes) / sizeof(kCodes[0]))];
    return std::uint16_t(U(2));
  }
  std::string_view Text() {
    std::size_t wanted = U8() % 48;
    std::size_t n = std::min<std::size_t>(wanted, size_ - at_);
    std::string_view s(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return s;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

void MakeAll(cOneObjRec* r, const ImportMatrix& m, const ImportMatrix& flat, YxxfReader& reader) {
  ObjectChain a = r->MakeObject(&m, &reader, nullptr);
  ObjectChain b = r->MakeObject(nullptr, &reader, nullptr);
  ObjectChain c = r->MakeObject(&flat, &reader, nullptr);
}

void MakeEverything(OwnedArray<cOneObjRec>& records, const ImportMatrix& m, const ImportMatrix& flat,
                    YxxfReader& reader) {
  for (cOneObjRec* r : records) {
    ObjectChain a = r->MakeObject(&m, &reader, nullptr);
    ObjectChain b = r->MakeObject(nullptr, &reader, nullptr);
    ObjectChain c = r->MakeObject(&flat, &reader, nullptr);
    // Every record spools and reads back.
    ByteArray bytes;
    {
      OutFileStream out = OutFileStream::ToMemory(bytes);
      r->WriteSpool(out);
      out.Flush();
    }
    InFileStream in = InFileStream::FromMemory(bytes);
    std::unique_ptr<cOneObjRec> back = ReadSpooledRecord(in);
    if (back) ObjectChain d = back->MakeObject(&m, &reader, nullptr);
  }
}

// A view transform from four bytes of the input: direction, twist and scale.
ImportMatrix TransformFrom(const std::uint8_t* data, std::size_t size) {
  auto byte = [&](std::size_t i) { return i < size ? data[i] : std::uint8_t(0x5A); };
  Vec3 direction{(byte(1) - 128) / 64.0, (byte(2) - 128) / 64.0, (byte(3) - 100) / 64.0};
  ImportMatrix m = BuildViewMatrix(direction, byte(4) * 1.5);
  const double s = std::ldexp(1.0, int(byte(5) % 24) - 12);
  m.PreScaleAbout(Vec3{s, s, s}, Vec3{});
  return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  YxxfReader reader(WString(u"fuzz.dxf"), 1);
  ByteArray spool;
  bool spooling = size > 0 && (data[0] & 1);
  if (spooling) reader.SetSpoolStream(std::make_unique<OutFileStream>(WString(), true, false, false, false, &spool));
  in.U8();  // the spooling switch
  YxxfGroupRecord record;
  int dispatches = 0;
  while (in.More() && dispatches < 512) {
    std::uint8_t op = in.U8();
    switch (op % 8) {
      case 0: {
        std::uint16_t code = in.Code();
        record.AddInt(code, std::int32_t(in.U(4)));
        break;
      }
      case 1: {
        std::uint16_t code = in.Code();
        std::uint64_t bits = in.U(8);
        double d;
        std::memcpy(&d, &bits, sizeof(d));
        record.AddDouble(code, d);
        break;
      }
      case 2: {
        std::uint16_t code = in.Code();
        record.AddHandle64(code, in.U(8));
        break;
      }
      case 3: {
        std::uint16_t code = in.Code();
        record.AddString(code, in.Text());
        break;
      }
      case 4: {
        std::uint16_t code = in.Code();
        std::string_view bytes = in.Text();
        std::u16string units(bytes.size() / 2, u'\0');
        std::memcpy(units.data(), bytes.data(), units.size() * 2);
        record.AddWideString(code, std::u16string_view(units));
        break;
      }
      case 5:
        record.SetSubRecord(in.U8() & 1);
        break;
      case 6:
        reader.DispatchEntity(record, in.U8() % 60);
        record.Clear();
        ++dispatches;
        break;
      default: {
        std::uint8_t which = in.U8();
        std::uint8_t section = in.U8() % 6;
        reader.DispatchSection(record, kNames[which % (sizeof(kNames) / sizeof(kNames[0]))], YxxfSection(section));
        record.Clear();
        ++dispatches;
        break;
      }
    }
  }
  // Whatever the record holds at the end is read every way once.
  WString text = record.JoinStrings(1, 3);
  (void)record.GetPoint3(10);

  ImportMatrix m = TransformFrom(data, size);
  OffPlaneCounter deep;
  m.counter = &deep;
  // Everything collapses onto a line: directions and sizes vanish.
  ImportMatrix flat;
  flat.PreScaleAbout(Vec3{1, 0, 0}, Vec3{});
  flat.counter = &deep;
  for (YxxfSortTableRec* table : reader.sortTables) SortByDrawOrder(reader.defaultBlock.entities, table->handles);
  MakeEverything(reader.defaultBlock.entities, m, flat, reader);
  MakeEverything(reader.unowned, m, flat, reader);
  for (YxxfBlockRec* block : reader.blocks) MakeEverything(block->entities, m, flat, reader);
  std::vector<WString*> names;
  for (YxxfLayerRec* layer : reader.layers) names.push_back(&layer->name);
  MakeNamesUnique(names);
  (void)YxxfReader::FindModelViewport(reader, nullptr);
  if (spooling) {
    reader.SpoolStream()->Flush();
    InFileStream back = InFileStream::FromMemory(spool);
    std::vector<const YxxfBlockRec*> owners{&reader.defaultBlock};
    for (const YxxfBlockRec* block : reader.blocks) owners.push_back(block);
    for (const YxxfBlockRec* block : owners) {
      for (const YxxfSpoolEntry& e : block->spoolIndex) {
        if (!back.Seek(e.position)) break;
        std::unique_ptr<cOneObjRec> r = ReadSpooledRecord(back);
        if (r) MakeAll(r.get(), m, flat, reader);
      }
    }
  }
  return 0;
}

namespace {

// Seed writer: the same little program language.
class Script {
 public:
  Script& Int(std::uint8_t codeIndex, std::int32_t v) {
    Op(0, codeIndex);
    Le(std::uint64_t(std::uint32_t(v)), 4);
    return *this;
  }
  Script& Dbl(std::uint8_t codeIndex, double v) {
    Op(1, codeIndex);
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    Le(bits, 8);
    return *this;
  }
  Script& Handle(std::uint8_t codeIndex, std::uint64_t v) {
    Op(2, codeIndex);
    Le(v, 8);
    return *this;
  }
  Script& Text(std::uint8_t codeIndex, const char* s) {
    Op(3, codeIndex);
    bytes.push_back(std::uint8_t(std::strlen(s)));
    bytes.insert(bytes.end(), s, s + std::strlen(s));
    return *this;
  }
  Script& Name(std::uint8_t nameIndex, std::uint8_t section) {
    bytes.push_back(7);
    bytes.push_back(nameIndex);
    bytes.push_back(section);
    return *this;
  }
  std::vector<std::uint8_t> bytes{1};  // odd first byte: spooling on

 private:
  void Op(std::uint8_t op, std::uint8_t codeIndex) {
    bytes.push_back(op);
    bytes.push_back(codeIndex);
  }
  void Le(std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) bytes.push_back(std::uint8_t(v >> (8 * i)));
  }
};

// Indexes into kCodes and kNames used by the seeds.
constexpr std::uint8_t c2 = 2, c5 = 4, c8 = 6, c10 = 8, c11 = 9, c20 = 12, c21 = 13, c40 = 20, c50 = 29, c51 = 30,
                       c62 = 32, c70 = 35, c210 = 46, c230 = 48, c330 = 55, c331 = 56, c100 = 45, cOwner = 62;

// The index of a code in kCodes (the seeds name codes, not indexes).
constexpr std::uint8_t Ix(std::uint16_t code) {
  for (std::size_t i = 0; i < sizeof(kCodes) / sizeof(kCodes[0]); ++i) {
    if (kCodes[i] == code) return std::uint8_t(i);
  }
  return 255;
}
constexpr std::uint8_t nPolyline = 17, nVertex = 18, nSeqEnd = 16, nLwPolyline = 28, nSpline = 29, nHatch = 30,
                       nText = 31, nMText = 32, nMLine = 34, nLeader = 35;

}  // namespace

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  Script a;
  a.Text(c2, "Walls").Int(c62, -5).Name(7, 2);
  a.Text(c2, "DOOR").Text(c5, "1A").Name(10, 3);
  a.Text(c8, "Walls").Dbl(c10, 1).Dbl(c20, 2).Dbl(c11, 3).Dbl(c21, 4).Name(0, 3);
  a.Name(11, 3);
  a.Text(c5, "20").Dbl(c10, 0).Dbl(c40, 5).Dbl(c50, 350).Dbl(c51, 10).Dbl(c210, 0).Dbl(c230, -1).Name(1, 4);
  a.Text(c5, "21").Dbl(c10, 1).Dbl(c11, 10).Dbl(c40, 0.5).Name(5, 4);
  a.Int(c70, 5).Dbl(c10, 0).Dbl(c11, 1).Name(6, 4);
  a.Text(c100, "AcDbSortentsTable").Text(c330, "0").Text(c331, "21").Text(c5, "20").Name(22, 5);
  Script b;
  b.Handle(cOwner, 0).Handle(c8, 0x77).Dbl(c10, 1).Name(2, 4);
  b.Int(c70, 0).Int(c62, 1).Name(14, 4).Name(15, 4).Name(16, 4).Name(18, 4);
  b.Text(c2, "*Active").Dbl(c10, 0).Name(12, 2);
  Script c;  // the geometry records
  c.Int(Ix(90), 3).Int(c70, 1).Dbl(c10, 0).Dbl(c20, 0).Dbl(Ix(42), 1).Dbl(c10, 4).Dbl(c20, 0).Dbl(c10, 4)
      .Dbl(c20, 3).Name(nLwPolyline, 4);
  c.Int(c70, 64).Name(nPolyline, 4);
  for (double x : {0.0, 1.0, 1.0}) c.Int(c70, 192).Dbl(c10, x).Dbl(c20, x > 0 && x < 2 ? 1 : 0).Name(nVertex, 4);
  c.Int(c70, 128).Int(Ix(71), 1).Int(Ix(72), -2).Int(Ix(73), 3).Name(nVertex, 4).Name(nSeqEnd, 4);
  c.Int(Ix(71), 2).Int(Ix(72), 6).Int(Ix(73), 3);
  for (double k : {0.0, 0.0, 0.0, 1.0, 1.0, 1.0}) c.Dbl(c40, k);
  for (double x : {0.0, 1.0, 2.0}) c.Dbl(c10, x).Dbl(c20, x == 1 ? 1 : 0).Dbl(Ix(30), 0).Dbl(Ix(41), 0.7);
  c.Name(nSpline, 4);
  c.Dbl(c10, 0).Dbl(c20, 0).Dbl(Ix(30), 0).Text(c2, "ANSI31").Int(c70, 0).Int(Ix(91), 2).Int(Ix(92), 2)
      .Int(Ix(93), 3).Dbl(c10, 0).Dbl(c20, 0).Dbl(Ix(42), 0.5).Dbl(c10, 9).Dbl(c20, 0).Dbl(c10, 0).Dbl(c20, 9)
      .Int(Ix(92), 1).Int(Ix(93), 1).Int(Ix(72), 2).Dbl(c10, 3).Dbl(c20, 3).Dbl(c40, 1).Dbl(c50, 0).Dbl(c51, 360)
      .Int(Ix(73), 1).Int(Ix(75), 0).Int(Ix(450), 1).Int(Ix(421), 0xFF00).Name(nHatch, 4);
  c.Text(Ix(1), "x%%c").Int(Ix(72), 1).Dbl(c11, 5).Dbl(c21, 1).Dbl(c50, 30).Name(nText, 4);
  c.Text(Ix(1), "{\\H2;a}\\Pb \\S1^2;").Int(Ix(71), 5).Dbl(c11, 0).Dbl(c21, 1).Dbl(Ix(41), 10).Name(nMText, 4);
  c.Int(Ix(71), 2).Int(Ix(72), 2).Int(Ix(73), 1).Dbl(c11, 0).Dbl(Ix(13), 0).Dbl(Ix(23), 1).Int(Ix(74), 1)
      .Dbl(Ix(41), 1).Dbl(c11, 5).Int(Ix(74), 1).Dbl(Ix(41), 1).Name(nMLine, 4);
  c.Int(Ix(72), 1).Int(Ix(76), 3).Dbl(c10, 0).Dbl(c20, 0).Dbl(c10, 1).Dbl(c20, 2).Dbl(c10, 3).Dbl(c20, 2)
      .Name(nLeader, 4);
  return {a.bytes, b.bytes, c.bytes};
}
