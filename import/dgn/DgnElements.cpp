#include "import/dgn/DgnElements.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "import/dgn/DgnFormat.h"

namespace kvn {

namespace {

// A 32-bit integer of a quaternion component or a transform entry: full
// scale is 2^31 - 1.
constexpr double kQuaternionScale = 2147483647.0;
// Angles of 2-D elements count 1/360,000 degree.
constexpr double kAngleUnits = 360000.0;
constexpr int kDigitizerSetup = 8, kLevelSymbology = 10;

// Types whose elements have no display header (words 14-17 mean otherwise).
bool HasDisplayHeader(int type) {
  switch (type) {
    case 0: case 1: case 9: case 10: case 32: case 44: case 48: case 49: case 50: case 51: case 57:
    case 60: case 61: case 62: case 63:
      return false;
    default:
      return true;
  }
}

bool IsMultiPoint(int type) {
  return type == dgn::kLine || type == dgn::kLineString || type == dgn::kShape || type == dgn::kCurve ||
         type == dgn::kBSplinePole;
}

bool IsComplexHeader(int type) {
  return type == dgn::kComplexChain || type == dgn::kComplexShape || type == dgn::kSurface3D ||
         type == dgn::kSolid3D;
}

// Reads the quaternion at `at` and applies the planar rule: with x and y
// both 0 the element lies in the drawing plane, turned by -2 atan2(z, w).
void ReadQuaternion(const DgnBytes& b, std::size_t at, std::array<double, 4>& q, double& rotation,
                    bool& nonPlanar) {
  for (std::size_t i = 0; i < 4; ++i) q[i] = b.I32(at + 4 * i) / kQuaternionScale;
  if (q[1] == 0.0 && q[2] == 0.0) {
    rotation = -2.0 * std::atan2(q[3], q[0]) * 180.0 / std::numbers::pi;
  } else {
    nonPlanar = true;
  }
}

std::string CellName(const DgnBytes& b) {
  std::string name = Radix50Text(b.U16(38)) + Radix50Text(b.U16(40));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

void ReadTcb(cDGNInfo& info, const DgnBytes& b, DGNElemTCB& tcb) {
  tcb.dimension = (b.U8(1214) & 0x40) ? 3 : 2;
  tcb.subUnitsPerMaster = b.U32(1112);
  tcb.unitsPerSubUnit = b.U32(1116);
  tcb.masterUnits = std::string{char(b.U8(1120)), char(b.U8(1121))};
  tcb.subUnits = std::string{char(b.U8(1122)), char(b.U8(1123))};
  tcb.globalOrigin = Vec3{b.VaxDouble(1240), b.VaxDouble(1248), b.VaxDouble(1256)};
  for (std::size_t v = 0; v < tcb.views.size(); ++v) {
    const std::size_t at = 46 + 118 * v;
    tcb.views[v].flags = b.U16(at);
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < 8; ++i) mask |= std::uint64_t(b.U8(at + 2 + i)) << (8 * i);
    tcb.views[v].levelMask = mask;
  }
  if (info.tcbRead) return;
  info.tcbRead = true;
  if (tcb.dimension == 3) info.dimension = 3;
  if (tcb.subUnitsPerMaster != 0 && tcb.unitsPerSubUnit != 0) {
    info.scale = 1.0 / (double(tcb.unitsPerSubUnit) * double(tcb.subUnitsPerMaster));
    info.origin = Vec3{tcb.globalOrigin.x * info.scale, tcb.globalOrigin.y * info.scale,
                       tcb.globalOrigin.z * info.scale};
  }
  info.levelMask = tcb.views[0].levelMask;
}

std::unique_ptr<DGNElemCore> ReadMultiPoint(const cDGNInfo& info, const DgnBytes& b, int type) {
  auto e = std::make_unique<DGNElemMultiPoint>();
  e->structType = DgnStructure::MultiPoint;
  const std::size_t dim = std::size_t(info.dimension);
  if (type == dgn::kLine) {
    for (std::size_t i = 0; i < 2; ++i) {
      const std::size_t at = 36 + 4 * dim * i;
      e->vertices.push_back(Vec3{info.X(b.I32(at)), info.Y(b.I32(at + 4)), dim == 3 ? info.Z(b.I32(at + 8)) : 0.0});
    }
  } else {
    // The count the element claims, clamped to the vertices it holds.
    std::size_t count = b.U16(36);
    count = std::min(count, (b.Size() - 38) / (4 * dim));
    e->vertices.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t at = 38 + 4 * dim * i;
      e->vertices.push_back(Vec3{info.X(b.I32(at)), info.Y(b.I32(at + 4)), dim == 3 ? info.Z(b.I32(at + 8)) : 0.0});
    }
  }
  return e;
}

std::unique_ptr<DGNElemCore> ReadArc(const cDGNInfo& info, const DgnBytes& b, int type) {
  auto e = std::make_unique<DGNElemArc>();
  e->structType = DgnStructure::Arc;
  // Ellipses start at 36, arcs put their angles first.
  std::size_t at = 36;
  if (type == dgn::kArc) {
    e->startAngle = b.I32(36) / kAngleUnits;
    const std::uint32_t sweep = b.U32(40);
    const double magnitude = (sweep & 0x7FFFFFFFu) / kAngleUnits;
    e->sweepAngle = magnitude == 0.0 ? 360.0 : ((sweep & 0x80000000u) ? -magnitude : magnitude);
    at = 44;
  }
  e->primaryAxis = b.VaxDouble(at) * info.scale;
  e->secondaryAxis = b.VaxDouble(at + 8) * info.scale;
  if (info.dimension == 2) {
    e->rotation = b.I32(at + 16) / kAngleUnits;
    e->origin = Vec3{b.VaxDouble(at + 20) * info.scale - info.origin.x,
                     b.VaxDouble(at + 28) * info.scale - info.origin.y, 0.0};
  } else {
    ReadQuaternion(b, at + 16, e->quaternion, e->rotation, e->nonPlanar);
    e->origin = Vec3{b.VaxDouble(at + 32) * info.scale - info.origin.x,
                     b.VaxDouble(at + 40) * info.scale - info.origin.y,
                     b.VaxDouble(at + 48) * info.scale - info.origin.z};
  }
  return e;
}

std::unique_ptr<DGNElemCore> ReadText(const cDGNInfo& info, const DgnBytes& b) {
  auto e = std::make_unique<DGNElemText>();
  e->structType = DgnStructure::Text;
  e->font = b.U8(36);
  e->justification = b.U8(37);
  e->lengthMultiplier = b.I32(38) * info.scale * 6.0 / 1000.0;
  e->heightMultiplier = b.I32(42) * info.scale * 6.0 / 1000.0;
  std::size_t countAt = 58;
  if (info.dimension == 2) {
    e->rotation = b.I32(46) / kAngleUnits;
    e->origin = Vec3{info.X(b.I32(50)), info.Y(b.I32(54)), 0.0};
  } else {
    std::array<double, 4> q{};
    ReadQuaternion(b, 46, q, e->rotation, e->nonPlanar);
    e->origin = Vec3{info.X(b.I32(62)), info.Y(b.I32(66)), info.Z(b.I32(70))};
    countAt = 74;
  }
  const std::size_t start = countAt + 2;
  const std::size_t count = std::min<std::size_t>(b.U8(countAt), b.Size() - std::min(b.Size(), start));
  e->text = DecodeDgnText(b.Span().subspan(std::min(b.Size(), start), count));
  return e;
}

std::unique_ptr<DGNElemCore> ReadCellHeader(const cDGNInfo& info, const DgnBytes& b, int type) {
  auto e = std::make_unique<DGNElemCellHeader>();
  e->structType = DgnStructure::CellHeader;
  e->totalLength = b.U16(36);
  if (type == dgn::kSharedCellDefinition) {
    e->definition = true;
    return e;
  }
  e->name = CellName(b);
  e->cellClass = b.U16(42);
  for (std::size_t i = 0; i < 4; ++i) e->levels[i] = b.U16(44 + 2 * i);
  if (info.dimension == 2) {
    for (std::size_t i = 0; i < 4; ++i) e->transform[i] = b.I32(68 + 4 * i) / kQuaternionScale;
    e->origin = Vec3{info.X(b.I32(84)), info.Y(b.I32(88)), 0.0};
  } else {
    e->origin = Vec3{info.X(b.I32(112)), info.Y(b.I32(116)), info.Z(b.I32(120))};
  }
  return e;
}

// The length of the attribute linkage at `at`, or 0 when none starts there
// or it would pass the end: a linkage whose first two bytes are 0, 0 or
// 0, 0x80 is 8 bytes; one with bit 0x10 in its second byte is 2 x (its first
// byte) + 2.
std::size_t LinkageLength(std::span<const std::uint8_t> attributes, std::size_t at) {
  if (at > attributes.size() || attributes.size() - at < 2) return 0;
  const std::uint8_t first = attributes[at], second = attributes[at + 1];
  std::size_t length = 0;
  if (first == 0 && (second == 0 || second == 0x80)) {
    length = 8;
  } else if (second & 0x10) {
    length = 2 * std::size_t(first) + 2;
  }
  return length <= attributes.size() - at ? length : 0;
}

// The size of an element of the design file header, the same in every V7
// file: the TCB 768 words with its header (1536 bytes), the digitizer setup
// 356 bytes, the level symbology 156; 0 for other types.
std::size_t DesignHeaderBytes(int type) {
  switch (type) {
    case dgn::kTcb: return 1536;
    case kDigitizerSetup: return 356;
    case kLevelSymbology: return 156;
    default: return 0;
  }
}

// The bytes a cell, complex or B-spline header spans with its components by
// its length field, whatever its deleted bit; 0 for any other element.
std::size_t HeaderSpanBytes(std::span<const std::uint8_t> element) {
  const DgnBytes b(element);
  if (element.size() < 40) return 0;
  // The length fields count the words after themselves.
  switch (b.U8(1) & 0x7F) {
    case dgn::kCellHeader: case dgn::kSharedCellDefinition: case dgn::kComplexChain: case dgn::kComplexShape:
    case dgn::kSurface3D: case dgn::kSolid3D:
      return 38 + 2 * std::size_t(b.U16(36));
    case dgn::kBSplineSurfaceHeader: case dgn::kBSplineCurveHeader:
      return 40 + 2 * std::size_t(b.U32(36));
    default:
      return 0;
  }
}

// Types that may start a plausible element: named here, with a display
// header, outside the design file header. A table, since every word of an
// element whose end is not known is tried as a header.
const std::array<bool, 128>& GraphicTypes() {
  static const std::array<bool, 128> table = [] {
    std::array<bool, 128> t{};
    for (int type = 0; type < 128; ++type) {
      t[std::size_t(type)] = DgnTypeIsNamed(type) && HasDisplayHeader(type) && DesignHeaderBytes(type) == 0;
    }
    return t;
  }();
  return table;
}

// The size of the graphic element whose header is `header` (4 bytes), when
// the header alone allows one: a type this reader knows to carry a display
// header, at least that type's fields, within the `room` bytes the file
// holds from its start; else 0.
std::size_t PlausibleHeaderBytes(const std::uint8_t* header, std::size_t room, int dimension) {
  const int type = header[1] & 0x7F;
  if (!GraphicTypes()[std::size_t(type)]) return 0;
  const std::size_t size = kDgnHeaderBytes + 2 * std::size_t(header[2] | header[3] << 8);
  const std::size_t fields = std::max<std::size_t>(36, MinimumElementBytes(type, header[0] & 0x3F, dimension));
  return size > room || size < fields ? 0 : size;
}

// The size of the graphic element that starts at the front of `head` (at
// least its first 36 bytes; `room` bytes from its start are in the file),
// when its header and display header hold together as a writer leaves
// them: PlausibleHeaderBytes, an attribute index that ends the data at the
// element's end (or, with attribute data, inside it), and a range whose low
// corner lies below its high one on every axis (range words are unsigned,
// offset by 2^31); else 0. Every graphic element of the sample files
// passes; a header read out of the bytes of another element's fields seldom
// does, and one whose word count ends just where the element around it ends
// almost never. Only the first 36 bytes are read.
std::size_t PlausibleElementBytes(std::span<const std::uint8_t> head, std::size_t room, int dimension) {
  if (head.size() < 36 || room < 36) return 0;
  const std::size_t size = PlausibleHeaderBytes(head.data(), room, dimension);
  if (size == 0) return 0;
  const DgnBytes b(head.first(36));
  const std::size_t dataEnd = 32 + 2 * std::size_t(b.U16(30));
  if ((b.U16(32) & 0x800) ? dataEnd < 36 || dataEnd > size : dataEnd != size) return 0;
  for (std::size_t axis = 0; axis < std::size_t(dimension); ++axis) {
    if (b.U32(4 + 4 * axis) > b.U32(16 + 4 * axis)) return 0;
  }
  return size;
}

std::size_t PlausibleElementBytes(std::span<const std::uint8_t> bytes, int dimension) {
  return PlausibleElementBytes(bytes, bytes.size(), dimension);
}

// Which plausible elements found in an element's bytes its word count may
// not cover: for a live element every one; for a deleted element those that
// are not deleted, of which components (complex bit) only where it is a
// component itself and they lie past the chain it spans by its own length
// field: a deleted cell or complex element covers its components with it,
// and a top-level element can cover the components of a live cell or chain
// only with their header.
struct CoverRule {
  bool deleted = false;
  bool component = false;
  std::size_t componentsEnd = 0;

