// Reads single pixels of a bitmap file straight from the file, for callers
// that need a few pixels and not the image.
#pragma once

#include <windows.h>

// For a file the bitmap check finds sound that is uncompressed, stored
// bottom-up, with a 40-byte or longer header and 1, 4, 8, 24 or 32 bits per
// pixel: fills colors[i] with the colour of points[i] (y from the top row),
// as GetPixel reads it from the image the platform's loader makes of the file
// (CLR_INVALID outside the image), and returns 1. Returns 0 for every other
// file, and when a read fails: such a file is for the loader.
int SampleBitmapFile(const char* fileName, const POINT* points, int count, COLORREF* colors);
