#include "tests/support/TestQueues.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <thread>

namespace kvn::test {

namespace {

std::string FromEnvironment(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  return value && *value ? value : fallback;
}

std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = popen(("timeout 30 " + command).c_str(), "r");
  if (!pipe) return out;
  std::array<char, 512> buffer{};
  while (std::fgets(buffer.data(), int(buffer.size()), pipe)) out += buffer.data();
  pclose(pipe);
  return out;
}

// The first PDF of the folder named after `title` that pdfinfo can read.
std::filesystem::path ReadablePdf(const std::filesystem::path& folder, const std::string& title) {
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
    if (e.path().extension() != ".pdf" || e.path().filename().string().rfind(title, 0) != 0) continue;
    if (Output("pdfinfo '" + e.path().string() + "' 2>/dev/null").find("Pages:") != std::string::npos) return e.path();
  }
  return {};
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

std::filesystem::path WaitForCupsPdf(const std::string& queue, const std::string& title, std::chrono::seconds limit,
                                     std::string* why, const std::function<void()>& pause) {
  using Clock = std::chrono::steady_clock;
  const std::filesystem::path folder = CupsOutFolder(queue);
  if (folder.empty()) {
    if (why) *why = "the queue " + queue + " has no Out folder";
    return {};
  }
  // cups-pdf writes the file before its job ends, so an empty queue
  // without the file has lost the job; the grace covers the file system.
  constexpr std::chrono::seconds kAfterTheQueueEmptied{20};
  const auto end = Clock::now() + limit;
  std::optional<Clock::time_point> emptied;
  std::string jobs;
  while (true) {
    if (std::filesystem::path pdf = ReadablePdf(folder, title); !pdf.empty()) return pdf;
    jobs = Output("lpstat -o '" + queue + "' 2>&1");
    const bool empty = jobs.find(queue + "-") == std::string::npos;
    if (!empty) {
      emptied.reset();
    } else if (!emptied) {
      emptied = Clock::now();
    }
    const auto now = Clock::now();
    if (now >= end || (emptied && now - *emptied >= kAfterTheQueueEmptied)) break;
    if (pause) {
      pause();
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
  }
  if (why) {
    *why = emptied ? "the queue " + queue + " is empty and no PDF named " + title + "... came to " + folder.string() +
                         "; its ended jobs: " + Output("lpstat -W completed -o '" + queue + "' 2>&1 | tail -3")
                   : "the queue " + queue + " still holds jobs after " + std::to_string(limit.count()) + " s: " + jobs +
                         Output("lpstat -p '" + queue + "' 2>&1");
  }
  return {};
}

}  // namespace kvn::test
