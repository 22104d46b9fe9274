#include <gtest/gtest.h>

#include <vector>

#include "draw/analyzer.h"
#include "draw/surfaces.h"
#include "tests/support/draw_fixtures.h"

namespace {

typedef void (*Routine)(winampVisModule*);

// Strip pixel of frame f, memory row m: blue f, green m, red 0x40. Peak row
// pixel of memory row m: blue 0xEE, green m, red 0x80. So each output pixel
// tells which frame or peak row it came from.
const unsigned char kPeakMark = 0xEE;

void MarkSurfaces()
{
    for (int row = 0; row < 16 * 17; ++row)
        for (int x = 0; x < 76; ++x) {
            unsigned char* p = stripSurface->pixels + row * stripSurface->stride + 3 * x;
            p[0] = static_cast<unsigned char>(row / 16);
            p[1] = static_cast<unsigned char>(row % 16);
            p[2] = 0x40;
        }
    for (int row = 0; row < 16; ++row)
        for (int x = 0; x < 76; ++x) {
            unsigned char* p = peakSurface->pixels + row * peakSurface->stride + 3 * x;
            p[0] = kPeakMark;
            p[1] = static_cast<unsigned char>(row);
            p[2] = 0x80;
        }
}

// What column x of the output shows: the strip frame of its bar pixels
// (-1 when they disagree or are not strip pixels of their own row) and the
// memory row of the peak pixel (-1 for none, -2 for more than one).
struct Column {
    int frame;
    int peakRow;
};

Column ReadColumn(int x)
{
    Column c = {-2, -1};
    for (int m = 0; m < 16; ++m) {
        const unsigned char* p = outputSurface->pixels + m * outputSurface->stride + 3 * x;
        if (p[0] == kPeakMark && p[1] == m && p[2] == 0x80) {
            c.peakRow = c.peakRow == -1 ? m : -2;
        } else if (p[1] != m || p[2] != 0x40 || (c.frame != -2 && c.frame != p[0])) {
            c.frame = -1;
        } else if (c.frame == -2) {
            c.frame = p[0];
        }
    }
    return c;
}

// Peak dots of level g sit in memory row g - 1, drops in memory row 16 - g.
int PeakLevel(int peakRow)
{
    return peakRow < 0 ? 0 : peakRow + 1;
}

int DropLevel(int peakRow)
{
    return peakRow < 0 ? 0 : 16 - peakRow;
}

// Silence long enough brings every column's state back to zero.
void Silence()
{
    winampVisModule module = SilentModule();
    for (int i = 0; i < 64; ++i)
        DrawBarsAndPeaks(&module);
}

class Analyzer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(1, SetUpSurfaces());
        MarkSurfaces();
        Silence();
    }
};

// Every column but lit shows bare background without a peak.
void ExpectOthersQuiet(int lit, const char* what)
{
    for (int x = 0; x < 76; ++x) {
        if (x == lit)
            continue;
        const Column c = ReadColumn(x);
        EXPECT_EQ(0, c.frame) << what << ", column " << x;
        EXPECT_EQ(-1, c.peakRow) << what << ", column " << x;
    }
}

// The least value of each bar level 1..16.
const std::vector<int> kLevelThresholds = {1,  3,  8,  15,  23,  33,  45,  58,
                                           73, 90, 109, 129, 151, 175, 200, 227};

// The first bin of each column, column 0 first; column 75 ends at bin 287.
const std::vector<int> kColumnStarts = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16,  17,  18,
    20,  22,  25,  27,  30,  32,  35,  38,  41,  44,  47,  51,  54,  58,  61,  65,  69,  73,  77,
    81,  85,  89,  93,  98,  102, 107, 112, 116, 121, 126, 131, 136, 141, 146, 151, 157, 162, 167,
    173, 178, 184, 189, 195, 201, 206, 212, 218, 224, 229, 235, 241, 247, 253, 259, 265, 271, 277,
};

struct Trace {
    const char* name;
    Routine routine;
    int (*level)(int peakRow);
    unsigned char value;
    std::vector<int> bars;   // bar level per frame
    std::vector<int> peaks;  // peak or drop level per frame, 0 for none
};

}  // namespace

