// Where tests find the public sample drawings and make scratch files.
#pragma once

#include <filesystem>
#include <string>

namespace kvn::test {

// The folder of public sample drawings: $KVN_TESTDATA, else ../shared/testdata
// beside the project root. Empty when neither exists.
std::filesystem::path TestDataDir();

// Skips the current test with a clear message when the sample drawings are
// missing; use as: KVN_REQUIRE_TESTDATA(dir);
#define KVN_REQUIRE_TESTDATA(dir)                                                        \
  const std::filesystem::path dir = ::kvn::test::TestDataDir();                          \
  if (dir.empty()) GTEST_SKIP() << "sample drawings not found: set KVN_TESTDATA or put " \
                                   "them at ../shared/testdata"

// A fresh empty folder, removed with its contents when the object dies.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace kvn::test
