// DwgReader: the reader context of one R13-or-later DWG drawing. It reads the
// bit-packed objects of the drawing from a byte source and collects the group
// items of each object in its record buffer, which the loader keeps and
// later hands to the import core's dispatcher.
//
// Bit stream: every byte comes through ReadSourceByte (budget, CRC, source
// selection); bits are taken from the most significant bit down. Running out
// of budget never stops a primitive: the sticky overrun flag is set and zeros
// are delivered, and the object fails at its end. Counts read from an object
// are checked against the bits left before anything is sized, so a count of
// four billion fails its object at once instead of looping.
//
// From R2007 on, texts and handles of an object are stored after its numeric
// data: ReadText and ReadHandleRef queue their targets, and FinishObject
// resolves the queues (texts in queue order, handles in passes per
// sub-record id), so string items follow the handle items in the record.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "dwg/objects/DwgByteSource.h"
#include "dwg/objects/DwgCrc.h"
#include "dwg/objects/DwgObjectStatistics.h"
#include "dwg/objects/DwgRecordBuffer.h"
#include "foundation/AString.h"
#include "foundation/WString.h"
#include "import/records/YxxfReader.h"

namespace kvn {

class DwgByteSource;
class DwgReader;
class ProgressMonitor;

// Releases by their version number.
namespace dwgrelease {
inline constexpr int kR14 = 14, kR2000 = 15, kR2004 = 18, kR2007 = 21, kR2010 = 24, kR2013 = 27, kR2018 = 32;
}

inline constexpr int kDwgReaderKind = 2;

// Handler results: 0 failed, 1 read the type's data, 2 a type whose data is
// not read.
using DwgHandler = int (DwgReader::*)();

enum class DwgObjectKind : std::uint8_t { Entity = 0, Object = 1, Bare = 2, Empty = 3 };

struct DwgObjectType {
  DwgHandler handler;
  const char* name;
  DwgObjectKind kind;
};

inline constexpr int kDwgObjectTypes = 99;
inline constexpr int kDwgFirstClassEntry = 83;
inline constexpr std::uint16_t kDwgNoClass = 65535;

// Entry 0..98 (null outside): object type numbers 0..82, then the classes.
const DwgObjectType* DwgObjectTypeAt(int index);
// The first entry of the name, ignoring case, or -1.
int DwgObjectTypeIndexOfName(const char* name);
// The DXF entity name of a fixed entity type number as a space holds it
// (MINSERT is an INSERT, every dimension a DIMENSION), or null for objects,
// block brackets, vertices, attributes and sequence ends.
const char* DwgDxfEntityNameOfType(int type);

// Owned-link kinds the loader keeps with each object.
inline constexpr std::uint8_t kLinkSubEntity = 1, kLinkFirstLast = 2, kLinkOwnedList = 4;

// One object of the object map: its handle (0 until the object is read),
// its location (after the first pass: the index of its kept record, or
// kNoKeptRecord), and the kind the frame reported.
struct DwgMapEntry {
  std::uint64_t handle = 0;
  std::uint32_t location = 0;
  std::uint32_t kind = 0;
};
inline constexpr std::uint32_t kNoKeptRecord = 0xFFFFFFFFu;

// The entry of a handle in entries lo..hi of a list sorted by handle; null
// when none.
const DwgMapEntry* FindHandleEntry(const std::vector<DwgMapEntry>& entries, std::uint64_t handle, std::size_t lo,
                                   std::size_t hi);

// A record kept by the loader for an object read successfully.
struct DwgKeptObject {
  std::span<const std::uint8_t> record;  // entity code + items, in the loader's record store
  std::uint8_t linkKind = 0;
  // Handed over to the dispatcher (at most once).
  mutable bool emitted = false;
};
// Finds the kept record of a handle, null when the drawing holds none.
using DwgObjectLookup = std::function<const DwgKeptObject*(std::uint64_t handle)>;

class DwgReader : public YxxfReader {
 public:
  DwgReader(const WString& fileName, int release, bool ac1012 = false);
  ~DwgReader() override;

  int Release() const { return release_; }
  bool IsAc1012() const { return ac1012_; }

