// The bitmap file format as the check and the direct sampler read it: the
// header sizes and the little-endian fields.
#pragma once

#include <windows.h>

const unsigned kBmpFileHeaderSize = 14;
const unsigned kBmpCoreHeaderSize = 12;
const unsigned kBmpInfoHeaderSize = 40;
const unsigned kBmpV5HeaderSize = 124;

inline unsigned BmpWord(const unsigned char* p)
{
    return p[0] | (p[1] << 8);
}

inline DWORD BmpDword(const unsigned char* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
           (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}
