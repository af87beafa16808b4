// A small writer of MicroStation V7 design files for tests: the TCB (units,
// global origin, level mask of view 1), colour tables, lines, multi-point
// elements, arcs and ellipses (planar or with a quaternion), texts, complex
// chains and shapes, cells and shared cell definitions, fill linkages. Each
// maker returns one element's bytes; Add appends it to the file. Cells and
// complex elements take their components and compute the word counts and
// set the components' complex bit.
//
// Coordinates are written as given (units of resolution); lengths of arcs
// and origins of arcs are doubles in the same units.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "foundation/Vec3.h"

namespace kvn::test {

using DgnElement = std::vector<std::uint8_t>;

class DgnWriter {
 public:
  explicit DgnWriter(bool threeD = false) : threeD_(threeD) {}

  bool ThreeD() const { return threeD_; }

  // The TCB: sub-units per master unit, units of resolution per sub-unit,
  // the global origin (units of resolution), the level mask of view 1
  // (bit level - 1 set: shown).
  DgnElement Tcb(std::uint32_t subPerMaster = 0, std::uint32_t uorPerSub = 0, const Vec3& origin = {},
                 std::uint64_t levelMask = ~std::uint64_t(0)) const;
  // The first element of a cell library (08 05 17 00).
  DgnElement CellLibraryStart() const;
  // A colour table element (type 5, level 1): 256 RGB entries.
  DgnElement ColorTable(const std::array<std::uint8_t, 768>& table) const;

  DgnElement Line(int level, int color, const Vec3& a, const Vec3& b) const;
  // Types 4 line string, 6 shape, 11 curve, 21 B-spline pole. `claimed`
  // (>= 0) is the vertex count written instead of the real one. A fill
  // colour >= 0 adds a fill linkage.
  DgnElement MultiPoint(int type, int level, int color, const std::vector<Vec3>& points, int fill = -1,
                        int claimed = -1) const;
  // Type 15 ellipse or 16 arc. Angles in degrees; `quaternion` (w, x, y, z
  // as fractions of one) is written in 3-D files instead of the rotation.
  DgnElement Arc(int type, int level, int color, const Vec3& origin, double primary, double secondary,
                 double rotation, double start = 0.0, double sweep = 360.0, int fill = -1,
                 const std::array<double, 4>* quaternion = nullptr) const;
  DgnElement Text(int level, int color, const Vec3& origin, double height, const std::string& bytes,
                  double rotation = 0.0, const std::array<double, 4>* quaternion = nullptr) const;
  // Type 12 chain or 14 shape with its components.
  DgnElement Complex(int type, int level, int color, const std::vector<DgnElement>& components,
                     int fill = -1) const;
  // A cell (type 2) named in Radix-50 (up to six of " A-Z$.0-9") at the
  // origin, or a shared cell definition (type 34), with its components.
  DgnElement Cell(const std::string& name, int level, const Vec3& origin,
                  const std::vector<DgnElement>& components) const;
  DgnElement SharedCellDefinition(int level, const std::vector<DgnElement>& components) const;

  // Element flags.
  static DgnElement Deleted(DgnElement element);
  static DgnElement AsComponent(DgnElement element);

  DgnWriter& Add(const DgnElement& element);
  // The file so far with the end marker FF FF.
  std::vector<std::uint8_t> Bytes() const;

  // Encoders.
  static void PutU16(DgnElement& e, std::size_t at, std::uint16_t v);
  static void PutI32(DgnElement& e, std::size_t at, std::int32_t v);
  static void PutDouble(DgnElement& e, std::size_t at, double v);
  static std::uint16_t Radix50(const std::string& three);
  // A fill linkage (id 65) of colour index `fill`.
  static std::vector<std::uint8_t> FillLinkage(int fill);
  // Sets the header (type, level, word count from the size) and the colour.
  static void Finish(DgnElement& e, int type, int level, int color);
  // Appends attribute bytes and points the attribute offset at them.
  static void AddAttributes(DgnElement& e, const std::vector<std::uint8_t>& attributes);

 private:
  void PutPoint(DgnElement& e, std::size_t at, const Vec3& p) const;
  void PutQuaternionOrRotation(DgnElement& e, std::size_t at, double rotation,
                               const std::array<double, 4>* quaternion) const;

  bool threeD_ = false;
  std::vector<std::uint8_t> bytes_;
};

// Edits of an existing design file, element by element (variants of the
// sample files). Elements are numbered in file order from 0 (the TCB).
struct DgnFileEdit {
  // Attribute data to append to an element (empty: none); its word count
  // and attribute index follow, and so do the lengths of the cells, complex
  // elements and B-splines it lies in, and its own when it is one.
  std::function<std::vector<std::uint8_t>(std::size_t index, std::span<const std::uint8_t> element)> attributes;
  // An element to put after a top-level element (after its components when
  // it has any); empty: none.
  std::function<DgnElement(std::size_t index, std::span<const std::uint8_t> element)> after;
};

// The file with the edit applied; bytes from the end marker on are kept.
std::vector<std::uint8_t> EditDgnFile(std::span<const std::uint8_t> file, const DgnFileEdit& edit);

// The file with its elements from element `first` to the end marker
// repeated `times` times.
std::vector<std::uint8_t> RepeatDgnElements(std::span<const std::uint8_t> file, std::size_t first, int times);

}  // namespace kvn::test
