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

// Spooler result codes of a print job (the Win32 SP_ values): above 0 success.
inline constexpr int kSpError = -1;
inline constexpr int kSpAppAbort = -2;
inline constexpr int kSpUserAbort = -3;
inline constexpr int kSpOutOfDisk = -4;
inline constexpr int kSpOutOfMemory = -5;

// One job on a queue, receiving one PDF document as it is produced.
class SpoolerJob {
 public:
  virtual ~SpoolerJob() = default;
  // False once the server refused data; ErrorText() then says why.
  virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
  // Ends the document and reads the server's answer: a spooler code.
  virtual int Finish() = 0;
  // Cancels the job where it still exists; the document is never completed.
  virtual void Cancel() = 0;
  // The server's words for the last failure (empty when none).
  const std::string& ErrorText() const { return errorText_; }
  // The server's number of the job (0 before it exists).
  int JobId() const { return jobId_; }

 protected:
  std::string errorText_;
  int jobId_ = 0;
};

// What a job asks of the queue besides its document.
struct SpoolerJobRequest {
  std::string queue;
  std::string title;
  PrinterSettings settings;
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
  // Creates a job on the queue with copies, collation, medium, orientation,
  // colour and resolution from the settings and no scaling by the server,
  // and opens its PDF document. Null on failure, with a spooler code and
  // the server's text. A spooler without jobs (the default) refuses.
  virtual std::unique_ptr<SpoolerJob> StartJob(const SpoolerJobRequest& request, int& code, std::string& errorText);
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
