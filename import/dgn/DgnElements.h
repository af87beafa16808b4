// The state of one DGN import (cDGNInfo) and the element objects the parser
// makes of each element (DGNElemCore and its subclasses, one per structure
// type).
//
// Every field is read from the element's V7 offset through DgnBytes, and
// only when the element is long enough to hold it: each type has a minimum
// size (kept in MinimumElementBytes), below which the element is parsed as a
// core element and marked cut short. Vertex counts are clamped to what the
// element holds, the attribute offset must point inside the element, and
// linkages are walked only inside the attribute bytes.
//
// Types whose elements are read but used for nothing (text nodes, cones,
// B-spline surfaces, knots and weights, tags, cell libraries) stay core
// elements.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "foundation/Vec3.h"
#include "foundation/WString.h"
#include "model/Cubic.h"

namespace kvn {

class DgnBytes;
struct YxxfBlockRec;

// One view of the terminal control block; only the first view's level mask
// is used.
struct DGNViewInfo {
  std::uint16_t flags = 0;
  // Bit (level - 1) set: the level is shown in the view.
  std::uint64_t levelMask = ~std::uint64_t(0);
};

class cDGNInfo {
 public:
  virtual ~cDGNInfo() = default;

  // 3 for a file whose first byte is 0xC8, else 2; the TCB may change it.
  int dimension = 2;
  bool tcbRead = false;
  // Coordinates are c x scale - origin[axis].
  double scale = 1.0;
  Vec3 origin{};
  // Hidden levels from the first view of the TCB (bit level - 1 clear).
  std::uint64_t levelMask = ~std::uint64_t(0);
  bool hasColorTable = false;
  std::array<std::uint8_t, 768> colorTable{};

