// The sample drawings a fuzz target takes its seeds from, and the record of
// the folders that were missing, which the replay driver turns into a skip
// or, when every test must run, into a failure.
#include <cstdlib>
#include <system_error>

#include "tests/fuzz/FuzzTarget.h"

namespace {

std::vector<std::string>& Missing() {
  static std::vector<std::string> folders;
  return folders;
}

}  // namespace

std::filesystem::path KvnFuzzSampleFolder(const std::string& sub) {
  for (const char* var : {"KVN_TESTDATA", "KVN_TESTDATA_DEFAULT"}) {
    const char* value = std::getenv(var);
    std::error_code ec;
    if (value && *value && std::filesystem::is_directory(std::filesystem::path(value) / sub, ec)) {
      return std::filesystem::path(value) / sub;
    }
  }
  Missing().push_back(sub.empty() ? std::string("the sample drawings") : "the sample drawings' " + sub + " folder");
  return {};
}

const std::vector<std::string>& KvnFuzzMissingSamples() { return Missing(); }
