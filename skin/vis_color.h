// The skin's 24 vis colours, from "viscolor.txt" over built-in defaults.
#pragma once

#include <windows.h>

#include <cstdio>

// The entries and their roles: the sixteen bar colours from the tip's
// (kFirstBarColor) to the base's, and the peak colour; the rest are unused.
const int kVisColorCount = 24;
const int kFirstBarColor = 2;
const int kBarColorCount = 16;
const int kPeakColor = 23;

extern const COLORREF defaultVisColors[kVisColorCount];

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

// Told of each line read: its entry, the line as read (before splitting)
// and what it gave. For the skin check; the plug-in passes none.
typedef void (*VisColorLineHook)(void* context, int entry, const char* line,
                                 const VisColorLine& read);

class VisColor {
public:
    VisColor();
    int ReadVisColors(const char* path);
    // Fills the entries in order from the lines of an open text stream.
    void ReadVisColorLines(std::FILE* file, VisColorLineHook hook = nullptr,
                           void* context = nullptr);

    COLORREF colors[kVisColorCount];
};
