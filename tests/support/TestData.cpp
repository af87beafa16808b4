#include "tests/support/TestData.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <system_error>

namespace kvn::test {

std::filesystem::path TestDataDir() {
  for (const char* var : {"KVN_TESTDATA", "KVN_TESTDATA_DEFAULT"}) {
    const char* value = std::getenv(var);
    if (value && *value) {
      std::error_code ec;
      if (std::filesystem::is_directory(value, ec)) return std::filesystem::path(value);
    }
  }
  return {};
}

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kvn-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot make a scratch folder";
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  // The GUI tests' runner (tests/gui/xvfb-run.sh) empties their temporary
  // folder when the program starts instead: a folder that vanishes under a
  // file chooser's folder model makes GTK leak the model's texts.
  if (const char* keep = std::getenv("KVN_KEEP_SCRATCH"); keep && std::string(keep) == "1") return;
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace kvn::test
