// What the player defines for a visualisation plug-in: the two records it
// exchanges with the library (laid out exactly as the player expects them in
// a 32-bit process), the library's one export, and the messages the player
// answers. Nothing of the plug-in's own lives here.
#pragma once

#include <windows.h>
#include <cstddef>

struct winampVisModule {
    char* description;
    HWND hwndParent;
    HINSTANCE hDllInstance;
    int sRate;
    int nCh;
    int latencyMs;
    int delayMs;
    int spectrumNch;
    int waveformNch;
    unsigned char spectrumData[2][576];
    unsigned char waveformData[2][576];
    void (__cdecl* Config)(winampVisModule* module);
    int (__cdecl* Init)(winampVisModule* module);
    int (__cdecl* Render)(winampVisModule* module);
    void (__cdecl* Quit)(winampVisModule* module);
    void* userData;
};

struct winampVisHeader {
    int version;
    char* description;
    winampVisModule* (__cdecl* getModule)(int index);
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(winampVisModule) == 2360, "module record must match the host");
static_assert(offsetof(winampVisModule, hwndParent) == 4, "hwndParent");
static_assert(offsetof(winampVisModule, hDllInstance) == 8, "hDllInstance");
static_assert(offsetof(winampVisModule, sRate) == 12, "sRate");
static_assert(offsetof(winampVisModule, nCh) == 16, "nCh");
static_assert(offsetof(winampVisModule, latencyMs) == 20, "latencyMs");
static_assert(offsetof(winampVisModule, delayMs) == 24, "delayMs");
static_assert(offsetof(winampVisModule, spectrumNch) == 28, "spectrumNch");
static_assert(offsetof(winampVisModule, waveformNch) == 32, "waveformNch");
static_assert(offsetof(winampVisModule, spectrumData) == 36, "spectrumData");
static_assert(offsetof(winampVisModule, waveformData) == 1188, "waveformData");
static_assert(offsetof(winampVisModule, Config) == 2340, "Config");
static_assert(offsetof(winampVisModule, Init) == 2344, "Init");
static_assert(offsetof(winampVisModule, Render) == 2348, "Render");
static_assert(offsetof(winampVisModule, Quit) == 2352, "Quit");
static_assert(offsetof(winampVisModule, userData) == 2356, "userData");
static_assert(sizeof(winampVisHeader) == 12, "header record must match the host");
#endif

// The library's export, "winampVisGetHeader": the player calls it first.
typedef winampVisHeader* (__cdecl* winampVisGetHeaderType)();

// The player's messages, sent synchronously as WM_USER to its main window,
// the request in lParam.
// Answers the player's version number (0 from a player that does not know it).
const LPARAM IPC_GETVERSION = 0;
// wParam: a buffer of MAX_PATH characters that receives the current skin
// folder's full path; answers the address of the skin's name.
const LPARAM IPC_GETSKIN = 201;

