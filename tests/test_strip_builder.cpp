#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "draw/strip_builder.h"
#include "draw/surfaces.h"
#include "image/dib_surface.h"
#include "skin/vis_color.h"
#include "skin/zelpin_config.h"
#include "tests/support/draw_fixtures.h"

namespace {

// Background pixel (x, y) of the vis area cut from a Gradient main bitmap.
COLORREF Background(int x, int y)
{
    return Gradient(24 + x, 43 + y);
}

// Vis colour table entries that tell apart which entry painted a pixel.
COLORREF Entry(int i)
{
    return RGB(10 * i, 250 - 10 * i, 100 + i);
}

// Pixel of frame f, row d counted from the bar's base (the bottom row of
// the frame, or its top row when the bars hang), column x.
COLORREF FramePixel(int f, int d, bool hanging, int x)
{
    const int top = 16 * (16 - f);
    return GetPixel(stripSurface->memDC, x, top + (hanging ? d : 15 - d));
}

std::string Hex(COLORREF c)
{
    std::ostringstream s;
    s << "0x" << std::hex << c;
    return s.str();
}

// "" when every pixel x of row d of frame f is expected(x), else the first
// difference.
std::string RowDifference(int f, int d, bool hanging,
                          const std::function<COLORREF(int x)>& expected)
{
    for (int x = 0; x < 76; ++x) {
        const COLORREF got = FramePixel(f, d, hanging, x);
        if (got != expected(x))
            return "frame " + std::to_string(f) + " row " + std::to_string(d) + " x " +
                   std::to_string(x) + ": " + Hex(got) + ", expected " + Hex(expected(x));
    }
    return "";
}

std::string RowDifference(int f, int d, bool hanging, COLORREF expected)
{
    return RowDifference(f, d, hanging, [expected](int) { return expected; });
}

// Row d of frame f showing the bare background.
std::string BackgroundDifference(int f, int d, bool hanging)
{
    const int y = hanging ? d : 15 - d;
    return RowDifference(f, d, hanging, [y](int x) { return Background(x, y); });
}

class StripBuilder : public ::testing::Test {
protected:
    StripBuilder() : settings(TempFile("absent plugin.ini").c_str()) {}

    void SetUp() override
    {
        ASSERT_EQ(1, SetUpSurfaces());
        for (int i = 0; i < 24; ++i)
            colors.colors[i] = Entry(i);
        settings.peaks = 0;
        settings.rain = 0;
        settings.blendMethod = 0;
        settings.analyzerMode = 1;
        settings.ratio = 128;
    }

    // Loads a main bitmap written from bytes and builds the strip from it.
    void Build(const Bytes& mainBmp)
    {
        const std::string path = TempFile("main.bmp");
        WriteBytes(path, mainBmp);
        DibSurface image;
        ASSERT_EQ(1, image.Load(path.c_str(), 0, 0));
        BuildStrip(&image, settings, colors);
    }

    ZelpinConfig settings;
    VisColor colors;
};

}  // namespace

TEST_F(StripBuilder, RatioZeroLeavesEveryFrameTheBackground)
{
    for (unsigned char method : {0, 1, 2})
        for (int rain : {0, 1}) {
            settings.ratio = 0;
            settings.blendMethod = method;
            settings.rain = rain;
            Build(Bmp24(275, 116, Gradient));
            for (int f = 0; f <= 16; ++f)
                for (int d = 0; d < 16; ++d)
                    ASSERT_EQ("", BackgroundDifference(f, d, false))
                        << "method " << int(method) << ", rain " << rain;
        }
}

