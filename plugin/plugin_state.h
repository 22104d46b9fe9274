// The running plug-in's state. Init creates the owned objects and Quit
// destroys them; each pointer is null while its object does not exist. All
// of it belongs to the thread that calls Init, Render and Quit; the hooks on
// the host window's thread read hostWindow alone, which is atomic and never
// freed.
#pragma once

#include <windows.h>

#include <atomic>

class ZelpinConfig;
class SkinSuck;
class VisColor;

extern std::atomic<HWND> hostWindow;  // Init, from hwndParent; kept through Quit
extern ZelpinConfig* config;     // Init / Quit
extern SkinSuck* skinSuck;       // Init / Quit
extern VisColor* visColor;       // Init / Quit
extern char skinPath[MAX_PATH];  // ReloadSkin (from the locator or a notice) and Init
extern char lastSkinName[MAX_PATH];  // ReloadSkin and Init
extern HHOOK hookHandle;         // Init / Quit
extern HINSTANCE libraryInstance; // the library's own handle, from DllMain
