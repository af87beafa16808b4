#include "platform/gdi/Clipboard.h"

namespace kvn {

namespace {
ClipboardSink* g_sink = nullptr;
bool g_open = false;
}  // namespace

ClipboardSink* SetClipboardSink(ClipboardSink* sink) {
  ClipboardSink* previous = g_sink;
  if (g_open && previous) previous->Close();
  g_open = false;
  g_sink = sink;
  return previous;
}

bool OpenClipboard() {
  if (!g_sink || g_open) return false;
  g_open = g_sink->Open();
  return g_open;
}

void CloseClipboard() {
  if (g_sink && g_open) g_sink->Close();
  g_open = false;
}

bool SetClipboardData(unsigned format, const std::uint8_t* data, std::size_t size) {
  if (!g_sink || !g_open || !data || size == 0) return false;
  return g_sink->SetData(format, data, size);
}

}  // namespace kvn
