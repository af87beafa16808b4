// InflateReader: decompresses a mode-1 sub-stream (raw deflate data followed
// by the 4-byte stream CRC, see DeflateWriter) out of an InFileStream, taking
// its input straight from the stream's current block (GetReadWindow /
// ConsumeWindow). zlib stops exactly at the end of the deflate data, so once
// the end and its trailer have been read the input stream stands right after
// the trailer and its owner can go on reading there.
//
// One byte is inflated ahead whenever a read fills the caller's buffer, so
// that the end of the data is noticed as soon as its last byte is delivered.
// Corrupt data, a wrong or missing trailer, a short input or a read after the
// end make the reader not good for good; a failed read delivers only a
// look-ahead byte kept from before.
#pragma once

#include <cstdint>
#include <memory>

struct z_stream_s;

namespace kvn {

class InFileStream;

class InflateReader {
 public:
  // `input` is not owned and must outlive the reader; it must be buffered.
  // Only mode 1 can be read: any other mode makes the reader not good.
  InflateReader(InFileStream* input, int mode);
  ~InflateReader();
  InflateReader(const InflateReader&) = delete;
  InflateReader& operator=(const InflateReader&) = delete;

  // Up to n decompressed bytes; fewer only at the end of the data or on failure.
  std::uint32_t Read(void* buffer, std::uint32_t n);
  // The same, but never inflating a byte ahead (a byte kept from an earlier
  // Read is still delivered first).
  std::uint32_t ReadDirect(void* buffer, std::uint32_t n);

  bool IsGood() const { return good_; }
  // The end of the data and a matching trailer have been read.
  bool Ended() const { return ended_; }
  // Compressed bytes taken from the input (the trailer not included).
  std::uint64_t CompressedConsumed() const { return consumed_; }

 private:
  enum class Result { Filled, Ended, Failed };
  std::uint32_t ReadImpl(std::uint8_t* buffer, std::uint32_t n, bool lookAhead);
  // Inflates into out[0..capacity); `produced` gets the bytes made.
  Result Inflate(std::uint8_t* out, std::uint32_t capacity, std::uint32_t& produced);
  bool ReadTrailer();

  bool good_ = true;
  InFileStream* input_;
  bool hasLookAhead_ = false;
  std::uint8_t lookAhead_ = 0;
  std::uint32_t crc_;
  bool ended_ = false;
  std::uint64_t consumed_ = 0;
  std::unique_ptr<z_stream_s> zs_;
  bool zlibOpen_ = false;
};

}  // namespace kvn
