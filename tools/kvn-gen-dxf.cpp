// kvn-gen-dxf: writes the synthetic drawing of the DXF open benchmark to a
// file, for whole-process comparisons with other readers (kvn-dump against
// GDAL's ogrinfo, through farm-bench).
//   ./build/tools/kvn-gen-dxf ENTITIES OUT.dxf [rotated] [sparse] [binary]
// rotated: every insert with a rotation of its own (the 200k/400k/800k files
// of the block-sharing measurements); sparse: codes and short numbers only;
// binary: binary DXF instead of ASCII.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/MixedDxfDrawing.h"

int main(int argc, char** argv) {
  using kvn::test::DxfWriter;
  if (argc < 3) {
    std::fprintf(stderr, "usage: kvn-gen-dxf ENTITIES OUT.dxf [rotated] [sparse] [binary]\n");
    return 2;
  }
  kvn::test::MixedDxfOptions options;
  options.entities = std::atoi(argv[1]);
  DxfWriter::Form form = DxfWriter::Form::Text;
  for (int i = 3; i < argc; ++i) {
    const std::string word(argv[i]);
    if (word == "rotated") {
      options.rotatedInserts = true;
    } else if (word == "sparse") {
      options.full = false;
    } else if (word == "binary") {
      form = DxfWriter::Form::Binary;
    } else {
      std::fprintf(stderr, "kvn-gen-dxf: unknown word %s\n", argv[i]);
      return 2;
    }
  }
  if (options.entities <= 0) {
    std::fprintf(stderr, "kvn-gen-dxf: the entity count must be positive\n");
    return 2;
  }
  const std::string bytes = kvn::test::MixedDxfDrawing(form, options);
  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) {
    std::perror(argv[2]);
    return 1;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  if (std::fclose(out) != 0 || !written) {
    std::perror(argv[2]);
    return 1;
  }
  std::printf("%s: %d entities, %zu bytes\n", argv[2], options.entities, bytes.size());
  return 0;
}
