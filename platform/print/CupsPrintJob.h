// A print job on a CUPS queue: the job is created with its options, its one
// PDF document streamed while the pages are made, then finished or cancelled.
#pragma once

#include <memory>
#include <string>

#include "platform/print/Spooler.h"

namespace kvn {

struct CupsLibrary;

std::unique_ptr<SpoolerJob> StartCupsJob(const CupsLibrary& cups, const SpoolerJobRequest& request, int& code,
                                         std::string& errorText);

// The IPP options of a job for the settings (name, value), in the order sent.
std::vector<std::pair<std::string, std::string>> CupsJobOptions(const PrinterSettings& settings);

}  // namespace kvn
