// The dots per inch a window is drawn at, and pixel sizes made for 96 dpi
// scaled to it. GetDpiForWindow (Windows 10) answers a window's own dpi under
// per-monitor awareness; older systems and a missing call fall back to the
// screen's LOGPIXELSY.
#pragma once

#include <windows.h>

int windowDpi(HWND window);
// `pixels` at 96 dpi, at the window's dpi.
int scaleForWindow(HWND window, int pixels);
