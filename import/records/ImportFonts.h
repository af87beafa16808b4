// Fonts and line types of imported styles: the face of a text style, the
// drawing font of an SHX file, a text style by name, and the line-type index
// of an entity's line-type reference.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

class cDrawingData;
class YxxfReader;
struct YxxfStyleRec;

// Line-type indexes beside the reader's list: by layer and by block (also
// continuous and unknown names).
inline constexpr std::uint16_t kLineTypeByLayer = 65534;
inline constexpr std::uint16_t kLineTypeByBlock = 65535;

// The face a text style names: its second font name, else its font file,
// without folders (up to the last backslash or slash) and without a final
// ".shx", ".pfb" or ".ttf"; "Arial CE" becomes "Arial", nothing "Arial".
WString GetStyleFaceName(const YxxfStyleRec& style);

// The drawing font for an SHX face: a font of the drawing data named face
// ".shx" or face; else a built-in font of that name; else the SHX file named
// by the face in the drawing's folder, then in the folder "fonts" beside the
// program, its name matched in any case; a font with shapes is added named
// by the capitalised face and ".shx". The font's index, or -1 when none is found.
int FindOrAddShxFont(cDrawingData& data, const WString& drawingPath, const WString& face);

// Whether the style names an SHX file (its font file ends in ".shx" and it
// names no TrueType family).
bool NamesShxFile(const YxxfStyleRec& style);
// For an SHX file nobody has: a font named by the capitalised face and
// ".shx" that draws with the built-in font of the design its name suggests
// (text/ShxStandIn.h), that font's name kept as its substitute. The font's
// index, or -1 without built-in fonts.
int AddShxStandIn(cDrawingData& data, const WString& face);

// The first text style of the drawing data of that name (case ignored);
// 65535 when none.
std::uint16_t FindStyleByName(const cDrawingData& data, const WString& name);

// By name: empty or BYLAYER 65534, BYBLOCK 65535, else the index of the
// line type of that name (case ignored), an unknown one 65535. By handle:
// the reader's BYLAYER and BYBLOCK handles, else the index of that handle,
// an unknown one 65534.
std::uint16_t GetImportLineTypeIndex(bool byHandle, std::uint64_t handle, const WString& name,
                                     const YxxfReader& reader);

}  // namespace kvn