  bool Counts(const std::uint8_t* header, std::size_t at) const {
    if (!deleted) return true;
    if (header[1] & 0x80) return false;
    return !(header[0] & 0x80) || (component && at >= componentsEnd);
  }
};

// The linkages walked from `from` (0: none), asked word by word in rising
// order whether a word lies inside a user-data linkage, after its first
// word: such a linkage may carry any bytes, a copy of an element among
// them. (An 8-byte linkage of zeros may be padding whose last words the
// next element's header follows: its words are not passed over.)
class LinkagePayloads {
 public:
  LinkagePayloads(std::span<const std::uint8_t> element, std::size_t from)
      : attributes_(from != 0 && from <= element.size() ? element.subspan(from) : std::span<const std::uint8_t>()),
        from_(from) {
    length_ = LinkageLength(attributes_, 0);
  }
  bool Inside(std::size_t word) {
    while (length_ != 0 && word >= from_ + at_ + length_) {
      at_ += length_;
      length_ = LinkageLength(attributes_, at_);
    }
    return length_ != 0 && word > from_ + at_ && (attributes_[at_ + 1] & 0x10);
  }

 private:
  std::span<const std::uint8_t> attributes_;
  std::size_t from_ = 0, at_ = 0, length_ = 0;
};

// Whether plausible elements back to back from `at` end just where the
// element ends (one of them one the rule counts), or just before an end
// marker (FF FF) it holds.
bool ChainEndsWithElement(std::span<const std::uint8_t> element, std::size_t at, int dimension,
                          const CoverRule& rule) {
  const std::size_t size = element.size();
  bool counted = false;
  while (at + 36 <= size) {
    const std::size_t found = PlausibleElementBytes(element.subspan(at), dimension);
    if (found == 0) return false;
    counted = counted || rule.Counts(element.data() + at, at);
    at += found;
    if (at == size) return counted;
    if (at + 2 <= size && element[at] == 0xFF && element[at + 1] == 0xFF) return true;
  }
  return false;
}

// Whether the element ends in plausible elements back to back, the first at
// a word at or after `from`, that end just where the element ends, or just
// before an end marker (FF FF) it holds: the elements a word count raised by
// their sizes swallowed, or a count raised past the file's last element
// into the zero padding after its end marker (where the reader would walk
// the zeros as empty elements up to a later marker). A count raised by
// anything else lands inside an element, where the next header read is
// judged in turn. Words inside the linkages walked from `linkagesFrom` (0:
// none) start no swallowed element: a swallowed element's header lies where
// the element's own data ended, which the walk reads as a linkage's first
// word (or stops at), while a user-data linkage may carry a copy of an
// element as its data.
bool EndsInSwallowedElement(std::span<const std::uint8_t> element, std::size_t from, int dimension,
                            std::size_t linkagesFrom = 0, const CoverRule& rule = {}) {
  const std::size_t size = element.size();
  const std::array<bool, 128>& graphic = GraphicTypes();
  LinkagePayloads payloads(element, linkagesFrom);
  for (std::size_t at = std::max(from + (from & 1), kDgnHeaderBytes); at + 36 <= size; at += 2) {
    if (!graphic[element[at + 1] & 0x7F] || payloads.Inside(at)) continue;
    if (ChainEndsWithElement(element, at, dimension, rule)) return true;
  }
  return false;
}

// Whether the element's word count runs past its own data into the elements
// after it. Where this reader knows the body (a display header, the
// attribute index at word 15 counting the words from byte 32 to the
// linkages), data past the index without attribute data is past the end,
// and so is anything past linkages walked to their end but zero padding.
// Linkages the walk does not know (user data, tag blocks that open with a
// word of their own) and the bodies of types without a name here (whose
// words 14-17 may mean anything) are no damage by themselves: there, from
// `unknownFrom` on, the count is judged only by what it covers, a whole
// element ending where it ends (and, in the element loop, a run of elements
// that passes its end). The walk takes any header whose type has bit 0x10
// (arcs, texts, B-splines...) for a user-data linkage and steps over it, so
// the swallowed element is looked for from the attribute data's start, even
// where the walk reached their end, at every word but those inside the
// user-data linkages walked (where a linkage's own data lie). The design
// file header has no such index (the digitizer setup's word 15 is IGDS
// data), but one size for each of its elements.
bool RunsPastItsData(std::span<const std::uint8_t> element, int type, std::uint16_t properties, int dimension,
                     std::size_t& unknownFrom) {
  unknownFrom = 0;
  if (const std::size_t fixed = DesignHeaderBytes(type)) return element.size() > fixed;
  std::size_t from = kDgnHeaderBytes, linkagesFrom = 0;
  if (element.size() >= 36 && DgnTypeIsNamed(type) && HasDisplayHeader(type)) {
    from = 36;
    const std::size_t dataEnd = 32 + 2 * std::size_t(element[30] | element[31] << 8);
    if (dataEnd <= element.size()) {
      if (!(properties & 0x800)) return dataEnd < element.size();
      const std::span<const std::uint8_t> attributes = element.subspan(dataEnd);
      std::size_t at = 0;
      while (const std::size_t length = LinkageLength(attributes, at)) at += length;
      const auto rest = attributes.subspan(at);
      if (std::all_of(rest.begin(), rest.end(), [](std::uint8_t v) { return v == 0; })) {
        return EndsInSwallowedElement(element, dataEnd, dimension, dataEnd);
      }
      from = std::max<std::size_t>(dataEnd, 36);
      linkagesFrom = dataEnd;
    }
  }
  unknownFrom = from;
  return EndsInSwallowedElement(element, from, dimension, linkagesFrom);
}

// The plausible element at `at` of the look-ahead: its first 36 bytes are
// fetched only when its header allows one. Inlined: the run search asks it
// of most words of an element whose end is not known (a call costs about
// 1 % of the open of a file of tagged elements).
[[gnu::always_inline]] inline std::size_t PlausibleAhead(DgnLookAhead& ahead, std::size_t at, int dimension) {
  const std::size_t limit = ahead.Limit();
  if (at + 36 > limit) return 0;
  const std::span<const std::uint8_t> header = ahead.First(at + kDgnHeaderBytes);
  if (header.size() < at + kDgnHeaderBytes || PlausibleHeaderBytes(header.data() + at, limit - at, dimension) == 0) {
    return 0;
  }
  const std::span<const std::uint8_t> head = ahead.First(at + 36);
  return head.size() < at + 36 ? 0 : PlausibleElementBytes(head.subspan(at), limit - at, dimension);
}

// Whether the elements read in step from `at` (a word inside the deleted
// element, where its own data may end) meet, before they pass its end, an
// element the rule counts or the end marker. The first header that is no
// plausible element ends the walk: unused bytes.
bool CoversInStep(DgnLookAhead& ahead, std::size_t elementSize, std::size_t at, int dimension,
                  const CoverRule& rule) {
  while (at < elementSize) {
    std::span<const std::uint8_t> bytes = ahead.First(at + 2);
    if (bytes.size() < at + 2) return false;
    if (bytes[at] == 0xFF && bytes[at + 1] == 0xFF) return true;
    const std::size_t size = PlausibleAhead(ahead, at, dimension);
    if (size == 0) return false;
    bytes = ahead.First(at + kDgnHeaderBytes);
    if (rule.Counts(bytes.data() + at, at)) return true;
    at += size;
  }
  return false;
}

}  // namespace

