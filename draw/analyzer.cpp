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
const size_t kPixelBytes = 3;
const unsigned char kFallLimit = 240;
const unsigned char kFallStep = 16;
const signed char kPeakHoldFrames = 8;

int SpectrumRows(const winampVisModule* module)
{
    int rows = module->sRate < module->nCh ? module->sRate : module->nCh;
    return rows < kSpectrumRows ? rows : kSpectrumRows;
}

const int kBinsRead = 288;   // bandBounds[75]: the upper half is never looked at

// Loudest value over the column's bins in the channel rows read (second is
// first again when only one row is read); *lo is the previous column's bound
// and moves on to this column's.
unsigned char ColumnValue(const unsigned char* first, const unsigned char* second, int* lo, int x)
{
    unsigned char v = 0;
    const int hi = bandBounds[x];
    for (int i = *lo; i < hi; ++i) {
        const unsigned char louder = second[i] > first[i] ? second[i] : first[i];
        v = louder > v ? louder : v;
    }
    *lo = hi;
    return v;
}

signed char TopLevel()
{
    return static_cast<signed char>(levelTable[255]);
}

// Bars rise at once to a louder value's level and fall one level per frame.
// Written as selects rather than branches: with music each test goes either
// way unpredictably, and a mispredicted branch costs more than the selects.
signed char BarLevel(int x, unsigned char v)
{
    const signed char fallen = static_cast<signed char>(levelTable[barHeld[x]] - barDecay[x]);
    // Fallen to nothing: idle; else one level lower again next frame.
    const bool idle = fallen <= 0;
    const unsigned char held = idle ? 0 : barHeld[x];
    const signed char decay = idle ? 0 : static_cast<signed char>(barDecay[x] + 1);
    const signed char e = idle ? 0 : fallen;
    // A louder value lifts the bar at once.
    const signed char level = static_cast<signed char>(levelTable[v]);
    const bool rises = e < level;
    barHeld[x] = rises ? v : held;
    barDecay[x] = rises ? 1 : decay;
    return rises ? level : e;
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

// One frame's picks, copied into the output after every column is decided:
// the bar's strip frame and the memory row of its peak pixel (-1: none).
struct ColumnPicks {
    signed char bar[kVisWidth];
    int peakRow[kVisWidth];
};

// Column x of the output from its frame of the strip, `bytes` a pixel. The
// strip and the output share width and depth, hence one stride.
template <size_t bytes>
void CopyColumn(int x, signed char frame, int stride)
{
    const unsigned char* from =
        stripSurface->pixels + kVisHeight * frame * stride + kPixelBytes * x;
    unsigned char* to = outputSurface->pixels + kPixelBytes * x;
    for (int m = 0; m < kVisHeight; ++m)
        std::memcpy(to + m * stride, from + m * stride, bytes);
}

// Columns are written left to right, four bytes a pixel: the fourth is the
// next column's first, which that column writes afterwards. The last column
// gets three, so nothing past a row is touched. Then the peak pixels replace
// theirs.
void CopyColumns(const ColumnPicks& picks)
{
    const int stride = outputSurface->stride;
    const int peakStride = peakSurface->stride;
    const unsigned char* peak = peakSurface->pixels;
    unsigned char* output = outputSurface->pixels;

    for (int x = 0; x < kVisWidth - 1; ++x)
        CopyColumn<4>(x, picks.bar[x], stride);
    CopyColumn<kPixelBytes>(kVisWidth - 1, picks.bar[kVisWidth - 1], stride);
    for (int x = 0; x < kVisWidth; ++x) {
        const int row = picks.peakRow[x];
        if (row >= 0 && row < kVisHeight)
            std::memcpy(output + row * stride + kPixelBytes * x,
                        peak + row * peakStride + kPixelBytes * x, kPixelBytes);
    }
}

// Where the peak pixel of column x goes this frame, given its bar's level:
// a memory row, or one outside 0..15 for none.
int NoPeak(int, signed char)
{
    return -1;
}

// The dot of level g sits where a standing bar of level g has its tip.
int FallingPeakRow(int x, signed char e)
{
    return FallingPeakLevel(x, e) - 1;
}

// The drop of level g sits where a hanging bar of level g has its tip.
int FallingDropRow(int x, signed char e)
{
    return TopLevel() - FallingDropLevel(x, e);
}

// One frame: every column's value, bar level and peak, then the copies. The
// peak rule is fixed per instance, so the per-column loop tests nothing.
template <int (*PeakRowOf)(int x, signed char e)>
void DrawFrame(winampVisModule* module)
{
    // With no row to read every column value is 0.
    static const unsigned char silence[kBinsRead] = {};
    const int rows = SpectrumRows(module);
    const unsigned char* first = rows > 0 ? module->spectrumData[0] : silence;
    const unsigned char* second = rows > 1 ? module->spectrumData[1] : first;
    int lo = 0;
    ColumnPicks picks;
    for (int x = 0; x < kVisWidth; ++x) {
        const signed char e = BarLevel(x, ColumnValue(first, second, &lo, x));
        picks.bar[x] = e;
        picks.peakRow[x] = PeakRowOf(x, e);
    }
    CopyColumns(picks);
}

}  // namespace

void DrawBars(winampVisModule* module)
{
    DrawFrame<NoPeak>(module);
}

void DrawBarsAndPeaks(winampVisModule* module)
{
    DrawFrame<FallingPeakRow>(module);
}

void DrawBarsAndRain(winampVisModule* module)
{
    DrawFrame<FallingDropRow>(module);
}