// Levels per frame from the hit on, over 30 frames: those not listed are 0.
TEST_F(Analyzer, SingleHitRisesAtOnceAndFallsByTheRules)
{
    const std::vector<int> bars255 = {16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
    const std::vector<int> bars100 = {10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
    const std::vector<int> bars30 = {5, 4, 3, 2, 1};
    const Trace traces[] = {
        {"255, bars only", DrawBars, PeakLevel, 255, bars255, {}},
        {"255, peaks", DrawBarsAndPeaks, PeakLevel, 255, bars255,
         {16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 15, 15, 14, 14, 13, 12, 11, 11, 10, 9, 8, 7, 5}},
        {"255, rain", DrawBarsAndRain, DropLevel, 255, bars255,
         {16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 5, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16}},
        {"100, peaks", DrawBarsAndPeaks, PeakLevel, 100, bars100,
         {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 9, 9, 8, 8, 7, 6, 5, 5, 4, 3, 2, 1}},
        {"100, rain", DrawBarsAndRain, DropLevel, 100, bars100,
         {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 11, 11, 12, 12, 13, 14, 15, 15, 16}},
        {"30, peaks", DrawBarsAndPeaks, PeakLevel, 30, bars30,
         {5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 4, 4, 3, 3, 2, 1}},
        {"30, rain", DrawBarsAndRain, DropLevel, 30, bars30,
         {5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 6, 6, 7, 7, 8, 9, 10, 10, 11, 12, 13, 14, 16}},
    };
    const int kColumn = 40;  // bins 89..92
    for (const Trace& t : traces) {
        Silence();
        winampVisModule module = SilentModule();
        module.spectrumData[0][90] = t.value;
        for (size_t frame = 0; frame < 30; ++frame) {
            t.routine(&module);
            module.spectrumData[0][90] = 0;
            const Column c = ReadColumn(kColumn);
            EXPECT_EQ(frame < t.bars.size() ? t.bars[frame] : 0, c.frame) << t.name << ", frame " << frame;
            ASSERT_NE(-2, c.peakRow) << t.name << ", frame " << frame;
            EXPECT_EQ(frame < t.peaks.size() ? t.peaks[frame] : 0, t.level(c.peakRow))
                << t.name << ", frame " << frame;
            ExpectOthersQuiet(kColumn, t.name);
        }
    }
}

TEST_F(Analyzer, ChannelRowsReadAreTheSmallerOfRateAndChannelsAtMostTwo)
{
    struct Case { const char* name; int sRate, nCh, row, level; } cases[] = {
        {"nCh 1, row 0", 44100, 1, 0, 16},
        {"nCh 1, row 1", 44100, 1, 1, 0},
        {"sRate 1, row 0", 1, 2, 0, 16},
        {"sRate 1, row 1", 1, 2, 1, 0},
        {"nCh 2, row 1", 44100, 2, 1, 16},
        {"nCh 0", 44100, 0, 0, 0},
        {"sRate 0", 0, 2, 0, 0},
        {"negative sRate", -1, 2, 0, 0},
        {"nCh 3, row 1", 44100, 3, 1, 16},
        {"nCh 3, row 2", 44100, 3, 2, 0},
        {"nCh 1000, row 2", 44100, 1000, 2, 0},
    };
    for (const Case& c : cases) {
        Silence();
        winampVisModule module = SilentModule();
        module.sRate = c.sRate;
        module.nCh = c.nCh;
        // Bin 0 (column 0) of the row; a third row would start at the waveform.
        *(c.row < 2 ? &module.spectrumData[c.row][0] : &module.waveformData[0][0]) = 255;
        DrawBarsAndPeaks(&module);
        EXPECT_EQ(c.level, ReadColumn(0).frame) << c.name;
    }
}

// From silence, a bar rises at once to its value's level: every value
// 0..255, 76 at a time, one to a column. The levels never fall as values rise,
// and each begins at its threshold.
TEST_F(Analyzer, EveryValueShowsTheLevelOfTheThresholdsItReaches)
{
    std::vector<int> thresholds;
    int previous = 0;
    for (int first = 0; first < 256; first += 76) {
        Silence();
        winampVisModule module = SilentModule();
        for (int x = 0; x < 76 && first + x < 256; ++x)
            module.spectrumData[0][kColumnStarts[x]] = static_cast<unsigned char>(first + x);
        DrawBars(&module);
        for (int x = 0; x < 76 && first + x < 256; ++x) {
            const int level = ReadColumn(x).frame;
            ASSERT_TRUE(level == previous || level == previous + 1)
                << "value " << first + x << " shows level " << level << " after " << previous;
            if (level > previous) thresholds.push_back(first + x);
            previous = level;
        }
    }
    EXPECT_EQ(kLevelThresholds, thresholds);
}

// Each bin 0..287 alone, in either channel row, lights exactly one column, in
// order, each column from its first bin on; bins 288..575 light nothing.
TEST_F(Analyzer, EveryBinLightsItsOwnColumn)
{
    std::vector<int> starts;
    for (int bin = 0; bin < 288; ++bin) {
        Silence();
        winampVisModule module = SilentModule();
        module.spectrumData[bin % 2][bin] = 255;
        DrawBars(&module);
        std::vector<int> lit;
        for (int x = 0; x < 76; ++x) {
            const int level = ReadColumn(x).frame;
            ASSERT_TRUE(level == 0 || level == 16) << "bin " << bin << ", column " << x << ": " << level;
            if (level == 16) lit.push_back(x);
        }
        ASSERT_EQ(1u, lit.size()) << "bin " << bin << " lights " << lit.size() << " columns";
        if (lit[0] != static_cast<int>(starts.size()) - 1) {
            ASSERT_EQ(static_cast<int>(starts.size()), lit[0]) << "bin " << bin;
            starts.push_back(bin);
        }
    }
    EXPECT_EQ(kColumnStarts, starts);

    Silence();
    winampVisModule module = SilentModule();
    for (int i = 288; i < 576; ++i) {
        module.spectrumData[0][i] = 255;
        module.spectrumData[1][i] = 255;
    }
    DrawBarsAndRain(&module);
    ExpectOthersQuiet(-1, "bins 288..575");
}

TEST(Surfaces, SetUpCreatesOnlyMissingSurfaces)
{
    ASSERT_EQ(1, SetUpSurfaces());
    DibSurface* const output = outputSurface;
    DibSurface* const strip = stripSurface;
    delete peakSurface;
    peakSurface = nullptr;
    ASSERT_EQ(1, SetUpSurfaces());
    EXPECT_EQ(output, outputSurface);
    EXPECT_EQ(strip, stripSurface);
    ASSERT_NE(nullptr, peakSurface);
    EXPECT_EQ(16, peakSurface->header->biHeight);
    EXPECT_EQ(272, stripSurface->header->biHeight);
    EXPECT_EQ(228, stripSurface->stride);

    ReleaseSurfaces();
    EXPECT_EQ(nullptr, outputSurface);
    EXPECT_EQ(nullptr, stripSurface);
    EXPECT_EQ(nullptr, peakSurface);
    ReleaseSurfaces();
}
