#include <gtest/gtest.h>

#include <cstdlib>

#include "image/bmp_check.h"
#include "image/dib_surface.h"
#include "player/main_window.h"
#include "tests/support/bitmap_kinds.h"
#include "tests/support/draw_fixtures.h"
#include "tests/support/skin_load_path.h"

namespace {

// "width x height, bits, stride" of the image the surface holds, "empty"
// when it holds none; a surface holds all of its parts or none.
std::string Shape(const DibSurface& s)
{
    const int parts = (s.header != nullptr) + (s.pixels != nullptr) + (s.memDC != nullptr) + (s.bitmap != nullptr);
    if (parts < 4)
        return parts ? std::to_string(parts) + " of its 4 parts" : "empty";
    return std::to_string(s.header->biWidth) + " x " + std::to_string(s.header->biHeight) + ", " +
           std::to_string(s.header->biBitCount) + " bits, stride " + std::to_string(s.stride);
}

// A 275 x 116 24-bit image, the size of a skin's main window bitmap.
Bytes MainBmp()
{
    return Bmp24(275, 116, Gradient);
}

std::vector<RGBQUAD> Colours(int count)
{
    std::vector<RGBQUAD> colours(count);
    for (int i = 0; i < count; ++i) {
        colours[i].rgbBlue = static_cast<BYTE>(i);
        colours[i].rgbGreen = static_cast<BYTE>(255 - i);
        colours[i].rgbRed = static_cast<BYTE>(i / 2);
        colours[i].rgbReserved = 0;
    }
    return colours;
}

// The bytes cut, or padded with zeros, to size.
Bytes Sized(Bytes bytes, size_t size)
{
    bytes.resize(size);
    return bytes;
}

// The file with value written over the width (2 or 4) bytes at `at`.
Bytes Edited(Bytes b, size_t at, int width, DWORD value)
{
    if (width == 2)
        PutWord(&b, at, static_cast<WORD>(value));
    else
        PutDword(&b, at, value);
    return b;
}

// The same image with an info header of `size` bytes; a 124-byte (version 5)
// one names colour space csType and profileSize bytes of profile, at
// profileAt from the header's start (0: right after the pixels, when there is
// a profile), with profileBytes of it in the file.
Bytes WithInfoHeader(const Bytes& info, DWORD size, DWORD csType = 0, DWORD profileSize = 0,
                     DWORD profileBytes = 0, DWORD profileAt = 0)
{
    Bytes b(info.begin(), info.begin() + 54);
    b.resize(14 + size, 0);
    PutDword(&b, 14, size);
    PutDword(&b, 10, GetDword(info, 10) + size - 40);
    b.insert(b.end(), info.begin() + 54, info.end());
    if (size == 124) {
        PutDword(&b, 14 + 56, csType);
        PutDword(&b, 14 + 112, profileAt || !profileSize ? profileAt : static_cast<DWORD>(b.size() - 14));
        PutDword(&b, 14 + 116, profileSize);
    }
    b.resize((profileAt ? 14 + profileAt : b.size()) + profileBytes, 0x33);
    PutDword(&b, 2, static_cast<DWORD>(b.size()));
    return b;
}

}  // namespace

TEST(DibSurface, CreateGivesPaddedStrideAndBottomUpRows)
{
    struct Case { int width, height; const char* shape; } cases[] = {
        {76, 16, "76 x 16, 24 bits, stride 228"}, {76, 272, "76 x 272, 24 bits, stride 228"},
        {275, 116, "275 x 116, 24 bits, stride 828"}};
    for (const Case& c : cases) {
        DibSurface s;
        ASSERT_EQ(1, s.Create(c.width, c.height, 24));
        EXPECT_EQ(c.shape, Shape(s));
        EXPECT_EQ(c.width, s.bounds.right);
        EXPECT_EQ(c.height, s.bounds.bottom);

        // The top row on screen is the last row in memory, and back.
        SetPixel(s.memDC, 5, 0, RGB(0x11, 0x22, 0x33));
        GdiFlush();
        const unsigned char* top = s.pixels + (c.height - 1) * s.stride + 15;
        EXPECT_EQ(0x33, top[0]);
        EXPECT_EQ(0x22, top[1]);
        EXPECT_EQ(0x11, top[2]);
        s.pixels[3] = 0x44;  // memory row 0, column 1, blue
        s.pixels[4] = 0x55;
        s.pixels[5] = 0x66;
        EXPECT_EQ(RGB(0x66, 0x55, 0x44), GetPixel(s.memDC, 1, c.height - 1));
    }
}

