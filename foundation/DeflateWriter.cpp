#include "foundation/DeflateWriter.h"

#include <zlib.h>

#include "foundation/OutFileStream.h"
#include "foundation/StreamCrc.h"

namespace kvn {

namespace {
// Window bits: negative selects raw deflate without header or check.
constexpr int kRawWindowBits = -15;
constexpr int kZlibWindowBits = 15;
constexpr int kMemLevel = 8;
}  // namespace

DeflateWriter::DeflateWriter(OutFileStream* output, int mode)
    : output_(output), crc_(kStreamCrcStart), zs_(std::make_unique<z_stream_s>()), mode_(mode) {
  if (!output_ || mode < 0 || mode > 2) {
    good_ = false;
    return;
  }
  int r = deflateInit2_(zs_.get(), Z_DEFAULT_COMPRESSION, Z_DEFLATED, mode == 2 ? kZlibWindowBits : kRawWindowBits,
                        kMemLevel, Z_DEFAULT_STRATEGY, ZLIB_VERSION, int(sizeof(z_stream)));
  if (r != Z_OK) {
    good_ = false;
    return;
  }
  zlibOpen_ = true;
  if (mode == 0) {
    const std::uint8_t marker = 0x01;
    output_->Write(&marker, 1);
  }
}

DeflateWriter::~DeflateWriter() {
  if (good_) Finish();
  EndZlib();
}

void DeflateWriter::EndZlib() {
  if (!zlibOpen_) return;
  deflateEnd(zs_.get());
  zlibOpen_ = false;
}

bool DeflateWriter::Fail() {
  good_ = false;
  EndZlib();
  return false;
}

bool DeflateWriter::Write(const void* bytes, std::uint32_t n, bool finish) {
  if (!good_) return false;
  crc_ = UpdateStreamCrc(crc_, bytes, n);
  // zlib's input pointer is not const in older headers; it never writes through it.
  zs_->next_in = static_cast<Bytef*>(const_cast<void*>(bytes));
  zs_->avail_in = n;
  for (;;) {
    std::uint32_t length = 0;
    std::uint8_t* window = output_->GetWriteWindow(length);
    if (!window || length == 0) return Fail();
    zs_->next_out = window;
    zs_->avail_out = length;
    int r = deflate(zs_.get(), finish ? Z_FINISH : Z_NO_FLUSH);
    if (r == Z_STREAM_ERROR) return Fail();
    std::uint32_t produced = length - zs_->avail_out;
    if (!output_->CommitWritten(produced) || !output_->IsGood()) return Fail();
    if (r == Z_STREAM_END || zs_->avail_out != 0) break;
  }
  zs_->next_in = nullptr;
  zs_->avail_in = 0;
  return true;
}

bool DeflateWriter::Finish() {
  if (good_) {
    if (!Write(nullptr, 0, true)) return false;
    good_ = false;
    EndZlib();
    if (mode_ != 2) {
      const std::uint8_t trailer[4] = {std::uint8_t(crc_), std::uint8_t(crc_ >> 8), std::uint8_t(crc_ >> 16),
                                       std::uint8_t(crc_ >> 24)};
      output_->Write(trailer, 4);
    }
    finished_ = true;
  }
  return finished_ && output_->IsGood();
}

}  // namespace kvn
