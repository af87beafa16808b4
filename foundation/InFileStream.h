// InFileStream: reads a file, a byte array in memory, or another source
// stream, through one 8192-byte block buffer, with 64-bit sizes and positions.
//
// Buffered protocol: the block buffer holds the file's bytes from `block
// start` (a multiple of 8192) on, min(8192, size - block start) of them; the
// position is block start + offset in block. A large read copies the rest of
// the current block, reads every whole 8192-byte block it still needs
// straight into the caller's buffer and copies the tail from the next block,
// so bulk data is copied once. The first block is loaded on first use.
// A file read block after block is read ahead a megabyte at a time, and its
// blocks are then served from that read-ahead: one system call per megabyte
// instead of one per block (where system calls are dear, a 40 MB drawing
// spent a third of a second in them).
// InflateReader works in the block itself (GetReadWindow / ConsumeWindow).
//
// No exceptions: a failed open or read leaves the stream not open with the
// system error code (SystemError.h) kept; reads then deliver 0.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/GrowArray.h"
#include "foundation/LongPathFiles.h"
#include "foundation/StreamBufferPool.h"
#include "foundation/WString.h"

namespace kvn {

class cMsgDlg;

// Another stream an InFileStream can read from. Read delivers up to n bytes
// from the current position. AtEnd means "ran dry": an implementation sets it
// when a read delivers fewer bytes than asked, and the InFileStream then
// counts as not open (it also remembers the short read itself).
class SourceStream {
 public:
  virtual ~SourceStream() = default;
  virtual std::uint32_t Read(void* buffer, std::uint32_t n) = 0;
  virtual bool Seek(std::uint64_t pos) = 0;
  virtual std::uint32_t Size() const = 0;
  virtual bool AtEnd() const = 0;
};

class InFileStream {
 public:
  // Opens `path` (which must exist) unless a memory array or a source stream
  // is given; then the path is only a name for messages. read-only = false
  // opens the file for reading and writing.
  explicit InFileStream(const WString& path, bool readOnly = true, ByteArray* memory = nullptr,
                        bool noBuffer = false, SourceStream* source = nullptr);
  // Reads the bytes of `bytes` as they are now (its count is the size); the
  // array must outlive the stream.
  static InFileStream FromMemory(ByteArray& bytes, bool noBuffer = false) {
    return InFileStream(WString(), true, &bytes, noBuffer, nullptr);
  }
  static InFileStream FromSource(SourceStream& source, bool noBuffer = false) {
    return InFileStream(WString(), true, nullptr, noBuffer, &source);
  }
  ~InFileStream();
  InFileStream(const InFileStream&) = delete;
  InFileStream& operator=(const InFileStream&) = delete;

  bool IsOpen() const;
  // Not open, or the position has reached the size.
  bool Eof() const;
  // True when open; otherwise shows the cannot-open notice when an owner is given.
  bool CheckOpen(cMsgDlg* owner);

  // Up to n bytes, cut to what is left; 0 at the end or on failure.
  std::uint32_t Read(void* buffer, std::uint32_t n);
  // One byte, 0 when nothing could be read.
  std::uint8_t ReadByte();
  std::uint8_t ReadChar() { return ReadByte(); }
  // Refused when not open or beyond the size.
  bool Seek(std::uint64_t pos);
  // Back to position 0; the first block is loaded again on next use.
  void Rewind();
  // False when not open or at the end (even for 0); else whether count x size
  // bytes are left (a product beyond 64 bits is never left).
  bool CanRead(std::uint64_t count, std::uint64_t size) const;

  // The unread part of the current block (loading the next block when this one
  // is used up); length 0 at the end, on failure or for an unbuffered stream.
  const std::uint8_t* GetReadWindow(std::uint32_t& length);
  // Takes n bytes off the window; refuses (false) more than the block holds.
  bool ConsumeWindow(std::uint32_t n);

  // Platform times of the open file in FILETIME units; false without a file.
  bool GetFileTime(std::uint64_t* creation, std::uint64_t* access, std::uint64_t* write) const;

  std::uint64_t Position() const { return blockStart_ + offset_; }
  std::uint64_t Size() const { return size_; }
  std::uint32_t LastError() const { return lastError_; }
  bool IsBuffered() const { return static_cast<bool>(block_); }
  // Bytes handed out by reads since construction or the last seek to 0.
  std::uint64_t BytesDelivered() const { return delivered_; }
  const WString& Path() const { return path_; }
  // Blocks served from the read-ahead since construction (for tests).
  std::uint64_t BlocksReadAhead() const { return blocksReadAhead_; }

 private:
  static constexpr std::uint32_t kMemoryOverrun = 0xFFFFFFFF;
  // Blocks loaded one after another before the file is read ahead, and how
  // much is read ahead (a whole number of blocks).
  static constexpr std::uint32_t kBlocksBeforeReadAhead = 3;
  static constexpr std::uint32_t kReadAheadSize = 128 * kStreamBufferSize;

  std::uint32_t BlockLength() const;
  // Loads min(8192, size - block start) bytes at block start into the block.
  bool LoadBlock();
  // For a file read block after block: points the block into the read-ahead
  // (reading the next megabyte when it does not hold the block); false when
  // the block is to be read alone.
  bool LoadBlockAhead(std::uint32_t length);
  bool EnsureFirstBlock();
  // Reads exactly n bytes at `pos` from the file, memory or source stream;
  // any failure or short read closes the stream.
  bool RawReadAt(std::uint64_t pos, void* buffer, std::uint32_t n);

  FileHandle file_;
  SourceStream* source_ = nullptr;
  PooledStreamBuffer block_;
  // The current block's bytes: the pooled buffer, or a part of the read-ahead.
  const std::uint8_t* blockData_ = nullptr;
  std::unique_ptr<std::uint8_t[]> ahead_;
  std::uint32_t aheadCapacity_ = 0;
  std::uint64_t aheadStart_ = 0;
  std::uint32_t aheadLength_ = 0;
  // Where the next block of a run of blocks loaded one after another starts,
  // and how long the run is.
  std::uint64_t nextInRun_ = ~std::uint64_t(0);
  std::uint32_t run_ = 0;
  std::uint64_t blocksReadAhead_ = 0;
  std::uint64_t size_ = 0;
  std::uint64_t blockStart_ = 0;
  std::uint32_t offset_ = 0;
  bool blockNotLoaded_ = true;
  std::uint32_t lastError_ = 0;
  std::uint64_t delivered_ = 0;
  WString path_;
  ByteArray* memory_ = nullptr;
  std::uint32_t memoryPos_ = 0;
  // Where the source stream stands, to seek it only when a read jumps.
  std::uint64_t sourcePos_ = 0;
  bool sourceShort_ = false;
};

}  // namespace kvn
