// What a CAD reader found in the file itself, before conversion, for the
// "source" object of kvn-dump: entities handed over to the import, by the
// file's own type name, for model space, paper space and block definitions;
// the sub-entities VERTEX, SEQEND and ATTRIB apart (they belong to their
// polyline or insert); and every entity that was dropped, with its reason.
// Filled by the reader context's dispatch (DXF) and by the DWG reader.
// Counts are what the file holds, not what the model keeps: a 3DFACE that
// becomes three edge lines counts once.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "import/records/RecentCounters.h"

namespace kvn {

enum class ImportSpace { Model, Paper, Block };

// The farthest an object of a sheet may reach either way in x or y: the
// assembly drops one that reaches farther (LossReason::ExtentTooLarge).
inline constexpr double kFarthestCoordinate = 1e20;

enum class DropReason {
  UnknownName,            // an entity name the import does not know
  NotDrawn,               // a type the viewer does not draw (POINT, RAY, XLINE, 3DSOLID...)
  VertexOutsidePolyline,  // a VERTEX with no open POLYLINE
  NotImportedYet,         // a type whose import record this build does not have
  UnknownOwner,           // the owner handle names no block
  UnknownClass,           // a proxy whose class or format is not known
  NoVisibleEdge,          // a 3DFACE with every edge hidden
  NoGeometry,             // an MLINE without vertices, an MLEADER without lines or texts
  NoPicture,              // an OLE2FRAME whose data hold no picture this program reads
};

const char* DropReasonText(DropReason reason);

// What the import lost of an entity it took: a number it could not read
// (the entity is kept, the number taken as its reading gives it) or a
// drawing object the assembly had to leave out.
enum class LossReason {
  UnreadableNumber,  // a number written as text that is none (abc, 12abc, nan), or a binary one not finite
  ExtentNotFinite,   // an object whose extent is not a finite rectangle
  ExtentTooLarge,    // an object reaching beyond 1e20 either way
  ExpansionCut,      // an insert whose block expands past what one insert may show (kept, shown in part)
  OnNoSheet,         // an entity taken in a drawing none of whose sheets holds anything
  DamagedCount,      // an object whose counts or sizes in the file leave nothing to draw (a spline without
                     // points, a hatch without paths, a viewport without a view height)
  PictureTooLarge,   // an IMAGE's picture file or an OLE frame's picture whose bitmap would pass the memory
                     // threshold, refused from its header
  PictureNotFound,   // an IMAGE whose picture file is not where its definition says nor beside the drawing
  PictureNotRead,    // an IMAGE whose picture file is damaged or no picture this program reads
  PictureUnnamed,    // an IMAGE without a definition naming its picture file
  PictureInPart,     // an IMAGE whose damaged picture file shows what could be read of it (kept)
  PictureNoArea,     // a picture in a block whose frame collapses where an insert places it (scaled by 0 on an
                     // axis, seen edge on, too small for the insert's scale)
};

const char* LossReasonText(LossReason reason);
// Whether an object of the file is gone (it counts as skipped), or only a
// value of it (counted per number).
bool LossDropsObject(LossReason reason);

class ImportStatistics {
 public:
  void CountHanded(ImportSpace space, const std::string& name) { ++recent_.Counter(handed_[int(space)], name); }
  void CountApart(const std::string& name) { ++apart_[name]; }
  void CountDropped(const std::string& name, DropReason reason) { ++dropped_[{name, reason}]; }
  void CountLoss(const std::string& name, LossReason reason, std::uint64_t n = 1) {
    if (n) lost_[{name, reason}] += n;
  }

  // Counts by name; 0 for a name not seen.
  std::uint64_t Handed(ImportSpace space, const std::string& name) const;
  std::uint64_t Apart(const std::string& name) const;
  std::uint64_t Dropped(const std::string& name, DropReason reason) const;
  // Every dropped entity of the name, whatever the reason.
  std::uint64_t DroppedByName(const std::string& name) const;
  std::uint64_t TotalHanded(ImportSpace space) const;
  std::uint64_t TotalDropped() const;
  // Dropped entities by name, all reasons together (kvn-dump's "skipped").
  std::map<std::string, std::uint64_t> SkippedByName() const;
  // Losses by name and reason; the total of one reason.
  std::uint64_t Lost(const std::string& name, LossReason reason) const;
  std::uint64_t TotalLost(LossReason reason) const;
  const std::map<std::pair<std::string, LossReason>, std::uint64_t>& LossCounts() const { return lost_; }

  const std::map<std::string, std::uint64_t>& HandedIn(ImportSpace space) const { return handed_[int(space)]; }
  const std::map<std::string, std::uint64_t>& ApartCounts() const { return apart_; }
  const std::map<std::pair<std::string, DropReason>, std::uint64_t>& DroppedCounts() const { return dropped_; }

 private:
  std::map<std::string, std::uint64_t> handed_[3];
  std::map<std::string, std::uint64_t> apart_;
  std::map<std::pair<std::string, DropReason>, std::uint64_t> dropped_;
  std::map<std::pair<std::string, LossReason>, std::uint64_t> lost_;
  RecentCounters recent_;
};

}  // namespace kvn
