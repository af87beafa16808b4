// Two matrix routines beside ImportMatrix: the frame of one direction, and
// the transform of a block insert.
#pragma once

#include "foundation/Vec3.h"
#include "import/records/ImportMatrix.h"

namespace kvn {

// p given in the frame X = direction (normalised; (1, 0, 0) when its squared
// length is below 1e-30), Y = (0, 0, 1) x X, Z = X x Y, in world coordinates.
// A direction along the z axis has no such Y; its frame is taken from the
// arbitrary-axis rule instead (X, then N x X), so the point still maps.
Vec3 ToDirectionFrame(const Vec3& p, const Vec3& direction);

// Prepares the transform of an insert. Returns the insertion point mapped by
// the incoming matrix (after the extrusion's axes are applied to it); the
// matrix then becomes scale, the extrusion's axes again, and the rotation
// (degrees) about the extrusion through the origin.
Vec3 SetupInsertMatrix(ImportMatrix& m, const Vec3& extrusion, double rotationDegrees, const Vec3& scale,
                       const Vec3& insertionPoint);

}  // namespace kvn