TEST(DibSurface, LoadOfMissingFileFailsAndLeavesSurfaceEmpty)
{
    DibSurface s;
    ASSERT_EQ(1, s.Create(76, 16, 24));
    EXPECT_EQ(0, s.Load(TempFile("no such file.bmp").c_str(), 0, 0));
    EXPECT_EQ("empty", Shape(s));
    s.Release();
    s.Release();
    EXPECT_EQ("empty", Shape(s));
}

// The host program's own bitmap resources come before files.
TEST(DibSurface, LoadFindsABitmapResourceOfTheProgramFirst)
{
    WriteBytes(TempFile("ZELPINSKIN"), Bmp24(4, 3, Gradient));
    const std::string folder = TempFile("");
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    SetCurrentDirectoryA(folder.c_str());
    DibSurface s;
    const int loaded = s.Load("ZELPINSKIN", 0, 0);
    SetCurrentDirectoryA(before);
    ASSERT_EQ(1, loaded);
    EXPECT_EQ("2 x 1, 24 bits, stride 8", Shape(s));
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), GetPixel(s.memDC, 0, 0));
    EXPECT_EQ(RGB(0x40, 0x50, 0x60), GetPixel(s.memDC, 1, 0));
}

TEST(DibSurface, LoadOf8BitFileKeepsItsHeaderAndPalette)
{
    const std::string path = TempFile("eight.bmp");
    WriteBytes(path, BmpPaletted(20, 10, 8, Colours(256),
                                 [](int x, int y) { return (x + 20 * y) & 0xFF; }));
    DibSurface s;
    ASSERT_EQ(1, s.Load(path.c_str(), 0, 0));
    EXPECT_EQ("20 x 10, 8 bits, stride 20", Shape(s));
    for (int i : {0, 1, 100, 255}) {
        EXPECT_EQ(i, s.palette[i].rgbBlue) << "entry " << i;
        EXPECT_EQ(255 - i, s.palette[i].rgbGreen) << "entry " << i;
        EXPECT_EQ(i / 2, s.palette[i].rgbRed) << "entry " << i;
    }
    // Pixel (3, 2) has index 43; memory row 7 holds screen row 2.
    EXPECT_EQ(43, s.pixels[7 * 20 + 3]);
    EXPECT_EQ(RGB(21, 212, 43), GetPixel(s.memDC, 3, 2));
}

TEST(DibSurface, CreateLoadCreateEachReplaceTheImage)
{
    const std::string path = TempFile("main.bmp");
    WriteBytes(path, MainBmp());
    DibSurface s;
    ASSERT_EQ(1, s.Create(76, 16, 24));
    ASSERT_EQ(1, s.Load(path.c_str(), 0, 0));
    EXPECT_EQ("275 x 116, 24 bits, stride 828", Shape(s));
    EXPECT_EQ(RGB(30, 40, 70), GetPixel(s.memDC, 30, 40));
    ASSERT_EQ(1, s.Create(76, 272, 24));
    EXPECT_EQ("76 x 272, 24 bits, stride 228", Shape(s));
}

TEST(DibSurface, DrawAtAndDrawStretchedCopyTheHeadersSize)
{
    const std::string path = TempFile("small.bmp");
    WriteBytes(path, Bmp24(4, 3, [](int x, int y) { return RGB(10 * x, 10 * y, 99); }));
    DibSurface source;  // a loaded surface keeps zero bounds
    ASSERT_EQ(1, source.Load(path.c_str(), 0, 0));
    DibSurface target;
    ASSERT_EQ(1, target.Create(20, 10, 24));
    PatBlt(target.memDC, 0, 0, 20, 10, BLACKNESS);

    EXPECT_TRUE(source.DrawAt(target.memDC, 2, 1));
    EXPECT_EQ(RGB(0, 0, 99), GetPixel(target.memDC, 2, 1));
    EXPECT_EQ(RGB(30, 20, 99), GetPixel(target.memDC, 5, 3));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(target.memDC, 6, 3));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(target.memDC, 5, 4));

    const RECT doubled = {10, 0, 18, 6};
    EXPECT_TRUE(source.DrawStretched(target.memDC, doubled));
    EXPECT_EQ(RGB(0, 0, 99), GetPixel(target.memDC, 11, 1));
    EXPECT_EQ(RGB(30, 20, 99), GetPixel(target.memDC, 17, 5));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(target.memDC, 18, 5));

    DibSurface empty;
    EXPECT_FALSE(empty.DrawAt(target.memDC, 0, 0));
    EXPECT_FALSE(empty.DrawStretched(target.memDC, doubled));
}