  // ---- the load ----
  std::uint8_t maintenanceVersion = 0;
  bool cancelled = false;
  // The header variables were read and their check word matched.
  bool headerChecked = false;
  ProgressMonitor* monitor = nullptr;
  // Section readers; on false the first error says why.
  bool ReadDwgHeaderVariables(std::uint32_t sectionSize);
  // The classes read before a damage stay mapped; false on a damage or a
  // check word that does not match.
  bool ReadDwgClasses(std::uint32_t sectionSize);
  bool ReadDwgHandleMap(std::uint32_t sectionSize);
  // Reads every object of the map in file order, then hands the entities of
  // each block to the dispatcher in the block's order. `inputSize` is the
  // size of what progress is measured against.
  bool ReadDwgObjects(std::uint64_t endOfObjects, std::uint64_t inputSize, const WString& fileName);
  // The object map: in file order while it is read, by handle after.
  std::vector<DwgMapEntry> objectMap;
  // Control-object lists: the entries' handles in file order, then the extra
  // handles (model and paper space for blocks; BYLAYER and BYBLOCK for line
  // types).
  std::vector<std::uint64_t> blockHeaderHandles, layerHandles, styleHandles, lineTypeHandles;
  // Objects that no block's list or chain reached, per type name.
  std::map<std::string, std::uint64_t> notEmitted;
  // Called with each object read in the first pass of ReadDwgObjects, before
  // its record is kept or dispatched: its handle, type name and record are
  // the reader's at that moment. Tests compare the records with other
  // readers of the same drawing.
  std::function<void(DwgReader&)> objectRead;

  // ---- byte source ----
  void SetSource(DwgByteSource* source) { source_ = source; }
  // R2007 and later: the string and handle data of the next object, switched
  // in by FinishObject (null: none); the object's own check word still
  // closes it. Forgotten when that object has been read.
  void SetStringSource(DwgByteSource* source, std::uint64_t bitSize, std::uint32_t byteSize);
  // The byte source and the bit primitives below are always inlined: the
  // bit reader takes every byte of a drawing through here, and a call or
  // none must not depend on the unity group of the caller.
  [[gnu::always_inline]] std::uint8_t ReadSourceByte() {
    // Inline while the source lends bytes.
    DwgByteSource* from = ActiveSource();
    if (budget_ != 0 && from) {
      if (const std::uint8_t* run = from->TakeRun(1)) {
        --budget_;
        Crc16Step(crc_, *run);
        return *run;
      }
    }
    return ReadSourceByteSlow();
  }
  // n bytes from the source, past the bit cursor; a run longer than the
  // budget sets the overrun flag and reads nothing.
  bool ReadRawBytes(std::uint8_t* buffer, std::uint32_t n);
  std::uint16_t ReadRawShortAligned();
  std::uint32_t ReadRawLongAligned();
  std::uint64_t GetSourcePosition() const;

  void SetBudget(std::uint32_t bytes) { budget_ = bytes; }
  std::uint32_t Budget() const { return budget_; }
  bool Overrun() const { return overrun_; }
  void SetCrc(std::uint16_t crc) { crc_ = crc; }
  std::uint16_t Crc() const { return crc_; }
  void ResetCursor();
  std::uint64_t BitsCounted() const { return bitsCounted_; }
  // Bits still available: the budget and the rest of the current byte.
  std::uint64_t BitsLeft() const { return std::uint64_t(budget_) * 8 + bitsLeft_; }
  // True when `count` items of at least `minBits` each can still be in the
  // object; otherwise sets the overrun flag.
  bool CountFits(std::uint64_t count, std::uint32_t minBits);

