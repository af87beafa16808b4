#include "render/DrawPrefetch.h"

#include "model/ObjectTypes.h"
#include "model/ShxFont.h"
#include "model/cText.h"

namespace kvn {

namespace {

constexpr std::uintptr_t kLine = 64;

void Lines(const void* start, std::size_t bytes) {
  const char* p = static_cast<const char*>(start);
  for (std::size_t i = 0; i < bytes; i += kLine) __builtin_prefetch(p + i);
}

const cText* AsTextObject(const cOutObj* object) {
  return object && object->TypeCode() == kTypeText ? static_cast<const cText*>(object) : nullptr;
}

}  // namespace

void PrefetchHead(const cOutObj* object) {
  if (object) Lines(object, 2 * kLine);
}

void PrefetchBody(const cOutObj* object) {
  if (const cText* text = AsTextObject(object)) Lines(text, sizeof(cText));
}

void PrefetchReferenced(const cOutObj* object) {
  const cText* text = AsTextObject(object);
  if (!text) return;
  __builtin_prefetch(text->lineStarts.Items());
  // The characters and the count in front of them.
  const char* chars = reinterpret_cast<const char*>(text->displayText.CStr());
  __builtin_prefetch(chars - 16);
  __builtin_prefetch(chars + 48);
  if (const ShxOutlineCache* cache = text->outlineCache.get()) Lines(cache, sizeof(ShxOutlineCache));
}

void PrefetchStrokes(const cOutObj* object) {
  const cText* text = AsTextObject(object);
  const ShxOutlineCache* cache = text ? text->outlineCache.get() : nullptr;
  if (!cache) return;
  Lines(cache->strokeRuns.data(), 2 * kLine);
  Lines(cache->vertices.data(), 4 * kLine);
}

}  // namespace kvn