// A skin's main bitmap may be anything; none of it may take the player down
// (the kinds of bitmaps are loaded below).
TEST(DibSurface, DamagedOrOddMainBitmapEndsInACleanResult)
{
    const Bytes full = MainBmp();  // 54 + 828 * 116 = 96102 bytes
    ASSERT_EQ(96102u, full.size());
    const Bytes eightBit = BmpPaletted(275, 116, 8, Colours(256),
                                       [](int x, int y) { return (x * y) & 0xFF; });
    struct Case { const char* name; Bytes bytes; int loads; } cases[] = {
        {"empty", Bytes(), 0},
        {"cut at 40", Sized(full, 40), 0},
        {"cut at 100", Sized(full, 100), 0},
        {"cut at 47904", Sized(full, 47904), 0},
        {"cut by one byte", Sized(full, full.size() - 1), 0},
        {"8-bit cut inside palette", Sized(eightBit, 54 + 500), 0},
        {"not a bitmap", Bytes(5000, 'x'), 0},
        {"8-bit", eightBit, 1},
    };
    for (const Case& c : cases) {
        const std::string path = TempFile("odd.bmp");
        WriteBytes(path, c.bytes);
        DibSurface s;
        EXPECT_EQ(c.loads, s.Load(path.c_str(), 0, 0)) << c.name;
        EXPECT_EQ(c.loads ? "275 x 116, 8 bits, stride 276" : "empty", Shape(s)) << c.name;
    }
}

