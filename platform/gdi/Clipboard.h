// The clipboard as the program's callers expect it: open, put data of a
// numbered format, close. The core library has no display; the window layer
// installs the sink that reaches the desktop's clipboard. Without one every
// call fails.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvn {

// CF_ENHMETAFILE: an enhanced metafile's bytes.
inline constexpr unsigned kCfEnhMetafile = 14;

class ClipboardSink {
 public:
  virtual ~ClipboardSink() = default;
  virtual bool Open() = 0;
  virtual void Close() = 0;
  // Replaces the clipboard's content by the bytes in the given format.
  virtual bool SetData(unsigned format, const std::uint8_t* data, std::size_t size) = 0;
};

// Not owned; null removes it. Returns the previous one.
ClipboardSink* SetClipboardSink(ClipboardSink* sink);

bool OpenClipboard();
void CloseClipboard();
// False without an open clipboard, without bytes, or when the sink refuses.
bool SetClipboardData(unsigned format, const std::uint8_t* data, std::size_t size);

}  // namespace kvn
