// ShxFont: an SHX stroke font as a font style holds it: its file bytes, the
// fields that travel with it, and its parsed shapes once the SHX reader of
// the text subsystem (text/ShxParsedFont.h) has read them.
//
// The text layout of this folder needs only the font's line metrics; it asks
// them through a hook that the SHX reader installs (SetShxMetricsSource), so
// that the model does not reach up into the reader.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/DRect.h"
#include "model/Cubic.h"

namespace kvn {

struct ShxParsedFont;  // text/ShxParsedFont.h
class cDrawingData;
class cText;

// The strokes of a text's lines in drawing units: every polyline, and which
// of them are underline or strike-out bars (indexes into polylines). A text
// in an SHX font keeps one from its layout until the next.
struct ShxOutlineCache {
  std::vector<CubicArray> polylines;
  std::vector<std::uint32_t> underlines;

  // What drawing reads of every polyline, made on the first drawing
  // (MakeShxStrokeRuns): whether it comes back to its start, and for a
  // polyline of chained straight records its vertices alone (a quarter of
  // the memory that a repaint of many texts walks).
  struct StrokeRun {
    std::uint32_t first = 0;  // into vertices, for a chained polyline
    std::uint32_t count = 0;  // vertices; 0: draw the polyline's records
    bool closed = false;
    bool empty = true;  // the polyline has no records: nothing to draw
  };
  std::vector<StrokeRun> strokeRuns;
  std::vector<DPoint> vertices;
  bool strokeRunsMade = false;
};

// Fills the cache's stroke runs from its polylines (once; again after the
// polylines change only through a new cache).
void MakeShxStrokeRuns(ShxOutlineCache& cache);

// Builds the strokes of every line of a laid-out SHX text, `bounds` their
// box; null when the font gives none. The SHX reader installs it.
using ShxOutlineSource = std::unique_ptr<ShxOutlineCache> (*)(cText& text, cDrawingData* data, DRect& bounds);
void SetShxOutlineSource(ShxOutlineSource source);
std::unique_ptr<ShxOutlineCache> BuildShxOutlineCache(cText& text, cDrawingData* data, DRect& bounds);

struct ShxFont {
  std::vector<std::uint8_t> bytes;  // the SHX file; empty when none
  std::uint8_t flag = 0;            // the stored flag bit
  std::int64_t archiveOffset = -1;  // offset of its file's size field in the built-in archive
  int blobId = 0;                   // which built-in blob holds it
  // Made on first use by the SHX reader; shared so that the parsed shapes go
  // with the font whichever layer destroys it.
  std::shared_ptr<ShxParsedFont> parsed;
};

// Line metrics of an SHX font, in shape units: height of capitals above the
// base line, depth below it, and the line gap as a fraction of the text height.
struct ShxLineMetrics {
  double above = 0.0;
  double below = 0.0;
  double lineGapRatio = 0.0;
};
using ShxMetricsSource = bool (*)(ShxFont& font, ShxLineMetrics& out);
// Null removes the source.
void SetShxMetricsSource(ShxMetricsSource source);
// False, with all zero, when no source is installed or the font is no text font.
bool GetShxLineMetrics(ShxFont& font, ShxLineMetrics& out);

}  // namespace kvn
