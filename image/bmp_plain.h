// Plain bitmap files, the kind readers may take without the platform's
// loader: uncompressed, no bit fields, bottom-up rows, a header of 40 bytes or
// more, 1, 4, 8, 24 or 32 bits per pixel, a stated pixel offset, and a colour
// table within the head that was read.
#pragma once

#include <windows.h>

#include "image/bmp_format.h"

// The start of a file to read for the layout: the file header, the largest
// info header and the largest colour table.
const unsigned kBmpPlainHeadSize = kBmpFileHeaderSize + kBmpV5HeaderSize + 256 * 4;

struct PlainBitmapLayout {
    long long width;
    long long height;
    unsigned bitCount;
    long long pixelOffset;
    long long rowBytes;
    DWORD infoSize;
    unsigned tableEntries;  // colour table entries in the file
    unsigned colorCount;    // of them, the ones a pixel may name
    const unsigned char* info;
    const unsigned char* colorTable;
};

// Fills layout from the first `got` bytes of a file the bitmap check has
// found sound; false for every file that is not plain.
bool ReadPlainLayout(const unsigned char* head, DWORD got, PlainBitmapLayout* layout);

// A seek and a plain read: on some platforms a read at an offset given with
// the call goes a much slower way.
bool ReadFileAt(HANDLE file, long long offset, void* buffer, DWORD size, DWORD* got);
