// The texts of what an import mended or left out of a drawing it opened,
// in the current language: the open message lists them after the notice
// that the file was read only in part.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

inline constexpr int kStrClassesUnread = 19850;
inline constexpr int kStrSelfInsertsLeftOut = 19851;
inline constexpr int kStrReferenceLeftOut = 19853;

// The DWG classes section could not be read: objects of custom classes are missing.
WString ClassesUnreadWarning();
// `count` inserts of a block into itself, or nested deeper than `maxDepth`, were left out.
WString SelfInsertsWarning(std::uint64_t count, std::uint64_t maxDepth);
// The external reference stored as `path` did not load; the drawing shows without it.
WString ReferenceLeftOutWarning(const WString& path);

}  // namespace kvn
