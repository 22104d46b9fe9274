// The skins, bitmaps and host options the host cases are made of.
#include "tests/test_host/host_tests.h"

#include <cstdio>

namespace host_test {

namespace {

void Put32(std::vector<unsigned char>& b, size_t at, unsigned v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace

std::string ThisExecutable()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string TestFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "zelpin_host_test";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
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

unsigned Get32(const std::vector<unsigned char>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<unsigned>(b[at + 3]) << 24;
}

std::vector<unsigned char> MainBitmap(COLORREF fill, COLORREF mark)
{
    const unsigned stride = 828;
    std::vector<unsigned char> b(54 + stride * 116, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<unsigned>(b.size()));
    Put32(b, 10, 54);
    Put32(b, 14, 40);
    Put32(b, 18, 275);
    Put32(b, 22, 116);
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < 116; ++y)
        for (int x = 0; x < 275; ++x) {
            COLORREF c = x == 5 && y == 5 ? mark : fill;
            unsigned char* p = &b[54 + (115 - y) * stride + x * 3];
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    return b;
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
