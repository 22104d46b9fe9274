// The skins, library copies and bitmap files the fault cases are made of.
#include "tests/test_faults/faults.h"

namespace faults {

COLORREF TestPixel(int x, int y)
{
    return InVisArea(x, y) ? kBackgroundF : kFrameF;
}

std::string MakeSkin(const std::string& folder, COLORREF frame, COLORREF background, COLORREF bar,
                     const std::string& settings, bool wholeWindow)
{
    return ::MakeSkin(folder, frame, background, bar, kPeak, settings,
                      wholeWindow ? MainBitmapSize::Window : MainBitmapSize::Corner);
}

std::string Install(const std::string& folder, const std::string& pluginIni)
{
    MakeFolder(folder);
    const std::string library = folder + "\\vis_zelpin.dll";
    CopyFileA((ExeFolder() + "\\vis_zelpin.dll").c_str(), library.c_str(), FALSE);
    if (!pluginIni.empty()) WriteTextFile(folder + "\\plugin.ini", pluginIni);
    return library;
}

Bytes CornerFile(const char* kind, const std::string& ownRuns)
{
    Bytes b = KindFile(KindNamed(kind, 100, 59), TestPixel);
    if (!ownRuns.empty()) {
        b.resize(GetDword(b, 10));
        b.insert(b.end(), ownRuns.begin(), ownRuns.end());
        PutDword(&b, 2, static_cast<DWORD>(b.size()));
        PutDword(&b, 34, static_cast<DWORD>(ownRuns.size()));
    }
    return b;
}

std::string RandomBytes(std::mt19937& random, size_t size)
{
    std::string s(size, '\0');
    for (char& c : s) c = static_cast<char>(random() & 0xFF);
    return s;
}

std::string Repeat(const std::string& unit, size_t count)
{
    std::string s;
    s.reserve(unit.size() * count);
    for (size_t i = 0; i < count; ++i) s += unit;
    return s;
}

}  // namespace faults
