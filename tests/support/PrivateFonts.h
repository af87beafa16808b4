// A private fontconfig configuration for font tests: links to exactly the
// chosen font files in a folder of the build tree, a fonts.conf that lists
// only that folder (no system fonts, no URW faces that change matches) and
// keeps its cache beside it. While one lives the font layer uses it; its
// destructor returns to the environment's configuration.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/fonts/FontSources.h"

namespace kvn::test {

inline constexpr const char* kLiberationSans = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
inline constexpr const char* kLiberationSansBold = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf";
inline constexpr const char* kLiberationSerif = "/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf";
inline constexpr const char* kLiberationMono = "/usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf";
inline constexpr const char* kLiberationNarrow =
    "/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Regular.ttf";
inline constexpr const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline constexpr const char* kDejaVuSansMono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
// The stand-ins of the symbol faces (fonts-opensymbol, fonts-symbola).
inline constexpr const char* kOpenSymbolFont = "/usr/share/fonts/truetype/libreoffice/opens___.ttf";
inline constexpr const char* kSymbola = "/usr/share/fonts/truetype/ancient-scripts/Symbola_hint.ttf";

inline bool FontFilesPresent(const std::vector<std::string>& files) {
  for (const std::string& f : files) {
    if (!std::filesystem::exists(f)) return false;
  }
  return true;
}

class PrivateFonts {
 public:
  // `name` tells the folders of two configurations apart.
  PrivateFonts(const std::string& name, const std::vector<std::string>& files) {
    namespace fs = std::filesystem;
    const fs::path root = fs::current_path() / "private-fonts" / name;
    std::error_code ec;
    fs::remove_all(root / "fonts", ec);
    fs::create_directories(root / "fonts", ec);
    fs::create_directories(root / "cache", ec);
    for (const std::string& f : files) fs::create_symlink(f, root / "fonts" / fs::path(f).filename(), ec);
    const fs::path conf = root / "fonts.conf";
    std::ofstream out(conf);
    out << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
        << "  <dir>" << (root / "fonts").string() << "</dir>\n"
        << "  <cachedir>" << (root / "cache").string() << "</cachedir>\n</fontconfig>\n";
    out.close();
    UseFontConfigFile(conf.string());
  }
  ~PrivateFonts() { UseFontConfigFile(""); }
  PrivateFonts(const PrivateFonts&) = delete;
  PrivateFonts& operator=(const PrivateFonts&) = delete;
};

inline std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace kvn::test
