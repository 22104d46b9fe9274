#include "bench/bench_skins.h"

#include <windows.h>

#include <cstdio>

#include "tests/support/skin_files.h"

std::string SkinName(int index)
{
    char name[16];
    std::snprintf(name, sizeof name, "Skin%03d", index % 1000);
    return name;
}

namespace {

BYTE Channel(int value)
{
    return static_cast<BYTE>(value & 0xFF);
}

}  // namespace

void MakeSkins(const std::string& skinsFolder, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::string folder = skinsFolder + "\\" + SkinName(i);
        MakeFolder(folder);
        // A shaded frame, and a dotted vis area, in colours of the skin's own.
        const COLORREF background = RGB(Channel(i), Channel(i * 7), Channel(40 + i * 3));
        const COLORREF dots = RGB(Channel(i + 30), Channel(i * 7 + 30), Channel(70 + i * 3));
        WriteBmp24(folder + "\\main.bmp", kMainWindowWidth, kMainWindowHeight,
                   [&](int x, int y) -> COLORREF {
            if (InVisArea(x, y))
                return (x + y) % 2 != 0 ? dots : background;
            return RGB(Channel(i * 5 + y), Channel(i * 11 + x / 2), Channel(i * 13));
        });
        WriteTextFile(folder + "\\viscolor.txt",
                      VisColorText(RGB(Channel(250 - i), Channel(i * 3), 90), RGB(255, 255, Channel(i))));
        // Every blend and colour mode in turn, all with peaks.
        char settings[160];
        std::snprintf(settings, sizeof settings,
                      "[ZELPIN]\r\nBlendMethod=%d\r\nAnalyzerMode=%d\r\nRatio=%d\r\nEnable=1\r\n"
                      "Peaks=1\r\nRain=0\r\n",
                      i % 3, (i / 3) % 3, 50 + i % 51);
        WriteTextFile(folder + "\\zelpin.txt", settings);
    }
}
