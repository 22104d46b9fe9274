// The files a skin folder is read from, and which settings file counts.
#pragma once

#include <windows.h>

struct SkinFiles {
    char settings[MAX_PATH];   // "zelpin.txt", or "zelpin.ini" when there is none
    char colors[MAX_PATH];     // "viscolor.txt"
    char bitmap[MAX_PATH];     // "main.bmp"
};

// Fills files for folder; 0 when the folder is empty or too deep for them.
int LocateSkinFiles(const char* folder, SkinFiles* files);
