#include "model/cTextFields.h"

namespace kvn {

bool ExpandFields(WString&, cDrawingData*, cText*, cOutObj*, cOutObj*, const WString&) { return false; }

}  // namespace kvn
