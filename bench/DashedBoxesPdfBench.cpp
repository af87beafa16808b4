// A printed PDF page of dashed closed rectangles: 50,000 four-sided
// figures closed by CloseFigure, each in a colour of its own (so that no two
// share a joined run), stroked by a dashed pen 8 dots wide with flat ends on
// an A4 page at 600 dpi, and written to a file. Every figure reaches the
// writer as a lone closed box, whose dashes must start at its first point.
// The pattern (24 on, 8 off) is on at both ends of the figures of 14 x 10
// dots, so the dash that runs through the first point must be joined there;
// with "gap", figures of 16 x 13 dots end it in a gap. With "joined", every
// figure is drawn in one colour, as a drawing's figures of one pen mostly
// are, so that they share joined runs.
//   kvn-bench-dashed-boxes-pdf [figures] [file|-] [gap] [joined]
// Prints the milliseconds of drawing and of writing the page, and the bytes
// of the file (the file is deleted unless named). For instruction counts,
// run it under `valgrind --tool=callgrind` or `perf stat -e instructions`.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/print/PrintDC.h"

using namespace kvn;

int main(int argc, char** argv) {
  const int figures = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50000;
  const bool keep = argc > 2 && std::string(argv[2]) != "-";
  bool gap = false, joined = false;
  for (int i = 3; i < argc; ++i) {
    gap = gap || std::string(argv[i]) == "gap";
    joined = joined || std::string(argv[i]) == "joined";
  }
  const int wide = gap ? 16 : 14, high = gap ? 13 : 10;
  const std::filesystem::path file =
      keep ? std::filesystem::path(argv[2])
           : std::filesystem::temp_directory_path() / ("kvn-dashed-boxes-" + std::to_string(::getpid()) + ".pdf");
  const PrintPageSetup a4{210, 297, 600, 600, 200, 287, 5, 5};
  TPrintDC_ dc("BENCH", PrinterSettings{}, a4);
  if (!dc.Valid() || dc.StartDoc(WString(u"bench"), WString::FromUtf8(file.string())) <= 0 || dc.StartPage() <= 0) {
    std::fprintf(stderr, "the document could not be started\n");
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  dc.SelectObject(TBrush::Null());
  constexpr int kColumns = 200;
  for (int i = 0; i < figures; ++i) {
    const COLORREF color = Rgb(0, 0, joined ? 0 : i % 2 * 255);
    dc.SelectObject(TPen::ExtCreate(kPsGeometric | kPsDash | kPsEndCapFlat | kPsJoinMiter, 8, kBsSolid, color));
    const int left = 20 + i % kColumns * 23, top = 20 + i / kColumns % 300 * 22;
    dc.BeginPath();
    dc.MoveTo(left, top);
    const TPoint rest[3] = {{left + wide, top}, {left + wide, top + high}, {left, top + high}};
    dc.PolylineTo(rest, 3);
    dc.CloseFigure();
    dc.EndPath();
    dc.StrokePath();
  }
  const auto drawn = std::chrono::steady_clock::now();
  if (dc.EndPage() <= 0 || dc.EndDoc() <= 0) {
    std::fprintf(stderr, "the page could not be written\n");
    return 1;
  }
  const auto written = std::chrono::steady_clock::now();
  std::error_code error;
  const auto bytes = std::filesystem::file_size(file, error);
  auto ms = [](auto a, auto b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
  std::printf("%d dashed closed rectangles of %d x %d%s: drawn in %.1f ms, written in %.1f ms, %llu bytes\n", figures,
              wide, high, joined ? " in joined runs" : "", ms(start, drawn), ms(drawn, written), static_cast<unsigned long long>(error ? 0 : bytes));
  if (!keep) std::filesystem::remove(file, error);
  return 0;
}
