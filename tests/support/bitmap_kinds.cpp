#include "tests/support/bitmap_kinds.h"

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

namespace {

COLORREF KindColour(int x, int y)
{
    return RGB((x * 7 + y) & 0xFF, (y * 11 + x / 3) & 0xFF, ((x ^ y) * 5) & 0xFF);
}

RGBQUAD TableColour(unsigned i)
{
    return RGBQUAD{static_cast<BYTE>(i * 37), static_cast<BYTE>(255 - i), static_cast<BYTE>(i), 0};
}

// The file's pixel data: packed rows, or run-length pairs of one pixel each.
// With a pixel function, a paletted pixel is its colour's place in table.
Bytes KindPixels(const BitmapKind& k, const PixelFunction& pixel, const std::vector<COLORREF>& table)
{
    const int rows = k.height < 0 ? -k.height : k.height;
    const int rowBytes = (k.width * k.bitCount + 31) / 32 * 4;
    Bytes data;
    for (int m = 0; m < rows; ++m) {
        const int y = k.height < 0 ? m : rows - 1 - m;
        Bytes row(k.compression == BI_RLE8 || k.compression == BI_RLE4 ? 0 : rowBytes, 0);
        for (int x = 0; x < k.width; ++x) {
            const COLORREF c = pixel ? pixel(x, y) : KindColour(x, y);
            DWORD v = c;
            if (k.bitCount <= 8 && pixel)
                v = static_cast<DWORD>(std::find(table.begin(), table.end(), c) - table.begin());
            else if (k.bitCount <= 8)
                v = (x * 3 + y * 5 + x * y % 7) % k.indexRange;
            else if (k.bitCount == 16 && k.compression == BI_RGB)
                v = (GetRValue(c) >> 3) << 10 | (GetGValue(c) >> 3) << 5 | GetBValue(c) >> 3;
            else if (k.bitCount == 16)
                v = (GetRValue(c) >> 3) << 11 | (GetGValue(c) >> 2) << 5 | GetBValue(c) >> 3;
            else
                v = 0x80000000u | GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
            if (k.compression == BI_RLE8 || k.compression == BI_RLE4) {
                row.push_back(1);
                row.push_back(static_cast<unsigned char>(k.compression == BI_RLE8 ? v : v << 4));
            } else if (k.bitCount < 8) {
                row[x * k.bitCount / 8] |= static_cast<unsigned char>(
                    v << (8 - k.bitCount - x * k.bitCount % 8));
            } else {
                for (int i = 0; i < k.bitCount / 8; ++i)
                    row[x * k.bitCount / 8 + i] = static_cast<unsigned char>(v >> (8 * i));
            }
        }
        if (k.compression == BI_RLE8 || k.compression == BI_RLE4) {
            row.push_back(0);
            row.push_back(m == rows - 1 ? 1 : 0);   // end of line, end of bitmap
        }
        data.insert(data.end(), row.begin(), row.end());
    }
    return data;
}

// The colours pixel gives, in the order first met, as many as the table holds.
std::vector<COLORREF> TableOf(const BitmapKind& k, const PixelFunction& pixel)
{
    std::vector<COLORREF> table;
    const int rows = k.height < 0 ? -k.height : k.height;
    for (int y = 0; pixel && y < rows; ++y)
        for (int x = 0; x < k.width && table.size() < k.tableColors; ++x)
            if (std::find(table.begin(), table.end(), pixel(x, y)) == table.end())
                table.push_back(pixel(x, y));
    return table;
}

}  // namespace

Bytes WithCoreHeader(const Bytes& info)
{
    const DWORD pixelOffset = GetDword(info, 10);
    const DWORD colours = (pixelOffset - 54) / 4;
    Bytes b(info.begin(), info.begin() + 14 + 12);
    PutDword(&b, 14, 12);
    PutWord(&b, 18, static_cast<WORD>(GetDword(info, 18)));
    PutWord(&b, 20, static_cast<WORD>(GetDword(info, 22)));
    PutWord(&b, 22, static_cast<WORD>(info[26] | info[27] << 8));
    PutWord(&b, 24, static_cast<WORD>(info[28] | info[29] << 8));
    for (DWORD i = 0; i < colours; ++i)
        b.insert(b.end(), info.begin() + 54 + 4 * i, info.begin() + 54 + 4 * i + 3);
    PutDword(&b, 10, static_cast<DWORD>(b.size()));
    b.insert(b.end(), info.begin() + pixelOffset, info.end());
    PutDword(&b, 2, static_cast<DWORD>(b.size()));
    return b;
}

