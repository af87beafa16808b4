// Reviewed pictures in tests/golden/<name>.png and the comparison against
// them: per channel, with a tolerance the caller states (anti-aliased edges
// move by a few levels between cairo builds; aliased drawing should not).
//
// KVN_UPDATE_GOLDEN=1 rewrites the reviewed picture instead of comparing
// and marks the test skipped, so that nobody mistakes it for a pass. A
// failed comparison writes <name>.actual.png and <name>.diff.png (changed
// pixels red over a faded copy of the expected picture) to golden-out/
// beside the test program.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kvn::test {

// 0xRRGGBB pixels, rows top down.
struct Picture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(std::int32_t x, std::int32_t y) const { return pixels[std::size_t(y) * width + x]; }
};

// A picture from B, G, R, A bytes, rows top down without padding (alpha is
// ignored). The buffer must hold width x height x 4 bytes.
Picture PictureFromBgra(const std::uint8_t* bgra, std::int32_t width, std::int32_t height);

std::filesystem::path GoldenFile(const std::string& name);
std::filesystem::path GoldenOutputDir();

// PNG through cairo; false when the file cannot be written or read.
bool WritePng(const Picture& picture, const std::filesystem::path& path);
bool ReadPng(const std::filesystem::path& path, Picture* picture);

// The gtest assertions of the comparison (or the rewrite, see above).
void ExpectMatchesGolden(const Picture& actual, const std::string& name, int tolerance);

}  // namespace kvn::test
