// cPolygon: the universal outline object. A set of vertex lists, each open or
// closed and each straight, smooth, rounded or a cubic chain (PointList);
// every list is stroked with the line attributes, and the closed lists are
// filled together with the fill attributes. Importers turn foreign geometry
// into polygons, rectangles and regular polygons keep their outline as one,
// and stroked objects convert themselves into one (cAnyLine::ToPolygon).
// Factory type code 6.
//
// Invariant: a polygon holds at least one vertex list (a new one holds one
// empty closed list; a record without lists reads as one empty list).
//
// Record after the common header and the line part (current form):
//   per vertex list   bit 1, the list (flags byte, compact count, first point
//                     as reals, further coordinates as delta values, weight
//                     for kind 2)
//   bit 0             ends the lists
//   fill part         only when some list is closed
// Before 3081 the fill part follows the line part instead (always); before
// 3062 the record holds exactly one list and no loop bits.
#pragma once

#include <cstdint>
#include <vector>

#include "model/PointList.h"
#include "model/cAnyFill.h"

namespace kvn {

class cPolygon : public cAnyFill {
 public:
  cPolygon();
  ~cPolygon() override;

  // ---- cOutObj / cAnyLine / cAnyFill slots ----
  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  // One list: the stroked-object rule on the first contour; several: one
  // polygon per list, with this object's attributes and its curves
  // straightened.
  ObjectChain Explode(cDrawingData* data) override;
  void Move(const DPoint& offset) override;
  bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees) override;
  // The tight bounds of every list (cached by Recalc).
  DRect& GetExtent(DRect& out) override;
  void Assign(const cOutObj& source) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  // The first list becomes one open quarter ellipse from points[0] to points[1].
  void SetPoints(const DPoint* points, int count) override;
  void Draw(cDrawInfo* info) override;
  // Each list rasterised; with `flag` also the handles of cubic chains.
  void DrawOutline(std::uint32_t value, cDrawInfo* info, bool flag) override;
  // Points about the centre per axis; each list's corner radius times the
  // smaller absolute factor.
  bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) override;
  // The hull bounds of every list, then the stroked-object rule.
  void AddFullExtent(cDrawingData* data, DRect& extent) override;
  void Recalc(cDrawingData* data) override;
  // The list at *position (advanced; -1 after the last), list 0 for a null
  // position or one beyond the lists.
  bool GetOutline(CubicArray& out, int* position) override;
  cPolygon* AsPolygon() override { return this; }
  const cPolygon* AsPolygon() const override { return this; }
  // Any list closed.
  bool IsClosed() const override;

  // ---- vertex lists ----
  std::uint32_t ListCount() const { return std::uint32_t(lists_.size()); }
  PointList& List(std::uint32_t i) { return lists_[i]; }
  const PointList& List(std::uint32_t i) const { return lists_[i]; }
  PointList& FirstList() { return lists_.front(); }
  const PointList& FirstList() const { return lists_.front(); }
  // Appends a new empty closed list and answers it.
  PointList& AddList();
  // Back to one empty closed list.
  void ResetLists();
  // Drops the lists with fewer points than `minPoints`; false when none is
  // left (the polygon then holds one empty closed list again).
  bool RemoveShortLists(std::uint32_t minPoints);

  // With a template: its line and fill attributes first. The first list
  // becomes the cubic chain of the records with the closed flag.
  void SetBezierSegments(const cOutObj* templ, const CubicArray& records, bool closed);
  void SetBezierSegments2(const cOutObj* templ, const Cubic3D* records, std::uint32_t n, bool closed);

 private:
  std::vector<PointList> lists_;
};

}  // namespace kvn
