// PrinterSettings: what the program keeps of a printer's set-up, in place of
// the Windows DEVMODE block: the field bits, copies and collation, the
// orientation, the paper (its id and the spooler's medium name), the
// resolution and the colour mode. Filled from a queue's defaults, changed by
// the properties dialog, and stored as bytes (the "PrinterConfigData" value)
// in a versioned little-endian layout that is refused whole when damaged.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kvn {

// Field bits: which members a set-up defines (the DEVMODE dmFields values).
inline constexpr std::uint32_t kDmOrientation = 0x00000001;
inline constexpr std::uint32_t kDmPaperSize = 0x00000002;
inline constexpr std::uint32_t kDmCopies = 0x00000100;
inline constexpr std::uint32_t kDmPrintQuality = 0x00000400;
inline constexpr std::uint32_t kDmColor = 0x00000800;
inline constexpr std::uint32_t kDmYResolution = 0x00002000;
inline constexpr std::uint32_t kDmCollate = 0x00008000;

inline constexpr std::int16_t kDmOrientPortrait = 1;
inline constexpr std::int16_t kDmOrientLandscape = 2;
inline constexpr std::int16_t kDmColorMonochrome = 1;
inline constexpr std::int16_t kDmColorColor = 2;

struct PrinterSettings {
  std::uint32_t fields = 0;
  std::int16_t orientation = kDmOrientPortrait;
  // The paper id (paper-table id, or driver-defined from 256); 0 none.
  std::int16_t paperSize = 0;
  // The spooler's name of the medium (PWG, e.g. "iso_a4_210x297mm").
  std::string media;
  std::int16_t copies = 1;
  std::int16_t collate = 0;
  std::int16_t color = kDmColorColor;
  // Dots per inch; 0 when the queue names none.
  std::int32_t resolutionX = 0;
  std::int32_t resolutionY = 0;

  friend bool operator==(const PrinterSettings&, const PrinterSettings&) = default;

  // The stored form: "KVNPRSET", u16 version, u16 total size, then the members.
  std::vector<std::uint8_t> Serialize() const;
  // Nothing unless the bytes are exactly one record of this version.
  static std::optional<PrinterSettings> Deserialize(std::span<const std::uint8_t> bytes);

  static constexpr std::uint16_t kVersion = 1;
  static constexpr std::size_t kMaxMediaName = 255;
};

}  // namespace kvn