  // ---- primitives ----
  [[gnu::always_inline]] int ReadBit() {
    if (bitsLeft_ == 0) {
      curByte_ = ReadSourceByte();
      bitsLeft_ = 8;
    }
    --bitsLeft_;
    ++bitsCounted_;
    return (curByte_ >> bitsLeft_) & 1;
  }
  [[gnu::always_inline]] int ReadBitPair() {
    if (bitsLeft_ >= 2) {
      bitsLeft_ = std::uint8_t(bitsLeft_ - 2);
      bitsCounted_ += 2;
      return (curByte_ >> bitsLeft_) & 3;
    }
    const int high = ReadBit();
    return high << 1 | ReadBit();
  }
  [[gnu::always_inline]] std::uint8_t ReadRawChar() {
    const std::uint8_t next = ReadSourceByte();
    const std::uint8_t value =
        bitsLeft_ == 0 ? next : std::uint8_t((curByte_ << (8 - bitsLeft_)) | (next >> bitsLeft_));
    curByte_ = next;
    bitsCounted_ += 8;
    return value;
  }
  std::uint16_t ReadRawShort();
  std::uint32_t ReadRawLong();
  double ReadRawDouble();
  // n raw (unaligned) bytes: those ReadRawChar would give, from the source's
  // lent run in one step when it holds them.
  void ReadRawRun(std::uint8_t* out, std::uint32_t n);
  // n RC into the target (null: a scratch buffer); false on overrun.
  bool ReadByteRun(std::vector<std::uint8_t>* target, std::uint32_t n);
  std::uint16_t ReadBitShort();
  std::uint32_t ReadBitLong();
  std::uint32_t ReadBitLongLong();
  double ReadBitDouble();
  double ReadDefaultDouble(double def);
  void Read2RawDouble(double& x, double& y);
  void Read2BitDouble(double& x, double& y);
  void Read3BitDouble(double& x, double& y, double& z);
  void Read2RawDoubleZ(std::uint16_t code, double z);
  double ReadThickness();  // emits 39
  void ReadExtrusion();    // emits 210, 220, 230
  // Source bytes; false beyond 256 bytes. Bits beyond 64 are dropped.
  bool ReadModularChar(std::int64_t& out, bool isUnsigned, std::uint32_t* byteCounter = nullptr);
  // Source words; 0 beyond 256 words.
  std::uint32_t ReadModularShort(std::uint32_t* wordCounter = nullptr);
  std::uint64_t ReadHandle(int expectedCode);
  void ReadHandleRef(int expectedCode, std::uint64_t* out, std::uint16_t code);
  void ReadText(WString* target, std::uint16_t code);
  WString ReadTextValue();
  std::uint16_t ReadEntityColor(bool& colorBook, std::int32_t& rgb);
  std::uint32_t ReadObjectColor();
  bool ReadExtendedData(bool readApplicationHandle);
  // The last 1071 value and the last text of extended data.
  std::int32_t LastExtendedDataLong() const { return last1071_; }
  const WString& ExtendedDataText() const { return eedText_; }
  bool ResolveDeferredTexts();
  bool ResolveDeferredHandles(std::uint64_t bitLimit);
  bool FindSentinel(int index);
  int ExpectedSentinel() const { return sentinel_; }

  // ---- errors ----
  void SetReaderError(std::uint16_t code, std::uint16_t subCode);
  bool HasError() const { return errorSet_; }
  std::uint16_t ErrorCode() const { return errorCode_; }
  std::uint16_t ErrorSubCode() const { return errorSub_; }

  // ---- objects ----
  bool ReadDwgObject(std::uint32_t available);
  // The record of the last object read: entity code and items.
  std::vector<std::uint8_t> TakeRecord() const { return record_.Record(entityCode_); }
  // The finished record copied into `store`.
  std::span<const std::uint8_t> KeepRecord(DwgRecordStore& store) const { return store.Add(entityCode_, record_); }
  DwgRecordBuffer& Buffer() { return record_; }
  std::uint16_t EntityCode() const { return entityCode_; }
  std::uint8_t LinkKind() const { return linkKind_; }
  // The last object read was an entity (its record links it in its block).
  bool LastIsEntity() const { return lastIsEntity_; }
  std::uint64_t ObjectHandle() const { return objectHandle_; }
  void SetObjectHandle(std::uint64_t handle) { objectHandle_ = handle; }
  const std::string& TypeName() const { return typeName_; }

  // Handles given in place of those of the stream (objects read again, or
  // decoded from group data); taken in order once active.
  void SetPreReadHandles(std::vector<std::uint64_t> handles);
  void SetSkipHandles(bool skip) { skipHandles_ = skip; }
  // The frame of an object whose header was read elsewhere.
  void SetSuppliedFrame(std::uint64_t dataEndBits, std::uint64_t handleSizeBits);

  // ---- classes ----
  void AddClassMapping(std::uint16_t classNumber, std::uint16_t reference);
  std::uint16_t FindClassMapping(std::uint16_t classNumber) const;
  // A class of the classes section: mapped by name (entries 0..82 first,
  // then 83..98) and remembered with its entity flag.
  void AddDwgClass(std::uint16_t number, const char* dxfName, bool isEntity);

  // ---- common data ----
  bool ReadCommonEntityData();
  void ReadEntityBody();
  bool FinishEntityData();
  bool ReadEntityHandles();
  void ReadCommonObjectData();
  bool ReadObjectHandles();
  bool FinishObject();
  bool IsDataEndReached() const;

