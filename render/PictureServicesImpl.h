// The renderer's answers to the model's picture services: the bitmap
// routines of DibConversion.h and the drawing of pictures and metafiles.
#pragma once

namespace kvn {

// Installs them once (idempotent).
void InstallRendererPictureServices();

}  // namespace kvn
