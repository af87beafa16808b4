// cOneObjRec: the base of the import entity records, one per graphical
// entity a CAD reader delivers. The dispatcher builds a record from the
// entity's group-code record; the record keeps only what it needs, can be
// spooled to the reader's spool stream and read back, and in the drawing
// assembly makes its drawing object under an ImportMatrix.
//
// Spool form: 80 bytes of base data (below), then the subclass's fixed data,
// then its variable data (SpoolStream.h).
//   0 entity handle (8)      8 line-type handle (8)   16 by-handle flag (1)
//  17 zero (3)              20 record kind (4)        24 paper-space flag (1)
//  25 zero (1)              26 entity code (2)        28 level index (2)
//  30 zero (2)              32 colour (4)             36 zero (4)
//  40 line-type scale (8)   48 invisible (1)          49 zero (7)
//  56 extrusion x, y, z (24)
// The word at offset 20 names the record's class (RecordKind), so that a
// spooled record can be rebuilt as the class that wrote it: the entity code
// alone does not decide it (a 3DFACE becomes a polygon or edge lines). The
// line-type name is not spooled.
//
// Group look-ups go through the record's current sub-record id.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/Vec3.h"
#include "foundation/WString.h"
#include "import/records/SpoolFields.h"
#include "model/ObjectChain.h"

namespace kvn {

class ImportMatrix;
class InFileStream;
class OutFileStream;
class YxxfGroupRecord;
class YxxfReader;
class cOneText;
class cOneViewPort;
class YxxfEntInsert;

// The class of a record in the spool form. New record classes take new numbers.
enum class RecordKind : std::uint32_t {
  Placeholder = 0,
  Line = 1,
  Arc = 2,
  Circle = 3,
  Solid = 4,
  Ellipse = 5,
  Point = 6,
  Polygon = 7,
  Spline = 8,
  Text = 9,
  Hatch = 10,
  Viewport = 11,
  Segments = 12,
  Insert = 13,
  Bitmap = 14,
  Ole = 15,
};

inline constexpr std::uint32_t kSpoolBaseBytes = 80;

class cOneObjRec {
 public:
  // Defaults: no handles, colour 0, line-type scale 1.0, extrusion (0, 0, 1).
  cOneObjRec() = default;
  // Base fields from the record (null keeps the defaults).
  cOneObjRec(const YxxfGroupRecord* record, std::uint16_t entityCode);
  virtual ~cOneObjRec() = default;
  cOneObjRec(const cOneObjRec&) = delete;
  cOneObjRec& operator=(const cOneObjRec&) = delete;

  // The drawing object (or the first of a chain); with a null transform the
  // 3-D outline for the view survey. The base makes nothing. Never changes the
  // record, so it may run more than once.
  virtual ObjectChain MakeObject(const ImportMatrix* transform, YxxfReader* reader, void* unused) const;
  virtual cOneText* AsText() { return nullptr; }
  virtual cOneViewPort* AsViewPort() { return nullptr; }
  virtual YxxfEntInsert* AsInsert() { return nullptr; }
  virtual RecordKind Kind() const { return RecordKind::Placeholder; }

  // Base data then the subclass data, in one write.
  void WriteSpool(OutFileStream& out) const;
  // Reads the base data and the subclass data; returns the count delivered by
  // its last read of fixed data (short: the stream ended), 0 when the
  // variable data could not be read.
  std::uint32_t ReadSpool(InFileStream& in);
  // Size of the spool form.
  std::uint32_t SpoolBytes() const;

  template <class Self, class V>
  static void BaseFields(Self& r, V&& v) {
    v(r.handle);
    v(r.lineTypeHandle);
    v(r.lineTypeByHandle);
    v(SpoolPad{3});
    v(r.spoolKind_);
    v(r.paperSpace);
    v(SpoolPad{1});
    v(r.entityCode);
    v(r.level);
    v(SpoolPad{2});
    v(r.color);
    v(SpoolPad{4});
    v(r.lineTypeScale);
    v(r.invisible);
    v(SpoolPad{7});
    v(r.extrusion);
  }

  // The small fields side by side (no padding between them): a record is
  // held per entity until the drawing is assembled.
  std::uint64_t handle = 0;
  std::uint64_t lineTypeHandle = 0;
  std::uint8_t lineTypeByHandle = 0;
  std::uint8_t paperSpace = 0;
  std::uint8_t invisible = 0;
  std::uint16_t entityCode = 0;
  std::uint16_t level = 0;
  std::uint32_t color = 0;
  // Draw-order key of SortByDrawOrder; not spooled.
  std::uint32_t orderKey = 0;
  double lineTypeScale = 1.0;
  Vec3 extrusion{0, 0, 1};
  WString lineTypeName;

 protected:
  // The subclass data: size, encode, decode (through the subclass's Fields).
  virtual std::uint32_t DataBytes() const { return 0; }
  virtual void EncodeData(SpoolEncoder&) const {}
  virtual void DecodeData(SpoolDecoder&) {}
  // The variable part after the fixed data (lists, texts); false when the
  // stream ends or holds a count it cannot.
  virtual void WriteExtra(OutFileStream&) const {}
  virtual bool ReadExtra(InFileStream&) { return true; }

 private:
  mutable std::uint32_t spoolKind_ = 0;
};

// Helper for subclasses: the three spool hooks from one Fields declaration.
template <class Derived>
class SpooledRecord : public cOneObjRec {
 public:
  using cOneObjRec::cOneObjRec;

 protected:
  std::uint32_t DataBytes() const override {
    SpoolSize size;
    Derived::Fields(static_cast<const Derived&>(*this), size);
    return size.bytes;
  }
  void EncodeData(SpoolEncoder& e) const override { Derived::Fields(static_cast<const Derived&>(*this), e); }
  void DecodeData(SpoolDecoder& d) override { Derived::Fields(static_cast<Derived&>(*this), d); }
};

// An empty record of the kind (the base record for Placeholder); null for a
// kind no class answers (RecordKinds.cpp).
std::unique_ptr<cOneObjRec> MakeEmptyRecord(RecordKind kind);

// An empty record of the class that wrote the spool data at the stream's
// position, filled from it; null when the kind is unknown or the data end
// early (the stream is then past what it could read).
std::unique_ptr<cOneObjRec> ReadSpooledRecord(InFileStream& in);

}  // namespace kvn
