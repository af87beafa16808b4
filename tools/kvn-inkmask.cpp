// kvn-inkmask PICTURE.png MASK.pbm: the stored ink mask of a rendering (see
// tools/InkMask.h), for the peer pictures that the tools/ scripts render
// with other programs. Prints the mask's size and ink count; exit status 1
// when the picture cannot be read or holds no ink.
#include <cstdio>

#include "tools/InkMask.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kvn-inkmask PICTURE.png MASK.pbm\n");
    return 2;
  }
  const kvn::tool::InkMask full = kvn::tool::InkOfPngFile(argv[1]);
  if (full.Empty()) {
    std::fprintf(stderr, "kvn-inkmask: cannot read %s as PNG\n", argv[1]);
    return 1;
  }
  const kvn::tool::InkMask mask = kvn::tool::StoredMaskOf(full);
  if (mask.Empty()) {
    std::fprintf(stderr, "kvn-inkmask: %s holds no ink\n", argv[1]);
    return 1;
  }
  if (!kvn::tool::WritePbm(mask, argv[2])) {
    std::fprintf(stderr, "kvn-inkmask: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%d x %d, %zu ink pixels\n", mask.width, mask.height, mask.InkCount());
  return 0;
}