  // ---- entity walk ----
  // Dispatches one entity's record and those of its sub-entities in DXF
  // order; returns the next entity's handle. An object is dispatched at most
  // once per reader, so a chain or list that comes back ends.
  std::uint64_t WalkEntity(std::uint64_t handle, const DwgObjectLookup& lookup);
  std::uint32_t EntitiesDispatched() const { return dispatched_; }

  // ---- handlers (simple entities) ----
  int HandleLine();
  int HandleArc();
  int HandleCircle();
  int HandlePoint();
  int HandleSolid();
  int HandleFace3D();
  int HandleShape();
  int HandleEllipse();
  int HandleRay();
  int HandleModeller();
  // ---- text entities ----
  int HandleText();
  int HandleAttrib();
  int HandleAttDef();
  int HandleMText();
  int HandleTolerance();
  // ---- blocks, inserts, polylines, dimensions ----
  int HandleBlock();
  int HandleEndBlock();
  int HandleSeqEnd();
  int HandleInsert();
  int HandleMInsert();
  int HandleAcadTable();
  int HandleVertex2D();
  int HandleVertex3D();
  int HandleVertexPFace();
  int HandlePolyline2D();
  int HandlePolyline3D();
  int HandlePFace();
  int HandlePolylineMesh();
  int HandleLwPolyline();
  int HandleDimensionOrdinate();
  int HandleDimensionLinear();
  int HandleDimensionAligned();
  int HandleDimensionAngular3Pt();
  int HandleDimensionAngular2Ln();
  int HandleDimensionRadius();
  int HandleDimensionDiameter();
  int HandleArcDimension();
  // ---- complex entities ----
  int HandleHatch();
  int HandleSpline();
  int HandleLeader();
  int HandleMLine();
  int HandleViewport();
  int HandleImage();
  int HandleImageDef();
  int HandleOle2Frame();
  int HandleMultiLeader();
  // Types whose data is not read.
  int HandleNotRead();
  // ---- tables and other objects ----
  int HandleBlockControl();
  int HandleLayerControl();
  int HandleStyleControl();
  int HandleLineTypeControl();
  int HandleOtherControl();
  int HandleBlockHeader();
  int HandleLayer();
  int HandleStyle();
  int HandleLineType();
  int HandleUcs();
  int HandleVport();
  int HandleAppId();
  int HandleDictionary();
  int HandleGroup();
  int HandleMLineStyle();
  int HandleDictionaryVar();
  int HandleSortEntsTable();
  int HandleLayout();
  int HandleProxyObject();
  int HandleProxyEntity();

  // Line-type handles from the drawing header (BYLAYER and BYBLOCK are the
  // base's).
  std::uint64_t continuousLineType = 0;
  DwgObjectStatistics objectStatistics;

 private:
  struct DeferredText {
    WString* target;
    std::uint16_t code;
    std::uint8_t subRecord;
  };
  struct DeferredHandle {
    std::uint64_t* target;
    std::uint16_t code;
    std::uint8_t expected;
    std::uint8_t subRecord;
  };
  struct DwgClass {
    std::uint16_t number;
    AString name;
    bool isEntity;
  };

  bool ReadDwgObjectBody(std::uint32_t available, DwgSkipReason& reason);
  DwgByteSource* ActiveSource() const { return stringSwitched_ && stringSource_ ? stringSource_ : source_; }
  // ReadSourceByte when the source lends no byte (or the budget is spent).
  std::uint8_t ReadSourceByteSlow();
  // Clears the per-object state and sets the byte budget (section readers).
  void ResetObjectState(std::uint32_t budget);
  bool DwgHasHighSizeField() const;
  int ReadControl(std::uint32_t extraHandles, std::vector<std::uint64_t>* target);
  // Name, then the flags every table entry starts with. From R2007 on the
  // name is read when the object ends, into `name`: it must live that long.
  void ReadTableEntryStart(WString* name);
  int ReadProxy(bool isEntity);
  // Steps over the rest of the object's data (fields that are not kept).
  bool SkipToDataEnd();
  void EmitDouble(std::uint16_t code, double v) { record_.AddDouble(code, v); }
  void EmitPoint(std::uint16_t code, double x, double y, double z);
  void EmitText(std::uint16_t code, const WString& text);
  int Finish(std::uint16_t entityCode);
  // Text data of TEXT and attributes, under the vertical-alignment code.
  void ReadTextData(std::uint16_t verticalCode);
  bool ReadAttributeData(bool definition);
  void ReadParagraphTextData();
  void ReadInsertData(std::uint32_t& attributeCount);
  int FinishInsert(std::uint32_t attributeCount, std::uint16_t entityCode);
  int FinishPolyline(std::uint32_t ownedCount);
  bool ReadDimensionData();
  int FinishDimension(int droppedDoubles, std::uint16_t entityCode);
  void DropBits(std::uint64_t upTo);
  // One boundary path of a hatch; adds its boundary-object count to `total`.
  bool ReadHatchPath(bool& pixelSize, std::uint64_t& total);
  bool ReadHatchEdge(std::uint8_t type);
  bool ReadHatchPattern();
  const DwgKeptObject* EmitObject(std::uint64_t handle, const DwgObjectLookup& lookup, YxxfGroupRecord& record,
                                  bool sub, std::uint64_t owner, bool hasOwner);
  // The same for an object already looked up (null: nothing).
  const DwgKeptObject* EmitKept(const DwgKeptObject* kept, YxxfGroupRecord& record, bool sub, std::uint64_t owner,
                                bool hasOwner);

