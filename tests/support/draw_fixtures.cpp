#include "tests/support/draw_fixtures.h"

#include "tests/support/bitmap_kinds.h"
#include "tests/support/skin_files.h"

#include <cstdio>
#include <cstring>

namespace {

const size_t kHeadersSize = 14 + 40;

int RowBytes(int width, int bitCount)
{
    return (width * bitCount + 31) / 32 * 4;
}

}  // namespace

COLORREF Gradient(int x, int y)
{
    return RGB(x & 0xFF, y & 0xFF, (x + y) & 0xFF);
}

std::string Junk(unsigned seed, size_t size)
{
    std::string junk;
    while (junk.size() < size) {
        seed = seed * 1103515245u + 12345u;
        junk += static_cast<char>(seed >> 24);
    }
    return junk;
}

void PutWord(Bytes* bytes, size_t at, WORD value)
{
    (*bytes)[at] = static_cast<unsigned char>(value);
    (*bytes)[at + 1] = static_cast<unsigned char>(value >> 8);
}

void PutDword(Bytes* bytes, size_t at, DWORD value)
{
    PutWord(bytes, at, static_cast<WORD>(value));
    PutWord(bytes, at + 2, static_cast<WORD>(value >> 16));
}

DWORD GetDword(const Bytes& bytes, size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<DWORD>(bytes[at + 3]) << 24;
}

Bytes BmpHeaders(int width, int height, int bitCount, DWORD compression, DWORD sizeImage,
                 DWORD clrUsed, DWORD paletteBytes)
{
    Bytes b(kHeadersSize, 0);
    b[0] = 'B';
    b[1] = 'M';
    const DWORD offset = static_cast<DWORD>(kHeadersSize) + paletteBytes;
    const DWORD imageBytes = sizeImage ? sizeImage
                                       : static_cast<DWORD>(RowBytes(width, bitCount)) *
                                             static_cast<DWORD>(height < 0 ? -height : height);
    PutDword(&b, 2, offset + imageBytes);
    PutDword(&b, 10, offset);
    PutDword(&b, 14, 40);
    PutDword(&b, 18, static_cast<DWORD>(width));
    PutDword(&b, 22, static_cast<DWORD>(height));
    PutWord(&b, 26, 1);
    PutWord(&b, 28, static_cast<WORD>(bitCount));
    PutDword(&b, 30, compression);
    PutDword(&b, 34, sizeImage);
    PutDword(&b, 46, clrUsed);
    return b;
}

Bytes Bmp24(int width, int height, const PixelFunction& pixel, bool topDown)
{
    const BitmapKind kind = {"24 bits", width, topDown ? -height : height, 24, BI_RGB, 40, 0, 0, true, true};
    Bytes b = KindFile(kind, pixel);
    PutDword(&b, 34, 0);   // no stated image size, as BmpHeaders writes
    return b;
}

Bytes BmpPaletted(int width, int height, int bitCount, const std::vector<RGBQUAD>& colours,
                  const IndexFunction& index)
{
    const DWORD paletteBytes = static_cast<DWORD>(colours.size() * 4);
    Bytes b = BmpHeaders(width, height, bitCount, BI_RGB, 0,
                         static_cast<DWORD>(colours.size()), paletteBytes);
    for (const RGBQUAD& q : colours) {
        b.push_back(q.rgbBlue);
        b.push_back(q.rgbGreen);
        b.push_back(q.rgbRed);
        b.push_back(0);
    }
    const int rowBytes = RowBytes(width, bitCount);
    const int perByte = 8 / bitCount;
    for (int m = 0; m < height; ++m) {
        Bytes row(rowBytes, 0);
        for (int x = 0; x < width; ++x) {
            const int shift = 8 - bitCount * (x % perByte + 1);
            row[x / perByte] |= static_cast<unsigned char>(index(x, height - 1 - m) << shift);
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

std::string TempFile(const char* name)
{
    static const TempFolder folder("draw");
    return folder / name;
}

void WriteBytes(const std::string& path, const Bytes& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

winampVisModule SilentModule()
{
    winampVisModule module;
    std::memset(&module, 0, sizeof(module));
    module.sRate = 44100;
    module.nCh = 2;
    return module;
}