TEST(BitmapCheck, HeadersMustAddUpToTheFile)
{
    // 16 x 2 run-length images: a white bottom row and a black top row.
    auto runLength = [](int bitCount, DWORD compression, unsigned char white) {
        Bytes b = BmpHeaders(16, 2, bitCount, compression, 10, 2, 8);
        b.insert(b.end(), {0, 0, 0, 0, 255, 255, 255, 0, 16, white, 0, 0, 16, 0, 0, 0, 0, 1});
        return b;
    };
    const Bytes rle = runLength(8, BI_RLE8, 1);

    Bytes fields = BmpHeaders(4, 2, 16, BI_BITFIELDS, 0, 0, 12);
    const DWORD masks[] = {0xF800, 0x07E0, 0x001F};
    for (DWORD m : masks)
        for (int i = 0; i < 4; ++i)
            fields.push_back(static_cast<unsigned char>(m >> (8 * i)));
    fields.resize(fields.size() + 16, 0x5A);

    const Bytes plain = Bmp24(4, 2, Gradient);  // 54 + 2 * 12 bytes
    // 16,384 pixels is the widest side taken; one more is refused.
    const Bytes widest = Bmp24(16384, 1, Gradient);
    const Bytes core24 = WithCoreHeader(plain);   // 14 + 12 + 2 * 12 bytes
    ASSERT_EQ(50u, core24.size());
    const Bytes core8 = WithCoreHeader(BmpPaletted(4, 2, 8, Colours(256), [](int x, int) { return x; }));
    ASSERT_EQ(14u + 12 + 768 + 8, core8.size());

    const DWORD embedded = 0x4D424544;   // 'MBED'
    const DWORD linked = 0x4C494E4B;     // 'LINK'
    const DWORD sRGB = 0x73524742;       // 'sRGB': no profile

    struct Case { const char* name; Bytes bytes; int sound; } cases[] = {
        {"plain 24-bit", plain, 1},
        {"RLE8 within the file", rle, 1},
        {"RLE8 stated one byte longer than the file", Edited(rle, 34, 4, 11), 0},
        {"RLE8 top-down", Edited(rle, 22, 4, static_cast<DWORD>(-2)), 0},
        {"16-bit bitfields", fields, 1},
        {"16-bit bitfields, masks missing", Sized(fields, 54 + 8), 0},
        {"two planes", Edited(plain, 26, 2, 2), 0},
        {"7 bits per pixel", Edited(plain, 28, 2, 7), 0},
        {"pixels offset past the end", Edited(plain, 10, 4, 60), 0},
        {"pixels offset inside the headers", Edited(plain, 10, 4, 30), 0},
        {"64-byte header", Edited(plain, 14, 4, 64), 0},
        {"zero width", Edited(plain, 18, 4, 0), 0},
        {"256 colours", Edited(Edited(Sized(plain, 54 + 1024 + 24), 46, 4, 256), 10, 4, 54 + 1024), 1},
        {"257 colours", Edited(Edited(Sized(plain, 54 + 1028 + 24), 46, 4, 257), 10, 4, 54 + 1028), 0},
        {"\"BA\" for \"BM\"", Edited(plain, 0, 2, 'B' | 'A' << 8), 0},
        {"JPEG compression", Edited(plain, 30, 4, BI_JPEG), 0},
        {"24-bit bitfields", Edited(fields, 28, 2, 24), 0},
        {"RLE8 at 4 bits per pixel", Edited(rle, 28, 2, 4), 0},
        {"RLE8 without a stated size", Edited(rle, 34, 4, 0), 0},
        {"RLE4 within the file", runLength(4, BI_RLE4, 0x11), 1},
        {"zero height", Edited(plain, 22, 4, 0), 0},
        {"pixel offset 0: the pixels follow the headers", Edited(plain, 10, 4, 0), 1},
        {"16384 x 1", widest, 1},
        {"1 x 16384", Sized(Edited(Edited(widest, 18, 4, 1), 22, 4, 16384), 54 + 4 * 16384), 1},
        {"16385 x 1", Sized(Edited(widest, 18, 4, 16385), 54 + 49156), 0},
        {"1 x 16385", Sized(Edited(Edited(widest, 18, 4, 1), 22, 4, 16385), 54 + 4 * 16385), 0},
        {"core header, 24-bit", core24, 1},
        {"core header, 8-bit", core8, 1},
        {"core header, 1-bit", WithCoreHeader(BmpPaletted(4, 2, 1, Colours(2), [](int x, int) { return x & 1; })), 1},
        {"core header, 8-bit with only 16 colours", WithCoreHeader(BmpPaletted(4, 2, 8, Colours(16), [](int x, int) { return x; })), 0},
        {"core header cut by one byte", Sized(core24, core24.size() - 1), 0},
        {"core header, two planes", Edited(core24, 22, 2, 2), 0},
        {"core header, 16-bit", Edited(core24, 24, 2, 16), 0},
        {"core header, 32-bit", Edited(core24, 24, 2, 32), 0},
        {"version 5 header, sRGB", WithInfoHeader(plain, 124, sRGB, 100), 1},
        {"version 5 header, profile inside", WithInfoHeader(plain, 124, embedded, 16, 16), 1},
        {"version 5 header, profile past the end", WithInfoHeader(plain, 124, embedded, 17, 16), 0},
        {"version 5 header, linked profile past the end", WithInfoHeader(plain, 124, linked, 9, 8), 0},
    };
    for (const Case& c : cases) {
        const std::string path = TempFile("check.bmp");
        WriteBytes(path, c.bytes);
        EXPECT_EQ(c.sound, BitmapFileLooksSound(path.c_str())) << c.name;
    }
    EXPECT_EQ(0, BitmapFileLooksSound(TempFile("absent.bmp").c_str()));

    DibSurface s;
    const std::string path = TempFile("rle.bmp");
    WriteBytes(path, rle);
    ASSERT_EQ(1, s.Load(path.c_str(), 0, 0));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(s.memDC, 3, 0));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(s.memDC, 3, 1));

    // Files with the core header load with their pixels and colours.
    WriteBytes(path, core24);
    ASSERT_EQ(1, s.Load(path.c_str(), 0, 0));
    EXPECT_EQ("4 x 2, 24 bits, stride 12", Shape(s));
    EXPECT_EQ(Gradient(3, 1), GetPixel(s.memDC, 3, 1));
    WriteBytes(path, core8);
    ASSERT_EQ(1, s.Load(path.c_str(), 0, 0));
    EXPECT_EQ("4 x 2, 8 bits, stride 4", Shape(s));
    EXPECT_EQ(255 - 3, s.palette[3].rgbGreen);
    EXPECT_EQ(RGB(1, 252, 3), GetPixel(s.memDC, 3, 0));
}

