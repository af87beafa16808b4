// Helpers on a dialog's items: showing and enabling groups of controls by id.
// (The Restore command sent to every child is BroadcastResetToDefaults of
// Dialog.h.)
#pragma once

namespace kvn {

class TWindow;

// Shows (or hides) each listed item of the dialog that exists and, unless
// keepEnabled, enables (or disables) it the same way. `ids` ends with 0.
void ShowDialogItems(TWindow* dialog, bool show, const int* ids, bool keepEnabled);
// Enables or disables each listed item that exists. `ids` ends with 0.
void EnableDialogItems(TWindow* dialog, bool enable, const int* ids);

}  // namespace kvn
