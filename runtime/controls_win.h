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
void FlushControlChangesOfThisThread();

}  // namespace tarnvel::detail
