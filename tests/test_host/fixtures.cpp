// The skins, bitmaps and host options the host cases are made of.
#include "tests/test_host/host_tests.h"

#include <cstdio>

namespace host_test {

std::string ThisExecutable()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string TestFolder()
{
    static const TempFolder folder("host");
    return folder.Path();
}

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::vector<unsigned char> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
    return bytes;
}

Bytes MainBitmap(COLORREF fill, COLORREF mark)
{
    return Bmp24(275, 116, [=](int x, int y) { return x == 5 && y == 5 ? mark : fill; });
}

std::string MakeSkins(const std::string& name)
{
    std::string skins = TestFolder() + "\\" + name;
    CreateDirectoryA(skins.c_str(), nullptr);
    CreateDirectoryA((skins + "\\Alpha").c_str(), nullptr);
    CreateDirectoryA((skins + "\\Beta").c_str(), nullptr);
    CreateDirectoryA((skins + "\\Broken").c_str(), nullptr);
    WriteBytes(skins + "\\Alpha\\MAIN.BMP", MainBitmap(kAlpha, kMark));
    WriteBytes(skins + "\\Beta\\main.bmp", MainBitmap(kBeta, kMark));
    std::vector<unsigned char> cut = MainBitmap(kBeta, kMark);
    cut.resize(1000);
    WriteBytes(skins + "\\Broken\\main.bmp", cut);
    return skins;
}

StandInHost::Options OptionsFor(const std::string& skins, const std::string& skin)
{
    StandInHost::Options options;
    options.version = 0x1234;
    options.skinsFolder = skins;
    options.skin = skin;
    options.pluginPath = ThisExecutable();
    return options;
}

SIZE WindowSize(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    SIZE s = {r.right - r.left, r.bottom - r.top};
    return s;
}

std::string IniSkinDir(const std::string& ini)
{
    char value[MAX_PATH] = "";
    GetPrivateProfileStringA("Winamp", "SkinDir", "", value, MAX_PATH, ini.c_str());
    return value;
}

bool WaitForFrames(const StandInHost& host, long frames)
{
    for (int i = 0; i < 12000 && host.FramesRendered() < frames; ++i) Sleep(5);
    return host.FramesRendered() >= frames;
}

}  // namespace host_test
