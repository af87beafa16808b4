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
// drawn; a prefetch of a wrong address is harmless.
#pragma once

#include <cstdint>

namespace kvn {

class cOutObj;

// `at(k)`: the object k places ahead of the one about to be drawn, or null
// past the end. Called once per drawn position, before drawing it.
template <class ObjectAhead>
void PrefetchForDraw(ObjectAhead at);

// The stages, one object each; exposed for the walk's template.
void PrefetchHead(const cOutObj* object);
void PrefetchBody(const cOutObj* object);
void PrefetchReferenced(const cOutObj* object);
void PrefetchStrokes(const cOutObj* object);

// How far ahead each stage runs: far enough that a load from memory ends
// before the object is reached, each stage after the one it depends on.
inline constexpr std::uint32_t kPrefetchHeadAhead = 16;
inline constexpr std::uint32_t kPrefetchBodyAhead = 10;
inline constexpr std::uint32_t kPrefetchReferencedAhead = 6;
inline constexpr std::uint32_t kPrefetchStrokesAhead = 3;

template <class ObjectAhead>
void PrefetchForDraw(ObjectAhead at) {
  PrefetchHead(at(kPrefetchHeadAhead));
  PrefetchBody(at(kPrefetchBodyAhead));
  PrefetchReferenced(at(kPrefetchReferencedAhead));
  PrefetchStrokes(at(kPrefetchStrokesAhead));
}

}  // namespace kvn