TEST_F(StripBuilder, EachModePaintsItsEntriesFromTheBarsBase)
{
    const std::vector<int> byRow16 = {17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2};
    struct Case { unsigned char mode; int rain; int frame; std::vector<int> entries; } cases[] = {
        {1, 0, 1, {2}},
        {0, 0, 1, {17}},
        {2, 0, 1, {17}},
        {0, 0, 3, {17, 16, 15}},
        {1, 0, 3, {4, 3, 2}},
        {2, 0, 3, {15, 15, 15}},
        {9, 0, 3, {4, 3, 2}},
        {0, 0, 16, byRow16},
        {1, 0, 16, byRow16},
        {2, 0, 16, std::vector<int>(16, 2)},
        {0, 1, 1, {17}},
        {0, 1, 3, {17, 16, 15}},
        {0, 1, 16, byRow16},
        {1, 1, 3, {4, 3, 2}},
        {2, 1, 3, {15, 15, 15}},
    };
    for (const Case& c : cases) {
        settings.analyzerMode = c.mode;
        settings.rain = c.rain;
        Build(Bmp24(275, 116, Gradient));
        const bool hanging = c.rain != 0;
        const int bar = static_cast<int>(c.entries.size());
        for (int d = 0; d < bar; ++d)
            EXPECT_EQ("", RowDifference(c.frame, d, hanging, Entry(c.entries[d])))
                << "mode " << int(c.mode) << ", rain " << c.rain << ", entry "
                << c.entries[d];
        for (int d = bar; d < 16; ++d)
            EXPECT_EQ("", BackgroundDifference(c.frame, d, hanging))
                << "mode " << int(c.mode) << ", rain " << c.rain;
        for (int d = 0; d < 16; ++d)
            EXPECT_EQ("", BackgroundDifference(0, d, hanging)) << "frame 0 stays bare";
    }
}

TEST_F(StripBuilder, BlendsWorkEachChannelAtTheRatio)
{
    struct Case {
        const char* name;
        unsigned char method, ratio;
        COLORREF background, color, result;
    } cases[] = {
        {"add", 1, 128, RGB(200, 50, 0), RGB(255, 100, 20), RGB(255, 150, 20)},
        {"subtract", 2, 128, RGB(50, 200, 255), RGB(255, 100, 20), RGB(0, 100, 235)},
        {"mix", 0, 64, RGB(200, 40, 0), RGB(100, 0, 255), RGB(150, 20, 127)},
        {"unknown method mixes", 7, 64, RGB(200, 40, 0), RGB(100, 0, 255), RGB(150, 20, 127)},
        {"mix, ratio 1", 0, 1, RGB(200, 40, 0), RGB(100, 0, 255), RGB(199, 39, 1)},
        {"mix, ratio 127", 0, 127, RGB(200, 40, 0), RGB(100, 0, 255), RGB(100, 0, 253)},
        {"mix, ratio 128", 0, 128, RGB(200, 40, 0), RGB(100, 0, 255), RGB(100, 0, 255)},
        {"mix, colour brighter", 0, 64, RGB(10, 20, 30), RGB(210, 121, 231), RGB(110, 70, 130)},
        {"mix, default ratio", 0, 49, RGB(255, 0, 7), RGB(0, 255, 200), RGB(157, 97, 80)},
        {"add, ratio 1", 1, 1, RGB(200, 50, 0), RGB(255, 100, 20), RGB(201, 50, 0)},
        {"add, ratio 127", 1, 127, RGB(200, 50, 0), RGB(255, 100, 20), RGB(255, 149, 19)},
        {"add, colour brighter", 1, 64, RGB(10, 20, 30), RGB(210, 121, 231), RGB(115, 80, 145)},
        {"subtract, ratio 1", 2, 1, RGB(50, 200, 255), RGB(255, 100, 20), RGB(49, 200, 255)},
        {"subtract, ratio 127", 2, 127, RGB(50, 200, 255), RGB(255, 100, 20), RGB(0, 101, 236)},
        {"subtract, colour brighter", 2, 64, RGB(10, 20, 30), RGB(210, 121, 231), RGB(0, 0, 0)},
    };
    for (const Case& c : cases) {
        settings.blendMethod = c.method;
        settings.ratio = c.ratio;
        settings.peaks = 1;
        for (int i = 0; i < 24; ++i)
            colors.colors[i] = c.color;
        Build(Bmp24(275, 116, [&c](int, int) { return c.background; }));
        EXPECT_EQ("", RowDifference(16, 15, false, c.result)) << c.name;
        EXPECT_EQ("", RowDifference(1, 0, false, c.result)) << c.name;
        EXPECT_EQ(c.result, GetPixel(peakSurface->memDC, 75, 15)) << c.name;
        EXPECT_EQ(c.background, FramePixel(1, 1, false, 0)) << c.name;
    }
}

