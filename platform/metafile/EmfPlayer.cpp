// The metafile handle, the record readers, the handle table and the
// enumeration with its mapping, and the check for a drawing held wholly in
// EMF+ records.
#include "platform/metafile/EmfPlayer.h"

#include <uemf.h>

#include <chrono>
#include <cmath>
#include <cstring>

#include "platform/gdi/LeBytes.h"
#include "platform/metafile/EmfPlayDetail.h"

namespace kvn {

std::optional<EmfDocument> EmfDocument::FromBytes(const std::uint8_t* data, std::uint64_t size) {
  EmfValidation validation;
  if (!data || ValidateEmf(data, size, &validation) != EmfCheck::Ok) return std::nullopt;
  EmfDocument doc;
  doc.header_ = validation.header;
  doc.bytes_.assign(data, data + validation.header.bytes);
  return doc;
}

std::uint32_t EmfRecord::U32(std::uint32_t offset) const {
  return Holds(offset, 1, 4) ? le::U32(data + offset) : 0;
}

std::int16_t EmfRecord::I16(std::uint32_t offset) const {
  return Holds(offset, 1, 2) ? le::I16(data + offset) : 0;
}

float EmfRecord::F32(std::uint32_t offset) const {
  const std::uint32_t bits = U32(offset);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

bool ReadRecordLogFont(const EmfRecord& r, LogFont* font) {
  // LOGFONTW: five i32, eight bytes, 32 UTF-16 units of face name.
  if (!r.Holds(12, 1, 92)) return false;
  font->height = r.I32(12);
  font->width = r.I32(16);
  font->escapement = r.I32(20);
  font->orientation = r.I32(24);
  font->weight = r.I32(28);
  font->italic = r.U8(32);
  font->underline = r.U8(33);
  font->strikeOut = r.U8(34);
  font->charSet = r.U8(35);
  font->outPrecision = r.U8(36);
  font->clipPrecision = r.U8(37);
  font->quality = r.U8(38);
  font->pitchAndFamily = r.U8(39);
  for (int i = 0; i < kLfFaceSize; ++i) font->faceName[i] = char16_t(le::U16(r.data + 40 + 2 * i));
  font->faceName[kLfFaceSize - 1] = 0;
  return true;
}

bool HandleTable::Store(std::uint32_t index, Object object) {
  if (index == 0 || index >= objects_.size()) return false;
  objects_[index] = std::move(object);
  return true;
}

const HandleTable::Object* HandleTable::Get(std::uint32_t index) const {
  if (index == 0 || index >= objects_.size()) return nullptr;
  return &objects_[index];
}

void HandleTable::Delete(std::uint32_t index) {
  if (index != 0 && index < objects_.size()) objects_[index] = std::monostate{};
}

namespace emf_play {

XForm PageTransform(const EmfMappingState& m) {
  const double sx = m.viewportExt.x / m.windowExt.x, sy = m.viewportExt.y / m.windowExt.y;
  return XForm{sx, 0, 0, sy, m.viewportOrg.x - m.windowOrg.x * sx, m.viewportOrg.y - m.windowOrg.y * sy};
}

XForm LogicalToMetafileDevice(const EmfMappingState& m) { return CombineTransform(m.world, PageTransform(m)); }

}  // namespace emf_play

void ApplyEmfMapping(TDC& dc, const HandleTable& table) {
  const XForm logical = emf_play::LogicalToMetafileDevice(table.mapping);
  dc.SetWorldTransform(CombineTransform(CombineTransform(logical, table.fit), table.initialWorld));
}

bool EnumEnhMetaFile(TDC& dc, const EmfDocument& emf, EnhMetaFileProc proc, std::intptr_t data, const TRect* rect,
                     EmfPlayStats* stats) {
  const EmfHeaderInfo& h = emf.Header();
  HandleTable table(h.handles);
  table.pixelsPerMmX = h.deviceWidthMm > 0 && h.deviceWidth > 0 ? double(h.deviceWidth) / h.deviceWidthMm : 96 / 25.4;
  table.pixelsPerMmY =
      h.deviceHeightMm > 0 && h.deviceHeight > 0 ? double(h.deviceHeight) / h.deviceHeightMm : 96 / 25.4;
  // The frame (0.01 mm) on the reference device, onto the rectangle.
  double left = h.frame.left * table.pixelsPerMmX / 100.0, top = h.frame.top * table.pixelsPerMmY / 100.0;
  double width = (double(h.frame.right) - h.frame.left) * table.pixelsPerMmX / 100.0;
  double height = (double(h.frame.bottom) - h.frame.top) * table.pixelsPerMmY / 100.0;
  if (width == 0 || height == 0) {
    left = h.bounds.left;
    top = h.bounds.top;
    width = double(h.bounds.right) - h.bounds.left;
    height = double(h.bounds.bottom) - h.bounds.top;
  }
  if (rect) {
    if (width == 0 || height == 0) return true;  // nothing to place
    const double sx = (double(rect->right) - rect->left) / width, sy = (double(rect->bottom) - rect->top) / height;
    table.fit = XForm{sx, 0, 0, sy, rect->left - left * sx, rect->top - top * sy};
  }
  // A right-to-left layout mirrors the picture in its place: about the
  // vertical line through the placed frame's centre, not the device's.
  const double axis = table.fit.Apply({left + width / 2, top}).x;
  table.fitLeftToRight = table.fit;
  table.fitRightToLeft = CombineTransform(table.fit, XForm{-1, 0, 0, 1, 2 * axis, 0});
  table.initialWorld = dc.GetWorldTransform();
  table.initialToDevice = dc.GetLogicalToDevice();
  table.hadClip = dc.GetClipRgn(&table.initialClip) == 1;
  const int depth = dc.SaveDC();
  if (depth == 0) return false;
  table.baseDepth = depth;
  bool completed = true;
  if (dc.SetGraphicsMode(kGmAdvanced) != 0) {
    ApplyEmfMapping(dc, table);
    std::uint32_t offset = 0, count = 0;
    // A context watched by an abort procedure (a window's paint that gives
    // way to input, a print job) hears from it every so many drawing
    // operations; but one record may cost as much as a thousand others (a
    // flood fill over the window, a large stretched picture), so between
    // records it is asked by the clock as well, and once it has given up
    // the rest of the picture is not walked.
    const bool watched = bool(dc.GetAbortProc());
    constexpr auto kAskEvery = std::chrono::milliseconds(5);
    auto nextAsk = watched ? std::chrono::steady_clock::now() + kAskEvery : std::chrono::steady_clock::time_point{};
    while (offset + 8 <= emf.Size()) {
      const std::uint32_t size = le::U32(emf.Data() + offset + 4);
      if (size < 8 || size > emf.Size() - offset) break;  // validated; kept as a guard
      const EmfRecord record{emf.Data() + offset, size};
      ++count;
      const int go = proc ? proc(dc, table, record, int(table.Count()), data)
                          : (PlayEnhMetaFileRecord(dc, table, record, table.Count()), 1);
      if (!go) {
        completed = false;
        break;
      }
      if (record.Type() == kEmrEof) break;
      offset += size;
      if (watched) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= nextAsk) {
          nextAsk = now + kAskEvery;
          dc.QueryAbort();
        }
        if (dc.Aborted()) {
          completed = false;
          break;
        }
      }
    }
    if (stats) {
      stats->records = count;
      stats->emfPlusComments = table.emfPlusComments;
      stats->unplayed = table.unplayed;
    }
  }
  if (dc.IsPathOpen() || dc.HasClosedPath()) dc.AbortPath();
  dc.RestoreDC(depth);
  return completed;
}

bool DrawsOnlyInEmfPlus(const EmfDocument& emf) {
  bool plus = false;
  std::uint32_t offset = 0;
  while (offset + 8 <= emf.Size()) {
    const std::uint32_t size = le::U32(emf.Data() + offset + 4);
    if (size < 8 || size > emf.Size() - offset) break;  // validated; kept as a guard
    const EmfRecord record{emf.Data() + offset, size};
    if (emf_play::IsDrawingRecord(record.Type())) return false;
    if (record.Type() == U_EMR_COMMENT && record.U32(8) >= 4 && record.U32(12) == kEmfPlusCommentSignature) plus = true;
    if (record.Type() == kEmrEof) break;
    offset += size;
  }
  return plus;
}

}  // namespace kvn
