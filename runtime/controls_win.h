// Between the window layer and the Win32 mirror of the control objects. Windows build only;
// no <windows.h> here: handles travel as void*.
#pragma once

namespace tarnvel::detail {

// Layout units (pixels at 96 DPI) to screen pixels and back, at the system's DPI.
int ToPixels(int units);
int ToUnits(int pixels);

// The system's message font (an HFONT), made once; CJK text renders with it.
void* MessageFont();

// The user changed a child control (WM_COMMAND notification code, or WM_NOTIFY with its
// header): the attached control object takes the window's new value.
void PullControlChange(void* childHwnd, unsigned code, const void* notifyHeader);

// Brings every recorded change of controls attached on the calling thread into their windows.
// While the thread is inside ProcessEventsDuringRun, the lines of a visible list box that took
// lines less than half a second ago wait (a timer of the thread brings them in then), unless
// `all`.
void FlushControlChangesOfThisThread(bool all = false);
// Whether the calling thread is inside ProcessEventsDuringRun.
bool& LinesMayWaitOnThisThread();

}  // namespace tarnvel::detail
