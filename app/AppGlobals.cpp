#include "app/AppGlobals.h"

#include "foundation/Registry.h"
#include "platform/ui/RegisteredMessages.h"

namespace kvn {

namespace {
// The program's static initialisation registers its window messages.
const std::uint32_t g_mruFileMessage = RegisterWindowMessage(kMruFileMessageName);
const std::uint32_t g_helpMessage = RegisterWindowMessage(kHelpMessageName);
const std::uint32_t g_autoFocusMessage = RegisterWindowMessage(kAutoFocusMessageName);
}  // namespace

const WString& SettingsKeyPath() {
  static const WString path(kProgramRegistryKey);
  return path;
}

WString& StartDirectory() {
  static WString directory;
  return directory;
}

cDrawingDoc*& CurrentDocument() {
  static cDrawingDoc* document = nullptr;
  return document;
}

std::uint32_t MruFileMessage() { return g_mruFileMessage; }
std::uint32_t HelpMessage() { return g_helpMessage; }
std::uint32_t AutoFocusMessage() { return g_autoFocusMessage; }

}  // namespace kvn
