// The desktop clipboard behind the core's clipboard calls.
#pragma once

namespace kvn {

// Installs a sink over wxTheClipboard; an enhanced metafile is offered under
// the MIME type "image/emf".
void InstallWxClipboard();

}  // namespace kvn