// Files the loader takes come out as the platform's loader makes them,
// whichever way they are read: header, colour table and every pixel byte;
// the others leave the surface empty. Rows read alone hold the whole image's
// pixels, for spans inside the image, at its edges and partly past them.
TEST(DibSurface, LoadedFilesEqualThePlatformLoaderWholeAndInRows)
{
    for (const BitmapKind& kind : kBitmapKinds) {
        const std::string path = TempFile("kind.bmp");
        WriteBytes(path, KindFile(kind));
        DibSurface whole;
        ASSERT_EQ(kind.loads ? 1 : 0, whole.Load(path.c_str(), 0, 0)) << kind.what;
        if (!kind.loads) {
            EXPECT_EQ("empty", Shape(whole)) << kind.what;
            continue;
        }
        EXPECT_EQ("", DifferenceFromPlatformLoader(path.c_str(), whole)) << kind.what;
        const int height = std::abs(whole.header->biHeight);
        ASSERT_EQ(std::abs(kind.height), height) << kind.what;
        const struct {
            int top;
            int count;
        } spans[] = {{kVisTop, kVisHeight}, {0, 1}, {height - 1, 1}, {height - 3, 16}, {-2, 4}, {0, height}};
        for (const auto& span : spans) {
            DibSurface rows;
            ASSERT_EQ(1, rows.LoadRows(path.c_str(), span.top, span.count)) << kind.what;
            EXPECT_EQ("", DifferenceInRows(rows, whole, span.top, span.count))
                << kind.what << ", rows " << span.top << " to " << span.top + span.count - 1;
        }
    }
}

// A plain file's section is made from a 40-byte info header and the file's
// colour table, whatever header the file has: each gives the pixels and
// colours of its 40-byte twin, also a version-5 header whose embedded colour
// profile lies a megabyte past the header, far beyond any copy of it.
TEST(DibSurface, EveryInfoHeaderGivesTheImageOfItsPlainTwin)
{
    const Bytes twin = BmpPaletted(20, 10, 8, Colours(256), [](int x, int y) { return (x * 7 + y) & 0xFF; });
    const std::string twinPath = TempFile("twin.bmp");
    WriteBytes(twinPath, twin);
    DibSurface plain;
    ASSERT_EQ(1, plain.Load(twinPath.c_str(), 0, 0));
    for (const Bytes& b : {WithInfoHeader(twin, 40), WithInfoHeader(twin, 52), WithInfoHeader(twin, 56),
                           WithInfoHeader(twin, 108), WithInfoHeader(twin, 124),
                           WithInfoHeader(twin, 124, 0x4D424544, 4096, 4096, 1 << 20)}) {
        const std::string what = std::to_string(GetDword(b, 14)) + "-byte header, " + std::to_string(b.size()) + " bytes";
        const std::string path = TempFile("header.bmp");
        WriteBytes(path, b);
        DibSurface s;
        ASSERT_EQ(1, s.Load(path.c_str(), 0, 0)) << what;
        EXPECT_EQ(40u, s.header->biSize) << what;
        EXPECT_EQ("", DifferenceInRows(s, plain, 0, 10)) << what;
        EXPECT_EQ(0, memcmp(plain.palette, s.palette, 256 * sizeof(RGBQUAD))) << what;
    }
}

// Asked for another size, the platform's loader scales the image; a size of
// 0 keeps the image's own.
TEST(DibSurface, LoadAtAnotherSizeScales)
{
    const std::string path = TempFile("scaled.bmp");
    WriteBytes(path, MainBmp());
    const struct { int cx, cy; const char* shape; } cases[] = {
        {38, 8, "38 x 8, 24 bits, stride 116"}, {0, 8, "275 x 8, 24 bits, stride 828"},
        {38, 0, "38 x 116, 24 bits, stride 116"}};
    for (const auto& c : cases) {
        DibSurface s;
        ASSERT_EQ(1, s.Load(path.c_str(), c.cx, c.cy)) << c.cx << " x " << c.cy;
        EXPECT_EQ(c.shape, Shape(s)) << c.cx << " x " << c.cy;
    }
}
