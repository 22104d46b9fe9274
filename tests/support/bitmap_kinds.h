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

// The whole file of a kind, its edit applied.
Bytes KindFile(const BitmapKind& kind);

extern const std::vector<BitmapKind> kBitmapKinds;
