// Checks that a bitmap file's headers and size add up before the platform's
// loader sees it: some loaders crash the process on a file cut short.
#pragma once

// 1 when the file at fileName is a complete, well-formed BMP, 0 otherwise.
int BitmapFileLooksSound(const char* fileName);
