#include "foundation/OutFileStream.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "foundation/MsgBox.h"
#include "foundation/SystemError.h"

namespace kvn {

OutFileStream::OutFileStream(const WString& path, bool binary, bool countOnly, bool buffered, bool append,
                             ByteArray* memorySink)
    : binary_(binary), path_(path), memorySink_(memorySink), countOnly_(countOnly) {
  if (buffered) pooled_ = PooledStreamBuffer::Take();
  if (countOnly_ || memorySink_) return;
  file_ = CreateFileLong(path, FileAccess::Write, append ? FileDisposition::OpenExisting : FileDisposition::CreateAlways);
  if (!file_.IsValid()) {
    lastError_ = file_.Error();
    return;
  }
  if (append) {
    off_t end = ::lseek(file_.Fd(), 0, SEEK_END);
    if (end < 0) {
      lastError_ = LastSystemError();
      file_.Close();
      return;
    }
    position_ = size_ = std::uint64_t(end);
  }
}

OutFileStream::~OutFileStream() { WriteOutBuffer(); }

// --- writing -------------------------------------------------------------------

void OutFileStream::Advance(std::uint32_t n) {
  position_ += n;
  size_ = std::max(size_, position_);
}

void OutFileStream::WriteRaw(const std::uint8_t* bytes, std::uint32_t n) {
  if (n == 0 || countOnly_) return;
  if (memorySink_) {
    // The array's counts are 32-bit and its grow-to-fit step would take it to
    // 2 x capacity + n: refuse a write that cannot fit rather than end the process.
    std::uint64_t capacity = memorySink_->Capacity();
    if (std::uint64_t(memorySink_->Count()) + n > capacity &&
        (capacity != 0 ? 2 * capacity : memorySink_->Step()) + n > 0xFFFFFFFFull) {
      lastError_ = kErrorNotEnoughMemory;
      memorySink_ = nullptr;
      return;
    }
    memorySink_->AppendBytes(bytes, n);
    return;
  }
  if (!file_.IsValid()) return;
  std::uint32_t done = 0;
  while (done < n) {
    ssize_t r = ::write(file_.Fd(), bytes + done, n - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      lastError_ = r < 0 ? LastSystemError() : kErrorDiskFull;
      file_.Close();
      return;
    }
    done += std::uint32_t(r);
  }
}

void OutFileStream::WriteOutBuffer() {
  if (used_ != 0 && IsGood()) WriteRaw(buffer(), used_);
  used_ = 0;
}

void OutFileStream::WriteBinary(const std::uint8_t* bytes, std::uint32_t n) {
  if (!IsGood() || n == 0) return;
  std::uint8_t* buf = buffer();
  if (!buf) {
    WriteRaw(bytes, n);
    Advance(n);
    return;
  }
  // Room up to the next multiple of the buffer size in the file.
  std::uint32_t room = bufferSize_ - std::uint32_t((position_ - used_) % bufferSize_);
  if (used_ > room) {
    // Bytes placed through GetWriteWindow can run past the boundary.
    WriteRaw(buf, room);
    std::memmove(buf, buf + room, used_ - room);
    used_ -= room;
    room = bufferSize_;
  }
  const std::uint8_t* src = bytes;
  std::uint32_t left = n;
  if (std::uint64_t(used_) + left >= room) {
    std::uint32_t fill = room - used_;
    std::memcpy(buf + used_, src, fill);
    WriteRaw(buf, room);
    used_ = 0;
    src += fill;
    left -= fill;
    std::uint32_t whole = left - left % bufferSize_;
    if (whole != 0) {
      WriteRaw(src, whole);
      src += whole;
      left -= whole;
    }
  }
  std::memcpy(buf + used_, src, left);
  used_ += left;
  Advance(n);
}

void OutFileStream::Write(const void* bytes, std::uint32_t n) {
  if (!IsGood() || n == 0) return;
  const auto* src = static_cast<const std::uint8_t*>(bytes);
  if (binary_) {
    WriteBinary(src, n);
    return;
  }
  // Text mode: CR dropped, LF written as CR LF, converted in small chunks.
  std::uint8_t chunk[1024];
  std::uint32_t k = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    std::uint8_t c = src[i];
    if (c == '\r') continue;
    if (k + 2 > sizeof chunk) {
      WriteBinary(chunk, k);
      k = 0;
    }
    if (c == '\n') chunk[k++] = '\r';
    chunk[k++] = c;
  }
  WriteBinary(chunk, k);
}

