// The variables of the header-variables section in the order of each
// release, as one table: the reader walks it, and the test writer walks the
// same table to write a section the reader must accept.
#pragma once

#include <cstdint>
#include <span>

namespace kvn {

// H5 and H3: handle references with expected code 5 or 3. CEPSN: a BS
// followed by a handle when it is 3. HANDSEED: a handle read in place.
enum class DwgHeaderVar : std::uint8_t { B, BS, BL, BLL, BD, RC, RD, TV, H5, H3, CMC, HANDSEED, CEPSN };

// The values kept; the order of the handle ones is fixed (see the reader).
enum class DwgHeaderKeep : std::uint8_t {
  None,
  Lunits,
  Luprec,
  Aunits,
  Auprec,
  LtScale,
  PaperSpace,
  ModelSpace,
  ByLayer,
  ByBlock,
  Continuous,
};

struct DwgHeaderRow {
  DwgHeaderVar type;
  std::uint8_t count;
  std::uint8_t firstRelease;
  std::uint8_t lastRelease;
  DwgHeaderKeep keep;
};

std::span<const DwgHeaderRow> DwgHeaderVariableRows();
bool DwgHeaderRowApplies(const DwgHeaderRow& row, int release);
// The start sentinel of the section.
std::span<const std::uint8_t, 16> DwgHeaderSentinel();
// Whether a high size follows the size field (section headers of the
// releases whose sizes may pass 4 GB).
bool DwgHasHighSize(int release, int maintenance);

}  // namespace kvn
