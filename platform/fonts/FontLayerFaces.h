// The text faces every device context draws with (platform/gdi/TextFaces.h),
// served from this layer: a LogFont chooses its face as RealizedFont does
// (memory fonts, installed faces with the stand-ins, fontconfig's best
// match), and cairo draws that face through its FreeType backend, with the
// synthesised bold and slant the choice asked for. A LogFont width other
// than 0 stretches the face along the baseline so that its average
// character width (the realised font's, at the em size) is that width, as
// the realised font's metrics, advances and outlines are stretched; a run's
// advances, when given, still place the glyphs.
#pragma once

namespace kvn {

class TextFaceSource;

// The process-wide source of this layer (lives until exit).
TextFaceSource& FontLayerFaces();
// Registers it as the device contexts' face source.
void InstallFontLayerFaces();

}  // namespace kvn
