// Reading what a window shows, through its drawing context.
#pragma once

#include <windows.h>
#include <vector>

// Copies the window's w x h pixels at x,y into bgr as BGR bytes, row by row
// from the top (3 * w bytes a row, no padding).
bool ReadWindowPixels(HWND window, int x, int y, int w, int h,
                      std::vector<unsigned char>& bgr);

// The vis area of the host window for its current size: as placed in the
// main window (player/main_window.h), doubled at double size; false while
// the window is shaded.
bool VisAreaRect(HWND window, RECT& area);