bool RunsIntoTheMarkersPadding(DgnLookAhead& ahead, std::span<const std::uint8_t> element, std::size_t from) {
  from = std::max(from + (from & 1), kDgnHeaderBytes);
  const std::size_t elementSize = element.size();
  if (from + 2 > elementSize) return false;
  std::size_t at = elementSize - 2;
  while (at > from && element[at] == 0 && element[at + 1] == 0) at -= 2;
  if (element[at] != 0xFF || element[at + 1] != 0xFF) return false;
  // Zero words after the element up to an FF FF, or to the end of what may
  // be looked at: the reader would walk them as empty elements. (An element
  // whose own data end in FF FF may be the last, the marker right after it.)
  const std::size_t limit = ahead.Limit();
  for (at = elementSize; at + 2 <= limit; at += 2) {
    const std::span<const std::uint8_t> bytes = ahead.First(at + 2);
    if (bytes.size() < at + 2) break;
    if (bytes[at] == 0xFF && bytes[at + 1] == 0xFF) return at > elementSize;
    if (bytes[at] != 0 || bytes[at + 1] != 0) return false;
  }
  return true;
}

bool RunsIntoElementsOutOfStep(DgnLookAhead& ahead, std::size_t elementSize, std::size_t from, int dimension,
                               bool deleted) {
  from = std::max(from + (from & 1), kDgnHeaderBytes);
  const std::size_t limit = ahead.Limit();
  if (elementSize > limit || from >= elementSize) return false;
  CoverRule rule;
  if (deleted) {
    const std::span<const std::uint8_t> element = ahead.First(elementSize);
    rule = CoverRule{true, (element[0] & 0x80) != 0, HeaderSpanBytes(element)};
  }
  auto plausible = [&](std::size_t at) { return PlausibleAhead(ahead, at, dimension); };
  // Where the element's count leads the reader: its next headers, each read
  // as a word count alone, found as far as the run being judged reaches,
  // with the first of them that is no plausible element.
  std::vector<std::size_t> reader;
  std::size_t nextHeader = elementSize;
  bool readerEnds = false;
  std::size_t firstImplausible = limit;
  auto readerUpTo = [&](std::size_t upTo) {
    while (!readerEnds && nextHeader <= upTo) {
      if (nextHeader + kDgnHeaderBytes > limit) {
        readerEnds = true;
        break;
      }
      const std::span<const std::uint8_t> bytes = ahead.First(nextHeader + kDgnHeaderBytes);
      if (bytes.size() < nextHeader + kDgnHeaderBytes) {
        readerEnds = true;
        break;
      }
      const std::uint8_t* header = bytes.data() + nextHeader;
      if (header[0] == 0xFF && header[1] == 0xFF) {
        readerEnds = true;
        break;
      }
      const std::size_t at = nextHeader;
      reader.push_back(at);
      nextHeader += kDgnHeaderBytes + 2 * std::size_t(header[2] | header[3] << 8);
      // (after the header's last use: judging it may fetch, and move the bytes)
      if (firstImplausible == limit && plausible(at) == 0) firstImplausible = at;
    }
  };
  // The elements of the run that goes on at `at`, past the element's end,
  // until it meets the reader's headers (at most kRunElements); where it
  // meets them after a header that is no element, the reader read that out
  // of the middle of the run's elements, which counts as one more.
  auto outOfStep = [&](std::size_t at) {
    int n = 0;
    while (n < kRunElements) {
      readerUpTo(at);
      if (std::binary_search(reader.begin(), reader.end(), at)) return n + (firstImplausible < at ? 1 : 0);
      const std::size_t size = plausible(at);
      if (size == 0) break;
      at += size;
      ++n;
    }
    return n;
  };
  // The runs from the words judged so far that pass the element's end: the
  // word and the run's elements, 0 when the run from there breaks off or
  // lands on the end (the swallow EndsInSwallowedElement judges). Words are
  // judged from the end backwards, so that each is judged once; few start
  // a plausible element at all.
  std::vector<std::pair<std::size_t, int>> runs;
  auto runFrom = [&](std::size_t at) {
    for (const auto& [word, n] : runs) {
      if (word == at) return n;
    }
    return 0;
  };
  std::span<const std::uint8_t> element = ahead.First(elementSize);
  if (element.size() < elementSize) return false;
  const std::array<bool, 128>& graphic = GraphicTypes();
  for (std::size_t at = elementSize - 2;; at -= 2) {
    // Most words are no header of a type that could start a run, or count
    // past the bytes that may be looked at: they are passed over without
    // asking for bytes after the element.
    std::size_t size = 0;
    bool asked = false;
    const std::uint8_t* header = element.data() + at;
    if (at + kDgnHeaderBytes > elementSize ||
        (graphic[header[1] & 0x7F] && at + kDgnHeaderBytes + 2 * std::size_t(header[2] | header[3] << 8) <= limit)) {
      size = plausible(at);
      asked = true;
      // A deleted element may cover deleted elements and its components.
      if (size != 0 && rule.deleted && !rule.Counts(ahead.First(at + kDgnHeaderBytes).data() + at, at)) size = 0;
    } else if (at > from) {
      continue;
    } else {
      break;
    }
    const std::size_t end = at + size;
    int n = 0;
    if (size == 0 || end == elementSize) {
      // no run, or the swallow judged by EndsInSwallowedElement
    } else if (end > elementSize) {
      n = 1 + outOfStep(end);
    } else if (const int after = runFrom(end); after != 0) {
      n = std::min(kRunElements, 1 + after);
    }
    // What was fetched may have moved the bytes.
    if (asked) element = ahead.First(elementSize);
    if (n != 0) runs.emplace_back(at, n);
    if (n >= kRunElements) return true;
    if (at <= from) break;
  }
  return false;
}

