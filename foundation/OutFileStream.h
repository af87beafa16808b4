// OutFileStream: writes a file through an 8192-byte buffer, or appends to a
// byte array in memory, or only counts.
//
// Buffered writes keep every full write of the buffer ending at a file
// position that is a multiple of the buffer size: after an unaligned start
// (an append, a seek, a flush) the first write is shortened to reach the next
// boundary, and whole multiples of the buffer size in a large write go
// straight from the caller's bytes. DeflateWriter compresses straight into the
// buffer (GetWriteWindow / CommitWritten).
//
// A stream is good while it is count-only, has a memory sink or has an open
// file. A failed write closes the file and keeps the system error code
// (SystemError.h); later writes are dropped. Messages appear only when a
// caller passes an owner to CheckOpen, Flush or Commit.
#pragma once

#include <cstdint>

#include "foundation/AString.h"
#include "foundation/GrowArray.h"
#include "foundation/LongPathFiles.h"
#include "foundation/StreamBufferPool.h"
#include "foundation/WString.h"

namespace kvn {

class cMsgDlg;

class OutFileStream {
 public:
  // Count-only streams and memory sinks open no file; otherwise the file is
  // created (or truncated), or with `append` opened at its end (it must exist).
  // A text stream (binary = false) drops every CR and writes every LF as CR LF.
  explicit OutFileStream(const WString& path, bool binary = true, bool countOnly = false, bool buffered = true,
                         bool append = false, ByteArray* memorySink = nullptr);
  // Appends to `sink` (grow-to-fit); the array must outlive the stream.
  static OutFileStream ToMemory(ByteArray& sink, bool buffered = true) {
    return OutFileStream(WString(), true, false, buffered, false, &sink);
  }
  // Writes nothing; positions and sizes advance as if it did.
  static OutFileStream CountOnly() { return OutFileStream(WString(), true, true, true, false, nullptr); }
  // Writes out what is buffered, then closes.
  virtual ~OutFileStream();
  OutFileStream(const OutFileStream&) = delete;
  OutFileStream& operator=(const OutFileStream&) = delete;

  void Write(const void* bytes, std::uint32_t n);
  // The bytes up to the terminator (null writes nothing).
  void WriteCStr(const char* cstr);
  void WriteAString(const AString& text);
  // The UTF-16 code units, 2 bytes each, least significant first; no mark, no terminator.
  void WriteWString(const WString& text);

  bool IsGood() const { return countOnly_ || memorySink_ != nullptr || file_.IsValid(); }
  // True when good; otherwise shows the cannot-save notice when an owner is given.
  bool CheckOpen(cMsgDlg* owner = nullptr);
  // Writes out the buffer; reports as CheckOpen.
  bool Flush(cMsgDlg* owner = nullptr);
  // Flush, then force the file's data to the disk; a failure closes the file.
  bool Commit(cMsgDlg* owner = nullptr);
  // Writes out the buffer and closes the file. False when no file was open or
  // the last bytes could not be written; memory and count-only streams only
  // write out the buffer (true).
  bool Close();
  // Closes the file without writing the buffer and deletes it, without a message.
  void CloseAndDelete();

  // Refused for memory sinks and beyond the size; writes out the buffer first.
  bool Seek(std::uint64_t pos);
  // Ends the file at the current position.
  bool Truncate();
  // FILETIME units; null leaves a time unchanged (Linux keeps no settable creation time).
  bool SetFileTime(const std::uint64_t* creation, const std::uint64_t* access, const std::uint64_t* write);

  // Attaches a pooled buffer to an unbuffered stream.
  void EnableBuffer();
  // Uses the caller's buffer (which must outlive its use) instead of the pooled
  // one; null or size 0 leaves the stream unbuffered. What was buffered is
  // written out first.
  void SetExternalBuffer(std::uint8_t* buffer, std::uint32_t size);

  // The free part of the buffer (written out first when full); null with
  // length 0 when the stream has no buffer or is not good.
  std::uint8_t* GetWriteWindow(std::uint32_t& length);
  // Accounts n bytes written into the window; refused when they do not fit.
  bool CommitWritten(std::uint32_t n);

  std::uint64_t Position() const { return position_; }
  // The highest position reached.
  std::uint64_t Size() const { return size_; }
  std::uint32_t LastError() const { return lastError_; }
  bool IsBinary() const { return binary_; }
  bool IsBuffered() const { return buffer() != nullptr; }
  bool IsCountOnly() const { return countOnly_; }
  const WString& Path() const { return path_; }

 private:
  std::uint8_t* buffer() const { return external_ ? external_ : pooled_.Get(); }
  void WriteBinary(const std::uint8_t* bytes, std::uint32_t n);
  // Hands bytes on to the sink or the file; a failed or short file write
  // keeps the error and closes the file.
  void WriteRaw(const std::uint8_t* bytes, std::uint32_t n);
  void WriteOutBuffer();
  void Advance(std::uint32_t n);

  FileHandle file_;
  bool binary_ = true;
  PooledStreamBuffer pooled_;
  std::uint32_t used_ = 0;
  std::uint32_t lastError_ = 0;
  std::uint64_t position_ = 0;
  std::uint64_t size_ = 0;
  WString path_;
  std::uint32_t bufferSize_ = kStreamBufferSize;
  std::uint8_t* external_ = nullptr;
  ByteArray* memorySink_ = nullptr;
  bool countOnly_ = false;
};

}  // namespace kvn
