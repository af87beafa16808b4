#include "app/ParametersSheet.h"

namespace kvn {

bool RunParametersSheet(TWindow*, cVectorWindow*, cDrawingDoc*, std::uint32_t) {
  // The parameters sheet fills this in; until then nothing changes.
  return false;
}

}  // namespace kvn
