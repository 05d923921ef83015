// A hook for the end-to-end tests: with KVD2730_TEST_LAYOUT naming a file, the program keeps
// in it where its windows and controls are on the screen, so that a test clicks what the
// program shows instead of guessed pixels. Nothing happens without the variable.
//
// One record per line, fields separated by tabs, coordinates in screen pixels:
//   window  HWND ROLE X Y W H VISIBLE ENABLED TITLE
//   control HWND NAME X Y W H VISIBLE ENABLED CHECKED TEXT
//   row     HWND INDEX X Y W H CHECKED ENABLED NAME     (a list row's check box)
//   state   start STATE
// The file is replaced whole (written beside it, then renamed) whenever it would change; the
// program looks every 100 ms, or every KVD2730_TEST_LAYOUT_MS milliseconds (1 to 1000).
#pragma once

#include <windows.h>

#include "shell/start_presenter.h"

namespace kvd::win32 {

inline constexpr UINT_PTR kLayoutReportTimer = 100;

// Starts the report's timer on `window` when the variable is set.
void StartLayoutReport(HWND window);
void WriteLayoutReport(StartState startState);

}  // namespace kvd::win32
