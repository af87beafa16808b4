// The metafile interpreter: the 3 MB test metafile and the libuemf reference
// picture (2,231 records) exploded into drawing objects at their frame size.
//   kvn-bench-emf-explode [rounds] [testdata folder]
// Prints milliseconds per round (best and median) and the objects made.
// Target: 100 ms at most for the 3 MB picture.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "foundation/WString.h"
#include "import/pictures/MetafileExploder.h"
#include "import/pictures/PictureImport.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "model/cWmf.h"

using namespace kvn;

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  std::filesystem::path dir = argc > 2 ? argv[2] : "";
  if (dir.empty()) {
    const char* env = std::getenv("KVN_TESTDATA");
    dir = env ? env : "../shared/testdata";
  }
  for (const char* name : {"metafile/emf2svg_test-181.emf", "metafile/libuemf_test_libuemf_ref.emf"}) {
    std::unique_ptr<cOutObj> object = ImportPictureFile(nullptr, nullptr, WString::FromUtf8((dir / name).string()));
    cWmf* metafile = object ? object->AsWmf() : nullptr;
    if (!metafile) {
      std::fprintf(stderr, "%s: not a metafile (set KVN_TESTDATA)\n", name);
      return 1;
    }
    std::vector<double> ms;
    std::size_t objects = 0;
    for (int i = 0; i < rounds; ++i) {
      const auto start = std::chrono::steady_clock::now();
      ObjectChain chain = ExplodeMetafile(*metafile, static_cast<cDrawingData*>(nullptr));
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
      objects = chain.Count();
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-45s %8.2f ms best %8.2f ms median  %zu objects\n", name, ms.front(), ms[ms.size() / 2], objects);
  }
  return 0;
}
