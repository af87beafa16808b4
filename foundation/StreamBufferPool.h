// The pool of 8192-byte stream buffers shared by every InFileStream and
// OutFileStream. Opening and closing streams is frequent (every drawing,
// font and settings file); recycling their buffers keeps them off the heap.
// Buffers are never freed while the process runs; at exit they go back to the
// heap so that leak checkers stay quiet. The pool serves one thread, the
// one that opens and closes files.
#pragma once

#include <cstdint>
#include <utility>

namespace kvn {

inline constexpr std::uint32_t kStreamBufferSize = 8192;

// The last free buffer, or a new one when the pool is empty. Never null.
std::uint8_t* TakeStreamBuffer();
// Null is ignored.
void ReturnStreamBuffer(std::uint8_t* buffer);
// Buffers waiting in the pool (for tests).
std::uint32_t StreamBufferPoolCount();

// A pooled buffer owned for the lifetime of a stream.
class PooledStreamBuffer {
 public:
  PooledStreamBuffer() = default;
  ~PooledStreamBuffer() { Reset(); }
  PooledStreamBuffer(const PooledStreamBuffer&) = delete;
  PooledStreamBuffer& operator=(const PooledStreamBuffer&) = delete;
  PooledStreamBuffer(PooledStreamBuffer&& other) noexcept : buffer_(std::exchange(other.buffer_, nullptr)) {}
  PooledStreamBuffer& operator=(PooledStreamBuffer&& other) noexcept {
    if (this != &other) {
      Reset();
      buffer_ = std::exchange(other.buffer_, nullptr);
    }
    return *this;
  }

  static PooledStreamBuffer Take() {
    PooledStreamBuffer b;
    b.buffer_ = TakeStreamBuffer();
    return b;
  }
  std::uint8_t* Get() const { return buffer_; }
  explicit operator bool() const { return buffer_ != nullptr; }
  void Reset() { ReturnStreamBuffer(std::exchange(buffer_, nullptr)); }

 private:
  std::uint8_t* buffer_ = nullptr;
};

}  // namespace kvn