bool DeletedElementCovers(DgnLookAhead& ahead, std::size_t elementSize, int dimension) {
  std::span<const std::uint8_t> element = ahead.First(elementSize);
  if (element.size() < elementSize || elementSize < kDgnHeaderBytes) return false;
  const int type = element[1] & 0x7F;
  const CoverRule rule{true, (element[0] & 0x80) != 0, HeaderSpanBytes(element)};
  // Where its own data end (`known`), or where the linkages that end them
  // start; otherwise its data may end anywhere from `from` on.
  std::size_t known = 0, linkagesFrom = 0, from = kDgnHeaderBytes;
  if (const std::size_t fixed = DesignHeaderBytes(type)) {
    known = fixed;
  } else if (elementSize >= 36 && DgnTypeIsNamed(type) && HasDisplayHeader(type)) {
    from = 36;
    const std::size_t dataEnd = 32 + 2 * std::size_t(element[30] | element[31] << 8);
    if (dataEnd >= 36 && dataEnd <= elementSize) {
      if (element[33] & 0x08) {
        linkagesFrom = dataEnd;
      } else {
        known = dataEnd;
      }
    }
  }
  if (known != 0) return known < elementSize && CoversInStep(ahead, elementSize, known, dimension, rule);
  if (linkagesFrom != 0) {
    // Each linkage the walk meets may be where the data end: the covered
    // elements are read in step from every one and from where the walk
    // stops (a few per element).
    std::vector<std::size_t> ends{linkagesFrom};
    const std::span<const std::uint8_t> attributes = element.subspan(linkagesFrom);
    std::size_t at = 0;
    while (const std::size_t length = LinkageLength(attributes, at)) ends.push_back(linkagesFrom + (at += length));
    const auto rest = attributes.subspan(at);
    const bool walked = std::all_of(rest.begin(), rest.end(), [](std::uint8_t v) { return v == 0; });
    for (const std::size_t end : ends) {
      if (CoversInStep(ahead, elementSize, end, dimension, rule)) return true;
    }
    element = ahead.First(elementSize);
    if (walked) return EndsInSwallowedElement(element, linkagesFrom, dimension, linkagesFrom, rule);
    from = std::max<std::size_t>(linkagesFrom, 36);
  }
  if (EndsInSwallowedElement(element, from, dimension, linkagesFrom, rule)) return true;
  return RunsIntoTheMarkersPadding(ahead, element, from) ||
         RunsIntoElementsOutOfStep(ahead, elementSize, from, dimension, true);
}