  double X(std::int32_t c) const { return c * scale - origin.x; }
  double Y(std::int32_t c) const { return c * scale - origin.y; }
  double Z(std::int32_t c) const { return dimension == 3 ? c * scale - origin.z : 0.0; }
};

// Structure types.
enum class DgnStructure : std::uint8_t {
  Core = 1,
  MultiPoint = 2,
  ColorTable = 3,
  Tcb = 4,
  Arc = 5,
  Text = 6,
  ComplexHeader = 7,
  CellHeader = 8,
  BSplineCurveHeader = 15,
};

inline constexpr std::int32_t kDgnNoFill = -1;

class DGNElemCore {
 public:
  virtual ~DGNElemCore() = default;
  DgnStructure structType = DgnStructure::Core;
  int level = 0;
  int type = 0;
  bool complex = false;
  bool deleted = false;
  // Shorter than its type needs: parsed as a core element.
  bool cutShort = false;
  // Holds bytes past its own data: past the fields of a line, arc, ellipse
  // or point sequence without attribute data; for an element of a named
  // type with a display header, past its attribute index without attribute
  // data, or past linkages walked to their end (only zero padding may
  // follow); for the TCB, digitizer setup and level symbology, past their
  // fixed size. Where the reader cannot tell where the data end (linkages
  // it does not know, types without a display header or a name), it holds
  // bytes past them only when it ends in a whole plausible element, or in
  // one followed by the file's end marker; so does an element whose
  // linkages the walk read to their end, since the header of an element
  // swallowed after them may read as a user-data linkage (an element found
  // inside a linkage's payload is that linkage's data, not a swallow). Its
  // word count is damaged and hid the elements its excess covers. A deleted
  // element's count may span the space freed with it (a deleted cell spans
  // its components): it is judged in the element loop by what it covers
  // (DeletedElementCovers).
  bool overlong = false;
  // Where the element's own data may end when the reader cannot tell
  // (its attribute data, when their linkages cannot be walked to their
  // end; a body it does not know): the element loop judges its count by the
  // elements found from here on, in it and after it. 0 when the data's end
  // is known, or it is overlong.
  std::size_t unknownDataFrom = 0;
  std::uint16_t graphicGroup = 0;
  std::uint16_t properties = 0;
  int lineStyle = 0;
  int weight = 0;
  int color = 0;
  // A 3-D element turned out of the drawing plane (its quaternion has x or y).
  bool nonPlanar = false;
  // Element size in bytes, header included.
  std::size_t size = 0;
  std::vector<std::uint8_t> attributes;
};

class DGNElemMultiPoint : public DGNElemCore {
 public:
  std::vector<Vec3> vertices;
  std::int32_t fillColor = kDgnNoFill;
};

class DGNElemColorTable : public DGNElemCore {
 public:
  std::uint16_t screenFlag = 0;
  std::array<std::uint8_t, 768> table{};
};

class DGNElemTCB : public DGNElemCore {
 public:
  int dimension = 2;
  std::uint32_t subUnitsPerMaster = 0, unitsPerSubUnit = 0;
  std::string masterUnits, subUnits;
  Vec3 globalOrigin{};
  std::array<DGNViewInfo, 8> views{};
};

class DGNElemArc : public DGNElemCore {
 public:
  Vec3 origin{};
  double primaryAxis = 0.0, secondaryAxis = 0.0;
  // Degrees (2-D elements, and 3-D ones in the drawing plane).
  double rotation = 0.0;
  // w, x, y, z, each scaled to -1..1 (3-D only).
  std::array<double, 4> quaternion{1.0, 0.0, 0.0, 0.0};
  double startAngle = 0.0, sweepAngle = 360.0;
  std::int32_t fillColor = kDgnNoFill;
};

class DGNElemText : public DGNElemCore {
 public:
  int font = 0, justification = 0;
  double lengthMultiplier = 0.0, heightMultiplier = 0.0;
  double rotation = 0.0;
  Vec3 origin{};
  WString text;
};

class DGNElemComplexHeader : public DGNElemCore {
 public:
  std::uint16_t totalLength = 0;
  std::int32_t components = 0;
  int surfaceType = 0, boundaries = 0;
  std::int32_t fillColor = kDgnNoFill;
  bool shape = false;
  bool drawable = true;
  std::vector<Cubic3D> segments;
};

class DGNElemCellHeader : public DGNElemCore {
 public:
  std::uint16_t totalLength = 0;
  std::string name;
  std::uint16_t cellClass = 0;
  std::array<std::uint16_t, 4> levels{};
  Vec3 origin{};
  std::array<double, 4> transform{1.0, 0.0, 0.0, 1.0};
  bool definition = false;
  YxxfBlockRec* block = nullptr;
  std::uint64_t blockHandle = 0;
  // Words of the cell still to come (the element loop counts them down).
  std::int64_t remainingWords = 0;
};

class DGNElemBSplineCurveHeader : public DGNElemCore {
 public:
  std::int32_t descriptionWords = 0;
  int order = 0, curveType = 0;
  std::uint16_t poles = 0, knots = 0;
  std::int32_t fillColor = kDgnNoFill;
};

// The smallest size in bytes an element of the type (at that level, in
// files of that dimension) must have for every field the parser reads.
std::size_t MinimumElementBytes(int type, int level, int dimension);

// The fill colour index of the element's attribute linkages, or kDgnNoFill.
std::int32_t FindFillColor(std::span<const std::uint8_t> attributes);

// The bytes a header element spans with its components, from its first
// byte: cells, shared cell definitions, complex chains and shapes, 3-D
// surfaces and solids by their total length, B-spline curve and surface
// headers by their description words; 0 for any other element and a deleted
// one.
std::size_t DgnChainBytes(std::span<const std::uint8_t> element);

// The elements back to back, out of step with the reader, that show a
// count before them damaged.
inline constexpr int kRunElements = 3;

// The bytes of an element and of what the file holds after it, up to a
// limit, fetched only as far as they are asked for: most verdicts need none
// of the bytes after the element, or a few dozen.
class DgnLookAhead {
 public:
  virtual ~DgnLookAhead() = default;
  // How many bytes may be asked for: the element's and what the file holds
  // after it, up to the reader's limit.
  virtual std::size_t Limit() const = 0;
  // The first `count` bytes (count <= Limit()), contiguous, or fewer where
  // the file could not give them; valid until the next call.
  virtual std::span<const std::uint8_t> First(std::size_t count) = 0;
};

// Whether the element at the front of `ahead` (`elementSize` bytes,
// followed by what the file holds after it) holds, at a word at or after
// `from`, the start of a run of plausible elements back to back (a named
// type with a display header, its fields, its attribute index and range in
// order) that passes the element's end with kRunElements elements before it
// meets the headers the element's count leads the reader to (a header there
// that is no plausible element, read out of the run's middle, counts as
// one): the count ran past the next element's header into the middle of the
// elements after it. A header read out of another element's bytes seldom
// looks whole; three in a row, each where the one before ends, do not
// happen in an intact file. Bytes past the element are asked for only where
// a header that could start such a run needs them.
//
// `deleted`: the element is deleted, and only elements that it may not
// cover (those DeletedElementCovers looks for) start a run inside it.
bool RunsIntoElementsOutOfStep(DgnLookAhead& ahead, std::size_t elementSize, std::size_t from, int dimension,
                               bool deleted = false);

// Whether the element at the front of `ahead` (its bytes `element`), whose
// data's end is not known from `from` on, ends in an FF FF word followed by
// zero words only, and the file after it holds zero words up to another
// FF FF (or as far as may be looked): its count ran over the file's end
// marker into the zero padding after it, where the reader would walk the
// zeros as empty elements up to a later FF FF and end there untold. Elements
// are never followed by zero words in an intact file (an element whose own
// data end in FF FF, the last before the marker, is no such count); only
// bytes up to the first that is not zero are asked for past the element.
bool RunsIntoTheMarkersPadding(DgnLookAhead& ahead, std::span<const std::uint8_t> element, std::size_t from);

// Whether the deleted element at the front of `ahead` (`elementSize` bytes,
// followed by what the file holds after it) covers what a deleted element
// may not: an element that is not deleted (a plausible header with the
// deleted bit clear, other than the components a deleted cell or complex
// header spans by its own length), or the file's end marker. A deleted
// element's count spans its own data and, when it was a cell or complex
// element, its components; space freed with it and left unused holds no
// plausible live header where the elements would be read. Where its data
// end is known (no attribute data, or linkages walked), the elements it
// covers are walked in step from there; where it is not, it is judged as a
// live element whose end is not known is, by a covered element ending where
// it ends and by a run of elements passing its end.
bool DeletedElementCovers(DgnLookAhead& ahead, std::size_t elementSize, int dimension);

// Parses one element (header included) into its object; updates the info
// from a TCB and a colour table. Never null.
std::unique_ptr<DGNElemCore> ReadDgnElement(cDGNInfo& info, std::span<const std::uint8_t> element);

}  // namespace kvn
