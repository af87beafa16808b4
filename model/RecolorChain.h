// Recolouring every object of a block, as a hatch does with the pattern
// objects it builds before it draws them in its hatch colour.
#pragma once

#include <cstdint>

namespace kvn {

class cBlock;

// Every stroked object takes the colour as its pen colour; a filled one also
// as its fill colour when it has one (bit 31 clear); a text takes it as its
// own colour, even when it had its style's.
void RecolorChain(cBlock& block, std::uint32_t color);

}  // namespace kvn
