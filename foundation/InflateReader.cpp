#include "foundation/InflateReader.h"

#include <zlib.h>

#include "foundation/InFileStream.h"
#include "foundation/StreamCrc.h"

namespace kvn {

InflateReader::InflateReader(InFileStream* input, int mode)
    : input_(input), crc_(kStreamCrcStart), zs_(std::make_unique<z_stream_s>()) {
  if (!input_ || mode != 1) {
    good_ = false;
    return;
  }
  // Loads the first block if the stream has not touched its file yet.
  std::uint32_t length = 0;
  input_->GetReadWindow(length);
  if (inflateInit2_(zs_.get(), -15, ZLIB_VERSION, int(sizeof(z_stream))) != Z_OK) {
    good_ = false;
    return;
  }
  zlibOpen_ = true;
}

InflateReader::~InflateReader() {
  if (zlibOpen_) inflateEnd(zs_.get());
}

std::uint32_t InflateReader::Read(void* buffer, std::uint32_t n) {
  return ReadImpl(static_cast<std::uint8_t*>(buffer), n, true);
}

std::uint32_t InflateReader::ReadDirect(void* buffer, std::uint32_t n) {
  return ReadImpl(static_cast<std::uint8_t*>(buffer), n, false);
}

std::uint32_t InflateReader::ReadImpl(std::uint8_t* buffer, std::uint32_t n, bool lookAhead) {
  if (!good_ || n == 0) return 0;
  if (ended_) {
    if (n == 1 && hasLookAhead_) {
      hasLookAhead_ = false;
      buffer[0] = lookAhead_;
      return 1;
    }
    good_ = false;
    return 0;
  }
  std::uint32_t delivered = 0;
  if (hasLookAhead_) {
    hasLookAhead_ = false;
    buffer[0] = lookAhead_;
    delivered = 1;
  }
  if (delivered < n) {
    std::uint32_t produced = 0;
    Result r = Inflate(buffer + delivered, n - delivered, produced);
    if (r == Result::Failed) {
      // What was inflated is not vouched for by the trailer: hand back nothing of it.
      good_ = false;
      return delivered;
    }
    delivered += produced;
    if (r == Result::Ended) return delivered;
  }
  if (lookAhead) {
    std::uint32_t produced = 0;
    Result r = Inflate(&lookAhead_, 1, produced);
    if (r == Result::Failed) {
      good_ = false;
    } else {
      hasLookAhead_ = produced == 1;
    }
  }
  return delivered;
}

InflateReader::Result InflateReader::Inflate(std::uint8_t* out, std::uint32_t capacity, std::uint32_t& produced) {
  produced = 0;
  z_stream_s& zs = *zs_;
  zs.next_out = out;
  zs.avail_out = capacity;
  while (zs.avail_out > 0) {
    // The window is fetched afresh for every call: the stream's offset is the
    // only record of what zlib has taken, so nothing stale can be fed twice.
    if (!input_->IsOpen() || !input_->IsBuffered()) return Result::Failed;
    std::uint32_t length = 0;
    const std::uint8_t* window = input_->GetReadWindow(length);
    if (!window || length == 0) return Result::Failed;
    zs.next_in = const_cast<Bytef*>(window);  // zlib never writes its input
    zs.avail_in = length;
    std::uint32_t outBefore = zs.avail_out;
    int r = inflate(&zs, Z_NO_FLUSH);
    std::uint32_t taken = length - zs.avail_in;
    zs.next_in = nullptr;
    zs.avail_in = 0;
    std::uint32_t made = outBefore - zs.avail_out;
    if (r == Z_NEED_DICT || r == Z_STREAM_ERROR || r == Z_DATA_ERROR || r == Z_MEM_ERROR) return Result::Failed;
    if (taken > length || !input_->ConsumeWindow(taken)) return Result::Failed;
    consumed_ += taken;
    crc_ = UpdateStreamCrc(crc_, out + produced, made);
    produced += made;
    if (r == Z_STREAM_END) {
      if (!ReadTrailer()) return Result::Failed;
      ended_ = true;
      return Result::Ended;
    }
    // With input and room zlib always moves; a call that did neither would loop forever.
    if (taken == 0 && made == 0) return Result::Failed;
  }
  return Result::Filled;
}

bool InflateReader::ReadTrailer() {
  std::uint8_t b[4];
  if (input_->Read(b, 4) != 4) return false;
  std::uint32_t stored = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                         std::uint32_t(b[3]) << 24;
  return stored == crc_;
}

}  // namespace kvn
