#include "draw/analyzer.h"

#include <cstring>

#include "draw/surfaces.h"

// Level of a spectrum value: how many of the thresholds 1, 3, 8, 15, 23, 33,
// 45, 58, 73, 90, 109, 129, 151, 175, 200, 227 it reaches.
const unsigned char levelTable[256] = {
    0, 1, 1, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 4,          // 0..15
    4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 5, 5, 5, 5, 5, 5,          // 16..31
    5, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 7, 7, 7,          // 32..47
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 8, 8, 8, 8, 8, 8,          // 48..63
    8, 8, 8, 8, 8, 8, 8, 8, 8, 9, 9, 9, 9, 9, 9, 9,          // 64..79
    9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 10, 10, 10, 10, 10, 10,    // 80..95
    10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 11, 11, 11,  // 96..111
    11, 11, 11, 11, 11, 11, 11, 11, 11, 11, 11, 11, 11, 11, 11, 11,  // 112..127
    11, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  // 128..143
    12, 12, 12, 12, 12, 12, 12, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // 144..159
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 14,  // 160..175
    14, 14, 14, 14, 14, 14, 14, 14, 14, 14, 14, 14, 14, 14, 14, 14,  // 176..191
    14, 14, 14, 14, 14, 14, 14, 14, 15, 15, 15, 15, 15, 15, 15, 15,  // 192..207
    15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15,  // 208..223
    15, 15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16,  // 224..239
    16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16,  // 240..255
};

// Exclusive upper bin of each column: one bin each up to column 17, then
// widening bands up to bin 287.
const int bandBounds[76] = {
    1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20, 22,
    25, 27, 30, 32, 35, 38, 41, 44, 47, 51, 54, 58, 61, 65, 69, 73, 77, 81, 85, 89,
    93, 98, 102, 107, 112, 116, 121, 126, 131, 136, 141, 146, 151, 157, 162, 167, 173, 178, 184, 189,
    195, 201, 206, 212, 218, 224, 229, 235, 241, 247, 253, 259, 265, 271, 277, 288,
};

unsigned char barHeld[76];
signed char barDecay[76];
unsigned char peakHeld[76];
signed char peakHold[76];
unsigned char peakFall[76];

namespace {

// The record holds two channel rows; whatever nCh says, no more are read.
const int kSpectrumRows = 2;
const int kPixelBytes = 3;
const unsigned char kFallLimit = 240;
const unsigned char kFallStep = 16;
const signed char kPeakHoldFrames = 8;

int SpectrumRows(const winampVisModule* module)
{
    int rows = module->sRate < module->nCh ? module->sRate : module->nCh;
    return rows < kSpectrumRows ? rows : kSpectrumRows;
}

// Loudest value over the column's bins in the first rows channels; *lo is the
// previous column's bound and moves on to this column's.
unsigned char ColumnValue(const winampVisModule* module, int rows, int* lo, int x)
{
    unsigned char v = 0;
    const int hi = bandBounds[x];
    if (*lo < hi) {
        for (int i = *lo; i < hi; ++i)
            for (int r = 0; r < rows; ++r)
                if (module->spectrumData[r][i] > v)
                    v = module->spectrumData[r][i];
        *lo = hi;
    }
    return v;
}

signed char TopLevel()
{
    return static_cast<signed char>(levelTable[255]);
}

// Bars rise at once to a louder value's level and fall one level per frame.
signed char BarLevel(int x, unsigned char v)
{
    signed char e = static_cast<signed char>(levelTable[barHeld[x]] - barDecay[x]);
    if (e <= 0) {
        barHeld[x] = 0;
        barDecay[x] = 0;
        e = 0;
    } else {
        barDecay[x] = static_cast<signed char>(barDecay[x] + 1);
    }
    const signed char level = static_cast<signed char>(levelTable[v]);
    if (e < level) {
        e = level;
        barHeld[x] = v;
        barDecay[x] = 1;
    }
    return e;
}

// Shared tail of both peak rules: hold, else reset or fall on, then capture
// by a bar standing above.
signed char AdvancePeak(int x, signed char g, bool gone, signed char e)
{
    if (peakHold[x] != 0) {
        peakHold[x] = static_cast<signed char>(peakHold[x] - 1);
    } else if (gone || peakFall[x] >= kFallLimit) {
        peakHeld[x] = 0;
        peakFall[x] = 0;
        g = 0;
    } else if (peakHeld[x] != 0) {
        peakFall[x] = static_cast<unsigned char>(peakFall[x] + kFallStep);
    }
    if (g < e) {
        g = e;
        peakHeld[x] = barHeld[x];
        peakFall[x] = 0;
        peakHold[x] = kPeakHoldFrames;
    }
    return g;
}

signed char FallingPeakLevel(int x, signed char e)
{
    const signed char g = static_cast<signed char>(
        levelTable[peakHeld[x]] + levelTable[static_cast<unsigned char>(255 - peakFall[x])] -
        levelTable[255]);
    return AdvancePeak(x, g, g < 0, e);
}

signed char FallingDropLevel(int x, signed char e)
{
    const signed char g = static_cast<signed char>(
        levelTable[peakHeld[x]] - levelTable[static_cast<unsigned char>(255 - peakFall[x])] +
        levelTable[255]);
    return AdvancePeak(x, g, g > TopLevel(), e);
}

// Column x of the output takes column x of strip frame e.
void CopyBarColumn(int x, signed char e)
{
    const unsigned char* from = stripSurface->pixels + 16 * e * stripSurface->stride +
                                kPixelBytes * x;
    unsigned char* to = outputSurface->pixels + kPixelBytes * x;
    for (int m = 0; m < kVisHeight; ++m) {
        std::memcpy(to, from, kPixelBytes);
        from += stripSurface->stride;
        to += outputSurface->stride;
    }
}

// Memory row `row` of column x takes the peak row's pixel, when the row exists.
void CopyPeakPixel(int x, int row)
{
    if (row < 0 || row >= kVisHeight)
        return;
    std::memcpy(outputSurface->pixels + row * outputSurface->stride + kPixelBytes * x,
                peakSurface->pixels + row * peakSurface->stride + kPixelBytes * x,
                kPixelBytes);
}

}  // namespace

void DrawBars(winampVisModule* module)
{
    const int rows = SpectrumRows(module);
    int lo = 0;
    for (int x = 0; x < kVisWidth; ++x) {
        const unsigned char v = ColumnValue(module, rows, &lo, x);
        CopyBarColumn(x, BarLevel(x, v));
    }
}

void DrawBarsAndPeaks(winampVisModule* module)
{
    const int rows = SpectrumRows(module);
    int lo = 0;
    for (int x = 0; x < kVisWidth; ++x) {
        const unsigned char v = ColumnValue(module, rows, &lo, x);
        const signed char e = BarLevel(x, v);
        const signed char g = FallingPeakLevel(x, e);
        CopyBarColumn(x, e);
        // The dot of level g sits where a standing bar of level g has its tip.
        CopyPeakPixel(x, g - 1);
    }
}

void DrawBarsAndRain(winampVisModule* module)
{
    const int rows = SpectrumRows(module);
    int lo = 0;
    for (int x = 0; x < kVisWidth; ++x) {
        const unsigned char v = ColumnValue(module, rows, &lo, x);
        const signed char e = BarLevel(x, v);
        const signed char g = FallingDropLevel(x, e);
        CopyBarColumn(x, e);
        // The drop of level g sits where a hanging bar of level g has its tip.
        CopyPeakPixel(x, TopLevel() - g);
    }
}
