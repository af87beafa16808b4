// The factory of drawing objects by type code. Classes join as they are built.
#include "model/cArc.h"
#include "model/cBezier.h"
#include "model/cBitmap.h"
#include "model/cCircle.h"
#include "model/cConPoint.h"
#include "model/cDistance.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cLink.h"
#include "model/cNPoly.h"
#include "model/cOutObj.h"
#include "model/cPolygon.h"
#include "model/cRectangle.h"
#include "model/cSection.h"
#include "model/cSeparator.h"
#include "model/cText.h"
#include "model/cWall.h"
#include "model/cWmf.h"

namespace kvn {

cOutObj* cOutObj::Create(std::uint8_t typeCode, bool numbered) {
  switch (typeCode & kTypeCodeMask) {
    case kTypeInsert: return new cInsert(numbered);
    case kTypeLine: return new cLine();
    case kTypeRectangle: return new cRectangle();
    case kTypeCircle: return new cCircle();
    case kTypeBezier: return new cBezier();
    case kTypeWall: return new cWall();
    case kTypePolygon: return new cPolygon();
    case kTypeBitmap: return new cBitmap();
    case kTypeWmf: return new cWmf();
    case kTypeArc: return new cArc();
    case kTypeNPoly: return new cNPoly();
    case kTypeText: return new cText();
    case kTypeLink: return new cLink();
    case kTypeSeparator: return new cSeparator();
    case kTypeConPoint: return new cConPoint();
    case kTypeDistance: return new cDistance();
    case kTypeSection: return new cSection();
    default: return nullptr;
  }
}

cOutObj* cOutObj::Clone(const cOutObj& source) {
  cOutObj* copy = Create(source.TypeCode() & 31, false);
  if (copy) copy->Assign(source);
  return copy;
}

}  // namespace kvn
