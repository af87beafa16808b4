// A sheet's page as an enhanced metafile: the sheet painter draws through the
// metafile-recording device context (output mode 2), so the picture holds
// what a printed page shows, as vectors, texts and pictures.
//
// Units: drawing units, with the drawing scale s in drawing units per
// millimetre of paper. k = resolution / 101.6 / s, so that 4k device units
// (pixels at the resolution) make one drawing unit. The area is widened by
// 0.5k on every side; its larger side is held to 32000 device units by
// lowering k, so that every coordinate fits the 16-bit point records. The
// frame is the area's size in whole paper millimetres (in 0.01 mm), and the
// reference device is the picture itself (W x H pixels over Wmm x Hmm), so
// one logical unit is one pixel at the chosen resolution.
#pragma once

#include <cstdint>

#include "foundation/DRect.h"
#include "foundation/GrowArray.h"
#include "foundation/WString.h"

namespace kvn {

class cDrawing;
class cMsgDlg;

inline constexpr double kMaxMetafileDeviceSide = 32000.0;

struct EmfExportGeometry {
  DRect area;  // widened
  double k = 0;
  std::int32_t width = 0, height = 0;      // device units
  std::int32_t widthMm = 0, heightMm = 0;  // paper millimetres
};

// The geometry of an area (already clipped) at scale s and a resolution;
// false for a scale or resolution that is zero, negative or not a number.
bool ComputeEmfGeometry(const DRect& area, double scale, double resolution, EmfExportGeometry* out);

// The metafile bytes of page `page` of the drawing (a view rectangle limits
// it to the view's tile); false when the scale is not set or recording fails.
bool RecordSheetAsEmf(const cDrawing& drawing, const DRect* view, double resolution, const std::uint8_t* filter,
                      std::uint16_t page, ByteArray& out, EmfExportGeometry* geometry = nullptr);

// RecordSheetAsEmf written to the file (ExportFile.h); the write's failure
// is reported there, with the path and the reason.
bool WriteSheetAsEmf(const cDrawing& drawing, const WString& fileName, const DRect* view, double resolution,
                     const std::uint8_t* filter, std::uint16_t page, const cMsgDlg* owner);

}  // namespace kvn
