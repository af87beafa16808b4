// The picture import as the open dispatcher's last reader: it takes every
// file no other reader claimed and makes a one-sheet document holding the
// picture or metafile object.
#pragma once

namespace kvn {

class FormatRegistry;

void RegisterPictureReader(FormatRegistry& registry);

}  // namespace kvn
