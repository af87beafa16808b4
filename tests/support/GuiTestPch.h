// The precompiled header of the test programs built against the toolkit
// (their compile flags differ, so they cannot share TestPch.h's): the same
// headers and the toolkit's most used ones.
#pragma once

#include "tests/support/TestPch.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/timer.h>
#include <wx/window.h>
