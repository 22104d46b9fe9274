#include <gtest/gtest.h>

#include <algorithm>
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

COLORREF Gradient(int x, int y)
{
    return RGB(x & 0xFF, y & 0xFF, (x + y) & 0xFF);
}

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

// One channel of each blend, from its definition: p is the background's
// channel, q the vis colour's, c the ratio in 128ths; divisions truncate.
int Mix(int p, int q, int c)
{
    return (p * (128 - c) + q * c) / 128;
}

int Add(int p, int q, int c)
{
    return std::min(255, p + q * c / 128);
}

int Subtract(int p, int q, int c)
{
    return std::max(0, p - q * c / 128);
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

    // A main bitmap of one colour everywhere.
    void BuildOnPlain(COLORREF background)
    {
        Build(Bmp24(275, 116, [background](int, int) { return background; }));
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
    };
    for (const Case& c : cases) {
        settings.blendMethod = c.method;
        settings.ratio = c.ratio;
        settings.peaks = 1;
        for (int i = 0; i < 24; ++i)
            colors.colors[i] = c.color;
        BuildOnPlain(c.background);
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
}

// Every pixel of all seventeen frames and of the peak row against the
// definition written out here, for every mode, method and bar direction, on
// 24-bit and paletted mains: frame f shows the background with a bar of f
// pixels counted from its base (the bottom row, or the top row with rain);
// bar row d takes entry 17 - d in mode 0, 18 - f in mode 2, f + 1 - d
// otherwise; the peak row is the background blended with entry 23.
TEST_F(StripBuilder, EveryPixelFollowsTheDefinition)
{
    std::vector<RGBQUAD> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[i] = RGBQUAD{static_cast<BYTE>(i * 3), static_cast<BYTE>(255 - i),
                             static_cast<BYTE>(i * 7), 0};
    const auto paletted = [&palette](int bits) {
        const IndexFunction index = [bits](int x, int y) { return (x * 7 + y * 3) % (1 << bits); };
        return std::make_pair(BmpPaletted(100, 59, bits, palette, index),
                              PixelFunction([&palette, index](int x, int y) {
                                  const RGBQUAD q = palette[index(x, y)];
                                  return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
                              }));
    };
    const struct {
        const char* name;
        std::pair<Bytes, PixelFunction> main;
    } mains[] = {
        {"24-bit", {Bmp24(100, 59, Gradient), Gradient}},
        {"8-bit", paletted(8)},
        {"4-bit", paletted(4)},
        {"1-bit", paletted(1)},
    };
    int (*const channels[3])(int p, int q, int c) = {Mix, Add, Subtract};
    const int ratio = 77;
    settings.ratio = ratio;
    settings.peaks = 1;

    for (const auto& main : mains) {
        const std::string path = TempFile("main.bmp");
        WriteBytes(path, main.main.first);
        DibSurface image;
        ASSERT_EQ(1, image.Load(path.c_str(), 0, 0)) << main.name;
        const PixelFunction& source = main.main.second;
        for (unsigned char mode : {0, 1, 2})
            for (unsigned char method : {0, 1, 2})
                for (int rain : {0, 1}) {
                    settings.analyzerMode = mode;
                    settings.blendMethod = method;
                    settings.rain = rain;
                    BuildStrip(&image, settings, colors);
                    const auto blend = [&](COLORREF p, COLORREF q) {
                        const auto f = channels[method];
                        return RGB(f(GetRValue(p), GetRValue(q), ratio),
                                   f(GetGValue(p), GetGValue(q), ratio),
                                   f(GetBValue(p), GetBValue(q), ratio));
                    };
                    std::string first;
                    int differences = 0;
                    // Memory row m of a 16-row picture is row 15 - m from its top.
                    const auto check = [&](const unsigned char* p, COLORREF want,
                                           const std::string& where) {
                        const COLORREF got = RGB(p[2], p[1], p[0]);
                        if (got != want && differences++ == 0)
                            first = where + ": " + Hex(got) + ", expected " + Hex(want);
                    };
                    for (int f = 0; f <= 16; ++f)
                        for (int m = 0; m < 16; ++m)
                            for (int x = 0; x < 76; ++x) {
                                const COLORREF background = source(24 + x, 43 + 15 - m);
                                const int d = rain ? 15 - m : m;
                                const int entry =
                                    mode == 0 ? 17 - d : mode == 2 ? 18 - f : f + 1 - d;
                                const int row = 16 * f + m;
                                check(stripSurface->pixels + row * stripSurface->stride + 3 * x,
                                      d < f ? blend(background, Entry(entry)) : background,
                                      "frame " + std::to_string(f) + " memory row " +
                                          std::to_string(m) + " x " + std::to_string(x));
                            }
                    for (int m = 0; m < 16; ++m)
                        for (int x = 0; x < 76; ++x)
                            check(peakSurface->pixels + m * peakSurface->stride + 3 * x,
                                  blend(source(24 + x, 43 + 15 - m), Entry(23)),
                                  "peak row memory row " + std::to_string(m) + " x " +
                                      std::to_string(x));
                    EXPECT_EQ(0, differences)
                        << main.name << " main, mode " << int(mode) << ", method " << int(method)
                        << ", rain " << rain << ": first at " << first;
                }
    }
}

namespace {

// The sweep's background: the bottom four rows of the vis area hold 304
// pixels, so each channel takes every value 0..255, each channel in its own
// order.
int SweepBackground(int x, int d, int channel)
{
    const int n = 76 * d + x;
    switch (channel) {
    case 0: return n % 256;
    case 1: return (511 - n) % 256;
    default: return (n + 170) % 256;
    }
}

// Colour slot k (0..13) of build b: 42 values a build, 14 in each channel,
// so over 7 builds every value 0..255 comes round in one channel or another.
int SweepColor(int b, int k, int channel)
{
    return (42 * b + 14 * channel + k) % 256;
}

// Slots 0..12 are the bar entries 2..14, slot 13 the peak colour.
int SweepEntry(int k)
{
    return k < 13 ? 2 + k : 23;
}

// With colours picked from the bar's tip (mode 1), entry 2 + k paints row d
// of frame d + 1 + k: memory row 16 (d + 1 + k) + d of the strip. The peak
// colour paints memory row d of the peak row.
const unsigned char* SweepPixel(int k, int d, int x)
{
    if (k < 13)
        return stripSurface->pixels + (16 * (d + 1 + k) + d) * stripSurface->stride + 3 * x;
    return peakSurface->pixels + d * peakSurface->stride + 3 * x;
}

const char* const kChannelNames[3] = {"red", "green", "blue"};

}  // namespace

// Every background channel value meets every vis colour channel value, at
// the default ratios 49 and 51 and at ratios where truncation shows. Entries
// 2..14 each paint the bottom four rows in some frame, and the peak colour
// paints them in the peak row: 14 colours a build against all 256 background
// values in each channel. (A build costs a tenth of a second on an emulated
// CPU, hence the channels share out the colour values.)
TEST_F(StripBuilder, BlendsFollowTheirDefinitionForEveryChannelPair)
{
    struct Method { const char* name; unsigned char number; int (*channel)(int p, int q, int c); };
    const Method methods[] = {{"mix", 0, Mix}, {"add", 1, Add}, {"subtract", 2, Subtract}};
    const unsigned char ratios[] = {0, 1, 49, 51, 64, 100, 127, 128};
    const int kSlots = 14;
    const int kBuilds = 7;

    // The vis area sits at 24,43 of a 100 x 59 main bitmap: its row d from
    // the bottom is memory row d.
    DibSurface image;
    ASSERT_EQ(1, image.Create(100, 59, 24));
    for (int d = 0; d < 4; ++d)
        for (int x = 0; x < 76; ++x) {
            unsigned char* pixel = image.pixels + d * image.stride + 3 * (24 + x);
            for (int channel = 0; channel < 3; ++channel)
                pixel[2 - channel] = static_cast<unsigned char>(SweepBackground(x, d, channel));
        }

    settings.analyzerMode = 1;
    settings.peaks = 1;
    for (const Method& method : methods)
        for (unsigned char ratio : ratios) {
            settings.blendMethod = method.number;
            settings.ratio = ratio;
            std::vector<bool> met(256 * 256, false);
            int differences = 0;
            for (int b = 0; b < kBuilds; ++b) {
                for (int k = 0; k < kSlots; ++k)
                    colors.colors[SweepEntry(k)] = RGB(SweepColor(b, k, 0), SweepColor(b, k, 1),
                                                       SweepColor(b, k, 2));
                BuildStrip(&image, settings, colors);
                for (int k = 0; k < kSlots; ++k)
                    for (int d = 0; d < 4; ++d)
                        for (int x = 0; x < 76; ++x)
                            for (int channel = 0; channel < 3; ++channel) {
                                const int p = SweepBackground(x, d, channel);
                                const int q = SweepColor(b, k, channel);
                                const int expected = method.channel(p, q, ratio);
                                const int got = SweepPixel(k, d, x)[2 - channel];
                                met[p * 256 + q] = true;
                                if (got != expected && ++differences <= 5) {
                                    EXPECT_EQ(expected, got)
                                        << method.name << ", ratio " << int(ratio) << ", "
                                        << kChannelNames[channel] << " of background " << p
                                        << " and colour " << q << " (entry " << SweepEntry(k)
                                        << ", row " << d << ", x " << x << ")";
                                }
                            }
            }
            EXPECT_EQ(0, differences) << method.name << ", ratio " << int(ratio)
                                      << ": checked channel values that differ from the definition";
            EXPECT_EQ(met.size(), static_cast<size_t>(std::count(met.begin(), met.end(), true)))
                << "channel pairs the sweep met";
        }
}