std::size_t MinimumElementBytes(int type, int level, int dimension) {
  const bool three = dimension == 3;
  switch (type) {
    case dgn::kLine: return three ? 60 : 52;
    case dgn::kLineString:
    case dgn::kShape:
    case dgn::kCurve:
    case dgn::kBSplinePole: return 38;
    case dgn::kComplexChain:
    case dgn::kComplexShape: return 40;
    case dgn::kSurface3D:
    case dgn::kSolid3D: return 42;
    case dgn::kEllipse: return three ? 92 : 72;
    case dgn::kArc: return three ? 100 : 80;
    case dgn::kText: return three ? 76 : 60;
    case dgn::kCellHeader: return three ? 124 : 92;
    case dgn::kSharedCellDefinition: return 38;
    case dgn::kBSplineCurveHeader: return 46;
    case dgn::kGroupData: return level == 1 ? 806 : 0;
    case dgn::kTcb: return 1264;
    default: return 0;
  }
}

std::int32_t FindFillColor(std::span<const std::uint8_t> attributes) {
  std::size_t at = 0;
  while (const std::size_t length = LinkageLength(attributes, at)) {
    // The colour index is the linkage's byte 8: it must hold 9 bytes.
    if (length >= 9) {
      const int id = attributes[at + 2] | attributes[at + 3] << 8;
      if (id == 65) return attributes[at + 8];
    }
    at += length;
  }
  return kDgnNoFill;
}