  int release_;
  bool ac1012_;
  DwgRecordBuffer record_;
  std::vector<DeferredText> texts_;
  std::vector<DeferredHandle> handles_;
  std::vector<std::uint8_t> scratch_;
  WString eedText_;
  DwgByteSource* source_ = nullptr;
  DwgByteSource* stringSource_ = nullptr;
  std::uint64_t stringBits_ = 0;
  std::uint32_t stringBytes_ = 0;
  bool stringSwitched_ = false;
  std::uint16_t crc_ = 0;
  std::int32_t last1071_ = 0;
  std::uint8_t curByte_ = 0;
  std::uint8_t bitsLeft_ = 0;
  std::uint64_t bitsCounted_ = 0;
  // Object frame.
  std::uint64_t dataEndBits_ = 0;
  std::uint64_t handleSizeBits_ = 0;
  std::uint64_t dataStart_ = 0;
  std::uint64_t objectHandle_ = 0;
  std::uint16_t entityCode_ = 0;
  std::uint8_t linkKind_ = 0;
  bool lastIsEntity_ = false;
  // The entity mode of the object's common entity data (-1: none read).
  int entitySpace_ = -1;
  // The DXF name the file's entity of this object has, and its owner.
  std::string dxfName_;
  std::uint64_t entityOwner_ = 0;
  std::uint32_t objectReactors_ = 0;
  bool objectXdict_ = false;
  bool suppliedFrame_ = false;
  // Entity flags.
  struct EntityFlags {
    std::uint32_t reactors = 0;
    int lineTypeFlags = 0;
    bool hasOwner = false;
    bool lineTypeByLayer = false;
    bool noLinks = false;
    int plotStyleFlags = 0;
    bool hasXdict = false;
    bool colorBook = false;
    // The entity mode: 0 owned by a block, 1 paper space, 2 model space.
    int space = 0;
  } flags_;
  // R13 to R2000: an entity whose own fields failed keeps its links (owner,
  // next entity) when its handle data can still be reached: the record is
  // cut back to the common items and the handle data is read. False when
  // the object is lost.
  bool KeepLinksOfFailedEntity(std::size_t commonEnd, std::uint32_t commonItems, const EntityFlags& commonFlags);
  bool handleOwnStart_ = false;
  std::uint32_t budget_ = 0xFFFFFFFFu;
  bool overrun_ = false;
  bool skipHandles_ = false;
  bool dataEndMissed_ = false;
  std::vector<std::uint64_t> preRead_;
  std::size_t preReadAt_ = 0;
  bool preReadSupplied_ = false;
  bool preReadActive_ = false;
  int sentinel_ = 0;
  bool errorSet_ = false;
  std::uint16_t errorCode_ = 0, errorSub_ = 0;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> classMap_;
  std::vector<DwgClass> dwgClasses_;
  std::string typeName_;
  // Reused across the objects of a drawing instead of made for each: the
  // group record the kept records are converted into (its first-item index
  // is large).
  std::unique_ptr<YxxfGroupRecord> emitRecord_;
  std::vector<std::pair<std::uint16_t, std::uint64_t>> linkItems_;
  // Blocks made from block headers, by the header's handle.
  std::unordered_map<std::uint64_t, YxxfBlockRec*> blockByHeader_;
  std::uint32_t dispatched_ = 0;
};

}  // namespace kvn
