// The per-frame figures: the analyser alone, and a whole Render.
#include "bench/figures.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "draw/analyzer.h"
#include "draw/strip_builder.h"
#include "draw/surfaces.h"
#include "host/stand_in_host.h"
#include "image/dib_surface.h"
#include "plugin/module.h"
#include "skin/vis_color.h"
#include "skin/zelpin_config.h"

namespace {

// Frames cycle through this many random spectra, so no two in a row agree.
const int kSpectra = 64;
const int kBins = 288;
const COLORREF kMarker = RGB(1, 2, 3);

std::vector<winampVisModule> frames;
int nextFrame = 0;

winampVisModule* NextFrame()
{
    winampVisModule* frame = &frames[nextFrame];
    nextFrame = (nextFrame + 1) % kSpectra;
    return frame;
}

// Random stereo spectra in copies of the given record (a blank one when null).
void MakeFrames(const winampVisModule* model)
{
    winampVisModule blank;
    std::memset(&blank, 0, sizeof blank);
    frames.assign(kSpectra, model ? *model : blank);
    std::mt19937 random(20240611);
    for (winampVisModule& frame : frames) {
        frame.sRate = 44100;
        frame.nCh = 2;
        for (auto& channel : frame.spectrumData)
            for (unsigned char& bin : channel) bin = static_cast<unsigned char>(random() & 0xFF);
    }
    nextFrame = 0;
}

// ---- the analyser

// Read through volatile pointers on every call, so that the floor is no more
// inlined than the drawer in the product's library.
UpdateStage volatile drawCall = DrawBarsAndPeaks;
volatile unsigned char loudestSink;

// The least any frame of this design does: each column's 16 pixels copied
// one by one from its own strip frame (levels fixed at random), plus one pass
// over the bins of both channels.
signed char floorLevels[kVisWidth];

void SinglePixelCopiesFloor(winampVisModule* module)
{
    unsigned char loudest = 0;
    for (const auto& channel : module->spectrumData)
        for (int i = 0; i < kBins; ++i)
            if (channel[i] > loudest) loudest = channel[i];
    const int stride = stripSurface->stride;
    for (int x = 0; x < kVisWidth; ++x) {
        const unsigned char* from =
            stripSurface->pixels + kVisHeight * floorLevels[x] * stride + 3 * x;
        unsigned char* to = outputSurface->pixels + 3 * x;
        for (int m = 0; m < kVisHeight; ++m)
            std::memcpy(to + m * outputSurface->stride, from + m * stride, 3);
    }
    loudestSink = loudest;
}

UpdateStage volatile floorCall = SinglePixelCopiesFloor;

void DrawBatch(int calls)
{
    for (int i = 0; i < calls; ++i) drawCall(NextFrame());
}

void CopyFloorBatch(int calls)
{
    for (int i = 0; i < calls; ++i) floorCall(NextFrame());
}

// A skin picture made in memory: the strip's pixels do not change its cost.
bool BuildTestStrip()
{
    DibSurface skin;
    if (!skin.Create(kMainWindowWidth, kMainWindowHeight, 24)) return false;
    for (int y = 0; y < kMainWindowHeight; ++y)
        for (int x = 0; x < 3 * kMainWindowWidth; ++x)
            skin.pixels[y * skin.stride + x] = static_cast<unsigned char>(x * 7 + y * 13);
    ZelpinConfig settings(nullptr);
    settings.blendMethod = 0;
    settings.analyzerMode = 1;
    settings.ratio = 96;
    settings.enable = 1;
    settings.peaks = 1;
    settings.rain = 0;
    VisColor colors;
    BuildStrip(&skin, settings, colors);
    return true;
}

// ---- the whole Render

int (__cdecl* volatile renderCall)(winampVisModule*) = nullptr;
HWND floorWindow = nullptr;
DibSurface* floorImage = nullptr;

void RenderBatch(int calls)
{
    for (int i = 0; i < calls; ++i) renderCall(NextFrame());
}

// What the presenter does at the least: a bare blit into the window's DC.
void BlitFloorBatch(int calls)
{
    for (int i = 0; i < calls; ++i) {
        HDC dc = GetDC(floorWindow);
        BitBlt(dc, kVisLeft, kVisTop, kVisWidth, kVisHeight, floorImage->memDC, 0, 0, SRCCOPY);
        ReleaseDC(floorWindow, dc);
    }
}

void FillSurface(DibSurface* surface, COLORREF color)
{
    for (int y = 0; y < kVisHeight; ++y)
        for (int x = 0; x < kVisWidth; ++x) {
            unsigned char* p = surface->pixels + y * surface->stride + 3 * x;
            p[0] = GetBValue(color);
            p[1] = GetGValue(color);
            p[2] = GetRValue(color);
        }
}

}  // namespace

void AnalyserFigure(Report& report)
{
    const char name[] = "analyser_frame";
    if (!SetUpSurfaces() || !BuildTestStrip()) {
        report.Missing(name, "no surfaces");
        return;
    }
    MakeFrames(nullptr);
    std::mt19937 random(7);
    for (signed char& level : floorLevels) level = static_cast<signed char>(random() % 17);
    const SideBySide t = TimeSideBySide(DrawBatch, CopyFloorBatch, 100, 3000);
    report.Figure(name, t.thing * 1e6, "us", t.thing / t.floor, 1.2);
}

void RenderFigure(Report& report, const std::string& skinsFolder, const std::string& skin,
                  const std::string& pluginPath)
{
    const char name[] = "render_frame";
    StandInHost host;
    StandInHost::Options options;
    options.skinsFolder = skinsFolder;
    options.skin = skin;
    options.pluginPath = pluginPath;
    if (!host.Open(options) || host.LoadPlugin() != 0) {
        report.Missing(name, "the stand-in host could not start the plug-in");
        return;
    }
    DibSurface image;
    if (!image.Create(kVisWidth, kVisHeight, 24)) {
        report.Missing(name, "no surface for the floor");
        return;
    }
    floorWindow = host.Window();
    floorImage = &image;
    MakeFrames(host.Module());
    renderCall = host.Module()->Render;

    // The first frame loads the skin; the next must paint over the marker,
    // or the figure would time a plug-in that does nothing.
    RenderBatch(1);
    FillSurface(&image, kMarker);
    BlitFloorBatch(1);
    RenderBatch(1);
    if (host.PixelAt(24, 58) == kMarker) {
        report.Missing(name, "the plug-in did not paint its vis area");
    } else {
        const SideBySide t = TimeSideBySide(RenderBatch, BlitFloorBatch, 20, 800);
        report.Figure(name, t.thing * 1e6, "us", t.thing / t.floor, 1.1);
    }
    floorImage = nullptr;
}
