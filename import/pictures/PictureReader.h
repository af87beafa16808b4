// The picture import as the open dispatcher's last reader: it takes every
// file no other reader claimed and makes a one-sheet document holding the
// picture or metafile object.
#pragma once

namespace kvn {

// The open's warning for a metafile whose drawing is all in EMF+ records,
// which are not drawn.
inline constexpr int kStrEmfPlusNotDrawn = 19816;

class FormatRegistry;

void RegisterPictureReader(FormatRegistry& registry);

}  // namespace kvn
