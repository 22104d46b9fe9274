// The skin's 24 vis colours, from "viscolor.txt" over built-in defaults.
#pragma once

#include <windows.h>

#include <cstdio>

extern const COLORREF defaultVisColors[24];

// One line of "viscolor.txt" as the table reads it: at most three tokens,
// split at spaces, commas, tabs and line feeds, each converted as atoi does.
struct VisColorLine {
    int tokens;              // tokens taken, 0..3; missing components are 0
    int numbers;             // of those, how many start with digits
    int value[3];            // red, green, blue as converted, held to 32 bits
    unsigned char low[3];    // the low 8 bits of the exact value: what is stored
};

// Reads one line; splits it in place, as strtok does.
VisColorLine ReadVisColorLine(char* line);

class VisColor {
public:
    VisColor();
    int ReadVisColors(const char* path);
    // Fills the entries in order from the lines of an open text stream.
    void ReadVisColorLines(std::FILE* file);

    COLORREF colors[24];
};