Bytes KindFile(const BitmapKind& k, const PixelFunction& pixel)
{
    const std::vector<COLORREF> table = TableOf(k, pixel);
    const Bytes pixels = KindPixels(k, pixel, table);
    const bool fields = k.compression == BI_BITFIELDS;
    const DWORD masks565[4] = {0xF800, 0x07E0, 0x001F, 0};
    const DWORD masks8888[4] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    const DWORD* masks = k.bitCount == 16 ? masks565 : masks8888;
    Bytes b(14 + k.infoSize + (fields && k.infoSize == 40 ? 12 : 0), 0);
    for (unsigned i = 0; i < k.tableColors; ++i) {
        const RGBQUAD q = i < table.size() ? RGBQUAD{GetBValue(table[i]), GetGValue(table[i]),
                                                     GetRValue(table[i]), 0}
                                           : TableColour(i);
        b.insert(b.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
    }
    const DWORD offset = static_cast<DWORD>(b.size());
    b[0] = 'B';
    b[1] = 'M';
    PutDword(&b, 2, static_cast<DWORD>(offset + pixels.size()));
    PutDword(&b, 10, offset);
    PutDword(&b, 14, k.infoSize);
    PutDword(&b, 18, static_cast<DWORD>(k.width));
    PutDword(&b, 22, static_cast<DWORD>(k.height));
    PutWord(&b, 26, 1);
    PutWord(&b, 28, static_cast<WORD>(k.bitCount));
    PutDword(&b, 30, k.compression);
    PutDword(&b, 34, static_cast<DWORD>(pixels.size()));
    PutDword(&b, 46, k.tableColors);
    for (int i = 0; fields && i < (k.infoSize == 40 ? 3 : 4); ++i)
        PutDword(&b, 54 + 4 * i, masks[i]);
    if (k.infoSize >= 108)
        PutDword(&b, 70, 0x73524742);   // 'sRGB'
    b.insert(b.end(), pixels.begin(), pixels.end());
    if (k.edit)
        k.edit(&b);
    return b;
}

const std::vector<BitmapKind> kBitmapKinds = {
    {"24 bits", 275, 116, 24, BI_RGB, 40, 0, 0, true, true},
    {"24 bits, 275 x 153", 275, 153, 24, BI_RGB, 40, 0, 0, true, true},
    {"24 bits, 100 x 59", 100, 59, 24, BI_RGB, 40, 0, 0, true, true},
    {"24 bits, 80 x 52", 80, 52, 24, BI_RGB, 40, 0, 0, true, true},
    {"24 bits, 1 x 1", 1, 1, 24, BI_RGB, 40, 0, 0, true, true},
    {"24 bits, version-4 header", 275, 116, 24, BI_RGB, 108, 0, 0, true, true},
    {"24 bits, version-5 header", 275, 116, 24, BI_RGB, 124, 0, 0, true, true},
    {"24 bits, top-down rows", 275, -116, 24, BI_RGB, 40, 0, 0, true, false},
    {"32 bits", 275, 116, 32, BI_RGB, 40, 0, 0, true, true},
    {"32 bits in fields, version-5 header", 275, 116, 32, BI_BITFIELDS, 124, 0, 0, true, false},
    {"16 bits", 275, 116, 16, BI_RGB, 40, 0, 0, true, false},
    {"16 bits in 5-6-5 fields", 275, 116, 16, BI_BITFIELDS, 40, 0, 0, true, false},
    {"8 bits, 256 colours", 275, 116, 8, BI_RGB, 40, 256, 256, true, true},
    {"8 bits, 2 colours", 275, 116, 8, BI_RGB, 40, 2, 2, true, true},
    {"8 bits naming colours past its table", 275, 116, 8, BI_RGB, 40, 2, 4, true, false},
    {"4 bits", 275, 116, 4, BI_RGB, 40, 16, 16, true, true},
    {"4 bits, 2 colours", 275, 116, 4, BI_RGB, 40, 2, 2, true, true},
    {"1 bit", 275, 116, 1, BI_RGB, 40, 2, 2, true, true},
    {"1 bit, a header counting 256 colours", 275, 116, 1, BI_RGB, 40, 256, 2, true, true},
    {"24 bits with a 16-colour table", 275, 116, 24, BI_RGB, 40, 16, 0, true, true},
    {"run-length coded, 8 bits", 275, 116, 8, BI_RLE8, 40, 256, 256, true, false},
    {"run-length coded, 4 bits", 275, 116, 4, BI_RLE4, 40, 16, 16, true, false},
    {"12-byte core header", 275, 116, 24, BI_RGB, 40, 0, 0, true, false,
     [](Bytes* b) { *b = WithCoreHeader(*b); }},
    {"pixel offset not stated", 275, 116, 24, BI_RGB, 40, 0, 0, true, false,
     [](Bytes* b) { PutDword(b, 10, 0); }},
    {"cut short", 275, 116, 24, BI_RGB, 40, 0, 0, false, false,
     [](Bytes* b) { b->resize(1000); }},
    {"30000 x 30000 in the header, a tiny body", 1, 1, 24, BI_RGB, 40, 0, 0, false, false,
     [](Bytes* b) {
         PutDword(b, 18, 30000);
         PutDword(b, 22, 30000);
     }},
};

BitmapKind KindNamed(const char* what, int width, int height)
{
    for (BitmapKind kind : kBitmapKinds) {
        if (std::strcmp(kind.what, what) != 0)
            continue;
        if (width) {
            kind.width = width;
            kind.height = height;
        }
        return kind;
    }
    ADD_FAILURE() << "no bitmap kind " << what;
    return kBitmapKinds[0];
}
