#include "draw/strip_builder.h"

#include "draw/surfaces.h"
#include "image/dib_surface.h"
#include "skin/vis_color.h"
#include "skin/zelpin_config.h"

ColorPicker colorPicker = PickFromTop;
BlendPixel blendPixel = BlendMix;

namespace {

const int kFirstBarColor = 2;
const int kPeakColor = 23;
const int kVisColorCount = 24;
const int kFullRatio = 128;

// The ratio and colours of the build in progress, read by the pickers and blends.
unsigned char buildRatio;
COLORREF buildColors[kVisColorCount];

// Applies f to each of the three 8-bit channels of p and q.
template <typename Channel>
COLORREF PerChannel(COLORREF p, COLORREF q, Channel f)
{
    return RGB(f(GetRValue(p), GetRValue(q)), f(GetGValue(p), GetGValue(q)),
               f(GetBValue(p), GetBValue(q)));
}

void PaintRow(HDC dc, int y, COLORREF color)
{
    for (int x = 0; x < kVisWidth; ++x) {
        COLORREF pixel = GetPixel(dc, x, y);
        blendPixel(&pixel, color);
        SetPixel(dc, x, y, pixel);
    }
}

// Block 0 of the strip takes the background; a skin image smaller than
// 100 x 59 leaves the part of the rectangle it does not cover black.
void LayBackground(DibSurface* skinImage)
{
    HDC strip = stripSurface->memDC;
    PatBlt(strip, 0, 0, kVisWidth, kVisHeight, BLACKNESS);
    BitBlt(strip, 0, 0, kVisWidth, kVisHeight, skinImage->memDC, kVisLeft, kVisTop, SRCCOPY);
    for (int y = kVisHeight; y < kVisHeight * kStripFrames; y += kVisHeight)
        BitBlt(strip, 0, y, kVisWidth, kVisHeight, strip, 0, 0, SRCCOPY);
}

ColorPicker PickerFor(unsigned char analyzerMode)
{
    switch (analyzerMode) {
    case 0: return PickByRow;
    case 2: return PickByHeight;
    default: return PickFromTop;
    }
}

BlendPixel BlendFor(unsigned char blendMethod)
{
    switch (blendMethod) {
    case 1: return BlendAdd;
    case 2: return BlendSubtract;
    default: return BlendMix;
    }
}

// Block i (frame 16 - i) gets its bottom 16 - i rows painted.
void PaintStandingBars(HDC strip)
{
    for (int i = 0; i < kVisHeight; ++i)
        for (int j = kVisHeight - 1; j >= i; --j)
            PaintRow(strip, kVisHeight * i + j, colorPicker(i, j));
}

// Block k (frame 16 - k) gets its top 16 - k rows painted.
void PaintHangingBars(HDC strip)
{
    for (int k = 0; k < kVisHeight; ++k)
        for (int j = 0; j <= kVisHeight - 1 - k; ++j)
            PaintRow(strip, kVisHeight * k + j, colorPicker(k, kVisHeight - 1 - j));
}

void BuildPeakRow()
{
    HDC peak = peakSurface->memDC;
    BitBlt(peak, 0, 0, kVisWidth, kVisHeight, stripSurface->memDC, 0,
           kVisHeight * (kStripFrames - 1), SRCCOPY);
    for (int y = 0; y < kVisHeight; ++y)
        PaintRow(peak, y, buildColors[kPeakColor]);
}

}  // namespace

COLORREF PickByRow(int, int b)
{
    return buildColors[b + kFirstBarColor];
}

COLORREF PickFromTop(int a, int b)
{
    return buildColors[b - a + kFirstBarColor];
}

COLORREF PickByHeight(int a, int)
{
    return buildColors[a + kFirstBarColor];
}

void BlendMix(COLORREF* pixel, COLORREF color)
{
    const int c = buildRatio;
    *pixel = PerChannel(*pixel, color, [c](int p, int q) {
        return static_cast<BYTE>((p * (kFullRatio - c) + q * c) / kFullRatio);
    });
}

void BlendAdd(COLORREF* pixel, COLORREF color)
{
    const int c = buildRatio;
    *pixel = PerChannel(*pixel, color, [c](int p, int q) {
        const int sum = p + q * c / kFullRatio;
        return static_cast<BYTE>(sum > 255 ? 255 : sum);
    });
}

void BlendSubtract(COLORREF* pixel, COLORREF color)
{
    const int c = buildRatio;
    *pixel = PerChannel(*pixel, color, [c](int p, int q) {
        const int difference = p - q * c / kFullRatio;
        return static_cast<BYTE>(difference < 0 ? 0 : difference);
    });
}

void BuildStrip(DibSurface* skinImage, const ZelpinConfig& settings, const VisColor& colors)
{
    buildRatio = settings.ratio;
    for (int i = 0; i < kVisColorCount; ++i)
        buildColors[i] = colors.colors[i];

    LayBackground(skinImage);
    colorPicker = PickerFor(settings.analyzerMode);
    blendPixel = BlendFor(settings.blendMethod);
    if (settings.rain)
        PaintHangingBars(stripSurface->memDC);
    else
        PaintStandingBars(stripSurface->memDC);
    if (settings.peaks)
        BuildPeakRow();
    // The analyser reads these pixels from memory: let pending drawing land.
    GdiFlush();
}
