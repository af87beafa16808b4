// The save dialog of "print to file" (TAutoFileSaveDialog over the print
// job's progress dialog), installed into the print job by the shell.
#pragma once

namespace kvn {

void InstallPrintFileDialog();
void UninstallPrintFileDialog();

}  // namespace kvn
