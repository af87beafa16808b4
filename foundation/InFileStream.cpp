#include "foundation/InFileStream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "foundation/MsgBox.h"
#include "foundation/SystemError.h"

namespace kvn {

namespace {
constexpr std::uint64_t kBlockMask = ~std::uint64_t(kStreamBufferSize - 1);
}  // namespace

InFileStream::InFileStream(const WString& path, bool readOnly, ByteArray* memory, bool noBuffer,
                           SourceStream* source)
    : source_(source), path_(path), memory_(memory) {
  if (!noBuffer) block_ = PooledStreamBuffer::Take();
  if (source_) {
    size_ = source_->Size();
    if (!source_->Seek(0)) {
      sourceShort_ = true;
      lastError_ = kErrorSeek;
    }
    return;
  }
  if (memory_) {
    size_ = memory_->Count();
    return;
  }
  file_ = CreateFileLong(path, readOnly ? FileAccess::Read : FileAccess::ReadWrite, FileDisposition::OpenExisting);
  if (!file_.IsValid()) {
    lastError_ = file_.Error();
    return;
  }
  struct stat st;
  if (::fstat(file_.Fd(), &st) != 0 || st.st_size < 0) {
    lastError_ = LastSystemError();
    file_.Close();
    return;
  }
  size_ = std::uint64_t(st.st_size);
}

InFileStream::~InFileStream() = default;

bool InFileStream::IsOpen() const {
  if (source_) return !sourceShort_ && !source_->AtEnd();
  if (memory_) return memoryPos_ != kMemoryOverrun;
  return file_.IsValid();
}

bool InFileStream::Eof() const { return !IsOpen() || Position() >= size_; }

bool InFileStream::CheckOpen(cMsgDlg* owner) {
  if (IsOpen()) return true;
  if (owner) ShowCannotOpenFile(owner, path_, GetSystemErrorText(lastError_));
  return false;
}

std::uint32_t InFileStream::BlockLength() const {
  return std::uint32_t(std::min<std::uint64_t>(kStreamBufferSize, size_ - std::min(size_, blockStart_)));
}

bool InFileStream::RawReadAt(std::uint64_t pos, void* buffer, std::uint32_t n) {
  if (n == 0) return true;
  auto* out = static_cast<std::uint8_t*>(buffer);

  if (memory_) {
    if (memoryPos_ == kMemoryOverrun) return false;
    // The array may have shrunk since the stream was made: never read past its count.
    std::uint32_t count = memory_->Count();
    if (pos > count || n > count - pos) {
      memoryPos_ = kMemoryOverrun;
      lastError_ = kErrorHandleEof;
      return false;
    }
    std::memcpy(out, memory_->Items() + pos, n);
    memoryPos_ = std::uint32_t(pos) + n;
    return true;
  }

  if (source_) {
    if (!IsOpen()) return false;
    if (sourcePos_ != pos) {
      if (!source_->Seek(pos)) {
        sourceShort_ = true;
        lastError_ = kErrorSeek;
        return false;
      }
      sourcePos_ = pos;
    }
    std::uint32_t got = source_->Read(out, n);
    if (got != n) {
      sourceShort_ = true;
      lastError_ = kErrorHandleEof;
      return false;
    }
    sourcePos_ += got;
    return true;
  }

  if (!file_.IsValid()) return false;
  std::uint32_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(file_.Fd(), out + done, n - done, off_t(pos + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      // A file that shrank under us reads short: as fatal as an I/O error.
      lastError_ = r < 0 ? LastSystemError() : kErrorHandleEof;
      file_.Close();
      return false;
    }
    done += std::uint32_t(r);
  }
  return true;
}

bool InFileStream::LoadBlockAhead(std::uint32_t length) {
  run_ = blockStart_ == nextInRun_ ? run_ + 1 : 0;
  nextInRun_ = blockStart_ + kStreamBufferSize;
  const bool held = blockStart_ >= aheadStart_ && blockStart_ - aheadStart_ + length <= aheadLength_;
  if (!held) {
    if (run_ < kBlocksBeforeReadAhead) return false;
    // No larger than what is left of the file: a small file's read-ahead is
    // small.
    const auto want = std::uint32_t(std::min<std::uint64_t>(kReadAheadSize, size_ - blockStart_));
    if (aheadCapacity_ < want) {
      blockData_ = block_.Get();
      aheadLength_ = 0;
      ahead_ = std::make_unique_for_overwrite<std::uint8_t[]>(want);
      aheadCapacity_ = want;
    }
    std::uint32_t done = 0;
    while (done < want) {
      const ssize_t r = ::pread(file_.Fd(), ahead_.get() + done, want - done, off_t(blockStart_ + done));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      done += std::uint32_t(r);
    }
    aheadStart_ = blockStart_;
    aheadLength_ = done;
    // A short read-ahead that still holds the block is as good as the
    // block's own read; otherwise the block's own read reports the failure.
    if (done < length) return false;
  }
  blockData_ = ahead_.get() + (blockStart_ - aheadStart_);
  ++blocksReadAhead_;
  return true;
}

bool InFileStream::LoadBlock() {
  const std::uint32_t length = BlockLength();
  if (file_.IsValid() && LoadBlockAhead(length)) {
    blockNotLoaded_ = false;
    return true;
  }
  if (!RawReadAt(blockStart_, block_.Get(), length)) return false;
  blockData_ = block_.Get();
  blockNotLoaded_ = false;
  return true;
}

bool InFileStream::EnsureFirstBlock() {
  if (!blockNotLoaded_) return true;
  blockStart_ = 0;
  offset_ = 0;
  return LoadBlock();
}

std::uint32_t InFileStream::Read(void* buffer, std::uint32_t n) {
  if (!IsOpen() || n == 0) return 0;
  std::uint64_t pos = Position();
  if (pos >= size_) return 0;
  n = std::uint32_t(std::min<std::uint64_t>(n, size_ - pos));
  auto* out = static_cast<std::uint8_t*>(buffer);

  if (!block_) {
    if (!RawReadAt(blockStart_, out, n)) return 0;
    blockStart_ += n;
    delivered_ += n;
    return n;
  }

  if (blockNotLoaded_ && !EnsureFirstBlock()) return 0;
  std::uint32_t left = n;
  bool moved = false;
  std::uint32_t blockLength = BlockLength();
  if (std::uint64_t(offset_) + left > blockLength) {
    std::uint32_t part = blockLength - offset_;
    std::memcpy(out, blockData_ + offset_, part);
    out += part;
    left -= part;
    blockStart_ += kStreamBufferSize;
    offset_ = 0;
    moved = true;
  }
  if (left >= kStreamBufferSize) {
    std::uint32_t direct = left & std::uint32_t(kBlockMask);
    if (!RawReadAt(blockStart_, out, direct)) return 0;
    out += direct;
    left -= direct;
    blockStart_ += direct;
    moved = true;
  }
  if (moved && !LoadBlock()) return 0;
  std::memcpy(out, blockData_ + offset_, left);
  offset_ += left;
  delivered_ += n;
  return n;
}

std::uint8_t InFileStream::ReadByte() {
  if (block_ && !blockNotLoaded_ && offset_ < BlockLength() && IsOpen()) {
    ++delivered_;
    return blockData_[offset_++];
  }
  std::uint8_t b = 0;
  Read(&b, 1);
  return b;
}

bool InFileStream::Seek(std::uint64_t pos) {
  if (!IsOpen() || pos > size_) return false;
  if (pos == 0) delivered_ = 0;
  if (!block_) {
    blockStart_ = pos;
    offset_ = 0;
    return true;
  }
  std::uint64_t start = pos & kBlockMask;
  if (!blockNotLoaded_ && start == blockStart_) {
    offset_ = std::uint32_t(pos - start);
    return true;
  }
  blockStart_ = start;
  offset_ = 0;
  if (!LoadBlock()) return false;
  offset_ = std::uint32_t(pos - start);
  return true;
}

void InFileStream::Rewind() {
  blockStart_ = 0;
  offset_ = 0;
  blockNotLoaded_ = true;
  delivered_ = 0;
}

bool InFileStream::CanRead(std::uint64_t count, std::uint64_t size) const {
  if (!IsOpen()) return false;
  std::uint64_t pos = Position();
  if (pos >= size_) return false;
  std::uint64_t wanted;
  if (__builtin_mul_overflow(count, size, &wanted)) return false;
  return size_ - pos >= wanted;
}

const std::uint8_t* InFileStream::GetReadWindow(std::uint32_t& length) {
  length = 0;
  if (!block_ || !IsOpen()) return nullptr;
  if (blockNotLoaded_ && !EnsureFirstBlock()) return nullptr;
  std::uint32_t blockLength = BlockLength();
  if (offset_ >= blockLength) {
    // Only a full block has a successor; a shorter one ends the data.
    if (blockLength < kStreamBufferSize || blockStart_ + kStreamBufferSize >= size_) return nullptr;
    blockStart_ += kStreamBufferSize;
    offset_ = 0;
    if (!LoadBlock()) return nullptr;
    blockLength = BlockLength();
  }
  length = blockLength - offset_;
  return blockData_ + offset_;
}

bool InFileStream::ConsumeWindow(std::uint32_t n) {
  if (!block_ || blockNotLoaded_ || !IsOpen()) return n == 0;
  if (std::uint64_t(offset_) + n > BlockLength()) return false;
  offset_ += n;
  delivered_ += n;
  return true;
}

bool InFileStream::GetFileTime(std::uint64_t* creation, std::uint64_t* access, std::uint64_t* write) const {
  if (!file_.IsValid()) return false;
  return GetFileTimes(file_.Fd(), creation, access, write, nullptr);
}

}  // namespace kvn
