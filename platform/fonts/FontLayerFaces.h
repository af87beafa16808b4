// The text faces every device context draws with (platform/gdi/TextFaces.h),
// served from this layer: a LogFont chooses its face as RealizedFont does
// (memory fonts, installed faces with the stand-ins, fontconfig's best
// match), and cairo draws that face through its FreeType backend, with the
// synthesised bold and slant the choice asked for. The width of a LogFont is
// not applied to the drawn glyphs (a run's advances, when given, place them).
#pragma once

namespace kvn {

class TextFaceSource;

// The process-wide source of this layer (lives until exit).
TextFaceSource& FontLayerFaces();
// Registers it as the device contexts' face source.
void InstallFontLayerFaces();

}  // namespace kvn
