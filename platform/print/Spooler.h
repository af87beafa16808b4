// The print spooler as the printer data sees it: the queues of the server
// with its default, each queue's default set-up, its media (sizes and
// unprintable margins) and the values its properties dialog may offer.
// CupsSpooler serves it over libcups; tests put a fake in its place.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/print/PrinterSettings.h"

namespace kvn {

// One medium of a queue; lengths in hundredths of a millimetre.
struct SpoolerMedium {
  std::string name;         // PWG name, e.g. "iso_a4_210x297mm"
  std::string displayName;  // as the server words it, e.g. "A4"
  int width = 0, length = 0;
  int left = 0, bottom = 0, right = 0, top = 0;
};

// What a queue supports, for the properties dialog.
struct SpoolerChoices {
  std::vector<SpoolerMedium> media;
  bool landscape = true;                             // portrait is always offered
  std::vector<std::pair<int, int>> resolutions;      // dpi (x, y)
  bool color = false;                                // colour besides monochrome
};

class Spooler {
 public:
  virtual ~Spooler() = default;
  // Every queue of the server, in the server's order; defaultIndex is the
  // server's default queue (-1 none). False (and an empty list) without a server.
  virtual bool ListQueues(std::vector<std::string>& names, int& defaultIndex) = 0;
  // The queue's default set-up: medium name, orientation, copies, collation,
  // resolution and colour, with their field bits (the paper id is left 0: the
  // caller knows the paper table). False with a code of SystemError.h.
  virtual bool QueueDefaults(const std::string& queue, PrinterSettings& settings, std::uint32_t& error) = 0;
  // The queue's media; false when they cannot be asked.
  virtual bool QueueMedia(const std::string& queue, std::vector<SpoolerMedium>& media) = 0;
  virtual bool QueueChoices(const std::string& queue, SpoolerChoices& choices, std::uint32_t& error) = 0;
};

// The spooler in use: CUPS unless a test replaced it.
Spooler& CurrentSpooler();

// Test seam: while one lives, CurrentSpooler() is the given one. Nests.
class ScopedSpoolerOverride {
 public:
  explicit ScopedSpoolerOverride(Spooler& spooler);
  ~ScopedSpoolerOverride();
  ScopedSpoolerOverride(const ScopedSpoolerOverride&) = delete;
  ScopedSpoolerOverride& operator=(const ScopedSpoolerOverride&) = delete;

 private:
  Spooler* previous_;
};

std::unique_ptr<Spooler> MakeCupsSpooler();

}  // namespace kvn
