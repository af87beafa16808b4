// The object type table and the class map.
#include <strings.h>

#include "dwg/objects/DwgReader.h"

namespace kvn {

namespace {

using R = DwgReader;
constexpr DwgObjectKind E = DwgObjectKind::Entity, O = DwgObjectKind::Object, B = DwgObjectKind::Bare,
                        X = DwgObjectKind::Empty;

// Types without a handler are read past and counted as skipped.
const DwgObjectType kTypes[kDwgObjectTypes] = {
    {nullptr, "", X},                                       // 0
    {&R::HandleText, "TEXT", E},                            // 1
    {&R::HandleAttrib, "ATTRIB", E},                        // 2
    {&R::HandleAttDef, "ATTDEF", E},                        // 3
    {&R::HandleBlock, "BLOCK", E},                          // 4
    {&R::HandleEndBlock, "ENDBLK", E},                      // 5
    {&R::HandleSeqEnd, "SEQEND", E},                        // 6
    {&R::HandleInsert, "INSERT", E},                        // 7
    {&R::HandleMInsert, "MINSERT", E},                      // 8
    {nullptr, "", X},                                       // 9
    {&R::HandleVertex2D, "VERTEX_2D", E},                   // 10
    {&R::HandleVertex3D, "VERTEX_3D", E},                   // 11
    {&R::HandleVertex3D, "VERTEX_3D", E},                   // 12
    {&R::HandleVertex3D, "VERTEX_3D", E},                   // 13
    {&R::HandleVertexPFace, "VERTEX_PFACE", E},             // 14
    {&R::HandlePolyline2D, "POLYLINE_2D", E},               // 15
    {&R::HandlePolyline3D, "POLYLINE_3D", E},               // 16
    {&R::HandleArc, "ARC", E},                              // 17
    {&R::HandleCircle, "CIRCLE", E},                        // 18
    {&R::HandleLine, "LINE", E},                            // 19
    {&R::HandleDimensionOrdinate, "DIMENSION ORD", E},      // 20
    {&R::HandleDimensionLinear, "DIMENSION LIN", E},        // 21
    {&R::HandleDimensionAligned, "DIMENSION ALIGN", E},     // 22
    {&R::HandleDimensionAngular3Pt, "DIMENSION ANGLE 3PT", E},  // 23
    {&R::HandleDimensionAngular2Ln, "DIMENSION ANGLE 2LN", E},  // 24
    {&R::HandleDimensionRadius, "DIMENSION ORD", E},        // 25: the radius dimension
    {&R::HandleDimensionDiameter, "DIMENSION DIA", E},      // 26
    {&R::HandlePoint, "POINT", E},                          // 27
    {&R::HandleFace3D, "FACE3D", E},                        // 28
    {&R::HandlePFace, "PFACE", E},                          // 29
    {&R::HandlePolylineMesh, "POLYLINE_MESH", E},           // 30
    {&R::HandleSolid, "SOLID", E},                          // 31
    {&R::HandleSolid, "TRACE", E},                          // 32
    {&R::HandleShape, "SHAPE", E},                          // 33
    {&R::HandleViewport, "VIEWPORT", E},                               // 34
    {&R::HandleEllipse, "ELLIPSE", E},                      // 35
    {&R::HandleSpline, "SPLINE", E},                                 // 36
    {&R::HandleModeller, "REGION", E},                      // 37
    {&R::HandleModeller, "SOLID3D", E},                     // 38
    {&R::HandleModeller, "BODY", E},                        // 39
    {&R::HandleRay, "RAY", E},                              // 40
    {&R::HandleRay, "XLINE", E},                            // 41
    {&R::HandleDictionary, "DICTIONARY", O},                             // 42
    {nullptr, "", X},                                       // 43
    {&R::HandleMText, "MTEXT", E},                          // 44
    {&R::HandleLeader, "LEADER", E},                                 // 45
    {&R::HandleTolerance, "TOLERANCE", E},                  // 46
    {&R::HandleMLine, "", E},                               // 47: the multiline
    {&R::HandleBlockControl, "BLOCK CTRL", O},                             // 48
    {&R::HandleBlockHeader, "BLOCK HDR", O},                              // 49
    {&R::HandleLayerControl, "LAYER CTRL", O},                             // 50
    {&R::HandleLayer, "LAYER", O},                                  // 51
    {&R::HandleStyleControl, "STYLE CTRL", O},                             // 52
    {&R::HandleStyle, "STYLE", O},                                  // 53
    {nullptr, "", X},                                       // 54
    {nullptr, "", X},                                       // 55
    {&R::HandleLineTypeControl, "LTYPE CTRL", O},                             // 56
    {&R::HandleLineType, "LTYPE", O},                                  // 57
    {nullptr, "", X},                                       // 58
    {nullptr, "", X},                                       // 59
    {&R::HandleOtherControl, "VIEW CTRL", O},                              // 60
    {&R::HandleNotRead, "VIEW", O},                         // 61
    {&R::HandleOtherControl, "UCS CTRL", O},                               // 62
    {&R::HandleUcs, "UCS", O},                                    // 63
    {&R::HandleOtherControl, "VPORT CTRL", O},                             // 64
    {&R::HandleVport, "VPORT", O},                                  // 65
    {&R::HandleOtherControl, "APPID CTRL", O},                             // 66
    {&R::HandleAppId, "APPID", O},                                  // 67
    {&R::HandleNotRead, "DIMSTYLE CTRL", O},                // 68
    {&R::HandleNotRead, "DIMSTYLE", O},                     // 69
    {&R::HandleOtherControl, "VP_ENT_HDR CTRL", O},                        // 70
    {&R::HandleNotRead, "VP_ENT_HDR", O},                   // 71
    {&R::HandleGroup, "GROUP", O},                                  // 72
    {&R::HandleMLineStyle, "MLINESTYLE", O},                             // 73
    {&R::HandleOle2Frame, "OLE2FRAME", E},                  // 74
    {nullptr, "", X},                                       // 75
    {nullptr, "", X},                                       // 76
    {&R::HandleLwPolyline, "LWPOLYLINE", E},                // 77
    {&R::HandleHatch, "HATCH", E},                                  // 78
    {nullptr, "", X},                                       // 79
    {&R::HandleNotRead, "", B},                             // 80
    {nullptr, "", X},                                       // 81
    {&R::HandleLayout, "", O},                               // 82: the layout
    {&R::HandleDictionaryVar, "DICTIONARYVAR", O},                          // 83
    {&R::HandleLwPolyline, "LWPOLYLINE", E},                // 84
    {&R::HandleAcadTable, "ACAD_TABLE", E},                 // 85
    {&R::HandleLayout, "LAYOUT", O},                                 // 86
    {&R::HandleImage, "IMAGE", E},                                  // 87
    {&R::HandleImageDef, "IMAGEDEF", O},                               // 88
    {&R::HandleSortEntsTable, "SORTENTSTABLE", O},                          // 89
    {&R::HandleOle2Frame, "OLE2FRAME", E},                  // 90
    {&R::HandleMultiLeader, "MULTILEADER", E},                            // 91
    {&R::HandleMultiLeader, "MLEADER", E},                                // 92
    {&R::HandleArcDimension, "ARC_DIMENSION", E},           // 93
    {&R::HandleNotRead, "MLEADERSTYLE", O},                 // 94
    {&R::HandleProxyObject, "ACAD_PROXY_OBJECT", O},                      // 95
    {&R::HandleProxyEntity, "ACAD_PROXY_ENTITY", E},                      // 96
    {&R::HandleProxyObject, "ACAD_PROXY_OBJECT_WRAPPER", O},              // 97
    {&R::HandleProxyEntity, "ACAD_PROXY_ENTITY_WRAPPER", E},              // 98
};

}  // namespace

const DwgObjectType* DwgObjectTypeAt(int index) {
  return index >= 0 && index < kDwgObjectTypes ? &kTypes[index] : nullptr;
}

int DwgObjectTypeIndexOfName(const char* name) {
  if (!name || !*name) return -1;
  for (int i = 0; i < kDwgObjectTypes; ++i) {
    if (strcasecmp(kTypes[i].name, name) == 0) return i;
  }
  return -1;
}

const char* DwgDxfEntityNameOfType(int type) {
  // Block brackets and the parts of polylines and inserts (vertices,
  // attributes, sequence ends) are no entities of a space.
  switch (type) {
    case 1: return "TEXT";
    case 3: return "ATTDEF";
    case 7:
    case 8: return "INSERT";
    case 15:
    case 16:
    case 29:
    case 30: return "POLYLINE";
    case 17: return "ARC";
    case 18: return "CIRCLE";
    case 19: return "LINE";
    case 20:
    case 21:
    case 22:
    case 23:
    case 24:
    case 25:
    case 26: return "DIMENSION";
    case 27: return "POINT";
    case 28: return "3DFACE";
    case 31: return "SOLID";
    case 32: return "TRACE";
    case 33: return "SHAPE";
    case 34: return "VIEWPORT";
    case 35: return "ELLIPSE";
    case 36: return "SPLINE";
    case 37: return "REGION";
    case 38: return "3DSOLID";
    case 39: return "BODY";
    case 40: return "RAY";
    case 41: return "XLINE";
    case 44: return "MTEXT";
    case 45: return "LEADER";
    case 46: return "TOLERANCE";
    case 47: return "MLINE";
    case 74: return "OLE2FRAME";
    case 77: return "LWPOLYLINE";
    case 78: return "HATCH";
    case 498: return "ACAD_PROXY_ENTITY";
    default: return nullptr;
  }
}

void DwgReader::AddClassMapping(std::uint16_t classNumber, std::uint16_t reference) {
  for (auto& pair : classMap_) {
    if (pair.first == classNumber) {
      pair.second = reference;
      return;
    }
  }
  classMap_.emplace_back(classNumber, reference);
}

std::uint16_t DwgReader::FindClassMapping(std::uint16_t classNumber) const {
  for (const auto& pair : classMap_) {
    if (pair.first == classNumber) return pair.second;
  }
  return kDwgNoClass;
}

void DwgReader::AddDwgClass(std::uint16_t number, const char* dxfName, bool isEntity) {
  dwgClasses_.push_back({number, AString(dxfName ? dxfName : ""), isEntity});
  int index = DwgObjectTypeIndexOfName(dxfName);
  if (index < 0) return;
  AddClassMapping(number, index < kDwgFirstClassEntry ? std::uint16_t(index)
                                                      : std::uint16_t(0x8000 + index - kDwgFirstClassEntry));
}

}  // namespace kvn
