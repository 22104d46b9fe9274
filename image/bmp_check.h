// Checks that a bitmap file's headers and size add up before the platform's
// loader sees it: some loaders crash the process on a file cut short.
#pragma once

#include <cstddef>

#include "image/bmp_format.h"

// How much of the start of a file the check reads: the file header and the
// largest info header.
const unsigned kBitmapHeadSize = kBmpFileHeaderSize + kBmpV5HeaderSize;

// 1 when the file at fileName is a complete, well-formed BMP, 0 otherwise.
int BitmapFileLooksSound(const char* fileName);

// The same for a file of fileSize bytes whose first headSize bytes are at
// head; headSize is kBitmapHeadSize, or the whole file when it is shorter.
int BitmapHeadLooksSound(const unsigned char* head, size_t headSize, long long fileSize);
