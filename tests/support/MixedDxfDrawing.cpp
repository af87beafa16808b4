#include "tests/support/MixedDxfDrawing.h"

#include <cmath>
#include <cstdio>

namespace kvn::test {

std::string MixedDxfDrawing(DxfWriter::Form form, const MixedDxfOptions& options) {
  const bool full = options.full;
  DxfWriter w(form);
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1015").EndSection();
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER");
  for (int i = 0; i < 8; ++i) w.Layer("LAYER" + std::to_string(i), 1 + i);
  w.Str(0, "ENDTAB").EndSection();
  w.Section("BLOCKS").Block("PART").Line("0", 0, 0, 1, 0).Line("0", 1, 0, 1, 1);
  w.Str(0, "CIRCLE").Str(8, "0").Point(10, 0.5, 0.5).Real(40, 0.25).EndBlock().EndSection();
  w.Section("ENTITIES");
  char handle[24];
  // The entity's name and layer, with the full form's handle, owner and
  // subclass markers.
  auto head = [&](int i, const char* name, const std::string& layer, const char* subclass) {
    w.Str(0, name);
    if (full) {
      std::snprintf(handle, sizeof handle, "%X", 0x100 + i);
      w.Str(5, handle).Str(330, "1F").Str(100, "AcDbEntity");
    }
    w.Str(8, layer);
    if (full) w.Str(100, subclass);
  };
  for (int i = 0; i < options.entities; ++i) {
    const std::string layer = "LAYER" + std::to_string(i % 8);
    // Full precision: a fraction that needs all 17 digits.
    const double jitter = full ? std::fmod(i * 0.6180339887498949, 1.0) : 0.0;
    const double x = (i % 1000) * 10.0 + jitter, y = (i / 1000) * 10.0 + jitter;
    switch (i % 7) {
      case 0:
        head(i, "LINE", layer, "AcDbLine");
        w.Point(10, x, y).Point(11, x + 7.5 + jitter, y + 3.25 + jitter);
        break;
      case 1:
        head(i, "LWPOLYLINE", layer, "AcDbPolyline");
        w.Int(90, 4).Int(70, 1);
        if (full) w.Real(43, 0.0);
        for (int k = 0; k < 4; ++k) w.Real(10, x + (k & 1) * 5.0).Real(20, y + (k >> 1) * 5.0);
        break;
      case 2:
        head(i, "CIRCLE", layer, "AcDbCircle");
        w.Point(10, x, y).Real(40, 2.5 + jitter);
        break;
      case 3:
        head(i, "ARC", layer, "AcDbCircle");
        w.Point(10, x, y).Real(40, 3.0 + jitter);
        if (full) w.Str(100, "AcDbArc");
        w.Real(50, 15.0 + jitter).Real(51, 195.0 + jitter);
        break;
      case 4:
        head(i, "TEXT", layer, "AcDbText");
        w.Point(10, x, y).Real(40, 1.5).Str(1, "Label " + std::to_string(i));
        if (full) w.Str(100, "AcDbText");
        break;
      case 5:
        if (full || options.rotatedInserts) {
          head(i, "INSERT", layer, "AcDbBlockReference");
          w.Str(2, "PART").Point(10, x, y);
          // A distinct angle for every insert (the i-th multiple of an
          // irrational step, folded into one turn).
          if (options.rotatedInserts) w.Real(50, std::fmod(i * 0.6180339887498949 * 360.0, 360.0));
        } else {
          w.Insert("PART", layer, x, y);
        }
        break;
      default:
        head(i, "HATCH", layer, "AcDbHatch");
        w.Point(10, 0, 0).Real(210, 0).Real(220, 0).Real(230, 1).Str(2, "SOLID");
        w.Int(70, 1).Int(71, 0).Int(91, 1).Int(92, 2).Int(72, 0).Int(73, 1).Int(93, 4);
        for (int k = 0; k < 4; ++k) w.Real(10, x + (k == 1 || k == 2) * 4.0).Real(20, y + (k >= 2) * 4.0);
        w.Int(97, 0).Int(75, 0).Int(76, 1).Int(98, 0);
        break;
    }
  }
  w.EndSection().Eof();
  return w.Bytes();
}

}  // namespace kvn::test