std::size_t DgnChainBytes(std::span<const std::uint8_t> element) {
  if (element.size() < 40 || (element[1] & 0x80)) return 0;
  return HeaderSpanBytes(element);
}

std::unique_ptr<DGNElemCore> ReadDgnElement(cDGNInfo& info, std::span<const std::uint8_t> element) {
  const DgnBytes b(element);
  const int level = b.U8(0) & 0x3F;
  const int type = b.U8(1) & 0x7F;
  const bool complex = (b.U8(0) & 0x80) != 0;
  const bool deleted = (b.U8(1) & 0x80) != 0;
  const bool cutShort = element.size() < MinimumElementBytes(type, level, info.dimension);

  std::unique_ptr<DGNElemCore> e;
  if (cutShort) {
    e = std::make_unique<DGNElemCore>();
  } else if (IsMultiPoint(type)) {
    e = ReadMultiPoint(info, b, type);
  } else if (type == dgn::kEllipse || type == dgn::kArc) {
    e = ReadArc(info, b, type);
  } else if (type == dgn::kText) {
    e = ReadText(info, b);
  } else if (IsComplexHeader(type)) {
    auto h = std::make_unique<DGNElemComplexHeader>();
    h->structType = DgnStructure::ComplexHeader;
    h->totalLength = b.U16(36);
    h->components = b.U16(38);
    if (type == dgn::kSurface3D || type == dgn::kSolid3D) {
      h->surfaceType = b.U8(40);
      h->boundaries = b.U8(41) + 1;
    }
    h->shape = type == dgn::kComplexShape;
    e = std::move(h);
  } else if (type == dgn::kCellHeader || type == dgn::kSharedCellDefinition) {
    e = ReadCellHeader(info, b, type);
  } else if (type == dgn::kBSplineCurveHeader) {
    auto h = std::make_unique<DGNElemBSplineCurveHeader>();
    h->structType = DgnStructure::BSplineCurveHeader;
    h->descriptionWords = b.I32(36);
    h->order = (b.U8(40) & 0x0F) + 2;
    h->curveType = b.U8(41);
    h->poles = b.U16(42);
    h->knots = b.U16(44);
    e = std::move(h);
  } else if (type == dgn::kGroupData && level == 1) {
    auto t = std::make_unique<DGNElemColorTable>();
    t->structType = DgnStructure::ColorTable;
    t->screenFlag = b.U16(36);
    for (std::size_t i = 0; i < 3; ++i) t->table[255 * 3 + i] = b.U8(38 + i);
    for (std::size_t i = 0; i < 255 * 3; ++i) t->table[i] = b.U8(41 + i);
    info.colorTable = t->table;
    info.hasColorTable = true;
    e = std::move(t);
  } else if (type == dgn::kTcb) {
    auto t = std::make_unique<DGNElemTCB>();
    t->structType = DgnStructure::Tcb;
    ReadTcb(info, b, *t);
    e = std::move(t);
  } else {
    e = std::make_unique<DGNElemCore>();
  }

  e->level = level;
  e->type = type;
  e->complex = complex;
  e->deleted = deleted;
  e->cutShort = cutShort;
  e->size = element.size();
  if (element.size() >= 36 && HasDisplayHeader(type)) {
    e->graphicGroup = b.U16(28);
    e->properties = b.U16(32);
    e->lineStyle = b.U8(34) & 0x07;
    e->weight = b.U8(34) >> 3;
    e->color = b.U8(35);
    if (e->properties & 0x800) {
      const std::size_t at = 32 + 2 * std::size_t(b.U16(30));
      if (at < element.size()) e->attributes.assign(element.begin() + std::ptrdiff_t(at), element.end());
    }
  }
  // A deleted element's count may cover the space freed with it (a deleted
  // cell spans its deleted components).
  if (!cutShort && !deleted) {
    std::size_t fields = 0;
    if (!(e->properties & 0x800)) {
      if (type == dgn::kLine || type == dgn::kEllipse || type == dgn::kArc) {
        fields = MinimumElementBytes(type, level, info.dimension);
      } else if (IsMultiPoint(type)) {
        fields = 38 + std::size_t(b.U16(36)) * 4 * std::size_t(info.dimension);
      }
    }
    std::size_t unknownFrom = 0;
    e->overlong = RunsPastItsData(element, type, e->properties, info.dimension, unknownFrom);
    e->overlong = e->overlong || (fields != 0 && element.size() > fields);
    if (!e->overlong) e->unknownDataFrom = unknownFrom;
  }
  // Fill colours come from the linkages, now that they are known; each
  // element starts without one.
  const std::int32_t fill = e->attributes.empty() ? kDgnNoFill : FindFillColor(e->attributes);
  if (fill == kDgnNoFill) return e;
  if (auto* m = dynamic_cast<DGNElemMultiPoint*>(e.get()); m && type == dgn::kShape) m->fillColor = fill;
  if (auto* a = dynamic_cast<DGNElemArc*>(e.get())) a->fillColor = fill;
  if (auto* h = dynamic_cast<DGNElemComplexHeader*>(e.get())) h->fillColor = fill;
  if (auto* s = dynamic_cast<DGNElemBSplineCurveHeader*>(e.get())) s->fillColor = fill;
  return e;
}

}  // namespace kvn
