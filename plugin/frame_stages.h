// What the stage pointers may hold besides the drawers: the skin reload, the
// stage selection and the two presenters into the host window.
#pragma once

#include <windows.h>

#include "player/vis_plugin.h"

// The files a skin folder is loaded from.
struct SkinFiles {
    char settings[MAX_PATH];   // "zelpin.txt", or "zelpin.ini" when there is none
    char colors[MAX_PATH];     // "viscolor.txt"
    char bitmap[MAX_PATH];     // "main.bmp"
};

// Fills files for folder; 0 when the folder is empty or too deep for them.
int LocateSkinFiles(const char* folder, SkinFiles* files);

void ReloadSkin(winampVisModule* module);
// Makes ReloadSkin the update stage, for a hook on the host window's thread;
// a reload running meanwhile keeps it armed.
void ArmReload();
void SelectStages();
void PresentNormal();
void PresentDouble();
