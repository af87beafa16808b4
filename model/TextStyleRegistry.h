// The text-style registry of a drawing: how text-style references resolve to
// indices of the text table, and how texts and importers add text styles and
// fonts. The operations are members of cDrawingData (declared in
// model/cDrawingData.h, defined in TextStyleRegistry.cpp); this header only
// gathers what their callers include.
#pragma once

#include "model/TextAttributes.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cStyleText.h"
