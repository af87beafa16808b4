#include "platform/print/PrinterSettings.h"

#include <cstring>

namespace kvn {

namespace {

constexpr char kMagic[8] = {'K', 'V', 'N', 'P', 'R', 'S', 'E', 'T'};
// magic, version, size, fields, six 16-bit members, two resolutions, media length
constexpr std::size_t kFixedSize = 8 + 2 + 2 + 4 + 6 * 2 + 4 + 4 + 2;

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
}

// Bounded reads; any overrun makes the whole record fail.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  std::size_t left() const { return bytes_.size() - pos_; }
  std::uint16_t U16() {
    if (left() < 2) return Fail16();
    std::uint16_t v = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  std::uint32_t U32() {
    std::uint32_t lo = U16();
    std::uint32_t hi = U16();
    return lo | (hi << 16);
  }
  std::span<const std::uint8_t> Bytes(std::size_t n) {
    if (left() < n) {
      ok_ = false;
      return {};
    }
    auto s = bytes_.subspan(pos_, n);
    pos_ += n;
    return s;
  }

 private:
  std::uint16_t Fail16() {
    ok_ = false;
    pos_ = bytes_.size();
    return 0;
  }
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace

std::vector<std::uint8_t> PrinterSettings::Serialize() const {
  const std::size_t mediaLength = std::min(media.size(), kMaxMediaName);
  std::vector<std::uint8_t> out(kMagic, kMagic + sizeof kMagic);
  Put16(out, kVersion);
  Put16(out, static_cast<std::uint16_t>(kFixedSize + mediaLength));
  Put32(out, fields);
  for (std::int16_t v : {orientation, paperSize, copies, collate, color, std::int16_t{0}})
    Put16(out, static_cast<std::uint16_t>(v));
  Put32(out, static_cast<std::uint32_t>(resolutionX));
  Put32(out, static_cast<std::uint32_t>(resolutionY));
  Put16(out, static_cast<std::uint16_t>(mediaLength));
  out.insert(out.end(), media.begin(), media.begin() + static_cast<std::ptrdiff_t>(mediaLength));
  return out;
}

std::optional<PrinterSettings> PrinterSettings::Deserialize(std::span<const std::uint8_t> bytes) {
  Reader r(bytes);
  std::span<const std::uint8_t> magic = r.Bytes(sizeof kMagic);
  if (!r.ok() || std::memcmp(magic.data(), kMagic, sizeof kMagic) != 0) return std::nullopt;
  if (r.U16() != kVersion) return std::nullopt;
  if (r.U16() != bytes.size()) return std::nullopt;
  PrinterSettings s;
  s.fields = r.U32();
  s.orientation = static_cast<std::int16_t>(r.U16());
  s.paperSize = static_cast<std::int16_t>(r.U16());
  s.copies = static_cast<std::int16_t>(r.U16());
  s.collate = static_cast<std::int16_t>(r.U16());
  s.color = static_cast<std::int16_t>(r.U16());
  r.U16();  // reserved
  s.resolutionX = static_cast<std::int32_t>(r.U32());
  s.resolutionY = static_cast<std::int32_t>(r.U32());
  const std::uint16_t mediaLength = r.U16();
  if (!r.ok() || mediaLength > kMaxMediaName || r.left() != mediaLength) return std::nullopt;
  std::span<const std::uint8_t> media = r.Bytes(mediaLength);
  for (std::uint8_t b : media) {
    if (b < 0x20 || b >= 0x7F) return std::nullopt;  // medium names are printable ASCII
  }
  s.media.assign(media.begin(), media.end());
  if (s.orientation != kDmOrientPortrait && s.orientation != kDmOrientLandscape) return std::nullopt;
  if (s.copies < 1 || s.resolutionX < 0 || s.resolutionY < 0) return std::nullopt;
  return s;
}

}  // namespace kvn
