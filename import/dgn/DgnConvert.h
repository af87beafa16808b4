// DGN elements into the import: group-code lists dispatched to the reader
// context (POLYLINE with its VERTEX and SEQEND lists, solid HATCH, ELLIPSE,
// TEXT, INSERT), ready records added directly (circles, full ellipses, the
// cubic paths of complex elements and of arcs out of the drawing plane), and
// the cubic segments a component adds to its open complex header.
//
// Colours: an element's colour index through the file's colour table, else
// the default DGN table (GetDgnTable); index 255 is white, a table entry of
// pure white is black, an index above 255 is black. Layers are the levels
// written with two digits, "00" to "63".
#pragma once

#include <cstdint>
#include <vector>

#include "import/dgn/DgnElements.h"

namespace kvn {

class YxxfGroupRecord;
class YxxfReader;

// The dispatcher code of the records made for complex paths.
inline constexpr std::uint16_t kDgnPathEntityCode = 3;

// 0x00RRGGBB of a colour index.
std::uint32_t DgnColorRgb(const cDGNInfo& info, int index);

// The outline of an arc or ellipse from its start to its end angle (degrees,
// end above start) as cubic segments: in the drawing plane turned by its
// rotation, out of it by its quaternion; moved to its origin.
std::vector<Cubic3D> DgnArcSegments(const DGNElemArc& arc, double startDegrees, double endDegrees);

enum class DgnConversion { Drawn, Nothing, NonPlanar };

// Converts one element (see the file comment); `previous` is the last
// element that was not a component, `open` the open complex header.
// `record` is the scratch record of the import.
DgnConversion ConvertDgnElement(const cDGNInfo& info, DGNElemCore& element, YxxfReader& reader,
                                YxxfGroupRecord& record, const DGNElemCore* previous, DGNElemComplexHeader* open);

// The path of a complex header whose components have all come.
void EmitComplexPath(const cDGNInfo& info, const DGNElemComplexHeader& header, YxxfReader& reader,
                     YxxfGroupRecord& record);

// The INSERT of a closed cell, into the reader's current block.
void EmitCellInsert(const DGNElemCellHeader& cell, YxxfReader& reader, YxxfGroupRecord& record);

}  // namespace kvn
