// The system's default GUI face for font substitution (platform/fonts):
// the toolkit's default GUI font, installed as the substitution's hook.
#pragma once

namespace kvn {

void InstallDefaultGuiFaceHook();

}  // namespace kvn
