// Main bitmaps of every kind skins come in, made as files for the tests.
#pragma once

#include <windows.h>

#include <vector>

#include "tests/support/draw_fixtures.h"

struct BitmapKind {
    const char* what;
    int width;
    int height;                 // negative: rows stored top-down
    int bitCount;
    DWORD compression;
    DWORD infoSize;             // 40, or 108 and 124 for the version-4 and -5 headers
    unsigned tableColors;       // colour table entries, and the header's count of them
    unsigned indexRange;        // palette indices the pixels use
    bool loads;                 // whether the platform's loader takes the file
    bool direct;                // whether the catalogue samples the file without the loader
    void (*edit)(Bytes* file) = nullptr;
};

// The whole file of a kind, its edit applied. Its pixels are pixel's (a
// pattern of the kinds' own when none); a kind with a colour table then lists
// the colours pixel gives, in the order first met, ahead of its own.
Bytes KindFile(const BitmapKind& kind, const PixelFunction& pixel = nullptr);

extern const std::vector<BitmapKind> kBitmapKinds;

// The same file with the 12-byte core header: width, height, planes and
// depth in 16-bit words, and a colour table of 3-byte entries (blue, green,
// red) in place of 4-byte ones.
Bytes WithCoreHeader(const Bytes& file);

// The kind of that name, at another size when one is given.
BitmapKind KindNamed(const char* what, int width = 0, int height = 0);
