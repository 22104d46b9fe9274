// The running plug-in's shared state. Init creates the owned objects and
// Quit destroys them; each pointer is null while its object does not exist.
#pragma once

#include <windows.h>

class ZelpinConfig;
class SkinSuck;
class VisColor;

extern HWND hostWindow;          // Init, from hwndParent; kept through Quit
extern ZelpinConfig* config;     // Init / Quit
extern SkinSuck* skinSuck;       // Init / Quit
extern VisColor* visColor;       // Init / Quit
extern char skinPath[MAX_PATH];  // Init and ReloadSkin (notices reach it through the handover)
extern char lastSkinName[MAX_PATH];  // ReloadSkin and Init
extern HHOOK hookHandle;         // Init / Quit
