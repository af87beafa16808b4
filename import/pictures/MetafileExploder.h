// The metafile interpreter: the records of an enhanced metafile held by a
// cWmf become the program's own drawing objects (cPolygon, cLine, cCircle,
// cRectangle, cArc, cText, cBitmap), placed in the cWmf's frame with its
// size, position, turn, mirroring, level and pages.
//
// The interpreter keeps its own copy of the device-context state (pen,
// brush, font, mapping, world transform, path) and a stack of saved
// states. Records are walked within the header's nBytes; a record whose
// size or contents do not fit (libuemf's record checks,
// platform/metafile/EmfValidate.h) ends the walk, and what was made before
// it stays; a text record whose text does not fit is passed over alone, as
// the readers take it out. EMF+ comments are passed over; the GDI records beside them draw.
//
// Coordinates come out in millimetres from the frame's top-left corner, y
// growing downward (as the drawing's own y axis), before the placement.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/DPoint.h"
#include "model/ObjectChain.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/XForm.h"
#include "platform/metafile/EmfPlayer.h"

namespace kvn {

class cAnyLine;
class cDrawingData;
class cOutObj;
class cPolygon;
class cText;
class cWmf;

// What a walk met: records by name ("EMR_POLYLINE"), and the records read
// but not turned into objects, by name and reason.
struct MetafileWalkReport {
  std::map<std::string, std::uint64_t> records;
  std::map<std::string, std::map<std::string, std::uint64_t>> skipped;
  // The walk ended at a record that did not fit, or on a refused text.
  bool stoppedEarly = false;
};

// The drawing objects of the placed metafile; empty when the cWmf holds no
// metafile. With a report, what the walk met.
ObjectChain ExplodeMetafile(cWmf& metafile, cDrawingData* data, MetafileWalkReport* report = nullptr);

// The angle of a point on an ellipse, in [0, 360) degrees.
double EllipseAngle(const DPoint& centre, double rx, double ry, const DPoint& point);

class MetafileExploder {
 public:
  struct Brush {
    std::uint32_t style = 1;  // BS_NULL: nothing is filled
    std::uint32_t color = 0;
    std::uint32_t hatch = 0;
  };
  struct Pen {
    std::uint32_t style = 0;
    std::int32_t widthX = 0;
    std::int32_t widthY = 0;
    std::uint32_t color = 0;
  };
  // What SAVEDC saves.
  struct DcState {
    Brush brush;
    Pen pen;
    LogFont font;
    DPoint windowOrg{0, 0};
    DPoint windowExt{1, 1};
    DPoint viewportOrg{0, 0};
    DPoint viewportExt{1, 1};
    std::uint32_t mapMode = 8;  // MM_ANISOTROPIC
    double mmPerDeviceX = 1.0;
    double mmPerDeviceY = 1.0;
    XForm world;
    EmfRect bounds;
    EmfRect frame;
  };

  MetafileExploder(cDrawingData* data, MetafileWalkReport* report);

  ObjectChain Run(cWmf& metafile);
  bool WalkRecords(const std::uint8_t* bytes, std::uint64_t size);
  bool HandleRecord(const EmfRecord& record);
  void MapPoint(DPoint& point) const;
  void ApplyFont(cText& text) const;
  void ApplyTextAlign(cText& text) const;
  double UnitLength() const;

  const DcState& State() const { return state_; }

 private:
  enum class Made : std::uint8_t { kNone = 0, kBrush = 1, kFont = 2, kPen = 5 };
  struct TableEntry {
    std::unique_ptr<Brush> brush;
    std::unique_ptr<Pen> pen;
    std::unique_ptr<LogFont> font;
    std::uint32_t handle = 0;
  };
  // How the objects of one record are finished (step by record kind).
  struct Finish {
    std::uint32_t type = 0;
    bool noLine = false;             // FILLPATH and BITBLT
    std::uint32_t fillColor = 0x80000000;
    bool fillColorSet = false;       // BITBLT's own colour
    // FILLPATH of a widened path: the path drawn as a line of this pen's
    // width and style in the brush's colour, the band the fill paints.
    const Pen* band = nullptr;
  };

  // 64-bit, so that a far corner (origin plus extent) past the 32-bit range
  // lies where the record puts it instead of wrapping to the other side.
  DPoint Mapped(std::int64_t x, std::int64_t y) const;
  // The points of a poly record (32- or 16-bit), or false when they do not
  // fit the record.
  bool ReadPoints(const EmfRecord& r, std::uint32_t countAt, bool wide, std::vector<DPoint>* out) const;
  bool PolyRecord(const EmfRecord& r, std::uint32_t type, std::vector<std::unique_ptr<cOutObj>>* made);
  bool PolyPolyRecord(const EmfRecord& r, bool wide, bool closed, std::vector<std::unique_ptr<cOutObj>>* made);
  bool PolyDrawRecord(const EmfRecord& r, bool wide, std::vector<std::unique_ptr<cOutObj>>* made);
  void SelectObject(std::uint32_t handle);
  bool ArcRecord(const EmfRecord& r, std::vector<std::unique_ptr<cOutObj>>* made);
  bool BitBltRecord(const EmfRecord& r, Finish* finish, std::vector<std::unique_ptr<cOutObj>>* made);
  bool StretchDibRecord(const EmfRecord& r, std::vector<std::unique_ptr<cOutObj>>* made);
  // EXTTEXTOUTA/W and SMALLTEXTOUT. False stops the walk (a text beyond a
  // million characters).
  bool TextRecord(const EmfRecord& r, std::vector<std::unique_ptr<cOutObj>>* made);
  void PathRecord(std::uint32_t type, std::vector<std::unique_ptr<cOutObj>>* made);
  void FinishObjects(const Finish& finish, std::vector<std::unique_ptr<cOutObj>>& made);
  void FeedPath(std::vector<std::unique_ptr<cOutObj>>& made);
  void Place(cWmf& metafile);
  void Skip(const std::string& name, const char* reason);

  cDrawingData* data_;
  MetafileWalkReport* report_;
  Brush pendingBrush_;
  Pen pendingPen_;
  LogFont pendingFont_;
  DPoint position_{0, 0};
  ObjectChain output_;
  std::uint32_t textColor_ = 0;
  std::uint32_t textAlign_ = 0;
  Made lastCreated_ = Made::kNone;
  std::uint32_t figure_ = 0;
  DcState state_;
  double fitScale_ = 1.0;
  double targetWidth_ = 0.0;
  double targetHeight_ = 0.0;
  double fitRatioX_ = 1.0;
  double fitRatioY_ = 1.0;
  std::vector<DcState> saved_;
  std::unique_ptr<cPolygon> path_;
  // WIDENPATH took the closed path with this pen.
  bool widened_ = false;
  Pen widenPen_;
  std::vector<TableEntry> table_;
};

}  // namespace kvn
