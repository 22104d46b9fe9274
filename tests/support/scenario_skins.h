// The two skins the host scenarios switch between. With "Ratio" 100 percent
// and the mix blend the vis colours are laid on unchanged, and "AnalyzerMode"
// 2 paints a full bar in entry 2 alone, so every expected pixel is one of
// these colours.
#pragma once

#include <windows.h>

#include "tests/support/skin_files.h"

const COLORREF kFrameA = RGB(40, 40, 48);
const COLORREF kBackgroundA = RGB(10, 20, 30);
const COLORREF kBarA = RGB(200, 30, 0);
const COLORREF kPeak = RGB(0, 40, 250);
const COLORREF kFrameB = RGB(90, 90, 20);
const COLORREF kBackgroundB = RGB(60, 70, 80);
const COLORREF kBarB = RGB(0, 210, 90);

// The scenarios' skins in full; a third, Gamma, for the soak's rounds.
struct SkinColours {
    const char* name;
    COLORREF frame;
    COLORREF background;
    COLORREF bar;
};
const SkinColours kScenarioSkins[] = {
    {"Alpha", kFrameA, kBackgroundA, kBarA},
    {"Beta", kFrameB, kBackgroundB, kBarB},
    {"Gamma", RGB(160, 20, 120), RGB(30, 0, 60), RGB(240, 240, 200)},
};


// A player's folders in root: Skins holding the scenario skins, Plugins a copy
// of the library. Returns the copy's path.
inline std::string MakePlayerFolders(const TempFolder& root)
{
    MakeFolder(root / "Skins");
    for (const SkinColours& skin : kScenarioSkins)
        MakeSkin(root / (std::string("Skins\\") + skin.name), skin.frame, skin.background, skin.bar,
                 kPeak, kSolid);
    MakeFolder(root / "Plugins");
    const std::string library = root / "Plugins\\vis_zelpin.dll";
    CopyFileA((ExeFolder() + "\\vis_zelpin.dll").c_str(), library.c_str(), FALSE);
    return library;
}
