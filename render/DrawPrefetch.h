// DrawPrefetch: the memory loads that drawing an object further along the
// walk will wait for, started while the objects before it are drawn.
//
// A repaint of a large drawing in view is bound by memory more than by
// arithmetic: every object and, for a text, its line starts, its characters
// and its stroke cache lie in separate blocks of the heap, each fetched
// when the drawing first reads it. The walk knows the objects ahead (the
// extent index holds them in order), so their loads can overlap the
// drawing of the ones before: first an object's head, then, a few places
// later, what that head points to. Nothing is read that changes what is
// drawn; a prefetch of a wrong address is harmless. Inline: the walk runs
// it for every object, and plain objects must pay next to nothing for it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/ObjectTypes.h"
#include "model/ShxFont.h"
#include "model/cText.h"

namespace kvn {

// How far ahead each stage runs: far enough that a load from memory ends
// before the object is reached, each stage after the one it depends on.
inline constexpr std::uint32_t kPrefetchHeadAhead = 16;
inline constexpr std::uint32_t kPrefetchBodyAhead = 10;
inline constexpr std::uint32_t kPrefetchReferencedAhead = 6;
inline constexpr std::uint32_t kPrefetchStrokesAhead = 3;

namespace prefetch_detail {

inline constexpr std::size_t kLine = 64;

// The compiler takes a prefetch whose function has no other effect for one
// without any and drops the whole call once it is inlined (a walk that
// prefetched nothing, measured); the instruction itself stays.
inline void Line(const void* address) {
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("prefetcht0 (%0)" : : "r"(address));
#else
  __builtin_prefetch(address);
#endif
}

inline void Lines(const void* start, std::size_t bytes) {
  const char* p = static_cast<const char*>(start);
  for (std::size_t i = 0; i < bytes; i += kLine) Line(p + i);
}

inline const cText* AsTextObject(const cOutObj* object) {
  return object && object->TypeCode() == kTypeText ? static_cast<const cText*>(object) : nullptr;
}

}  // namespace prefetch_detail

// The stages, one object each (null: past the end of the walk).
inline void PrefetchHead(const cOutObj* object) {
  if (object) prefetch_detail::Lines(object, 2 * prefetch_detail::kLine);
}

// The text stages take the text itself: a walk that knows which objects
// ahead are texts (the extent index keeps each object's type) hands it on
// without reading the object's type from its head, which for a drawing of
// plain objects was the walk's one wait on memory (the head prefetched
// only a few objects before).
inline void PrefetchTextBody(const cText* text) {
  if (text) prefetch_detail::Lines(text, sizeof(cText));
}

inline void PrefetchTextReferenced(const cText* text) {
  if (!text) return;
  prefetch_detail::Line(text->lineStarts.Items());
  // The characters and the count in front of them.
  const char* chars = reinterpret_cast<const char*>(text->displayText.CStr());
  prefetch_detail::Line(chars - 16);
  prefetch_detail::Line(chars + 48);
  if (const ShxOutlineCache* cache = text->outlineCache.get()) prefetch_detail::Lines(cache, sizeof(ShxOutlineCache));
}

inline void PrefetchTextStrokes(const cText* text) {
  const ShxOutlineCache* cache = text ? text->outlineCache.get() : nullptr;
  if (!cache) return;
  prefetch_detail::Lines(cache->strokeRuns.data(), 2 * prefetch_detail::kLine);
  prefetch_detail::Lines(cache->vertices.data(), 4 * prefetch_detail::kLine);
}

inline void PrefetchBody(const cOutObj* object) { PrefetchTextBody(prefetch_detail::AsTextObject(object)); }
inline void PrefetchReferenced(const cOutObj* object) {
  PrefetchTextReferenced(prefetch_detail::AsTextObject(object));
}
inline void PrefetchStrokes(const cOutObj* object) { PrefetchTextStrokes(prefetch_detail::AsTextObject(object)); }

// The object `object` when its type code `type` says it is a text, else null.
inline const cText* TextOfType(const cOutObj* object, std::uint8_t type) {
  return type == kTypeText ? static_cast<const cText*>(object) : nullptr;
}

// `at(k)`: the object k places ahead of the one about to be drawn, or null
// past the end; `textAt(k)`: that object when it is a text, else null.
// Called once per drawn position, before drawing it.
template <class ObjectAhead, class TextAhead>
void PrefetchForDraw(ObjectAhead at, TextAhead textAt) {
  PrefetchHead(at(kPrefetchHeadAhead));
  PrefetchTextBody(textAt(kPrefetchBodyAhead));
  PrefetchTextReferenced(textAt(kPrefetchReferencedAhead));
  PrefetchTextStrokes(textAt(kPrefetchStrokesAhead));
}

// The same for a walk that knows only the objects: each text stage reads
// the type from the object's head.
template <class ObjectAhead>
void PrefetchForDraw(ObjectAhead at) {
  PrefetchForDraw(at, [&](std::uint32_t k) { return prefetch_detail::AsTextObject(at(k)); });
}

}  // namespace kvn