void OutFileStream::WriteCStr(const char* cstr) {
  if (!cstr) return;
  std::size_t n = std::strlen(cstr);
  while (n > 0) {
    std::uint32_t part = std::uint32_t(std::min<std::size_t>(n, 0x40000000));
    Write(cstr, part);
    cstr += part;
    n -= part;
  }
}

void OutFileStream::WriteAString(const AString& text) { Write(text.CStr(), std::uint32_t(text.Length())); }

void OutFileStream::WriteWString(const WString& text) {
  std::u16string_view units = text.View();
  std::uint8_t chunk[1024];
  std::uint32_t k = 0;
  for (char16_t u : units) {
    chunk[k++] = std::uint8_t(u & 0xFF);
    chunk[k++] = std::uint8_t(u >> 8);
    if (k == sizeof chunk) {
      Write(chunk, k);
      k = 0;
    }
  }
  Write(chunk, k);
}

// --- state, flushing, closing --------------------------------------------------------

bool OutFileStream::CheckOpen(cMsgDlg* owner) {
  if (IsGood()) return true;
  if (owner) ShowCannotSaveFile(owner, path_, GetSystemErrorText(lastError_));
  return false;
}

bool OutFileStream::Flush(cMsgDlg* owner) {
  WriteOutBuffer();
  return CheckOpen(owner);
}

bool OutFileStream::Commit(cMsgDlg* owner) {
  if (!Flush(owner)) return false;
  if (file_.IsValid()) {
    int r;
    do {
      r = ::fsync(file_.Fd());
    } while (r != 0 && errno == EINTR);
    // A device or pipe that cannot be synced (EINVAL, EROFS) has its bytes already.
    if (r != 0 && errno != EINVAL && errno != EROFS) {
      lastError_ = LastSystemError();
      file_.Close();
      return CheckOpen(owner);
    }
  }
  return true;
}

bool OutFileStream::Close() {
  WriteOutBuffer();
  if (countOnly_ || memorySink_) return true;
  if (!file_.IsValid()) return false;
  if (!file_.Close()) {
    lastError_ = file_.Error();
    return false;
  }
  return true;
}

void OutFileStream::CloseAndDelete() {
  used_ = 0;
  if (countOnly_ || memorySink_) return;
  file_.Close();
  DeleteFileQuiet(path_);
}

bool OutFileStream::Seek(std::uint64_t pos) {
  if (memorySink_ || !IsGood() || pos > size_) return false;
  WriteOutBuffer();
  if (!IsGood()) return false;
  if (file_.IsValid() && ::lseek(file_.Fd(), off_t(pos), SEEK_SET) < 0) {
    lastError_ = LastSystemError();
    return false;
  }
  position_ = pos;
  return true;
}

bool OutFileStream::Truncate() {
  if (memorySink_ || !IsGood()) return false;
  WriteOutBuffer();
  if (!IsGood()) return false;
  if (file_.IsValid() && ::ftruncate(file_.Fd(), off_t(position_)) != 0) {
    lastError_ = LastSystemError();
    return false;
  }
  size_ = position_;
  return true;
}

bool OutFileStream::SetFileTime(const std::uint64_t* creation, const std::uint64_t* access,
                                const std::uint64_t* write) {
  if (!file_.IsValid()) return false;
  // Pending bytes written later would stamp the file again.
  WriteOutBuffer();
  if (!file_.IsValid()) return false;
  return SetFileTimes(file_.Fd(), creation, access, write, &lastError_);
}

// --- buffers -----------------------------------------------------------------------

void OutFileStream::EnableBuffer() {
  if (buffer()) return;
  pooled_ = PooledStreamBuffer::Take();
  bufferSize_ = kStreamBufferSize;
}

void OutFileStream::SetExternalBuffer(std::uint8_t* buffer, std::uint32_t size) {
  WriteOutBuffer();
  pooled_.Reset();
  if (buffer && size != 0) {
    external_ = buffer;
    bufferSize_ = size;
  } else {
    external_ = nullptr;
    bufferSize_ = kStreamBufferSize;
  }
}

std::uint8_t* OutFileStream::GetWriteWindow(std::uint32_t& length) {
  length = 0;
  std::uint8_t* buf = buffer();
  if (!buf || !IsGood()) return nullptr;
  if (used_ >= bufferSize_) {
    WriteOutBuffer();
    if (!IsGood()) return nullptr;
  }
  length = bufferSize_ - used_;
  return buf + used_;
}

bool OutFileStream::CommitWritten(std::uint32_t n) {
  if (!buffer() || !IsGood() || std::uint64_t(used_) + n > bufferSize_) return false;
  used_ += n;
  Advance(n);
  return true;
}

}  // namespace kvn
