// Checks that a bitmap file's headers and size add up before the platform's
// loader sees it: some loaders crash the process on a file cut short.
#pragma once

// 1 when the file at fileName is a complete, well-formed BMP, 0 otherwise.
int BitmapFileLooksSound(const char* fileName);

// The same check on bytes already read: the first got bytes of the file (the
// headers need at most 138) and the file's size.
int BitmapHeadLooksSound(const unsigned char* head, unsigned long got, long long fileSize);
