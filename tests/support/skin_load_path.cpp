#include "tests/support/skin_load_path.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "draw/strip_builder.h"
#include "draw/surfaces.h"
#include "image/bmp_sample.h"
#include "image/dib_surface.h"
#include "skin/skin_signature.h"
#include "skin/vis_color.h"
#include "skin/zelpin_config.h"

namespace {

const size_t kFields = 15;

// The bitmap's own fields, then its info header's.
std::array<LONG, kFields> Fields(const DIBSECTION& d)
{
    const BITMAPINFOHEADER& h = d.dsBmih;
    return {d.dsBm.bmWidth, d.dsBm.bmHeight, d.dsBm.bmWidthBytes, d.dsBm.bmBitsPixel,
            static_cast<LONG>(h.biSize), h.biWidth, h.biHeight, h.biPlanes, h.biBitCount,
            static_cast<LONG>(h.biCompression), static_cast<LONG>(h.biSizeImage), h.biXPelsPerMeter,
            h.biYPelsPerMeter, static_cast<LONG>(h.biClrUsed), static_cast<LONG>(h.biClrImportant)};
}

// The first difference in the pixels of memory rows first..end - 1 of two
// images of one size and depth; row padding and the unused bits of a row's
// last byte show nowhere.
std::string RowDifference(const DIBSECTION& a, const DIBSECTION& b, LONG first, LONG end)
{
    const long long usedBits = static_cast<long long>(b.dsBm.bmWidth) * b.dsBm.bmBitsPixel;
    const size_t wholeBytes = static_cast<size_t>(usedBits / 8);
    const unsigned lastMask = (0xFF00u >> (usedBits % 8)) & 0xFFu;
    for (LONG m = first; m < end; ++m) {
        const unsigned char* mine = static_cast<unsigned char*>(a.dsBm.bmBits) + m * a.dsBm.bmWidthBytes;
        const unsigned char* expected = static_cast<unsigned char*>(b.dsBm.bmBits) + m * b.dsBm.bmWidthBytes;
        const size_t same = std::mismatch(expected, expected + wholeBytes, mine).first - expected;
        if (same != wholeBytes || (lastMask && ((mine[same] ^ expected[same]) & lastMask))) {
            char what[96];
            std::snprintf(what, sizeof what, "memory row %ld, byte %u: 0x%02x, expected 0x%02x",
                          static_cast<long>(m), static_cast<unsigned>(same), mine[same], expected[same]);
            return what;
        }
    }
    return "";
}

}  // namespace

std::string DifferenceInRows(const DibSurface& part, const DibSurface& whole, int top, int count)
{
    DIBSECTION a = {};
    DIBSECTION b = {};
    GetObjectA(part.bitmap, sizeof a, &a);
    GetObjectA(whole.bitmap, sizeof b, &b);
    if (a.dsBm.bmWidthBytes != b.dsBm.bmWidthBytes || a.dsBm.bmHeight != b.dsBm.bmHeight ||
        a.dsBm.bmBitsPixel != b.dsBm.bmBitsPixel)
        return "another size or depth";
    const LONG height = b.dsBm.bmHeight;
    const LONG first = top > 0 ? top : 0;
    const LONG end = count < height - first ? first + count : height;
    // Counted from the top, stored bottom-up.
    return end <= first ? "" : RowDifference(a, b, height - end, height - first);
}

std::string DifferenceFromPlatformLoader(const char* path, const DibSurface& loaded)
{
    HBITMAP platform = static_cast<HBITMAP>(
        LoadImageA(NULL, path, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE));
    if (!platform) {
        char why[64];
        std::snprintf(why, sizeof why, "the platform's loader refuses the file (error %lu)", GetLastError());
        return why;
    }
    DIBSECTION a = {};
    DIBSECTION b = {};
    GetObjectA(loaded.bitmap, sizeof a, &a);
    GetObjectA(platform, sizeof b, &b);
    const std::array<LONG, kFields> ours = Fields(a);
    const std::array<LONG, kFields> theirs = Fields(b);
    char what[96] = "";
    for (size_t i = 0; !what[0] && i < kFields; ++i)
        if (ours[i] != theirs[i])
            std::snprintf(what, sizeof what, "field %u: %ld, the loader's %ld", static_cast<unsigned>(i),
                          static_cast<long>(ours[i]), static_cast<long>(theirs[i]));

    RGBQUAD table[256] = {};
    RGBQUAD ourTable[256] = {};
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(dc, platform);
    const UINT entries = GetDIBColorTable(dc, 0, 256, table);
    const UINT ourEntries = GetDIBColorTable(loaded.memDC, 0, 256, ourTable);
    SelectObject(dc, old);
    DeleteDC(dc);
    if (!what[0] && ourEntries != entries)
        std::snprintf(what, sizeof what, "%u colours, the loader's %u", ourEntries, entries);
    for (UINT i = 0; !what[0] && i < entries; ++i)
        if (std::memcmp(&table[i], &ourTable[i], 3) != 0)
            std::snprintf(what, sizeof what, "colour %u", i);

    const std::string difference = what[0] ? what : RowDifference(a, b, 0, b.dsBm.bmHeight);
    DeleteObject(platform);
    return difference;
}

int RunSkinLoadPath(const char* path)
{
    static const int surfaces = SetUpSurfaces();
    static const ZelpinConfig settings(nullptr);   // the built-in defaults
    static const VisColor colors;
    if (!surfaces)
        return -1;
    DibSurface image;
    if (!image.Load(path, 0, 0))
        return 0;
    POINT points[32];
    COLORREF direct[32];
    for (int i = 0; i < 32; ++i)
        points[i] = {samplePoints[i].x, samplePoints[i].y};
    // A file read straight must give what the platform's loader gives; the
    // loader's own images need no comparing.
    const bool plain = SampleBitmapFile(path, points, 32, direct) == 1;
    if (plain && !DifferenceFromPlatformLoader(path, image).empty())
        return -3;
    DibSurface visRows;
    if (visRows.LoadRows(path, kVisTop, kVisHeight) != 1 ||
        !DifferenceInRows(visRows, image, kVisTop, kVisHeight).empty())
        return -4;
    BuildStrip(&image, settings, colors);
    SkinSignature signature;
    signature.Sample(&image);
    for (int i = 0; plain && i < 32; ++i)
        if (ColorKey(direct[i]) != signature.keys[i])
            return -2;
    return 1;
}
