#include "draw/strip_builder.h"

#include <cstring>

#include "draw/surfaces.h"
#include "image/dib_surface.h"
#include "skin/vis_color.h"
#include "skin/zelpin_config.h"

ColorPicker colorPicker = PickFromTop;

namespace {

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

// The pixels of drawing-context row y of a 24-bit surface (y from the top;
// rows are stored bottom-up).
unsigned char* RowFromTop(DibSurface* surface, int y)
{
    return surface->pixels + (surface->header->biHeight - 1 - y) * surface->stride;
}

// Each pixel read, blended and written back in the surface's own memory,
// blue, green, red: exactly what GetPixel and SetPixel see and store at 24 bits.
// The blend is compiled into the row loop; which one is chosen once a build.
template <BlendPixel Blend>
void PaintRowWith(DibSurface* surface, int y, COLORREF color)
{
    unsigned char* p = RowFromTop(surface, y);
    for (int x = 0; x < kVisWidth; ++x, p += 3) {
        COLORREF pixel = RGB(p[2], p[1], p[0]);
        Blend(&pixel, color);
        p[0] = GetBValue(pixel);
        p[1] = GetGValue(pixel);
        p[2] = GetRValue(pixel);
    }
}

typedef void (*PaintRow)(DibSurface* surface, int y, COLORREF color);

// The row painter of the build in progress: its blend is the skin's.
PaintRow paintRow = PaintRowWith<BlendMix>;

// Block 0 of the strip takes the background, converted to 24 bits by the
// copy. The other sixteen blocks are copies of block 0.
void LayBackground(DibSurface* skinImage)
{
    LayVisBackground(stripSurface->memDC, *skinImage);
    const unsigned char* block0 = RowFromTop(stripSurface, kVisHeight - 1);
    const size_t blockBytes = static_cast<size_t>(kVisHeight) * stripSurface->stride;
    for (int y = 2 * kVisHeight - 1; y < kVisHeight * kStripFrames; y += kVisHeight)
        memcpy(RowFromTop(stripSurface, y), block0, blockBytes);
}

ColorPicker PickerFor(unsigned char analyzerMode)
{
    switch (analyzerMode) {
    case 0: return PickByRow;
    case 2: return PickByHeight;
    default: return PickFromTop;
    }
}

PaintRow PainterFor(unsigned char blendMethod)
{
    switch (blendMethod) {
    case 1: return PaintRowWith<BlendAdd>;
    case 2: return PaintRowWith<BlendSubtract>;
    default: return PaintRowWith<BlendMix>;
    }
}

// Block i (frame 16 - i) gets its bottom 16 - i rows painted.
void PaintStandingBars()
{
    for (int i = 0; i < kVisHeight; ++i)
        for (int j = kVisHeight - 1; j >= i; --j)
            paintRow(stripSurface, kVisHeight * i + j, colorPicker(i, j));
}

// Block k (frame 16 - k) gets its top 16 - k rows painted.
void PaintHangingBars()
{
    for (int k = 0; k < kVisHeight; ++k)
        for (int j = 0; j <= kVisHeight - 1 - k; ++j)
            paintRow(stripSurface, kVisHeight * k + j, colorPicker(k, kVisHeight - 1 - j));
}

// Block 16 (frame 0) is the bare background.
void BuildPeakRow()
{
    const int frame0Top = kVisHeight * (kStripFrames - 1);
    for (int y = 0; y < kVisHeight; ++y) {
        memcpy(RowFromTop(peakSurface, y), RowFromTop(stripSurface, frame0Top + y),
               3 * kVisWidth);
        paintRow(peakSurface, y, buildColors[kPeakColor]);
    }
}

}  // namespace

void LayVisBackground(HDC target, const DibSurface& skinImage)
{
    PatBlt(target, 0, 0, kVisWidth, kVisHeight, BLACKNESS);
    BitBlt(target, 0, 0, kVisWidth, kVisHeight, skinImage.memDC, kVisLeft, kVisTop, SRCCOPY);
    // The pixels are worked on in memory from here on: let the copies land.
    GdiFlush();
}

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
    paintRow = PainterFor(settings.blendMethod);
    if (settings.rain)
        PaintHangingBars();
    else
        PaintStandingBars();
    if (settings.peaks)
        BuildPeakRow();
}
