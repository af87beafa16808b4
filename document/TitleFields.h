// Title-block fields: placeholders "[/<name>\]" in texts, replaced by values
// of the document, the drawing, its format, pages, tiles and sectors, the
// level, the block insert, the link and the connection point a text belongs
// to. Names are accepted in Czech, Slovak and English, regardless of case
// and accents. The engine is installed into the text layout's hand-over
// (model/cTextFields.h) by InstallTitleFields.
#pragma once

#include <span>

#include "foundation/WString.h"

namespace kvn {

class cDrawingData;
class cOutObj;
class cText;

// Replaces every field of `text`; true when at least one placeholder was
// replaced. `context` are the objects the fields read (inserts, links,
// connection points); `insert` the current insert or null; `extraChars`
// (when given) gains the characters of values that change without the text
// changing (file date and time).
bool ExpandTitleFields(WString& text, cDrawingData* data, cText* owner, std::span<cOutObj* const> context,
                       cOutObj* insert, WString* extraChars);

// The name of the paper of that size (millimetres, either orientation), or
// empty. The paper table lives with printing, which installs the look-up.
using PaperNameLookup = WString (*)(double width, double height);
PaperNameLookup SetPaperNameLookup(PaperNameLookup lookup);

// Makes ExpandFields of the text layout use ExpandTitleFields.
void InstallTitleFields();

}  // namespace kvn
