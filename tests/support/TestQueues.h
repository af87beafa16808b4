// The cups-pdf queues of the test CUPS fixture (tests/print/cupsd-fixture.sh).
// Each build folder has queues of its own, named after it, so that suites of
// two builds or two checkouts print side by side on the shared server.
#pragma once

#include <filesystem>
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

}  // namespace kvn::test
