// The controls bound to variables, in one include.
//
// Every dialog keeps its values in ordinary variables of its caller and
// wraps each control in an object that knows the variable's address:
//   - deferred binding: LoadFromVariable shows the variable when the control
//     is set up; SaveToVariable writes it back when the dialog saves, which
//     it does when the user confirms; Cancel leaves the variable as it was;
//   - live binding (check box, combo box, number fields): a second variable
//     written at every user change, with WM_AUTO_CHANGED (35998) sent and
//     WM_AUTO_NEXT (35999) posted to the parent, so that a tool bar or an
//     open dialog can react at once;
//   - a default value, shown by the Restore command (1053, CM_RESTORE_DEFAULTS,
//     which TDialogTr passes to all its controls); the variables change only
//     when the dialog is then confirmed;
//   - an optional change callback, run after every user change and after Restore.
// A null variable pointer leaves that binding out.
#pragma once

#include "controls/AutoButtons.h"
#include "controls/AutoLists.h"
#include "controls/AutoNumbers.h"
#include "controls/AutoTexts.h"
#include "controls/AutoValues.h"
#include "controls/DialogTr.h"
#include "controls/SpinEdit.h"
