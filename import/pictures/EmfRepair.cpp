#include "import/pictures/EmfRepair.h"

#include <algorithm>
#include <vector>

#include "platform/gdi/LeBytes.h"
#include "platform/metafile/EmfValidate.h"
#include "platform/metafile/ReadMetafileAsEmf.h"

namespace kvn {

namespace {

constexpr std::uint32_t kEofSize = 20;
// How far into the file the end of a damaged header is looked for.
constexpr std::uint64_t kHeaderSearch = 64 * 1024;
// The largest record type of the format (EMR_COLORMATCHTOPROFILEW etc.).
constexpr std::uint32_t kLastRecordType = 122;

std::unique_ptr<ByteArray> ToBytes(const std::vector<std::uint8_t>& bytes) {
  auto out = std::make_unique<ByteArray>();
  out->Append(bytes.data(), std::uint32_t(bytes.size()));
  return out;
}

// The bytes as they are, or cut before a broken record (or at the end of
// the records) and closed with EMR_EOF; null when neither validates.
std::unique_ptr<ByteArray> ValidOrClosed(std::vector<std::uint8_t> bytes) {
  // A damaged text record is dropped alone, not cut with all after it.
  std::uint64_t kept = bytes.size();
  DropUnfitTextRecords(bytes.data(), &kept);
  DropWideningsPastLimit(bytes.data(), &kept);
  bytes.resize(std::size_t(kept));
  EmfValidation v;
  const EmfCheck check = ValidateEmf(bytes.data(), bytes.size(), &v);
  if (check == EmfCheck::Ok) return ToBytes(bytes);
  if ((check != EmfCheck::BadRecord && check != EmfCheck::NoEof) || v.failedAt == 0) return nullptr;
  const std::uint64_t cut = v.failedAt;
  bytes.resize(std::size_t(cut) + kEofSize);
  std::uint8_t* eof = bytes.data() + cut;
  le::Put32(eof, kEmrEof);
  le::Put32(eof + 4, kEofSize);
  le::Put32(eof + 8, 0);          // no palette entries
  le::Put32(eof + 12, 16);        // where they would start
  le::Put32(eof + 16, kEofSize);  // the size again, at the end
  le::Put32(bytes.data() + 48, std::uint32_t(bytes.size()));
  le::Put32(bytes.data() + 52, v.recordCount + 1);
  if (ValidateEmf(bytes.data(), bytes.size()) != EmfCheck::Ok) return nullptr;
  return ToBytes(bytes);
}

// Whether a record of the format could start at `at`.
bool RecordCouldStart(const std::vector<std::uint8_t>& bytes, std::uint64_t at, std::uint64_t end) {
  if (at + 8 > end) return false;
  const std::uint32_t type = le::U32(bytes.data() + at), size = le::U32(bytes.data() + at + 4);
  return type > kEmrHeader && type <= kLastRecordType && size >= 8 && size % 4 == 0 && size <= end - at;
}

}  // namespace

std::unique_ptr<ByteArray> RepairEmf(const std::uint8_t* data, std::uint64_t size) {
  if (!data || !HasEmfSignature(data, size) || size < kEmfHeaderMinSize || size > kMaxMetafileBytes) return nullptr;
  std::vector<std::uint8_t> bytes(data, data + size);
  const std::uint64_t total = le::U32(bytes.data() + 48);
  const std::uint64_t end = total >= kEmfHeaderMinSize && total <= size ? total : size & ~std::uint64_t(3);
  bytes.resize(std::size_t(end));
  le::Put32(bytes.data() + 48, std::uint32_t(end));

  const std::uint32_t headerSize = le::U32(bytes.data() + 4);
  if (headerSize >= kEmfHeaderMinSize && headerSize % 4 == 0 && headerSize < end) {
    if (std::unique_ptr<ByteArray> closed = ValidOrClosed(bytes)) return closed;
  }
  // The header's size is wrong: the first place after which the records run
  // whole to the end is taken as its end.
  for (std::uint64_t at = kEmfHeaderMinSize; at < std::min(end, kHeaderSearch); at += 4) {
    if (!RecordCouldStart(bytes, at, end)) continue;
    le::Put32(bytes.data() + 4, std::uint32_t(at));
    if (ValidateEmf(bytes.data(), bytes.size()) == EmfCheck::Ok) return ToBytes(bytes);
  }
  return nullptr;
}

}  // namespace kvn
