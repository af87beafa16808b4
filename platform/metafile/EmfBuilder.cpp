#include "platform/metafile/EmfBuilder.h"

#include <uemf.h>

#include <cstdlib>
#include <cstring>

#include "platform/gdi/LeBytes.h"

namespace kvn {

namespace {

std::uint64_t Pad4(std::uint64_t n) { return (n + 3) & ~std::uint64_t(3); }

}  // namespace

void EmfBuilder::Take(char* record) {
  if (record == nullptr) {
    failed_ = true;
    return;
  }
  const auto* rec = reinterpret_cast<const std::uint8_t*>(record);
  const std::uint32_t size = le::U32(rec + 4);
  if (std::uint8_t* dst = Add(le::U32(rec), size)) std::memcpy(dst, rec, size);
  std::free(record);
}

std::uint8_t* EmfBuilder::Add(std::uint32_t type, std::uint64_t size) {
  size = Pad4(size);
  if (failed_ || size < 8 || bytes_.Count() + size > budget_ || bytes_.Count() + size > 0xFFFFFFFFull) {
    failed_ = true;
    return nullptr;
  }
  const std::uint32_t at = bytes_.Count();
  bytes_.SetCount(at + std::uint32_t(size));
  std::uint8_t* rec = bytes_.Items() + at;
  std::memset(rec, 0, std::size_t(size));
  le::Put32(rec, type);
  le::Put32(rec + 4, std::uint32_t(size));
  ++records_;
  return rec;
}

std::uint8_t* EmfBuilder::AddWithDib(std::uint32_t type, std::uint32_t fixedSize, const DibParts& dib,
                                     std::uint32_t offsetsAt) {
  const std::uint64_t bmiAt = fixedSize;
  const std::uint64_t bitsAt = bmiAt + Pad4(dib.bmiSize);
  std::uint8_t* rec = Add(type, bitsAt + Pad4(dib.bitsSize));
  if (rec == nullptr) return nullptr;
  if (dib.bmiSize) std::memcpy(rec + bmiAt, dib.bmi, dib.bmiSize);
  if (dib.bitsSize) std::memcpy(rec + bitsAt, dib.bits, dib.bitsSize);
  le::Put32(rec + offsetsAt, std::uint32_t(bmiAt));
  le::Put32(rec + offsetsAt + 4, dib.bmiSize);
  le::Put32(rec + offsetsAt + 8, std::uint32_t(bitsAt));
  le::Put32(rec + offsetsAt + 12, dib.bitsSize);
  return rec;
}

bool EmfBuilder::Finish(std::uint16_t handles) {
  EMFTRACK track{};  // the EOF writer only reads the palette count from it
  Take(U_EMREOF_set(0, nullptr, &track));
  if (failed_ || bytes_.Count() < 88) return false;
  std::uint8_t* header = bytes_.Items();
  le::Put32(header + 48, bytes_.Count());
  le::Put32(header + 52, records_);
  le::Put16(header + 56, handles);
  return true;
}

}  // namespace kvn
