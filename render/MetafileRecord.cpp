// The metafile-drawing callback: every font of the metafile takes the font
// quality the output asks for (3: no anti-aliasing).
#include "platform/gdi/GdiObjects.h"
#include "platform/metafile/EmfPlayer.h"
#include "render/GdiOutput.h"

namespace kvn {

namespace {
constexpr std::uint32_t kEmrExtCreateFontIndirectW = 82;
}

int PlayMetafileRecord(TDC& dc, HandleTable& table, const EmfRecord& record, int handleCount, std::intptr_t quality) {
  if (record.Type() != kEmrExtCreateFontIndirectW) {
    PlayEnhMetaFileRecord(dc, table, record, unsigned(handleCount));
    return 1;
  }
  LogFont font;
  const std::uint32_t index = record.U32(8);
  // A handle index beyond the table is a damaged record: it is passed over
  // rather than written past the table.
  if (index >= std::uint32_t(handleCount) || !ReadRecordLogFont(record, &font) ||
      !table.Store(index, TFont([&] {
        font.quality = std::uint8_t(quality);
        return font;
      }()))) {
    ++table.unplayed;
  }
  return 1;
}

}  // namespace kvn