TEST_F(StripBuilder, PeakRowIsBuiltOnlyWhenPeaksAreOn)
{
    const COLORREF marker = RGB(1, 2, 3);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 76; ++x)
            SetPixel(peakSurface->memDC, x, y, marker);
    settings.peaks = 0;
    Build(Bmp24(275, 116, Gradient));
    EXPECT_EQ(marker, GetPixel(peakSurface->memDC, 0, 0));
    EXPECT_EQ(marker, GetPixel(peakSurface->memDC, 75, 15));

    settings.peaks = 1;
    settings.ratio = 0;
    Build(Bmp24(275, 116, Gradient));
    for (int y : {0, 7, 15})
        for (int x : {0, 40, 75})
            EXPECT_EQ(Background(x, y), GetPixel(peakSurface->memDC, x, y)) << x << ", " << y;

    settings.ratio = 128;
    Build(Bmp24(275, 116, Gradient));
    for (int y : {0, 7, 15})
        for (int x : {0, 40, 75})
            EXPECT_EQ(Entry(23), GetPixel(peakSurface->memDC, x, y)) << x << ", " << y;
}

// Where the image does not reach the vis area the background is black.
TEST_F(StripBuilder, SmallOrPalettedMainBitmapGivesADefinedBackground)
{
    settings.ratio = 0;
    Build(Bmp24(60, 50, Gradient));  // covers columns 0..35 and rows 0..6 of the area
    EXPECT_EQ(Background(0, 0), FramePixel(0, 15, false, 0));
    EXPECT_EQ(Background(35, 6), FramePixel(0, 9, false, 35));
    EXPECT_EQ(RGB(0, 0, 0), FramePixel(0, 9, false, 36));
    EXPECT_EQ(RGB(0, 0, 0), FramePixel(0, 8, false, 35));
    EXPECT_EQ(RGB(0, 0, 0), FramePixel(16, 0, false, 75));

    Build(Bmp24(1, 1, Gradient));
    for (int d = 0; d < 16; ++d)
        EXPECT_EQ("", RowDifference(0, d, false, RGB(0, 0, 0)));

    std::vector<RGBQUAD> palette(16);
    for (int i = 0; i < 16; ++i)
        palette[i] = RGBQUAD{static_cast<BYTE>(16 * i), 0, static_cast<BYTE>(255 - i), 0};
    Build(BmpPaletted(275, 116, 4, palette, [](int x, int) { return x % 16; }));
    // Column 0 of the area is image column 24, index 8.
    EXPECT_EQ(RGB(247, 0, 128), FramePixel(0, 0, false, 0));
    EXPECT_EQ(RGB(247, 0, 128), FramePixel(16, 0, false, 0));

    // 1 bit: area pixel (x, y) is image pixel (24 + x, 43 + y), index (x + y + 1) % 2.
    const std::vector<RGBQUAD> twoColours = {{200, 10, 20, 0}, {5, 250, 100, 0}};
    settings.ratio = 64;
    Build(BmpPaletted(275, 116, 1, twoColours, [](int x, int y) { return (x + y) % 2; }));
    EXPECT_EQ(RGB(100, 250, 5), FramePixel(0, 15, false, 0));
    EXPECT_EQ(RGB(20, 10, 200), FramePixel(0, 15, false, 1));
    EXPECT_EQ(RGB(20, 10, 200), FramePixel(0, 0, false, 0));
    // A bar over it: mixed half and half with entry 2, RGB(20, 230, 102).
    EXPECT_EQ(RGB(20, 120, 151), FramePixel(1, 0, false, 0));
    EXPECT_EQ(RGB(60, 240, 53), FramePixel(1, 0, false, 1));
}
