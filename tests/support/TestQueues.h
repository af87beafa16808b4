// The cups-pdf queues of the test CUPS fixture (tests/print/cupsd-fixture.sh).
// Each build folder has queues of its own, named after it, so that suites of
// two builds or two checkouts print side by side on the shared server.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace kvn::test {

// The A4 queue: $KVN_CUPS_TEST_QUEUE (set by CTest), else TEST, the name the
// fixture takes when started by hand.
std::string CupsTestQueue();

// The US Letter queue: $KVN_CUPS_LETTER_QUEUE, else LETTER.
std::string CupsLetterQueue();

// Where cups-pdf writes the PDFs of `queue`: the Out folder of its
// configuration; empty when it has none.
std::filesystem::path CupsOutFolder(const std::string& queue);

// The PDF that cups-pdf wrote for the job of `queue` whose title begins
// with `title`, once pdfinfo reads it. Call it once the job was handed to
// the server. It follows the queue: while the queue holds jobs not yet
// ended (queued behind others, or printing through a slow filter on a busy
// machine) it waits, at most `limit`; once the queue is empty the file
// has a few seconds more to show. Empty when no PDF came, and `why` (when
// given) then tells what the queue did. `pause` passes the time between
// two looks (a GUI test runs its toolkit's loop there); 200 ms of sleep
// when null.
std::filesystem::path WaitForCupsPdf(const std::string& queue, const std::string& title,
                                     std::chrono::seconds limit = std::chrono::seconds(240),
                                     std::string* why = nullptr, const std::function<void()>& pause = nullptr);

}  // namespace kvn::test
