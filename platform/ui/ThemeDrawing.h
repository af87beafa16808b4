// The themed drawing of the core library (UiTheme.h) served by the
// toolkit's native renderer, which draws what the GTK theme draws: each part
// is rendered into a toolkit bitmap of its size and blitted into our device
// context.
#pragma once

namespace kvn {

// Call once the toolkit is initialised; uninstall before it shuts down.
void InstallThemeDrawing();
void UninstallThemeDrawing();

}  // namespace kvn
