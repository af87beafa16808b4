// DeflateWriter: compresses bytes into an OutFileStream with zlib, straight
// into the stream's buffer (OutFileStream::GetWriteWindow / CommitWritten),
// keeping the stream CRC (StreamCrc.h) of the uncompressed bytes.
//
// Modes, as the archive codec switches them on in the middle of a stream:
//   0: the byte 0x01, raw deflate data, the 4-byte CRC trailer;
//   1: raw deflate data, the 4-byte CRC trailer;
//   2: zlib-wrapped data (header and its own Adler-32), no trailer.
// The output stream must be buffered. A failure of the output stream makes the
// writer not good; nothing is shown.
#pragma once

#include <cstdint>
#include <memory>

struct z_stream_s;

namespace kvn {

class OutFileStream;

class DeflateWriter {
 public:
  // `output` is not owned and must outlive the writer.
  DeflateWriter(OutFileStream* output, int mode);
  // Finishes the stream when still good.
  ~DeflateWriter();
  DeflateWriter(const DeflateWriter&) = delete;
  DeflateWriter& operator=(const DeflateWriter&) = delete;

  // Compresses n bytes; `finish` ends the compressed data. False once not good.
  bool Write(const void* bytes, std::uint32_t n, bool finish = false);
  // Ends the compressed data and writes the trailer (modes 0 and 1). True
  // when the stream was completed and the output is still good; the writer
  // is no longer good afterwards (nothing more can be written).
  bool Finish();
  bool IsGood() const { return good_; }
  int Mode() const { return mode_; }
  // The CRC of the bytes written so far.
  std::uint32_t Crc() const { return crc_; }

 private:
  bool Fail();
  void EndZlib();

  OutFileStream* output_;
  bool good_ = true;
  std::uint32_t crc_;
  std::unique_ptr<z_stream_s> zs_;
  int mode_;
  bool zlibOpen_ = false;
  bool finished_ = false;
};

}  // namespace kvn
