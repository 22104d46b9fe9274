// The skins, library copies and bitmap files the fault cases are made of.
#include "tests/test_faults/faults.h"

namespace faults {

const std::vector<RGBQUAD> kTwoColours = {{0, 255, 0, 0}, {255, 0, 255, 0}};

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

Bytes BmpDirect(int bitCount, DWORD compression, const std::vector<DWORD>& masks,
                const std::function<DWORD(COLORREF)>& encode)
{
    const int width = 100;
    const int height = 59;
    Bytes b = BmpHeaders(width, height, bitCount, compression, 0, 0,
                         static_cast<DWORD>(masks.size() * 4));
    for (DWORD mask : masks)
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(mask >> (8 * i)));
    const int rowBytes = (width * bitCount + 31) / 32 * 4;
    const int pixelBytes = bitCount / 8;
    for (int m = 0; m < height; ++m) {
        Bytes row(rowBytes, 0);
        for (int x = 0; x < width; ++x) {
            const DWORD v = encode(TestPixel(x, height - 1 - m));
            for (int i = 0; i < pixelBytes; ++i)
                row[x * pixelBytes + i] = static_cast<unsigned char>(v >> (8 * i));
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

Bytes BmpRle(int bitCount, const Bytes& ownStream)
{
    Bytes stream = ownStream;
    if (stream.empty()) {
        auto run = [&](int count, int index) {
            stream.push_back(static_cast<unsigned char>(count));
            stream.push_back(static_cast<unsigned char>(bitCount == 8 ? index : index * 0x11));
        };
        for (int m = 0; m < 59; ++m) {
            const int y = 58 - m;
            if (y >= 43) {
                run(24, 0);
                run(76, 1);
            } else {
                run(100, 0);
            }
            stream.push_back(0);
            stream.push_back(m == 58 ? 1 : 0);   // end of line, end of bitmap
        }
    }
    Bytes b = BmpHeaders(100, 59, bitCount, bitCount == 8 ? BI_RLE8 : BI_RLE4,
                         static_cast<DWORD>(stream.size()), 2, 8);
    for (const RGBQUAD& q : kTwoColours) {
        b.push_back(q.rgbBlue);
        b.push_back(q.rgbGreen);
        b.push_back(q.rgbRed);
        b.push_back(0);
    }
    b.insert(b.end(), stream.begin(), stream.end());
    return b;
}

Bytes Bmp24Test(int width, int height, bool topDown)
{
    return Bmp24(width, height, TestPixel, topDown);
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
