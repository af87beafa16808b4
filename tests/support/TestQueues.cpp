#include "tests/support/TestQueues.h"

#include <cstdlib>
#include <fstream>

namespace kvn::test {

namespace {

std::string FromEnvironment(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  return value && *value ? value : fallback;
}

}  // namespace

std::string CupsTestQueue() { return FromEnvironment("KVN_CUPS_TEST_QUEUE", "TEST"); }

std::string CupsLetterQueue() { return FromEnvironment("KVN_CUPS_LETTER_QUEUE", "LETTER"); }

std::filesystem::path CupsOutFolder(const std::string& queue) {
  // cups-pdf reads the configuration named after its device URI, which the
  // fixture makes cups-pdf:/<queue>.
  std::ifstream conf("/etc/cups/cups-pdf-" + queue + ".conf");
  for (std::string line; std::getline(conf, line);) {
    if (line.rfind("Out ", 0) == 0) return line.substr(4);
  }
  return {};
}

}  // namespace kvn::test
