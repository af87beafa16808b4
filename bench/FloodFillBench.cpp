// Flood fills on a window-sized raster target: 8,000 small outlined cells
// of a 1600 x 1200 window, each filled from its middle, as one paint. A
// fill should cost what it covers, not the window.
//   kvn-bench-flood-fill [fills] [rounds]
// Prints the CPU seconds of the fills alone (the outlines drawn before the
// clock starts), best and median, with and without a clip region of the
// whole window (a window's paint always has one).
// For instructions: valgrind --tool=callgrind --toggle-collect='kvn::TDC::ExtFloodFill*'
// kvn-bench-flood-fill 8000 1
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "platform/gdi/RasterDC.h"
#include "platform/gdi/Region.h"

using namespace kvn;

int main(int argc, char** argv) {
  const int fills = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  constexpr int kWidth = 1600, kHeight = 1200;
  // Square cells as small as the count allows, a pixel of space between.
  int columns = 1;
  while (columns * (columns * kHeight / kWidth) < fills) ++columns;
  const int cell = kWidth / columns;
  const int perRow = columns, rows = (fills + perRow - 1) / perRow;
  if (cell < 4 || rows * cell > kHeight) {
    std::fprintf(stderr, "%d fills do not fit the window\n", fills);
    return 1;
  }
  std::vector<std::uint8_t> bits(std::size_t(kWidth) * kHeight * 4);
  auto dc = RasterDC::Create(bits.data(), kWidth, kHeight);
  if (!dc) return 1;
  for (const bool clipped : {false, true}) {
    std::vector<double> seconds;
    int filled = 0;
    for (int round = 0; round < rounds; ++round) {
      dc->SelectClipRgn(nullptr);
      dc->FillSolidRect(TRect{0, 0, kWidth, kHeight}, Rgb(255, 255, 255));
      const TRegion window(TRect{0, 0, kWidth, kHeight});
      if (clipped) dc->SelectClipRgn(&window);
      dc->SelectObject(TPen(Rgb(0, 0, 0), 1));
      dc->SelectObject(TBrush::Null());
      for (int i = 0; i < fills; ++i) {
        const int x = (i % perRow) * cell, y = (i / perRow) * cell;
        dc->Rectangle(x, y, x + cell - 1, y + cell - 1);
      }
      dc->SelectObject(TBrush(Rgb(200, 40, 10)));
      dc->Flush();
      const std::clock_t start = std::clock();
      filled = 0;
      for (int i = 0; i < fills; ++i) {
        const int x = (i % perRow) * cell, y = (i / perRow) * cell;
        filled += dc->ExtFloodFill(x + cell / 2, y + cell / 2, Rgb(0, 0, 0), kFloodFillBorder);
      }
      dc->Flush();
      seconds.push_back(double(std::clock() - start) / CLOCKS_PER_SEC);
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("%d fills of %d x %d px (%d filled) on %d x %d, %s: best %.3f CPU-s, median %.3f CPU-s\n", fills,
                cell - 3, cell - 3, filled, kWidth, kHeight, clipped ? "clipped to the window" : "no clip",
                seconds.front(), seconds[seconds.size() / 2]);
  }
  return 0;
}
