#pragma once

namespace kvn {
// Runs the viewer's message loop; returns the process exit code.
int RunApplication(int argc, char** argv);
}  // namespace kvn
