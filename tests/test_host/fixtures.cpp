// The skins, bitmaps and host options the host cases are made of.
#include "tests/test_host/host_tests.h"

#include <fstream>
#include <iterator>

namespace host_test {

std::string TestFolder()
{
    static const TempFolder folder("host");
    return folder.Path();
}

Bytes ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

Bytes MainBitmap(COLORREF fill, COLORREF mark)
{
    return Bmp24(275, 116, [=](int x, int y) { return x == 5 && y == 5 ? mark : fill; });
}

std::string MakeSkins(const std::string& name)
{
    const std::string skins = TestFolder() + "\\" + name;
    for (const char* skin : {"", "\\Alpha", "\\Beta", "\\Broken"}) MakeFolder(skins + skin);
    WriteBytes(skins + "\\Alpha\\MAIN.BMP", MainBitmap(kAlpha, kMark));
    Bytes beta = MainBitmap(kBeta, kMark);
    WriteBytes(skins + "\\Beta\\main.bmp", beta);
    beta.resize(1000);
    WriteBytes(skins + "\\Broken\\main.bmp", beta);
    return skins;
}

const std::string& Skins()
{
    static const std::string skins = MakeSkins("skins");
    return skins;
}

StandInHost::Options OptionsFor(const std::string& skin, const std::string& skins)
{
    StandInHost::Options options;
    options.version = 0x1234;
    options.skinsFolder = skins;
    options.skin = skin;
    options.pluginPath = ExePath();
    return options;
}

SIZE WindowSize(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
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
