// The start-up of everything a drawing needs to open and draw without a
// display: the file readers, the font layer with the built-in fonts, the SHX
// archive, the title-block field engine, the paper look-ups and the
// renderer's geometry services. The viewer, kvn-dump and kvn-render all call
// this one routine, so that what the tools report and draw is what the
// viewer shows. Built into the core library (no toolkit in it).
#pragma once

namespace kvn {

void InstallDrawingServices();

}  // namespace kvn
