// The skin's 24 vis colours, from "viscolor.txt" over built-in defaults.
#pragma once

#include <windows.h>

extern const COLORREF defaultVisColors[24];

class VisColor {
public:
    VisColor();
    int ReadVisColors(const char* path);

    COLORREF colors[24];
};
